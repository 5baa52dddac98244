// The parameter block and the selector routines that drive a run. Each reports only
// through the context's result.
#pragma once

#include "corvane_records.h"

// Creates the block with its defaults when the `parameters` handle is empty; -108 when it
// cannot be made (the handle then stays empty and the next selector tries again).
void InitParameters(InvocationContext* context) noexcept;

void DoParameters(InvocationContext* context) noexcept;
void DoPrepare(InvocationContext* context) noexcept;
void DoStart(InvocationContext* context) noexcept;
void DoFinish(InvocationContext* context) noexcept;

// The block of the current call, or null when it does not exist.
FilterParameters* ParametersOf(InvocationContext* context) noexcept;
