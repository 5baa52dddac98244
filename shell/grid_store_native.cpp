// The native grid store: a fixed buffer in memory standing in for the user's registry.
#include <cstring>

#include "shell/grid_store.h"
#include "shell/grid_store_native.h"

namespace {
uint8_t stored[512];
uint32_t storedLength = 0;
bool present = false;
bool blocked = false;
NativeGridStoreStats stats{};
}  // namespace

const NativeGridStoreStats& GetNativeGridStoreStats() noexcept { return stats; }

void SetNativeGridStore(const uint8_t* bytes, uint32_t length) noexcept {
  storedLength = length < sizeof stored ? length : uint32_t(sizeof stored);
  if (storedLength > 0) std::memcpy(stored, bytes, storedLength);
  present = true;
}

void BlockNativeGridStore(bool isBlocked) noexcept { blocked = isBlocked; }

void ClearNativeGridStore() noexcept {
  present = false;
  blocked = false;
  storedLength = 0;
  stats = NativeGridStoreStats{};
}

bool ReadGridStore(uint8_t* bytes, uint32_t capacity, uint32_t* length) noexcept {
  *length = 0;
  ++stats.reads;
  if (blocked || !present || storedLength > capacity) return false;
  if (storedLength > 0) std::memcpy(bytes, stored, storedLength);
  *length = storedLength;
  return true;
}

bool WriteGridStore(const uint8_t* bytes, uint32_t length) noexcept {
  if (blocked || length > sizeof stored) return false;
  SetNativeGridStore(bytes, length);
  ++stats.writes;
  return true;
}
