// The parameter block's life: made with its defaults, checked at every call, reached through
// the host's handle. Each routine reports only through the context's result.
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

// Every field at its default, the tags of the later fields set.
void SetParameterDefaults(FilterParameters* block) noexcept;

// The block of the current call, or null when it does not exist.
FilterParameters* ParametersOf(InvocationContext* context) noexcept;
