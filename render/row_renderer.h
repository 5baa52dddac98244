// The row renderer: writes the stripe grid into the output rectangle the host delivered.
#pragma once

#include "corvane_records.h"

// Renders the part of `outRect` that lies inside `filterRect`: stripe pixels get the stripe
// colour (mixed with the source's samples by the block's opacity below 100 %), the others are
// copied from `inData` or cleared. Samples are 8 or 16 bits as the
// record's depth says (16-bit ones in 0..32768); any other depth renders nothing. The grid's phase is anchored at the
// filter area's top-left (at `savedFilterRect` while the dialog is open), so any split into
// strips gives the same image. Polls `abortProc` once before every pixel and on a user abort
// stores -128 in the result, leaving the pixels not reached unwritten. With `reportProgress`,
// calls `progressProc` once per row.
void RenderStripes(InvocationContext* context, bool reportProgress) noexcept;
