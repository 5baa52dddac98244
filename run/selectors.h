// The selector routines that drive a run: they read the parameter block, open the dialog and
// hand the image to the renderer. Each reports only through the context's result.
#pragma once

#include "corvane_records.h"

void DoParameters(InvocationContext* context) noexcept;
void DoPrepare(InvocationContext* context) noexcept;
void DoStart(InvocationContext* context) noexcept;
void DoFinish(InvocationContext* context) noexcept;
