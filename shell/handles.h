// The only way the plug-in makes, locks and frees handles: through the host's handle
// suite when it is usable, from the platform's fixed blocks (FallbackHandle) otherwise.
#pragma once

#include "corvane_records.h"

// True only for a suite of version 1 with at least 7 procedures and new, dispose,
// getSize and setSize present. Decided afresh at every call.
bool HandleSuiteUsable(const HandleProcs* suite) noexcept;

// A new handle of `size` bytes, or null. The caller owns it.
Handle HostNewHandle(const HandleProcs* suite, int32_t size) noexcept;
// Frees a handle the plug-in owns. A handle the fallback did not make is left alone when
// the suite is unusable: it belongs to the host.
void HostDisposeHandle(const HandleProcs* suite, Handle handle) noexcept;
// The data address, or null.
Ptr HostLockHandle(const HandleProcs* suite, Handle handle, bool moveHigh) noexcept;
void HostUnlockHandle(const HandleProcs* suite, Handle handle) noexcept;

Handle FallbackNewHandle(int32_t size) noexcept;
void FallbackDisposeHandle(Handle handle) noexcept;
// True when `handle` is a live handle made by FallbackNewHandle.
bool IsFallbackHandle(Handle handle) noexcept;
