// What the preview hands the host's displayPixels, which draws 8-bit pixel maps only: the
// rendered region itself at 8 bits, an 8-bit copy of it at 16 bits. Platform-free.
#pragma once

#include "ui/dialog_state.h"

// The 8-bit mode a host displays for an image mode.
int16_t DisplayModeFor(int16_t imageMode) noexcept;

// At 16 bits, makes the buffer for the 8-bit copy of the preview region (outRect), through the
// host's buffer suite or, when that suite is unusable, a handle. True when the preview can be
// shown: at 8 bits no buffer is needed.
bool OpenDisplayBuffer(DialogState& state) noexcept;
// Frees the buffer, if any; harmless to call again.
void CloseDisplayBuffer(DialogState& state) noexcept;

// Fills the pixel map (and its mask, when the image has one) for the region rendered last,
// converting 16-bit samples into the display buffer. False when there is nothing to show.
bool PreviewPixelMap(const DialogState& state, PSPixelMap* map, PSPixelMask* mask) noexcept;
