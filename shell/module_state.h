// Process-wide plain variables of the module. Zero at load.
#pragma once

#include <cstdint>

// The module instance recorded at process attach (an HINSTANCE on Windows).
extern void* moduleInstance;

// Set by the first Parameters selector of the process, never cleared by a run.
extern int dialogRequested;

// The parameter block this module made in the current run, until its Start: a host that
// handed over none may be one that forgets the block between runs.
extern void* freshParameters;
// Start and every call after it in the current run answered without an error.
extern int runEndedWell;

// Data-slot values this module stored in this process, newest last (a small ring). Only these
// are ever dereferenced: some hosts restore an earlier session's value, a stale pointer.
void RememberStoredContext(intptr_t value) noexcept;
bool IsStoredContext(intptr_t value) noexcept;

// Puts the variables above and the ring back to their load-time values (ResetModuleState, beside
// the entry point, resets the other rooms' state as well).
void ResetModuleVariables() noexcept;
