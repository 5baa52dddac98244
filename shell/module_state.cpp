#include "shell/module_state.h"

#include "host/host_identification.h"

void* moduleInstance = nullptr;
int dialogRequested = 0;

void ResetModuleState() noexcept {
  dialogRequested = 0;
  ResetHostInfoCache();
}
