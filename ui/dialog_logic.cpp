#include "ui/dialog_logic.h"

#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <initializer_list>

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

// The pickers' prompts, Pascal strings.
constexpr unsigned char kPickerPrompt[] = "\012Grid color";
constexpr unsigned char kMinorPickerPrompt[] = "\020Minor line color";

constexpr GridFieldSpec kGridFields[kGridFieldCount] = {
    {IDC_ROWS_EDIT, false, false, kCellCountRange.minimum, kCellCountRange.maximum, kColumnsField},
    {IDC_COLUMNS_EDIT, false, false, kCellCountRange.minimum, kCellCountRange.maximum, kRowsField},
    {IDC_VOFFSET_EDIT, true, true, kOffsetRange.minimum, kOffsetRange.maximum, kHorizontalOffsetField},
    {IDC_HOFFSET_EDIT, true, true, kOffsetRange.minimum, kOffsetRange.maximum, kVerticalOffsetField},
    {IDC_SUBDIVIDE_EDIT, false, false, kSubdivisionRange.minimum, kSubdivisionRange.maximum, kGridFieldCount},
    {IDC_MINOR_OPACITY_EDIT, false, false, kMinorOpacityRange.minimum, kMinorOpacityRange.maximum, kGridFieldCount},
    {IDC_MINOR_THICK_EDIT, true, false, kLengthRange.minimum, kLengthRange.maximum, kGridFieldCount},
    // A dash of nothing would hide the line: the shortest is a thousandth, drawn as one pixel.
    {IDC_DASH_EDIT, true, false, 1, kLengthRange.maximum, kGridFieldCount},
    {IDC_DASH_GAP_EDIT, true, false, kLengthRange.minimum, kLengthRange.maximum, kGridFieldCount},
};

// The minor colour list's items as the radio ids the block records for them.
constexpr int16_t kMinorChoiceRadios[kMinorColourChoices] = {IDC_RADIO_RED, IDC_RADIO_GREEN,
                                                             IDC_RADIO_BLUE, IDC_RADIO_BLACK,
                                                             IDC_RADIO_CUSTOM};

// The length a gap or thickness slider keeps in the block, in thousandths of the unit.
int32_t FilterParameters::*LengthOf(Slider slider) noexcept {
  switch (slider) {
    case kVerticalGap: return &FilterParameters::verticalGapLength;
    case kVerticalThickness: return &FilterParameters::verticalThickLength;
    case kHorizontalGap: return &FilterParameters::horizontalGapLength;
    case kHorizontalThickness: return &FilterParameters::horizontalThickLength;
    default: return nullptr;
  }
}

// The whole value a slider holds for a length: a thickness is stored one less than shown.
int32_t WholeOfLength(Slider slider, int32_t length) noexcept {
  const SliderSpec& spec = kSliders[slider];
  const int32_t shown = RoundedLength(length, SettingRange{LowestShown(spec), HighestShown(spec), 0});
  return spec.thickness ? shown - 1 : shown;
}

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

const char* const kUnitNames[kUnitChoices] = {"Pixels", "Percent", "Inches", "Centimeters",
                                              "Millimeters", "Points", "Picas"};
const char* const kStyleNames[kStyleChoices] = {"Solid", "Dashed", "Dotted"};
const char* const kMinorColourNames[kMinorColourChoices] = {"Red", "Green", "Blue", "Black",
                                                            "Custom..."};

namespace {
constexpr uint8_t kMinorFixedColours[kMinorCustomChoice][3] = {
    {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 0, 0}};
}  // namespace

int32_t MinorChoiceForColour(uint8_t red, uint8_t green, uint8_t blue) noexcept {
  for (int32_t i = 0; i < kMinorCustomChoice; ++i) {
    const uint8_t* c = kMinorFixedColours[i];
    if (c[0] == red && c[1] == green && c[2] == blue) return i;
  }
  return kMinorCustomChoice;
}

bool ColourOfMinorChoice(int32_t choice, uint8_t rgb[3]) noexcept {
  if (choice < 0 || choice >= kMinorCustomChoice) return false;
  for (int32_t k = 0; k < 3; ++k) rgb[k] = kMinorFixedColours[choice][k];
  return true;
}

const GridFieldSpec& GridFieldSpecOf(GridField field) noexcept { return kGridFields[field]; }

int64_t GridFieldValue(const FilterParameters& block, GridField field) noexcept {
  switch (field) {
    case kRowsField: return block.rows;
    case kColumnsField: return block.columns;
    case kVerticalOffsetField: return block.verticalOffset;
    case kHorizontalOffsetField: return block.horizontalOffset;
    case kSubdivisionsField: return block.subdivisions;
    case kMinorOpacityField: return block.minorOpacity;
    case kMinorThicknessField: return block.minorThickLength;
    case kDashField: return block.dashLength;
    case kDashGapField: return block.dashGapLength;
    default: return 0;
  }
}

void SetGridFieldValue(FilterParameters& block, GridField field, int64_t value) noexcept {
  if (field < 0 || field >= kGridFieldCount) return;
  const GridFieldSpec& spec = kGridFields[field];
  const int32_t v = int32_t(value < spec.lowest ? spec.lowest : (value > spec.highest ? spec.highest : value));
  switch (field) {
    case kRowsField: block.rows = int16_t(v); break;
    case kColumnsField: block.columns = int16_t(v); break;
    case kVerticalOffsetField: block.verticalOffset = v; break;
    case kHorizontalOffsetField: block.horizontalOffset = v; break;
    case kSubdivisionsField: block.subdivisions = int16_t(v); break;
    case kMinorOpacityField: block.minorOpacity = int16_t(v); break;
    case kMinorThicknessField: block.minorThickLength = v; break;
    case kDashField: block.dashLength = v; break;
    case kDashGapField: block.dashGapLength = v; break;
    default: break;
  }
}

void SetUnitFromSelection(FilterParameters& block, int32_t selection) noexcept {
  if (selection < kUnitRange.minimum || selection > kUnitRange.maximum) return;
  // The numbers stay as they are and are read in the new unit, as in the host's own grid.
  block.unit = uint8_t(selection);
  UpdatePixelMirrors(&block);
}

void SetStyleFromSelection(FilterParameters& block, int32_t selection) noexcept {
  if (selection >= kLineStyleRange.minimum && selection <= kLineStyleRange.maximum)
    block.lineStyle = uint8_t(selection);
}

void SetFrame(FilterParameters& block, bool on) noexcept { block.frame = on ? 1 : 0; }

int32_t UnitSelection(const FilterParameters& block) noexcept {
  return ClampSetting(block.unit, kUnitRange);
}

int32_t StyleSelection(const FilterParameters& block) noexcept {
  return ClampSetting(block.lineStyle, kLineStyleRange);
}

int32_t MinorColourSelection(const FilterParameters& block) noexcept {
  for (int32_t i = 0; i < kMinorColourChoices; ++i) {
    if (kMinorChoiceRadios[i] == block.minorColourChoice) return i;
  }
  return MinorChoiceForColour(block.minorRed, block.minorGreen, block.minorBlue);
}

void MinorColourOf(const FilterParameters& block, uint8_t rgb[3]) noexcept {
  rgb[0] = block.minorRed, rgb[1] = block.minorGreen, rgb[2] = block.minorBlue;
}

void SetMinorColour(InvocationContext* context, uint8_t red, uint8_t green, uint8_t blue) noexcept {
  FilterParameters* block = context == nullptr ? nullptr : ParametersOf(context->filterRecord);
  if (block == nullptr) return;
  block->minorRed = red, block->minorGreen = green, block->minorBlue = blue;
  block->minorColourChoice = uint8_t(IDC_RADIO_CUSTOM);
}

bool ApplyMinorChoice(DialogState& state, int32_t choice) noexcept {
  FilterParameters* block = BlockOf(state);
  uint8_t rgb[3];
  if (block == nullptr || !ColourOfMinorChoice(choice, rgb)) return false;
  block->minorRed = rgb[0], block->minorGreen = rgb[1], block->minorBlue = rgb[2];
  block->minorColourChoice = uint8_t(kMinorChoiceRadios[choice]);
  return true;
}

int16_t PickMinorColourWithHost(InvocationContext* context) noexcept {
  FilterParameters* block = context == nullptr ? nullptr : ParametersOf(context->filterRecord);
  if (block == nullptr) return errPlugInHostInsufficient;
  int16_t rgb[4] = {block->minorRed, block->minorGreen, block->minorBlue, 0};
  const int16_t err = ChooseColour(context->filterRecord->colorServices, kMinorPickerPrompt, rgb);
  if (err != noErr) return err;
  SetMinorColour(context, uint8_t(rgb[0]), uint8_t(rgb[1]), uint8_t(rgb[2]));
  return noErr;
}

namespace {

// Whether a length, converted to pixels over `extent` at `ppi` (16.16), passes the longest.
// Floating point is fine here: it only chooses the note's words, never a pixel.
bool HeldInPixels(int32_t length, uint8_t unit, int32_t extent, Fixed ppi) noexcept {
  const double units = length / double(kLengthScale);
  const double perInch = ppi > 0 ? ppi / 65536.0 : 72.0;
  double pixels = units;
  switch (unit) {
    case kGridPercent: pixels = units * extent / 100.0; break;
    case kGridInches: pixels = units * perInch; break;
    case kGridCentimetres: pixels = units * perInch / 2.54; break;
    case kGridMillimetres: pixels = units * perInch / 25.4; break;
    case kGridPoints: pixels = units * perInch / 72.0; break;
    case kGridPicas: pixels = units * perInch / 6.0; break;
    default: break;
  }
  return pixels > kLongestLengthPixels;
}

}  // namespace

void HeldLengthsNote(const InvocationContext* context, char* out, int32_t bytes) noexcept {
  if (out == nullptr || bytes <= 0) return;
  out[0] = '\0';
  const FilterRecord* record = context == nullptr ? nullptr : context->filterRecord;
  const FilterParameters* block = ParametersOf(record);
  if (block == nullptr) return;
  // The whole area, also while the preview narrows the host's rectangle.
  const VRect area = block->useAdvanceState != 0 ? SavedFilterArea(*block) : FilterArea(record);
  const int32_t width = area.right - area.left, height = area.bottom - area.top;
  const Fixed across = record->imageHRes, down = record->imageVRes;
  const uint8_t unit = block->unit;
  // Lengths measured down the picture use its height and vertical resolution, across its width.
  const bool spacedRows = block->rows == 0 && block->horizontalGapLength != 0;
  const bool spacedColumns = block->columns == 0 && block->verticalGapLength != 0;
  const bool dashed = block->lineStyle == kLineDashed;
  const bool minor = block->subdivisions > 1;
  struct Named {
    bool held;
    const char* name;
  };
  const auto both = [&](int32_t length) {
    return HeldInPixels(length, unit, width, across) || HeldInPixels(length, unit, height, down);
  };
  const Named lengths[] = {
      {spacedRows && HeldInPixels(block->horizontalGapLength, unit, height, down), "row gap"},
      {HeldInPixels(block->horizontalThickLength, unit, height, down), "row thickness"},
      {spacedColumns && HeldInPixels(block->verticalGapLength, unit, width, across), "column gap"},
      {HeldInPixels(block->verticalThickLength, unit, width, across), "column thickness"},
      {minor && both(block->minorThickLength), "minor thickness"},
      {dashed && both(block->dashLength), "dash"},
      {dashed && both(block->dashGapLength), "dash gap"},
  };
  int32_t used = 0;
  for (const Named& length : lengths) {
    if (!length.held) continue;
    const int n = std::snprintf(out + used, size_t(bytes - used), "%s%s",
                                used == 0 ? "Held at 30,000 px: " : ", ", length.name);
    if (n < 0 || n >= bytes - used) break;  // the note is cut, never overrun
    used += n;
  }
}

GridField GridFieldForEdit(const DialogState& state, WindowRef edit) noexcept {
  for (int32_t i = 0; i < kGridFieldCount; ++i) {
    if (edit != nullptr && state.gridEdits[i] == edit) return GridField(i);
  }
  return kGridFieldCount;
}

void GridFieldText(const FilterParameters& block, GridField field, char* out, int32_t bytes) noexcept {
  const int64_t value = GridFieldValue(block, field);
  FormatFieldDecimal(kGridFields[field].length ? value : value * 1000, out, bytes);
}

int64_t GridFieldStep(GridField field, int64_t value, bool up) noexcept {
  const GridFieldSpec& spec = kGridFields[field];
  const int64_t step = spec.length ? 1000 : 1;
  const int64_t next = up ? value + step : value - step;
  return next < spec.lowest ? spec.lowest : (next > spec.highest ? spec.highest : next);
}

GridFieldOutcome ApplyGridField(DialogState& state, GridField field, int64_t typed) noexcept {
  GridFieldOutcome outcome{kGridFieldCount, false};
  FilterParameters* block = BlockOf(state);
  if (block == nullptr || field < 0 || field >= kGridFieldCount) return outcome;
  const int64_t before = GridFieldValue(*block, field);
  SetGridFieldValue(*block, field, typed);
  outcome.render = GridFieldValue(*block, field) != before;
  const GridField partner = kGridFields[field].partner;
  if (field == kRowsField || field == kColumnsField) state.lastChangedCount = field;
  if (field == kVerticalOffsetField || field == kHorizontalOffsetField) state.lastChangedOffset = field;
  if (state.linkOn && partner != kGridFieldCount) {
    const int64_t partnerBefore = GridFieldValue(*block, partner);
    SetGridFieldValue(*block, partner, GridFieldValue(*block, field));
    outcome.partner = partner;
    outcome.render = outcome.render || GridFieldValue(*block, partner) != partnerBefore;
  }
  return outcome;
}

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

void SliderFieldText(const FilterParameters& block, Slider slider, char* out, int32_t bytes) noexcept {
  if (int32_t FilterParameters::*length = LengthOf(slider)) {
    FormatFieldDecimal(block.*length, out, bytes);
    return;
  }
  FormatFieldDecimal(int64_t(block.*kSliders[slider].field) * 1000, out, bytes);
}

bool SliderTakesFraction(Slider slider) noexcept { return LengthOf(slider) != nullptr; }

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
  // Pixel gaps and thicknesses written without their lengths (an older writer) win, as at
  // every call.
  ReconcilePixelMirrors(block);
  for (int32_t i = 0; i < kSliderCount; ++i) {
    // A damaged block must not put a bar or a field outside its range, nor come back on Cancel.
    const int16_t value = int16_t(Clamp(block->*kSliders[i].field, kSliders[i].lower, kSliders[i].upper));
    block->*kSliders[i].field = value;
    state.savedGapsAndThicknesses[i] = value;
    state.*kSliders[i].working = value;
    if (int32_t FilterParameters::*length = LengthOf(Slider(i))) {
      block->*length = ClampSetting(block->*length, kLengthRange);
      state.*kSliders[i].working = WholeOfLength(Slider(i), block->*length);
    }
  }
  UpdatePixelMirrors(block);
  state.savedBlock = *block;
  state.linkOn = false;
  state.lastChangedCount = state.lastChangedOffset = kGridFieldCount;
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
  int32_t FilterParameters::*length = LengthOf(slider);
  if (length != nullptr) {
    // A typed fraction is kept as typed; a bar, a key or a whole number sets whole units. A
    // refresh keeps the length when it still rounds to the value (Link's copy).
    if (code == kScrollTyped && state.typedFraction) {
      // Any positive thickness draws at least a pixel, so a fraction of a unit is kept.
      block->*length = int32_t(Clamp(state.typedLength, spec.thickness ? 1 : 0,
                                     HighestShown(spec) * kLengthScale));
      const int32_t whole = WholeOfLength(slider, block->*length);
      state.*spec.working = whole;
      block->*spec.field = int16_t(whole);
      outcome.value = whole;
    } else if (code != kScrollKeep || WholeOfLength(slider, block->*length) != value)
      block->*length = (spec.thickness ? value + 1 : value) * kLengthScale;
    UpdatePixelMirrors(block);
  }

  if (IsGap(slider)) {
    state.lastChangedGap = slider == kVerticalGap ? GapDirection::vertical : GapDirection::horizontal;
    if (state.linkOn) {
      const Slider other = slider == kVerticalGap ? kHorizontalGap : kVerticalGap;
      state.*kSliders[other].working = outcome.value;
      block->*kSliders[other].field = int16_t(outcome.value);
      block->*LengthOf(other) = block->*length;
      UpdatePixelMirrors(block);
      outcome.partner = other;
      outcome.rewritePartnerText = state.partnerTextEnabled;
      state.partnerTextEnabled = true;
    }
    outcome.render = true;
  } else if (slider == kOpacity) {
    outcome.render = true;
  } else {
    // Without stripes in its direction (no gap, no count) a thickness changes nothing.
    const bool rows = GapOf(slider) == kHorizontalGap;
    outcome.render = block->*LengthOf(GapOf(slider)) != 0 || (rows ? block->rows : block->columns) != 0;
  }
  return outcome;
}

Slider ApplyLink(DialogState& state, bool checked) noexcept {
  if (!checked) {
    state.linkOn = false;
    return kSliderCount;
  }
  state.linkOn = true;
  for (const GridField changed : {state.lastChangedCount, state.lastChangedOffset}) {
    FilterParameters* linked = BlockOf(state);
    if (changed == kGridFieldCount || linked == nullptr) continue;
    SetGridFieldValue(*linked, kGridFields[changed].partner, GridFieldValue(*linked, changed));
  }
  // The length goes along with the whole value, so a fraction is copied too.
  FilterParameters* block = BlockOf(state);
  if (state.workingVerticalGap == state.workingHorizontalGap &&
      (block == nullptr || block->verticalGapLength == block->horizontalGapLength))
    return kSliderCount;
  if (state.lastChangedGap == GapDirection::vertical) {
    state.workingHorizontalGap = state.workingVerticalGap;
    if (block != nullptr) block->horizontalGapLength = block->verticalGapLength;
    return kHorizontalGap;
  }
  state.workingVerticalGap = state.workingHorizontalGap;
  if (block != nullptr) block->verticalGapLength = block->horizontalGapLength;
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
  // The grid group's settings: everything from the unit to the end of the block.
  constexpr size_t kGroupStart = offsetof(FilterParameters, unit);
  std::memcpy(reinterpret_cast<char*>(block) + kGroupStart,
              reinterpret_cast<const char*>(&state.savedBlock) + kGroupStart,
              sizeof(FilterParameters) - kGroupStart);
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

FieldDecimal ParseFieldDecimal(const char* text) noexcept {
  FieldDecimal parsed{0, false};
  if (text == nullptr) return parsed;
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t whole = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    parsed.digits = true;
    if (whole <= kFieldDecimalLimit) whole = whole * 10 + (*p - '0');
  }
  int64_t fraction = 0;
  int32_t places = 0;
  bool roundUp = false;
  if (*p == '.' || *p == ',') {
    for (++p; *p >= '0' && *p <= '9'; ++p) {
      parsed.digits = true;
      if (places < kFieldDecimals) {
        fraction = fraction * 10 + (*p - '0');
        ++places;
      } else if (places++ == kFieldDecimals) {
        roundUp = *p >= '5';  // only the first dropped place decides
      }
    }
  }
  for (; places < kFieldDecimals; ++places) fraction *= 10;
  int64_t value = whole > kFieldDecimalLimit / 1000 ? kFieldDecimalLimit
                                                   : whole * 1000 + fraction + (roundUp ? 1 : 0);
  if (value > kFieldDecimalLimit) value = kFieldDecimalLimit;
  parsed.thousandths = negative ? -value : value;
  return parsed;
}

void FormatFieldDecimal(int64_t thousandths, char* out, int32_t bytes) noexcept {
  if (out == nullptr || bytes <= 0) return;
  char text[32];
  int32_t n = 0;
  const bool negative = thousandths < 0;
  uint64_t magnitude = negative ? uint64_t(0) - uint64_t(thousandths) : uint64_t(thousandths);
  uint64_t fraction = magnitude % 1000;
  int32_t places = kFieldDecimals;
  while (places > 0 && fraction % 10 == 0) fraction /= 10, --places;
  // Digits from the last: the fraction's, the point, the whole part's.
  for (int32_t i = 0; i < places; ++i, fraction /= 10) text[n++] = char('0' + fraction % 10);
  if (places > 0) text[n++] = '.';
  uint64_t whole = magnitude / 1000;
  do {
    text[n++] = char('0' + whole % 10);
    whole /= 10;
  } while (whole != 0);
  if (negative) text[n++] = '-';
  int32_t written = 0;
  while (n > 0 && written < bytes - 1) out[written++] = text[--n];
  out[written] = '\0';
}

bool FieldTakesCharacter(uint32_t character, bool decimal, bool negative) noexcept {
  if (character == '\b' || (character >= '0' && character <= '9')) return true;
  if (decimal && (character == '.' || character == ',')) return true;
  return negative && character == '-';
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
