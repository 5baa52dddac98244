#include "ui/dialog_logic.h"

#include <climits>

#include "host/coordinates.h"
#include "params/parameters.h"
#include "params/settings.h"
#include "render/drivers.h"
#include "render/stripe_colour.h"
#include "resources/resource_ids.h"
#include "ui/preview_pixels.h"

DialogState dialogState{};

void ResetDialogState() noexcept { dialogState = DialogState{}; }

namespace {

constexpr SliderSpec kSliders[kSliderCount] = {
    {IDC_VGAP_BAR, IDC_VGAP_EDIT, false, true, kGapRange.maximum, kGapRange.minimum,
     &DialogState::workingVerticalGap, &FilterParameters::verticalGap,
     &DialogState::verticalGapBar, &DialogState::verticalGapEdit},
    {IDC_VTHICK_BAR, IDC_VTHICK_EDIT, true, true, kThicknessRange.maximum, kThicknessRange.minimum,
     &DialogState::workingVerticalThickness, &FilterParameters::verticalThickness,
     &DialogState::verticalThicknessBar, &DialogState::verticalThicknessEdit},
    {IDC_HGAP_BAR, IDC_HGAP_EDIT, false, false, kGapRange.maximum, kGapRange.minimum,
     &DialogState::workingHorizontalGap, &FilterParameters::horizontalGap,
     &DialogState::horizontalGapBar, &DialogState::horizontalGapEdit},
    {IDC_HTHICK_BAR, IDC_HTHICK_EDIT, true, false, kThicknessRange.maximum, kThicknessRange.minimum,
     &DialogState::workingHorizontalThickness, &FilterParameters::horizontalThickness,
     &DialogState::horizontalThicknessBar, &DialogState::horizontalThicknessEdit},
    {IDC_OPACITY_BAR, IDC_OPACITY_EDIT, false, true, kOpacityRange.maximum, kOpacityRange.minimum,
     &DialogState::workingOpacity, &FilterParameters::opacity,
     &DialogState::opacityBar, &DialogState::opacityEdit},
};

struct RadioColour {
  int32_t radioId;
  ColourCode code;
};
constexpr RadioColour kRadioColours[] = {
    {IDC_RADIO_BLACK, kColourBlack},
    {IDC_RADIO_BLUE, kColourBlue},
    {IDC_RADIO_RED, kColourRed},
    {IDC_RADIO_GREEN, kColourGreen},
    {IDC_RADIO_CUSTOM, kColourCustom},
};

// The picker's prompt, a Pascal string.
constexpr unsigned char kPickerPrompt[] = "\012Grid color";

struct PanStep {
  int32_t id;
  int32_t h;
  int32_t v;
};
constexpr int32_t kPanPixels = 50;
constexpr PanStep kPanSteps[] = {
    {IDC_PAN_RIGHT_UP, kPanPixels, -kPanPixels},  {IDC_PAN_RIGHT_DOWN, kPanPixels, kPanPixels},
    {IDC_PAN_RIGHT, kPanPixels, 0},               {IDC_PAN_LEFT_UP, -kPanPixels, -kPanPixels},
    {IDC_PAN_LEFT_DOWN, -kPanPixels, kPanPixels}, {IDC_PAN_LEFT, -kPanPixels, 0},
    {IDC_PAN_UP, 0, -kPanPixels},                 {IDC_PAN_DOWN, 0, kPanPixels},
};

int32_t Clamp(int64_t value, int32_t low, int32_t high) noexcept {
  return int32_t(value < low ? low : (value > high ? high : value));
}

FilterParameters* BlockOf(const DialogState& state) noexcept {
  return state.context == nullptr ? nullptr : ParametersOf(state.context->filterRecord);
}

bool IsGap(Slider slider) noexcept { return slider == kVerticalGap || slider == kHorizontalGap; }

// The gap whose stripes a thickness draws.
Slider GapOf(Slider thickness) noexcept {
  return thickness == kVerticalThickness ? kVerticalGap : kHorizontalGap;
}

// The host's filterRect goes back to the whole area the preview set-up kept.
void RestoreWholeArea(DialogState& state, FilterParameters& block) noexcept {
  if (state.previewSetUp) SetFilterArea(state.context->filterRecord, SavedFilterArea(block));
  SetPreviewPan(block, 0, 0);
}

}  // namespace

const SliderSpec& SliderSpecOf(Slider slider) noexcept { return kSliders[slider]; }

int32_t LowestShown(const SliderSpec& spec) noexcept { return spec.lower + (spec.thickness ? 1 : 0); }
int32_t HighestShown(const SliderSpec& spec) noexcept { return spec.upper + (spec.thickness ? 1 : 0); }

int32_t BarMaximum(const SliderSpec& spec) noexcept {
  return spec.upper <= kLinearBarEnd ? spec.upper : kWideBarPositions;
}

int32_t ValueForBarPosition(const SliderSpec& spec, int32_t position) noexcept {
  const int32_t p = Clamp(position, spec.lower, BarMaximum(spec));
  if (p <= kLinearBarEnd) return p;
  const int64_t steps = kWideBarPositions - kLinearBarEnd;
  const int64_t along = p - kLinearBarEnd;
  return Clamp(kLinearBarEnd + (along * along * (spec.upper - kLinearBarEnd) + steps * steps / 2) /
                                   (steps * steps),
               spec.lower, spec.upper);
}

int32_t BarPositionForValue(const SliderSpec& spec, int32_t value) noexcept {
  const int32_t v = Clamp(value, spec.lower, spec.upper);
  if (v <= kLinearBarEnd) return v;
  int32_t position = kLinearBarEnd + 1;
  while (position < kWideBarPositions && ValueForBarPosition(spec, position) < v) ++position;
  return position;
}

Slider SliderForBar(const DialogState& state, WindowRef bar) noexcept {
  for (int32_t i = 0; i < kSliderCount; ++i) {
    if (bar != nullptr && state.*kSliders[i].bar == bar) return Slider(i);
  }
  return kSliderCount;
}

Slider SliderForEdit(const DialogState& state, WindowRef edit) noexcept {
  for (int32_t i = 0; i < kSliderCount; ++i) {
    if (edit != nullptr && state.*kSliders[i].edit == edit) return Slider(i);
  }
  return kSliderCount;
}

int32_t ShownValue(Slider slider, int32_t stored) noexcept {
  return kSliders[slider].thickness ? stored + 1 : stored;
}

bool PreviewIsLive(const DialogState& state) noexcept {
  const FilterParameters* block = BlockOf(state);
  return block != nullptr && block->useAdvanceState != 0;
}

void OpenDialogState(DialogState& state, InvocationContext* context) noexcept {
  state.context = context;
  FilterParameters* block = BlockOf(state);
  if (block == nullptr) return;
  state.savedAmount = block->amount;
  state.savedColourCode = block->colourCode;
  state.savedEntireImage = block->entireImage;
  state.savedAlignment = block->alignment;
  state.savedIgnoreZeroPixel = block->ignoreZeroPixel;
  state.savedRemoveOthers = block->removeOthers;
  state.savedCustomColour[0] = block->customRed;
  state.savedCustomColour[1] = block->customGreen;
  state.savedCustomColour[2] = block->customBlue;
  for (int32_t i = 0; i < kSliderCount; ++i) {
    // A damaged block must not put a bar or a field outside its range, nor come back on Cancel.
    const int16_t value = int16_t(Clamp(block->*kSliders[i].field, kSliders[i].lower, kSliders[i].upper));
    block->*kSliders[i].field = value;
    state.savedGapsAndThicknesses[i] = value;
    state.*kSliders[i].working = value;
  }
  state.linkOn = false;
  state.panH = 0;
  state.panV = 0;
  state.panMinH = state.panMaxH = state.panMinV = state.panMaxV = 0;
  state.dragAnchorH = state.dragAnchorV = 0;
  state.dragging = false;  // a dialog never starts in the middle of a drag
  state.previewSetUp = false;
  state.imageRect = ImageRect{};
}

int32_t OpeningColourRadio(FilterParameters& block) noexcept {
  for (const RadioColour& entry : kRadioColours) {
    if (entry.radioId == block.colourRadioId) {
      block.colourCode = entry.code;
      return entry.radioId;
    }
  }
  return 0;
}

bool OpenPreview(DialogState& state) noexcept {
  FilterParameters* block = BlockOf(state);
  if (block == nullptr || block->useAdvanceState == 0) return false;
  SetupPreviewArea(state.context);
  state.previewSetUp = true;
  if (*state.context->result != noErr) {
    // The host cannot serve the preview: go on without it and leave the run to the tile path.
    block->useAdvanceState = 0;
    *state.context->result = noErr;
    return false;
  }
  if (!OpenDisplayBuffer(state)) {
    // Nowhere to put the 8-bit copy for display: the same as a host that serves no preview.
    block->useAdvanceState = 0;
    return false;
  }
  RenderPreview(state.context, false);
  return true;
}

void SetPanLimits(DialogState& state, const VRect& narrowed, const VRect& whole) noexcept {
  state.panMinH = Clamp(-(int64_t(narrowed.left) - whole.left), INT32_MIN, INT32_MAX);
  state.panMaxH = Clamp(int64_t(whole.right) - narrowed.right, INT32_MIN, INT32_MAX);
  state.panMinV = Clamp(-(int64_t(narrowed.top) - whole.top), INT32_MIN, INT32_MAX);
  state.panMaxV = Clamp(int64_t(whole.bottom) - narrowed.bottom, INT32_MIN, INT32_MAX);
}

void ColourCodeForRadio(int32_t radioId, InvocationContext* context) noexcept {
  FilterParameters* block = context == nullptr ? nullptr : ParametersOf(context->filterRecord);
  if (block == nullptr) return;
  for (const RadioColour& entry : kRadioColours) {
    if (entry.radioId == radioId) block->colourCode = entry.code;
  }
}

void SetAlignmentFromSelection(FilterParameters& block, int32_t selection) noexcept {
  if (IsValidAlignment(selection)) block.alignment = int16_t(selection);
}

void SetCustomColour(InvocationContext* context, uint8_t red, uint8_t green, uint8_t blue) noexcept {
  FilterParameters* block = context == nullptr ? nullptr : ParametersOf(context->filterRecord);
  if (block == nullptr) return;
  block->customRed = red, block->customGreen = green, block->customBlue = blue;
  block->colourCode = kColourCustom;
}

int16_t PickCustomColourWithHost(InvocationContext* context) noexcept {
  FilterParameters* block = context == nullptr ? nullptr : ParametersOf(context->filterRecord);
  if (block == nullptr) return errPlugInHostInsufficient;
  int16_t rgb[4] = {block->customRed, block->customGreen, block->customBlue, 0};
  const int16_t err = ChooseColour(context->filterRecord->colorServices, kPickerPrompt, rgb);
  if (err != noErr) return err;
  SetCustomColour(context, uint8_t(rgb[0]), uint8_t(rgb[1]), uint8_t(rgb[2]));
  return noErr;
}

int32_t NewScrollValue(int32_t current, int32_t code, int32_t thumb, const SliderSpec& spec,
                       int32_t typed) noexcept {
  const int32_t low = spec.lower, high = spec.upper;
  // Pages move ten bar positions: ten values below 100, a wider step above.
  const int32_t position = BarPositionForValue(spec, current);
  switch (code) {
    case 0: return Clamp(int64_t(current) - 1, low, high);
    case 1: return Clamp(int64_t(current) + 1, low, high);
    case 2: return position <= kLinearBarEnd ? Clamp(int64_t(current) - 10, low, high)
                                             : ValueForBarPosition(spec, position - 10);
    case 3: return ValueForBarPosition(spec, position + 10);
    case 4:
    case 5: return ValueForBarPosition(spec, thumb);
    case 6: return low;
    case 7: return high;
    case kScrollTyped:
      // Typed or pasted text, within the numbers the field shows.
      if (spec.thickness && typed <= 0) return low;
      return Clamp(int64_t(typed) - (spec.thickness ? 1 : 0), low, high);
    default: return Clamp(current, low, high);
  }
}

ScrollOutcome ApplyScroll(DialogState& state, Slider slider, int32_t code, int32_t thumb) noexcept {
  ScrollOutcome outcome{0, false, kSliderCount, false, false};
  FilterParameters* block = BlockOf(state);
  if (block == nullptr || slider >= kSliderCount) return outcome;
  const SliderSpec& spec = kSliders[slider];
  state.rewriteFieldText = code != kScrollTyped;  // the user's own typing is left alone

  const int32_t value = NewScrollValue(state.*spec.working, code, thumb, spec, state.typedValue);
  state.*spec.working = value;
  block->*spec.field = int16_t(value);
  outcome.value = value;
  outcome.rewriteOwnText = state.rewriteFieldText;

  if (IsGap(slider)) {
    state.lastChangedGap = slider == kVerticalGap ? GapDirection::vertical : GapDirection::horizontal;
    if (state.linkOn) {
      const Slider other = slider == kVerticalGap ? kHorizontalGap : kVerticalGap;
      state.*kSliders[other].working = value;
      block->*kSliders[other].field = int16_t(value);
      outcome.partner = other;
      outcome.rewritePartnerText = state.partnerTextEnabled;
      state.partnerTextEnabled = true;
    }
    outcome.render = true;
  } else if (slider == kOpacity) {
    outcome.render = true;
  } else {
    // Without stripes in its direction a thickness changes nothing on the picture.
    outcome.render = state.*kSliders[GapOf(slider)].working != 0;
  }
  return outcome;
}

Slider ApplyLink(DialogState& state, bool checked) noexcept {
  if (!checked) {
    state.linkOn = false;
    return kSliderCount;
  }
  state.linkOn = true;
  if (state.workingVerticalGap == state.workingHorizontalGap) return kSliderCount;
  if (state.lastChangedGap == GapDirection::vertical) {
    state.workingHorizontalGap = state.workingVerticalGap;
    return kHorizontalGap;
  }
  state.workingVerticalGap = state.workingHorizontalGap;
  return kVerticalGap;
}

bool PanStepFor(int32_t id, int32_t* stepH, int32_t* stepV) noexcept {
  for (const PanStep& step : kPanSteps) {
    if (step.id == id) {
      *stepH = step.h;
      *stepV = step.v;
      return true;
    }
  }
  return false;
}

void ClampPan(DialogState& state) noexcept {
  if (state.panH < state.panMinH) state.panH = state.panMinH;
  if (state.panH > state.panMaxH) state.panH = state.panMaxH;
  if (state.panV < state.panMinV) state.panV = state.panMinV;
  if (state.panV > state.panMaxV) state.panV = state.panMaxV;
}

void MovePan(DialogState& state, int32_t stepH, int32_t stepV) noexcept {
  // Limits from a host's 32-bit area can lie near the ends of int32: add in 64 bits.
  state.panH = Clamp(int64_t(state.panH) + stepH, INT32_MIN, INT32_MAX);
  state.panV = Clamp(int64_t(state.panV) + stepV, INT32_MIN, INT32_MAX);
  ClampPan(state);
}

void RequestPannedRegion(DialogState& state) noexcept {
  FilterParameters* block = BlockOf(state);
  if (block == nullptr) return;
  SetPreviewPan(*block, state.panH, state.panV);
  SetFilterArea(state.context->filterRecord, SavedFilterArea(*block));
  SetupPreviewArea(state.context);
}

bool ApplyPan(DialogState& state) noexcept {
  if (!PreviewIsLive(state)) return false;
  ClampPan(state);
  RequestPannedRegion(state);
  RenderPreview(state.context, false);
  return true;
}

ImageRect ImageRectFor(int32_t frameLeft, int32_t frameTop, int32_t frameRight,
                       int32_t frameBottom, int32_t originX, int32_t originY,
                       const VRect& outRect) noexcept {
  // A live region is no larger than the pane; any other is kept from overflowing the sums.
  const int32_t width = Clamp(int64_t(outRect.right) - outRect.left, INT16_MIN, INT16_MAX);
  const int32_t height = Clamp(int64_t(outRect.bottom) - outRect.top, INT16_MIN, INT16_MAX);
  const int32_t left = (frameLeft + frameRight - width) / 2 - originX;
  const int32_t top = (frameTop + frameBottom - height) / 2 - originY;
  return ImageRect{left, top, left + width, top + height};
}

bool ImageRectContains(const ImageRect& rect, int32_t x, int32_t y) noexcept {
  return rect.left <= x && x <= rect.right && rect.top <= y && y <= rect.bottom;
}

void StartDrag(DialogState& state, int32_t x, int32_t y) noexcept {
  state.dragAnchorH = Clamp(int64_t(state.panH) + x, INT32_MIN, INT32_MAX);
  state.dragAnchorV = Clamp(int64_t(state.panV) + y, INT32_MIN, INT32_MAX);
  state.dragging = true;
}

void DragTo(DialogState& state, int32_t x, int32_t y) noexcept {
  state.panH = Clamp(int64_t(state.dragAnchorH) - x, INT32_MIN, INT32_MAX);
  state.panV = Clamp(int64_t(state.dragAnchorV) - y, INT32_MIN, INT32_MAX);
  ClampPan(state);
  RequestPannedRegion(state);
}

void EndDrag(DialogState& state) noexcept {
  state.dragging = false;
  RenderPreview(state.context, false);
}

void CentrePreview(DialogState& state) noexcept {
  state.panH = state.panV = 0;
  state.dragAnchorH = state.dragAnchorV = 0;
  RequestPannedRegion(state);
  RenderPreview(state.context, false);
}

void EndWithOk(DialogState& state) noexcept {
  FilterParameters* block = BlockOf(state);
  if (block == nullptr) return;
  RestoreWholeArea(state, *block);
  for (const RadioColour& entry : kRadioColours) {
    if (entry.code == block->colourCode) block->colourRadioId = int16_t(entry.radioId);
  }
}

void EndWithCancel(DialogState& state) noexcept {
  FilterParameters* block = BlockOf(state);
  if (block == nullptr) return;
  block->amount = state.savedAmount;
  block->colourCode = state.savedColourCode;
  block->entireImage = state.savedEntireImage;
  *state.context->result = userCanceledErr;
  RestoreWholeArea(state, *block);
  for (int32_t i = 0; i < kSliderCount; ++i) block->*kSliders[i].field = state.savedGapsAndThicknesses[i];
  // A cancelled change must not reach the next run either.
  block->alignment = state.savedAlignment;
  block->ignoreZeroPixel = state.savedIgnoreZeroPixel;
  block->removeOthers = state.savedRemoveOthers;
  block->customRed = state.savedCustomColour[0];
  block->customGreen = state.savedCustomColour[1];
  block->customBlue = state.savedCustomColour[2];
}

int32_t ParseFieldNumber(const char* text) noexcept {
  if (text == nullptr) return 0;
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > INT32_MAX) value = int64_t(INT32_MAX) + 1;  // saturate, keep reading digits
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return int32_t(value);
}

int32_t WheelStepWithin(int32_t number, bool up, int32_t lowest, int32_t highest) noexcept {
  if (up) return number < highest ? (number < lowest ? lowest : number + 1) : number;
  if (number > highest) return highest;
  return number > lowest ? number - 1 : number;
}

int32_t WheelStep(int32_t number, bool up, bool thickness) noexcept {
  return WheelStepWithin(number, up, thickness ? 1 : 0, kFieldMaximum);
}

FieldRefill RefillWithin(int32_t number, int32_t lowest, int32_t highest) noexcept {
  // Empty or no digits: the dialog already holds the lowest number (typed 0 was taken so).
  if (number == 0) return FieldRefill{true, lowest, false};
  // Pasted text outside the field's range: show and store the nearest bound.
  if (number < lowest) return FieldRefill{true, lowest, true};
  if (number > highest) return FieldRefill{true, highest, true};
  return FieldRefill{false, number, false};
}

FieldRefill RefillFor(int32_t number, bool thickness) noexcept {
  return RefillWithin(number, thickness ? 1 : 0, kFieldMaximum);
}

FieldShortcut ShortcutForCharacter(uint32_t character) noexcept {
  const uint32_t letter = (character >= 'a' && character <= 'z') ? character - 'a' + 'A' : character;
  switch (letter) {
    case 'A': return {ShortcutKind::command, IDC_PAN_LEFT};
    case 'B': return {ShortcutKind::command, IDC_RADIO_BLUE};
    case 'C': return {ShortcutKind::command, IDC_PAN_RIGHT_DOWN};
    case 'D': return {ShortcutKind::command, IDC_PAN_RIGHT};
    case 'E': return {ShortcutKind::command, IDC_PAN_RIGHT_UP};
    case 'F': return {ShortcutKind::deleteForward, 0};
    case 'G': return {ShortcutKind::command, IDC_RADIO_GREEN};
    case 'I': return {ShortcutKind::toggleIgnoreZero, IDC_IGNORE_ZERO};
    case 'J': return {ShortcutKind::deleteBackward, 0};
    case 'K': return {ShortcutKind::command, IDC_RADIO_BLACK};
    case 'L': return {ShortcutKind::toggleLink, IDC_LINK};
    case 'Q': return {ShortcutKind::command, IDC_PAN_LEFT_UP};
    case 'R': return {ShortcutKind::command, IDC_RADIO_RED};
    case 'W': return {ShortcutKind::command, IDC_PAN_UP};
    case 'X': return {ShortcutKind::command, IDC_PAN_DOWN};
    case 'Z': return {ShortcutKind::command, IDC_PAN_LEFT_DOWN};
    default: return {ShortcutKind::none, 0};
  }
}
