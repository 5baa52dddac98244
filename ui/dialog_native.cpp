// The native build has no window system: tests stand in for the user through a hook.
#include "ui/dialog_native.h"

namespace {
DialogStandIn standIn = nullptr;
}

void SetDialogStandIn(DialogStandIn handler) noexcept { standIn = handler; }

bool ShowParametersDialog(InvocationContext* context) noexcept {
  if (standIn == nullptr) return false;
  return standIn(context);
}
