// Processing drivers: request image rectangles from the host and render each one.
#pragma once

#include "corvane_records.h"

void SetupFirstStrip(InvocationContext* context) noexcept;
void DoContinue(InvocationContext* context) noexcept;
bool AdvanceStrip(InvocationContext* context) noexcept;
void RenderWholeArea(InvocationContext* context) noexcept;
void SetupPreviewArea(InvocationContext* context) noexcept;
void RenderPreview(InvocationContext* context, bool reportProgress) noexcept;
