// The native build has no window system: tests stand in for the user through a hook.
#include "ui/dialog_native.h"

#include "ui/dialog_state.h"
#include "ui/preview_pixels.h"

namespace {
DialogStandIn standIn = nullptr;
}

void SetDialogStandIn(DialogStandIn handler) noexcept { standIn = handler; }

bool ShowParametersDialog(InvocationContext* context) noexcept {
  if (standIn == nullptr) return false;
  const bool ok = standIn(context);
  CloseDisplayBuffer(dialogState);  // a stand-in that opened the preview leaves it to the end
  return ok;
}
