#include "render/drivers.h"

#include "params/run_control.h"

// Rendering is not wired yet: the drivers request nothing and draw nothing.
void SetupFirstStrip(InvocationContext*) noexcept {}
void DoContinue(InvocationContext* context) noexcept {
  if (*context->result != noErr) return;
  if (ParametersOf(context) == nullptr) {
    *context->result = memFullErr;
    return;
  }
}
bool AdvanceStrip(InvocationContext*) noexcept { return false; }
void RenderWholeArea(InvocationContext*) noexcept {}
void SetupPreviewArea(InvocationContext*) noexcept {}
void RenderPreview(InvocationContext*, bool) noexcept {}
