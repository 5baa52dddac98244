// The numeric fields: digits and backspace only, every change handed to the dialog at
// once, Up, Down and the wheel step within bounds, plain letters as shortcuts, refilled when
// left empty. Everything else is the edit control's own behaviour.
#include "resources/resource_ids.h"
#include "ui/dialog_logic.h"
#include "ui/dialog_win.h"

namespace {

bool IsNumberKey(WPARAM key) noexcept {
  return key == VK_BACK || key == VK_DELETE || (key >= '0' && key <= '9') ||
         (key >= VK_NUMPAD0 && key <= VK_NUMPAD9);
}

int32_t FieldNumber(HWND field) noexcept {
  char text[kFieldTextBytes] = {};
  GetWindowTextA(field, text, kFieldTextBytes);
  return ParseFieldNumber(text);
}

// Hands `typedValue` to the dialog as the slider's typed value.
void ForwardTypedValue(const DialogState& state, Slider slider) noexcept {
  HWND dialog = WindowOf(state.dialogWindow);
  if (dialog == nullptr || !IsWindow(dialog)) return;
  const SliderSpec& spec = SliderSpecOf(slider);
  SendMessageA(dialog, spec.horizontalMessage ? WM_HSCROLL : WM_VSCROLL,
               MAKEWPARAM(kScrollTyped, 0), reinterpret_cast<LPARAM>(state.*spec.bar));
}

void TakeNumber(DialogState& state, Slider slider, HWND field) noexcept {
  char text[kFieldTextBytes] = {};
  GetWindowTextA(field, text, kFieldTextBytes);
  int32_t number = ParseFieldNumber(text);
  const FieldDecimal typed = ParseFieldDecimal(text);
  state.typedFraction = SliderTakesFraction(slider) && typed.thousandths % 1000 != 0;
  state.typedLength = typed.thousandths;
  if (number > HighestShown(SliderSpecOf(slider))) {
    number = 0;
    state.typedFraction = false;
    SetWindowTextA(field, "");
  }
  // A fraction below one whole unit still counts as typed (a thickness of 0.5 is not 0).
  if (state.typedFraction && number == 0 && typed.thousandths > 0) number = 1;
  state.typedValue = number;
  ForwardTypedValue(state, slider);
}

void StepByWheel(HWND field, const SliderSpec& spec, bool up) noexcept {
  const int32_t number = FieldNumber(field);
  const int32_t stepped = WheelStepWithin(number, up, LowestShown(spec), HighestShown(spec));
  if (stepped != number) {
    SetFieldNumber(field, stepped);
    SendMessageA(field, WM_KEYUP, '0', 0);  // the key release takes the number
  }
  SendMessageA(field, EM_SETSEL, 0, -1);
}

void Refill(DialogState& state, Slider slider, HWND field) noexcept {
  const SliderSpec& spec = SliderSpecOf(slider);
  char text[kFieldTextBytes] = {};
  GetWindowTextA(field, text, kFieldTextBytes);
  if (SliderTakesFraction(slider) && ParseFieldDecimal(text).thousandths % 1000 != 0) {
    ShowSliderField(state, slider);  // a fraction was stored as typed, within the range
    return;
  }
  const FieldRefill refill = RefillWithin(FieldNumber(field), LowestShown(spec), HighestShown(spec));
  if (refill.rewrite) SetFieldNumber(field, refill.shown);
  if (refill.forward) {
    state.typedValue = refill.shown;
    ForwardTypedValue(state, slider);
  }
}

// A check box that reports `from` becomes `to`, any other state the opposite of `to`.
void ToggleBox(HWND dialog, int id, UINT from, UINT to) noexcept {
  const UINT now = IsDlgButtonChecked(dialog, id);
  CheckDlgButton(dialog, id, now == from ? to : from);
}

void RunShortcut(DialogState& state, HWND field, FieldShortcut shortcut, LPARAM lParam) noexcept {
  HWND dialog = WindowOf(state.dialogWindow);
  if (dialog == nullptr || !IsWindow(dialog)) return;
  switch (shortcut.kind) {
    case ShortcutKind::none: return;
    case ShortcutKind::deleteForward:
      SendMessageA(field, WM_KEYDOWN, VK_DELETE, 0);
      SendMessageA(field, WM_KEYUP, VK_DELETE, 0);
      return;
    case ShortcutKind::deleteBackward:
      SendMessageA(field, WM_CHAR, VK_BACK, lParam);
      SendMessageA(field, WM_KEYUP, VK_BACK, lParam);
      return;
    case ShortcutKind::toggleIgnoreZero:
      ToggleBox(dialog, IDC_IGNORE_ZERO, BST_UNCHECKED, BST_CHECKED);
      break;
    case ShortcutKind::toggleLink:
      state.partnerTextEnabled = false;
      ToggleBox(dialog, IDC_LINK, BST_CHECKED, BST_UNCHECKED);
      break;
    case ShortcutKind::command: break;
  }
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(shortcut.commandId, 0), 0);
}

// A grid field's text, when it holds a number, stored in the field's terms.
void TakeGridText(DialogState& state, GridField gridField, HWND field) noexcept {
  char text[kFieldTextBytes] = {};
  GetWindowTextA(field, text, kFieldTextBytes);
  const FieldDecimal typed = ParseFieldDecimal(text);
  // Counts take whole numbers: a typed fraction is dropped.
  if (typed.digits)
    TakeGridField(state, gridField, GridFieldSpecOf(gridField).length ? typed.thousandths : typed.thousandths / 1000);
}

// The grid group's fields: the same keys, and a decimal point or a minus sign where the field
// takes one. Every change is stored at once; leaving the field shows the stored value.
LRESULT GridFieldMessage(DialogState& state, GridField gridField, HWND field, UINT message,
                         WPARAM wParam, LPARAM lParam) noexcept {
  const auto previous = reinterpret_cast<WNDPROC>(state.previousGridEditProcs[gridField]);
  const GridFieldSpec& spec = GridFieldSpecOf(gridField);
  const FilterParameters* block =
      state.context == nullptr ? nullptr : ParametersOf(state.context->filterRecord);
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_UP || wParam == VK_DOWN) {
        SendMessageA(field, WM_MOUSEWHEEL, wParam == VK_UP ? WPARAM(1) : WPARAM(-1), 0);
        return 0;
      }
      break;
    case WM_KEYUP:
      if (wParam == VK_DELETE) TakeGridText(state, gridField, field);
      break;
    case WM_CHAR:
      if (FieldTakesCharacter(uint32_t(wParam), spec.length, spec.negative)) {
        CallWindowProcA(previous, field, message, wParam, lParam);
        TakeGridText(state, gridField, field);
      } else {
        RunShortcut(state, field, ShortcutForCharacter(uint32_t(wParam)), lParam);
      }
      return 0;
    case WM_MOUSEWHEEL:
      if (block != nullptr) {
        TakeGridField(state, gridField, GridFieldStep(gridField, GridFieldValue(*block, gridField), int32_t(wParam) > 0));
        ShowGridField(state, gridField);
        SendMessageA(field, EM_SETSEL, 0, -1);
      }
      return 0;
    case WM_KILLFOCUS:
      TakeGridText(state, gridField, field);  // pasted text too
      ShowGridField(state, gridField);
      break;
    default:
      break;
  }
  return CallWindowProcA(previous, field, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK NumericFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  DialogState& state = dialogState;
  const Slider slider = SliderForEdit(state, field);
  if (slider == kSliderCount) {
    const GridField gridField = GridFieldForEdit(state, field);
    if (gridField != kGridFieldCount) return GridFieldMessage(state, gridField, field, message, wParam, lParam);
    return DefWindowProcA(field, message, wParam, lParam);
  }
  const auto previous = reinterpret_cast<WNDPROC>(state.previousEditProcs[slider]);
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_UP || wParam == VK_DOWN) {
        SendMessageA(field, WM_MOUSEWHEEL, wParam == VK_UP ? WPARAM(1) : WPARAM(-1), 0);
        return 0;
      }
      break;
    case WM_KEYUP:
      if (IsNumberKey(wParam)) TakeNumber(state, slider, field);
      break;
    case WM_CHAR:
      if (FieldTakesCharacter(uint32_t(wParam), SliderTakesFraction(slider), false)) {
        CallWindowProcA(previous, field, message, wParam, lParam);
        TakeNumber(state, slider, field);
      } else {
        RunShortcut(state, field, ShortcutForCharacter(uint32_t(wParam)), lParam);
      }
      return 0;
    case WM_MOUSEWHEEL:
      // The delta sits in the high word: the sign of the whole value is the direction.
      StepByWheel(field, SliderSpecOf(slider), int32_t(wParam) > 0);
      return 0;
    case WM_KILLFOCUS:
      Refill(state, slider, field);
      break;
    default:
      break;
  }
  return CallWindowProcA(previous, field, message, wParam, lParam);
}
