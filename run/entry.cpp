#include "run/entry.h"

#include "host/coordinates.h"
#include "host/host_identification.h"
#include "params/last_grid.h"
#include "params/parameters.h"
#include "render/drivers.h"
#include "run/selectors.h"
#include "shell/handles.h"
#include "shell/module_state.h"
#include "shell/platform.h"
#include "ui/dialog_state.h"

namespace {

void BindContext(InvocationContext* context, int16_t* result, FilterRecord* record) noexcept {
  context->result = result;
  *result = noErr;
  context->filterRecord = record;
}

}  // namespace

InvocationContext* AcquireContext(int16_t* result, FilterRecord* record, const HandleProcs* suite,
                                  int32_t contextSize, intptr_t* data, InitRoutine init) noexcept {
  // A value this module did not store in this process is treated as an empty slot.
  if (IsStoredContext(*data)) {
    Handle stored = reinterpret_cast<Handle>(*data);
    auto* context = reinterpret_cast<InvocationContext*>(HostLockHandle(suite, stored, true));
    if (context == nullptr) return nullptr;
    BindContext(context, result, record);
    return context;
  }
  Handle fresh = HostNewHandle(suite, contextSize);
  if (fresh == nullptr) return nullptr;
  auto* context = reinterpret_cast<InvocationContext*>(HostLockHandle(suite, fresh, true));
  if (context == nullptr) {
    HostDisposeHandle(suite, fresh);
    return nullptr;
  }
  BindContext(context, result, record);
  context->previewFrame = PreviewFrame{};
  if (init != nullptr) init(context);
  *data = reinterpret_cast<intptr_t>(fresh);
  RememberStoredContext(*data);
  return context;
}

void DoAbout(const AboutRecord* about) noexcept {
  intptr_t owner = 0;
  if (about != nullptr && about->platformData != nullptr) owner = about->platformData->hwnd;
  PlatformShowAbout(owner);
}

extern "C" void HOSTAPI ENTRYPOINT(int16_t selector, void* filterRecord, intptr_t* data,
                                   int16_t* result) noexcept {
  if (selector == filterSelectorAbout) {
    DoAbout(static_cast<const AboutRecord*>(filterRecord));
    return;
  }
  // Without a record, a data slot or a result there is nothing safe to do.
  if (filterRecord == nullptr || data == nullptr || result == nullptr) {
    if (result != nullptr) *result = filterBadParameters;
    return;
  }
  auto* record = static_cast<FilterRecord*>(filterRecord);
  ClaimWideCoordinates(record);
  InvocationContext* context = AcquireContext(result, record, record->handleProcs,
                                              int32_t(sizeof(InvocationContext)), data,
                                              InitParameters);
  if (context == nullptr) {
    *result = memFullErr;
    return;
  }
  CheckParameters(context);
  switch (selector) {
    case filterSelectorParameters: DoParameters(context); break;
    case filterSelectorPrepare: DoPrepare(context); break;
    case filterSelectorStart: DoStart(context); break;
    case filterSelectorContinue: DoContinue(context); break;
    case filterSelectorFinish: DoFinish(context); break;
    default: *context->result = filterBadParameters; break;
  }
  if (*context->result != noErr) runEndedWell = 0;
  if (*data != 0) HostUnlockHandle(record->handleProcs, reinterpret_cast<Handle>(*data));
}

void ResetModuleState() noexcept {
  ResetModuleVariables();
  ForgetRememberedGrid();
  ResetHostInfoCache();
  ResetDialogState();
}
