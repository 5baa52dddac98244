// Native stand-in for the executable's version block: tests hand in the block's bytes and
// the values that the version-information queries find in it.
#pragma once

#include <cstdint>

// `bytes` must stay alive while probes run; null or size 0: the executable has no block.
void SetNativeVersionBlock(const uint8_t* bytes, uint32_t size) noexcept;
// A query for `subBlock` finds `length` bytes at `offset` of the block copy (which may lie
// outside the block: the probe must reject it). At most 16 values.
void AddNativeVersionValue(const char* subBlock, uint32_t offset, uint32_t length) noexcept;
// The block cannot be read although its size is known.
void FailNativeVersionRead(bool fail) noexcept;
void ClearNativeVersionSource() noexcept;

struct NativeProbeStats {
  int32_t sizeQueries;   // PlatformVersionInfoSize calls: one per probe
  int32_t valueQueries;
  char lastQueries[8][96];  // the most recent value queries, oldest first
  int32_t lastQueryCount;
};
const NativeProbeStats& GetNativeProbeStats() noexcept;
// True when one of the recorded recent queries asked for exactly `subBlock`.
bool NativeProbeQueried(const char* subBlock) noexcept;
