// The modal parameters dialog: opening, commands and scroll bars. The decisions are in
// dialog_logic; this file reads and writes the controls.
#include "ui/dialog_win.h"

#include <cstdio>

#include "host/coordinates.h"
#include "params/parameters.h"
#include "params/settings.h"
#include "render/drivers.h"
#include "resources/resource_ids.h"
#include "shell/module_state.h"
#include "ui/dialog.h"
#include "ui/dialog_logic.h"
#include "ui/preview_pixels.h"

namespace {

constexpr const char* kAlignmentItems[] = {"align Top", "align Center", "align Bottom"};

FilterParameters* BlockOf(const DialogState& state) noexcept {
  return state.context == nullptr ? nullptr : ParametersOf(state.context->filterRecord);
}

bool IsChecked(HWND dialog, int id) noexcept {
  return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// The swatch shows the block's custom colour.
void UpdateSwatch(DialogState& state, HWND dialog) noexcept {
  const FilterParameters* block = BlockOf(state);
  if (block == nullptr) return;
  HBRUSH brush = CreateSolidBrush(RGB(block->customRed, block->customGreen, block->customBlue));
  if (brush == nullptr) return;
  if (state.swatchBrush != nullptr) DeleteObject(static_cast<HBRUSH>(state.swatchBrush));
  state.swatchBrush = brush;
  InvalidateRect(GetDlgItem(dialog, IDC_CUSTOM_SWATCH), nullptr, TRUE);
}

// The system's colour dialog, for hosts without a picker; loaded when needed, so the module
// imports nothing more. False when it was cancelled or cannot be shown.
bool PickWithSystemDialog(DialogState& state, HWND dialog) noexcept {
  const FilterParameters* block = BlockOf(state);
  if (block == nullptr) return false;
  HMODULE library = LoadLibraryA("comdlg32.dll");
  if (library == nullptr) return false;
  using ChooseColourProc = BOOL(WINAPI*)(LPCHOOSECOLORA);
  const auto choose =
      reinterpret_cast<ChooseColourProc>(reinterpret_cast<void*>(GetProcAddress(library, "ChooseColorA")));
  CHOOSECOLORA request{};
  request.lStructSize = sizeof(request);
  request.hwndOwner = dialog;
  request.rgbResult = RGB(block->customRed, block->customGreen, block->customBlue);
  static_assert(sizeof(state.systemPickerRow[0]) == sizeof(COLORREF));
  request.lpCustColors = reinterpret_cast<COLORREF*>(state.systemPickerRow);
  request.Flags = CC_RGBINIT | CC_FULLOPEN;
  const bool chosen = choose != nullptr && choose(&request) != FALSE;
  FreeLibrary(library);
  if (chosen)
    SetCustomColour(state.context, GetRValue(request.rgbResult), GetGValue(request.rgbResult),
                    GetBValue(request.rgbResult));
  return chosen;
}

// The custom radio or its swatch: the host's picker, or the system's when the host has none
// or refuses. Cancel in either leaves colour and radio as they were.
void OnCustomColour(DialogState& state, HWND dialog) noexcept {
  const int16_t err = PickCustomColourWithHost(state.context);
  if (err == userCanceledErr) return;
  if (err != noErr && !PickWithSystemDialog(state, dialog)) return;
  CheckRadioButton(dialog, IDC_RADIO_BLACK, IDC_RADIO_CUSTOM, IDC_RADIO_CUSTOM);
  UpdateSwatch(state, dialog);
  RerenderPreview(state);
}

void FindControls(DialogState& state, HWND dialog) noexcept {
  for (int32_t i = 0; i < kSliderCount; ++i) {
    const SliderSpec& spec = SliderSpecOf(Slider(i));
    state.*spec.bar = GetDlgItem(dialog, spec.barId);
    state.*spec.edit = GetDlgItem(dialog, spec.editId);
  }
  state.linkBox = GetDlgItem(dialog, IDC_LINK);
  state.ignoreZeroBox = GetDlgItem(dialog, IDC_IGNORE_ZERO);
  state.removeBox = GetDlgItem(dialog, IDC_REMOVE);
  state.alignmentBox = GetDlgItem(dialog, IDC_ALIGNMENT);
}

void OnInitDialog(DialogState& state, HWND dialog, LPARAM lParam) noexcept {
  auto* context = reinterpret_cast<InvocationContext*>(lParam);
  OpenDialogState(state, context);
  state.dialogWindow = dialog;
  FindControls(state, dialog);
  FilterParameters* block = BlockOf(state);
  if (block == nullptr) return;

  HWND combo = WindowOf(state.alignmentBox);
  for (const char* item : kAlignmentItems)
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  SendMessageA(combo, CB_SETCURSEL, WPARAM(ValidAlignment(block->alignment)), 0);

  // Subclassed before any text is written, so the fields never see text they did not filter.
  for (int32_t i = 0; i < kSliderCount; ++i) {
    HWND edit = WindowOf(state.*SliderSpecOf(Slider(i)).edit);
    state.previousEditProcs[i] = SetWindowLongPtrA(
        edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NumericFieldProc));
  }
  for (int32_t i = 0; i < kSliderCount; ++i) {
    const SliderSpec& spec = SliderSpecOf(Slider(i));
    SetScrollRange(WindowOf(state.*spec.bar), SB_CTL, spec.lower, BarMaximum(spec), TRUE);
  }
  for (int32_t i = 0; i < kSliderCount; ++i) {
    const SliderSpec& spec = SliderSpecOf(Slider(i));
    SetFieldNumber(WindowOf(state.*spec.edit), ShownValue(Slider(i), state.*spec.working));
    SetScrollPos(WindowOf(state.*spec.bar), SB_CTL, BarPositionForValue(spec, state.*spec.working), TRUE);
  }

  const int32_t radio = OpeningColourRadio(*block);
  if (radio != 0) CheckRadioButton(dialog, IDC_RADIO_BLACK, IDC_RADIO_CUSTOM, radio);
  UpdateSwatch(state, dialog);
  CheckDlgButton(dialog, IDC_IGNORE_ZERO, block->ignoreZeroPixel != 0 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_REMOVE, block->removeOthers != 0 ? BST_CHECKED : BST_UNCHECKED);

  if (PreviewIsLive(state)) {
    ComputePreviewFrame(dialog, &context->previewFrame);
    OpenPreview(state);
  }

  HWND first = WindowOf(state.horizontalGapEdit);
  SendMessageA(first, EM_SETSEL, 0, -1);
  SetFocus(first);

  state.imageRect = ComputeImageRect(context, dialog);
  auto instance = static_cast<HINSTANCE>(moduleInstance);
  state.previewCursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_PREVIEW_HAND));
  state.dragCursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_DRAG_HAND));
  if (state.previewSetUp)
    SetPanLimits(state, FilterArea(context->filterRecord), SavedFilterArea(*block));
}

void EndWith(DialogState& state, HWND dialog, INT_PTR code) noexcept {
  ReleaseDrag(state);
  EndDialog(dialog, code);
}

void OnLink(DialogState& state, HWND dialog) noexcept {
  const Slider refresh = ApplyLink(state, IsChecked(dialog, IDC_LINK));
  if (refresh == kSliderCount) return;
  const SliderSpec& spec = SliderSpecOf(refresh);
  SendMessageA(dialog, spec.horizontalMessage ? WM_HSCROLL : WM_VSCROLL,
               MAKEWPARAM(kScrollKeep, 0), reinterpret_cast<LPARAM>(state.*spec.bar));
}

void OnPanButton(DialogState& state, HWND dialog, int32_t id) noexcept {
  int32_t stepH = 0, stepV = 0;
  if (!PanStepFor(id, &stepH, &stepV) || !PreviewIsLive(state)) return;
  MovePan(state, stepH, stepV);
  if (ApplyPan(state)) InvalidatePreviewArea(dialog);
}

INT_PTR OnCommand(DialogState& state, HWND dialog, int32_t id, int32_t notification) noexcept {
  FilterParameters* block = BlockOf(state);
  if (block == nullptr) return 1;
  switch (id) {
    case IDC_OK:
      if (notification == BN_CLICKED) {
        EndWithOk(state);
        EndWith(state, dialog, IDC_OK);
      }
      return 1;
    case IDC_CANCEL:
      if (notification == BN_CLICKED) {
        EndWithCancel(state);
        EndWith(state, dialog, IDC_CANCEL);
      }
      return 1;
    case IDC_RADIO_BLACK:
    case IDC_RADIO_BLUE:
    case IDC_RADIO_RED:
    case IDC_RADIO_GREEN:
      // The radios also report focus changes; only a click picks a colour.
      if (notification != BN_CLICKED) return 1;
      CheckRadioButton(dialog, IDC_RADIO_BLACK, IDC_RADIO_CUSTOM, id);
      ColourCodeForRadio(id, state.context);
      RerenderPreview(state);
      return 0;
    case IDC_RADIO_CUSTOM:
    case IDC_CUSTOM_SWATCH:
      // A click of either (STN_CLICKED is BN_CLICKED's value); the radio's focus changes are not.
      if (notification == BN_CLICKED) OnCustomColour(state, dialog);
      return 1;
    case IDC_LINK: OnLink(state, dialog); return 1;
    case IDC_IGNORE_ZERO:
      block->ignoreZeroPixel = IsChecked(dialog, IDC_IGNORE_ZERO) ? 1 : 0;
      RerenderPreview(state);
      return 1;
    case IDC_REMOVE:
      block->removeOthers = IsChecked(dialog, IDC_REMOVE) ? 1 : 0;
      RerenderPreview(state);
      return 1;
    case IDC_ALIGNMENT:
      SetAlignmentFromSelection(
          *block, int32_t(SendMessageA(WindowOf(state.alignmentBox), CB_GETCURSEL, 0, 0)));
      RerenderPreview(state);
      return 1;
    default:
      if (id >= IDC_PAN_RIGHT_UP && id <= IDC_PAN_DOWN) OnPanButton(state, dialog, id);
      return 1;
  }
}

INT_PTR OnScroll(DialogState& state, HWND bar, int32_t code, int32_t thumb) noexcept {
  const Slider slider = SliderForBar(state, bar);
  if (slider == kSliderCount) return 0;
  const ScrollOutcome outcome = ApplyScroll(state, slider, code, thumb);
  const SliderSpec& spec = SliderSpecOf(slider);
  SetScrollPos(bar, SB_CTL, BarPositionForValue(spec, outcome.value), TRUE);
  if (outcome.rewriteOwnText)
    SetFieldNumber(WindowOf(state.*spec.edit), ShownValue(slider, outcome.value));
  if (outcome.partner != kSliderCount) {
    const SliderSpec& partner = SliderSpecOf(outcome.partner);
    SetScrollPos(WindowOf(state.*partner.bar), SB_CTL, BarPositionForValue(partner, outcome.value), TRUE);
    if (outcome.rewritePartnerText) SetFieldNumber(WindowOf(state.*partner.edit), outcome.value);
  }
  if (outcome.render) RerenderPreview(state);
  return 1;
}

}  // namespace

void SetFieldNumber(HWND field, int32_t value) noexcept {
  char text[16];
  (void)std::snprintf(text, sizeof text, "%d", int(value));  // 11 characters at most: it fits
  SetWindowTextA(field, text);
}

void RerenderPreview(DialogState& state) noexcept {
  if (!PreviewIsLive(state)) return;
  RenderPreview(state.context, false);
  InvalidatePreviewArea(WindowOf(state.dialogWindow));
}

extern "C" INT_PTR CALLBACK CorvaneProc(HWND window, UINT message, WPARAM wParam,
                                        LPARAM lParam) noexcept {
  DialogState& state = dialogState;
  if (message == WM_INITDIALOG) {
    OnInitDialog(state, window, lParam);
    return 0;  // the focus set while opening stands
  }
  // Messages before the opening, or for a window that is not the open dialog.
  if (window == nullptr || window != state.dialogWindow || state.context == nullptr) return 0;
  switch (message) {
    case WM_COMMAND:
      return OnCommand(state, window, LOWORD(wParam), HIWORD(wParam));
    case WM_HSCROLL:
    case WM_VSCROLL:
      return OnScroll(state, reinterpret_cast<HWND>(lParam), LOWORD(wParam), HIWORD(wParam));
    case WM_PAINT:
      if (PreviewIsLive(state)) PaintPreview(state.context, window);
      return 0;
    case WM_LBUTTONDOWN: OnPreviewButtonDown(state); return 1;
    case WM_MOUSEMOVE: OnPreviewMouseMove(state); return 1;
    case WM_LBUTTONUP: OnPreviewButtonUp(state); return 1;
    case WM_LBUTTONDBLCLK: OnPreviewDoubleClick(state); return 1;
    case WM_KEYDOWN:
      return 1;  // no control has the focus: nothing to do
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(window, IDC_CUSTOM_SWATCH) &&
          state.swatchBrush != nullptr)
        return reinterpret_cast<INT_PTR>(state.swatchBrush);
      return 0;
    case WM_DESTROY:
      ReleaseDrag(state);
      if (state.swatchBrush != nullptr) DeleteObject(static_cast<HBRUSH>(state.swatchBrush));
      state.swatchBrush = nullptr;
      state.dialogWindow = nullptr;
      return 0;
    default:
      return 0;
  }
}

bool ShowParametersDialog(InvocationContext* context) noexcept {
  if (context == nullptr || context->filterRecord == nullptr) return false;
  const PlatformData* platform = context->filterRecord->platformData;
  // No owner, or a handle that is no window: the dialog opens unowned rather than not at all.
  HWND owner = platform != nullptr ? reinterpret_cast<HWND>(platform->hwnd) : nullptr;
  if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
  const INT_PTR ended =
      DialogBoxParamA(static_cast<HINSTANCE>(moduleInstance), "CORVANEPARAM", owner, &CorvaneProc,
                      reinterpret_cast<LPARAM>(context));
  ReleaseDrag(dialogState);
  CloseDisplayBuffer(dialogState);  // however the dialog ended
  return ended == IDC_OK;
}
