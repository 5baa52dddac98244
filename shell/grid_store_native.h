// Test controls of the native grid store, which lives in memory: a "new process" keeps it,
// ResetNativePlatform empties it.
#pragma once

#include <cstdint>

struct NativeGridStoreStats {
  int32_t reads;
  int32_t writes;  // successful ones
};

const NativeGridStoreStats& GetNativeGridStoreStats() noexcept;
// Puts raw bytes into the store, as another module or a damaged registry would have left them.
void SetNativeGridStore(const uint8_t* bytes, uint32_t length) noexcept;
// The store cannot be opened: reads and writes fail.
void BlockNativeGridStore(bool blocked) noexcept;
void ClearNativeGridStore() noexcept;
