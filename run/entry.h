// The plug-in's entry point and the per-call context.
#pragma once

#include "corvane_records.h"

extern "C" {
// Called by the host once per selector. `filterRecord` is an AboutRecord for selector 0.
// `data` is the plug-in's pointer-sized slot; the host owns the handle stored there.
void HOSTAPI ENTRYPOINT(int16_t selector, void* filterRecord, intptr_t* data,
                        int16_t* result) noexcept;
}

using InitRoutine = void (*)(InvocationContext* context) noexcept;

// The locked context for this call, or null (then nothing is kept). `data` holds the
// context handle between calls; the host owns it once it is stored there. A slot value this
// module did not store in this process is never dereferenced: a fresh context replaces it.
InvocationContext* AcquireContext(int16_t* result, FilterRecord* record, const HandleProcs* suite,
                                  int32_t contextSize, intptr_t* data, InitRoutine init) noexcept;

// Shows the About box; touches no handle, no data slot and no result code.
void DoAbout(const AboutRecord* about) noexcept;

// Puts every piece of process-wide state back to its load-time value, so tests can start
// each case from a freshly loaded module. Live fallback handles are left alone.
void ResetModuleState() noexcept;
