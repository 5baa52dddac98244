#include "shell/handles.h"

#include "shell/platform.h"

namespace {

// Live fallback records, newest first. Lets disposal tell our records from host handles.
FallbackHandle* liveFallbackHandles = nullptr;

bool LockPairPresent(const HandleProcs* suite) noexcept {
  return suite->lockProc != nullptr && suite->unlockProc != nullptr;
}

}  // namespace

bool HandleSuiteUsable(const HandleProcs* suite) noexcept {
  if (suite == nullptr) return false;
  if (suite->handleProcsVersion != kCurrentHandleProcsVersion) return false;
  if (static_cast<uint16_t>(suite->numHandleProcs) < 7) return false;
  return suite->newProc != nullptr && suite->disposeProc != nullptr &&
         suite->getSizeProc != nullptr && suite->setSizeProc != nullptr;
}

Handle FallbackNewHandle(int32_t size) noexcept {
  if (size < 0) return nullptr;
  auto* record = static_cast<FallbackHandle*>(PlatformAllocBlock(sizeof(FallbackHandle)));
  if (record == nullptr) return nullptr;
  // A zero-byte request still gets a real block, so `data` is never null for a live handle.
  record->data = static_cast<char*>(PlatformAllocBlock(size > 0 ? static_cast<size_t>(size) : 1));
  if (record->data == nullptr) {
    PlatformFreeBlock(record);
    return nullptr;
  }
  record->tag = kFallbackTag;
  record->next = liveFallbackHandles;
  liveFallbackHandles = record;
  return reinterpret_cast<Handle>(record);
}

bool IsFallbackHandle(Handle handle) noexcept {
  for (FallbackHandle* h = liveFallbackHandles; h != nullptr; h = h->next) {
    if (reinterpret_cast<Handle>(h) == handle) return true;
  }
  return false;
}

void FallbackDisposeHandle(Handle handle) noexcept {
  if (handle == nullptr) return;
  FallbackHandle** link = &liveFallbackHandles;
  while (*link != nullptr && reinterpret_cast<Handle>(*link) != handle) link = &(*link)->next;
  if (*link == nullptr) return;  // not ours: a host handle, or already freed
  FallbackHandle* record = *link;
  *link = record->next;
  PlatformFreeBlock(record->data);
  PlatformFreeBlock(record);
}

Handle HostNewHandle(const HandleProcs* suite, int32_t size) noexcept {
  if (HandleSuiteUsable(suite)) return suite->newProc(size);
  return FallbackNewHandle(size);
}

void HostDisposeHandle(const HandleProcs* suite, Handle handle) noexcept {
  if (handle == nullptr) return;
  if (HandleSuiteUsable(suite)) {
    suite->disposeProc(handle);
    return;
  }
  FallbackDisposeHandle(handle);
}

Ptr HostLockHandle(const HandleProcs* suite, Handle handle, bool moveHigh) noexcept {
  if (handle == nullptr) return nullptr;
  if (HandleSuiteUsable(suite)) {
    // A usable suite is trusted to have lock and unlock; a host that left either out still
    // must not crash us, nor keep a lock that nothing can undo.
    if (!LockPairPresent(suite)) return *handle;
    return suite->lockProc(handle, moveHigh ? 1 : 0);
  }
  if (!IsFallbackHandle(handle)) return nullptr;
  return reinterpret_cast<FallbackHandle*>(handle)->data;
}

void HostUnlockHandle(const HandleProcs* suite, Handle handle) noexcept {
  if (handle == nullptr) return;
  if (HandleSuiteUsable(suite) && LockPairPresent(suite)) suite->unlockProc(handle);
}
