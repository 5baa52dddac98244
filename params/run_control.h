// The parameter block and the selector routines that drive a run. Each reports only
// through the context's result.
#pragma once

#include "corvane_records.h"

// Creates the block with its defaults when the `parameters` handle is empty; -108 when it
// cannot be made (the handle then stays empty and the next selector tries again).
void InitParameters(InvocationContext* context) noexcept;

// Run at every call before the selector's routine: makes the host's block safe to read.
// A handle without a data address, or a block shorter than FilterParameters that cannot be
// grown, gives -108; a short block is grown and its missing fields get their defaults; every
// field is brought into its range.
void CheckParameters(InvocationContext* context) noexcept;

// Brings every field the plug-in reads as a size, count, index, flag or percentage into its
// range. Left as they are: the colour code (unknown codes draw blue and are written back
// unchanged), the custom colour (any byte is a colour), and the pan offsets and saved area,
// which are only ever used through clamped arithmetic.
void ClampParameters(FilterParameters* block) noexcept;

void DoParameters(InvocationContext* context) noexcept;
void DoPrepare(InvocationContext* context) noexcept;
void DoStart(InvocationContext* context) noexcept;
void DoFinish(InvocationContext* context) noexcept;

// The block of the current call, or null when it does not exist.
FilterParameters* ParametersOf(InvocationContext* context) noexcept;
