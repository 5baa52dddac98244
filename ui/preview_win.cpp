// The preview pane: where the host draws the rendered region, and the mouse that pans it.
#include "resources/resource_ids.h"
#include "ui/dialog_logic.h"
#include "ui/dialog_win.h"
#include "ui/preview_pixels.h"

namespace {

RECT PlaceholderScreenRect(HWND dialog) noexcept {
  RECT frame{};
  GetWindowRect(GetDlgItem(dialog, IDC_PREVIEW_FRAME), &frame);
  return frame;
}

// The cursor where the message is handled, in dialog client coordinates.
POINT CursorInDialog(HWND dialog) noexcept {
  POINT point{};
  GetCursorPos(&point);
  ScreenToClient(dialog, &point);
  return point;
}

bool CursorOnImage(DialogState& state, POINT* point, bool recompute) noexcept {
  if (!PreviewIsLive(state)) return false;
  HWND dialog = WindowOf(state.dialogWindow);
  if (recompute) state.imageRect = ComputeImageRect(state.context, dialog);
  *point = CursorInDialog(dialog);
  return ImageRectContains(state.imageRect, point->x, point->y);
}

void ShowCursorHandle(WindowRef cursor) noexcept {
  if (cursor != nullptr) SetCursor(static_cast<HCURSOR>(cursor));
}

}  // namespace

RECT PreviewFrameRect(HWND dialog) noexcept {
  RECT frame = PlaceholderScreenRect(dialog);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&frame), 2);
  return frame;
}

void InvalidatePreviewArea(HWND dialog) noexcept {
  const RECT frame = PreviewFrameRect(dialog);
  InvalidateRect(dialog, &frame, FALSE);
}

void ComputePreviewFrame(HWND dialog, PreviewFrame* frame) noexcept {
  const RECT r = PreviewFrameRect(dialog);
  *frame = PreviewFrame{int16_t(r.top), int16_t(r.left), int16_t(r.bottom), int16_t(r.right)};
}

ImageRect ComputeImageRect(const InvocationContext* context, HWND dialog) noexcept {
  const RECT frame = PlaceholderScreenRect(dialog);
  POINT origin{0, 0};
  ClientToScreen(dialog, &origin);
  return ImageRectFor(frame.left, frame.top, frame.right, frame.bottom, origin.x, origin.y,
                      context->filterRecord->outRect);
}

void PaintPreview(const InvocationContext* context, HWND dialog) noexcept {
  const FilterRecord* record = context->filterRecord;
  const ImageRect image = ComputeImageRect(context, dialog);
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(dialog, &paint);
  if (dc == nullptr) return;
  const RECT border{image.left - 1, image.top - 1, image.right + 1, image.bottom + 1};
  FrameRect(dc, &border, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));

  PSPixelMask mask{};
  PSPixelMap map{};
  if (record->displayPixels != nullptr && PreviewPixelMap(dialogState, &map, &mask))
    record->displayPixels(&map, &map.bounds, image.top, image.left, dc);
  EndPaint(dialog, &paint);
}

void OnPreviewButtonDown(DialogState& state) noexcept {
  POINT point{};
  if (!CursorOnImage(state, &point, true)) return;
  ShowCursorHandle(state.dragCursor);
  RECT confine{state.imageRect.left, state.imageRect.top, state.imageRect.right,
               state.imageRect.bottom};
  MapWindowPoints(WindowOf(state.dialogWindow), nullptr, reinterpret_cast<POINT*>(&confine), 2);
  ClipCursor(&confine);
  StartDrag(state, point.x, point.y);
}

void OnPreviewMouseMove(DialogState& state) noexcept {
  POINT point{};
  if (!CursorOnImage(state, &point, true)) return;
  if (!state.dragging) {
    ShowCursorHandle(state.previewCursor);
    return;
  }
  ShowCursorHandle(state.dragCursor);
  DragTo(state, point.x, point.y);  // the stripes wait for the release
  InvalidatePreviewArea(WindowOf(state.dialogWindow));
}

void OnPreviewButtonUp(DialogState& state) noexcept {
  POINT point{};
  if (!CursorOnImage(state, &point, false)) return;
  ShowCursorHandle(state.previewCursor);
  ClipCursor(nullptr);
  EndDrag(state);
  InvalidatePreviewArea(WindowOf(state.dialogWindow));
}

void OnPreviewDoubleClick(DialogState& state) noexcept {
  POINT point{};
  if (!CursorOnImage(state, &point, true)) return;
  CentrePreview(state);
  InvalidatePreviewArea(WindowOf(state.dialogWindow));
}

void ReleaseDrag(DialogState& state) noexcept {
  if (state.dragging) ClipCursor(nullptr);
  state.dragging = false;
}
