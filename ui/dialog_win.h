// The Win32 layer of the dialog: what the dialog procedure, the numeric fields and the
// preview pane share. Windows only.
#pragma once

#include <windows.h>

#include "ui/dialog_state.h"

extern "C" INT_PTR CALLBACK CorvaneProc(HWND window, UINT message, WPARAM wParam,
                                        LPARAM lParam) noexcept;
LRESULT CALLBACK NumericFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

inline HWND WindowOf(WindowRef ref) noexcept { return static_cast<HWND>(ref); }

// Replaces a field's text with the number.
void SetFieldNumber(HWND field, int32_t value) noexcept;
// A slider's field text from the block.
void ShowSliderField(DialogState& state, Slider slider) noexcept;
// A grid field's text from the block.
void ShowGridField(DialogState& state, GridField field) noexcept;
// Every length's field again (the unit changed), and the note.
void ShowLengths(DialogState& state) noexcept;
// A number typed into a grid field (in its terms): stored, Link's partner shown, rendered.
void TakeGridField(DialogState& state, GridField field, int64_t typed) noexcept;

// The placeholder's rectangle in dialog client coordinates.
RECT PreviewFrameRect(HWND dialog) noexcept;
// Marks the preview area for repainting, without erasing what is there.
void InvalidatePreviewArea(HWND dialog) noexcept;
// Renders the stripes again and repaints, while the preview is live.
void RerenderPreview(DialogState& state) noexcept;

void ComputePreviewFrame(HWND dialog, PreviewFrame* frame) noexcept;
ImageRect ComputeImageRect(const InvocationContext* context, HWND dialog) noexcept;
void PaintPreview(const InvocationContext* context, HWND dialog) noexcept;
void OnPreviewButtonDown(DialogState& state) noexcept;
void OnPreviewMouseMove(DialogState& state) noexcept;
void OnPreviewButtonUp(DialogState& state) noexcept;
void OnPreviewDoubleClick(DialogState& state) noexcept;
// Ends any drag: the cursor is free again and the next dialog starts idle.
void ReleaseDrag(DialogState& state) noexcept;
