// The parameters dialog's decisions, free of any window system: scroll arithmetic, Link,
// colour, alignment, panning, the preview geometry, OK and Cancel, and the numeric fields'
// rules. The Win32 layer reads the controls, calls these and applies what they answer.
#pragma once

#include <cstdint>

#include "ui/dialog_state.h"

// Private scroll codes: a number typed into a field, and "keep the value, refresh the rest".
constexpr int32_t kScrollTyped = 105;
constexpr int32_t kScrollKeep = 55;

// One slider's controls, values and bounds.
struct SliderSpec {
  int32_t barId;
  int32_t editId;
  bool thickness;           // shown one more than stored
  bool horizontalMessage;   // its bar reports WM_HSCROLL (else WM_VSCROLL)
  int32_t upper;            // highest stored value
  int32_t lower;            // lowest stored value
  int32_t DialogState::*working;
  int16_t FilterParameters::*field;
  WindowRef DialogState::*bar;
  WindowRef DialogState::*edit;
};

const SliderSpec& SliderSpecOf(Slider slider) noexcept;
// The numbers a slider's field shows at its two ends.
int32_t LowestShown(const SliderSpec& spec) noexcept;
int32_t HighestShown(const SliderSpec& spec) noexcept;

// Scroll bars of ranges past 100 keep one position per value up to 100; the other 100
// positions climb quadratically to the top of the range, so small values stay easy to set.
constexpr int32_t kLinearBarEnd = 100;
constexpr int32_t kWideBarPositions = 200;
int32_t BarMaximum(const SliderSpec& spec) noexcept;
int32_t ValueForBarPosition(const SliderSpec& spec, int32_t position) noexcept;
// The lowest position whose value is at least `value`.
int32_t BarPositionForValue(const SliderSpec& spec, int32_t value) noexcept;
// kSliderCount when the handle is none of the four.
Slider SliderForBar(const DialogState& state, WindowRef bar) noexcept;
Slider SliderForEdit(const DialogState& state, WindowRef edit) noexcept;
// The text a slider's field shows for the block: a gap's or thickness's length in the unit
// ("12", "0.5"), the opacity's percent.
void SliderFieldText(const FilterParameters& block, Slider slider, char* out, int32_t bytes) noexcept;
// Gaps and thicknesses take decimals; the opacity does not.
bool SliderTakesFraction(Slider slider) noexcept;
// The number a slider's field shows for a stored value.
int32_t ShownValue(Slider slider, int32_t stored) noexcept;

// True while the host draws the preview.
bool PreviewIsLive(const DialogState& state) noexcept;

// The opening steps that touch no window: keeps the context, takes Cancel's copies, loads
// the working copies and puts Link, pan and drag in their opening state.
void OpenDialogState(DialogState& state, InvocationContext* context) noexcept;
// The radio to check on opening (0: none); sets the colour from it.
int32_t OpeningColourRadio(FilterParameters& block) noexcept;
// Requests and renders the preview region; false when the preview is not live afterwards.
// A failing request turns the preview off for this run and drops the host's error.
bool OpenPreview(DialogState& state) noexcept;
// Pan limits from the narrowed and the whole filter area.
void SetPanLimits(DialogState& state, const VRect& narrowed, const VRect& whole) noexcept;

// Writes the radio's colour code; ids other than the five radios write nothing.
void ColourCodeForRadio(int32_t radioId, InvocationContext* context) noexcept;
// The combo box's selection; no selection (the user typed into it) keeps the alignment.
void SetAlignmentFromSelection(FilterParameters& block, int32_t selection) noexcept;

// Asks the host's colour picker for the custom colour, starting from the block's, with a short
// prompt. noErr: the block holds the chosen colour and draws it; otherwise the host's code
// (-128 when the user cancelled, -30900 without colour services) and the block is unchanged.
int16_t PickCustomColourWithHost(InvocationContext* context) noexcept;
// The same for the minor lines' colour, with its own prompt; noErr: the block holds it.
int16_t PickMinorColourWithHost(InvocationContext* context) noexcept;
// A colour chosen elsewhere becomes the minor lines' colour.
void SetMinorColour(InvocationContext* context, uint8_t red, uint8_t green, uint8_t blue) noexcept;
// The minor colour list's choice: a fixed colour is stored at once; false for Custom, which
// the caller takes to a picker.
bool ApplyMinorChoice(DialogState& state, int32_t choice) noexcept;
// The unit and style lists' and the frame box's changes; out-of-range choices change nothing.
void SetUnitFromSelection(FilterParameters& block, int32_t selection) noexcept;
void SetStyleFromSelection(FilterParameters& block, int32_t selection) noexcept;
void SetFrame(FilterParameters& block, bool on) noexcept;
// The stored unit, style and minor colour as the lists' selections.
int32_t UnitSelection(const FilterParameters& block) noexcept;
int32_t StyleSelection(const FilterParameters& block) noexcept;
int32_t MinorColourSelection(const FilterParameters& block) noexcept;
void MinorColourOf(const FilterParameters& block, uint8_t rgb[3]) noexcept;
// What the note under the grid group says: which lengths are held at 30,000 px once converted
// to pixels on this picture, or an empty text.
void HeldLengthsNote(const InvocationContext* context, char* out, int32_t bytes) noexcept;
// A colour chosen elsewhere (the system's dialog) becomes the drawn custom colour.
void SetCustomColour(InvocationContext* context, uint8_t red, uint8_t green, uint8_t blue) noexcept;

struct ScrollOutcome {
  int32_t value;             // stored value now in the slider
  bool rewriteOwnText;       // replace the slider's field text
  Slider partner;            // the other gap took the value through Link, or kSliderCount
  bool rewritePartnerText;
  bool render;               // the picture can have changed
};
int32_t NewScrollValue(int32_t current, int32_t code, int32_t thumb, const SliderSpec& spec,
                       int32_t typed) noexcept;
// One scroll message of a slider: value, field, Link copy.
ScrollOutcome ApplyScroll(DialogState& state, Slider slider, int32_t code, int32_t thumb) noexcept;

// The Link box changed; the gap slider to refresh with kScrollKeep, or kSliderCount. Checked,
// it also copies the count and the offset changed last in this dialog to their partners.
Slider ApplyLink(DialogState& state, bool checked) noexcept;

// Pan buttons' steps; false for any other id.
bool PanStepFor(int32_t id, int32_t* stepH, int32_t* stepV) noexcept;
void ClampPan(DialogState& state) noexcept;
// Moves the pan by a step and keeps it within its limits.
void MovePan(DialogState& state, int32_t stepH, int32_t stepV) noexcept;
// Asks the host again for the region at the current pan, without rendering.
void RequestPannedRegion(DialogState& state) noexcept;
// Clamps, requests and renders; false (nothing done) when the preview is not live.
bool ApplyPan(DialogState& state) noexcept;

// Mouse over the preview. Points are dialog client coordinates.
ImageRect ImageRectFor(int32_t frameLeft, int32_t frameTop, int32_t frameRight,
                       int32_t frameBottom, int32_t originX, int32_t originY,
                       const VRect& outRect) noexcept;
// All four edges count as inside.
bool ImageRectContains(const ImageRect& rect, int32_t x, int32_t y) noexcept;
void StartDrag(DialogState& state, int32_t x, int32_t y) noexcept;
// While dragging: follows the mouse and requests the new region.
void DragTo(DialogState& state, int32_t x, int32_t y) noexcept;
void EndDrag(DialogState& state) noexcept;
// Double-click: back to the centred region, requested and rendered.
void CentrePreview(DialogState& state) noexcept;

// OK keeps the settings; Cancel puts back what the dialog changed and reports -128.
void EndWithOk(DialogState& state) noexcept;
void EndWithCancel(DialogState& state) noexcept;

// --- The grid group ---
// The lists' items, in the order of their stored values.
constexpr int32_t kUnitChoices = 7;
extern const char* const kUnitNames[kUnitChoices];
constexpr int32_t kStyleChoices = 3;
extern const char* const kStyleNames[kStyleChoices];
// The minor lines' colour: the four fixed colours of the radios, then Custom (the picker).
constexpr int32_t kMinorColourChoices = 5;
constexpr int32_t kMinorCustomChoice = 4;
extern const char* const kMinorColourNames[kMinorColourChoices];
// The choice that shows an RGB colour: a fixed colour when it is exactly one, else Custom.
int32_t MinorChoiceForColour(uint8_t red, uint8_t green, uint8_t blue) noexcept;
// The colour of a fixed choice; false (nothing written) for Custom and anything else.
bool ColourOfMinorChoice(int32_t choice, uint8_t rgb[3]) noexcept;

// One field of the grid group: a length in the grid's unit (in thousandths) or a whole number.
struct GridFieldSpec {
  int32_t editId;
  bool length;
  bool negative;     // takes a minus sign
  int64_t lowest;    // thousandths for lengths
  int64_t highest;
  GridField partner;  // takes the same value while Link is on; kGridFieldCount for none
};
const GridFieldSpec& GridFieldSpecOf(GridField field) noexcept;
// kGridFieldCount when the handle is none of the fields.
GridField GridFieldForEdit(const DialogState& state, WindowRef edit) noexcept;
// The block's value in the field's terms, and the block written from it (clamped to the field).
int64_t GridFieldValue(const FilterParameters& block, GridField field) noexcept;
void SetGridFieldValue(FilterParameters& block, GridField field, int64_t value) noexcept;
// The text a field shows for the block's value.
void GridFieldText(const FilterParameters& block, GridField field, char* out, int32_t bytes) noexcept;
// A wheel or Up/Down step: one whole unit or one, within the field's range.
int64_t GridFieldStep(GridField field, int64_t value, bool up) noexcept;

struct GridFieldOutcome {
  GridField partner;  // took the value through Link, or kGridFieldCount
  bool render;
};
// A number typed into a field (in its terms): stored, clamped, copied by Link.
GridFieldOutcome ApplyGridField(DialogState& state, GridField field, int64_t typed) noexcept;

// --- Numeric fields ---
constexpr int32_t kFieldTextBytes = 80;
constexpr int32_t kFieldMaximum = 30000;  // the highest number any field shows

// Leading blanks, a sign, then digits up to the first other character; no digits is 0.
// Saturates instead of overflowing.
int32_t ParseFieldNumber(const char* text) noexcept;
// A wheel or Up/Down step of a field's number within lowest..highest.
int32_t WheelStepWithin(int32_t number, bool up, int32_t lowest, int32_t highest) noexcept;
// The same for a gap (0..30000) or a shown thickness (1..30000).
int32_t WheelStep(int32_t number, bool up, bool thickness) noexcept;

// What a field shows when it loses the focus.
struct FieldRefill {
  bool rewrite;
  int32_t shown;
  bool forward;  // the stored value has to follow the new text
};
FieldRefill RefillWithin(int32_t number, int32_t lowest, int32_t highest) noexcept;
FieldRefill RefillFor(int32_t number, bool thickness) noexcept;

// --- Decimal fields: lengths in the grid's unit, shown with up to kFieldDecimals places ---
constexpr int32_t kFieldDecimals = 3;
constexpr int64_t kFieldDecimalLimit = 999999999999;  // in thousandths; saturates there

// A decimal as typed: leading blanks, a sign, digits with at most one '.' or ',' (either is a
// decimal point), then anything else ends it. Places past kFieldDecimals are rounded, halves
// away from zero. `digits` false when there are none ("", "-", ".").
struct FieldDecimal {
  int64_t thousandths;
  bool digits;
};
FieldDecimal ParseFieldDecimal(const char* text) noexcept;
// The shortest text for a value in thousandths: "12", "0.5", "-1.25". Writes at most `bytes`
// bytes, the terminating zero included.
void FormatFieldDecimal(int64_t thousandths, char* out, int32_t bytes) noexcept;
// Whether a field takes this character into its text: digits and backspace always, a decimal
// point where the field holds a length, a minus sign where it may go below zero.
bool FieldTakesCharacter(uint32_t character, bool decimal, bool negative) noexcept;

enum class ShortcutKind : uint8_t {
  none,
  command,         // WM_COMMAND with `commandId`, as if the control were clicked
  toggleIgnoreZero,
  toggleLink,
  deleteForward,
  deleteBackward,
};
struct FieldShortcut {
  ShortcutKind kind;
  int32_t commandId;
};
FieldShortcut ShortcutForCharacter(uint32_t character) noexcept;
