#include "shell/module_state.h"

#include "host/host_identification.h"
#include "ui/dialog_state.h"

void* moduleInstance = nullptr;
int dialogRequested = 0;

void ResetModuleState() noexcept {
  dialogRequested = 0;
  ResetHostInfoCache();
  ResetDialogState();
}
