#include "shell/module_state.h"

void* moduleInstance = nullptr;
int dialogRequested = 0;
void* freshParameters = nullptr;
int runEndedWell = 0;

namespace {
// More than one host document may keep a slot of its own; eight is plenty, and a value that
// falls out of the ring only costs a fresh context.
constexpr int kStoredContextCount = 8;
intptr_t storedContexts[kStoredContextCount] = {};
int nextStoredContext = 0;
}  // namespace

void RememberStoredContext(intptr_t value) noexcept {
  if (value == 0 || IsStoredContext(value)) return;
  storedContexts[nextStoredContext] = value;
  nextStoredContext = (nextStoredContext + 1) % kStoredContextCount;
}

bool IsStoredContext(intptr_t value) noexcept {
  if (value == 0) return false;
  for (intptr_t stored : storedContexts) {
    if (stored == value) return true;
  }
  return false;
}

void ResetModuleVariables() noexcept {
  dialogRequested = 0;
  freshParameters = nullptr;
  runEndedWell = 0;
  for (intptr_t& stored : storedContexts) stored = 0;
  nextStoredContext = 0;
}
