// Test controls of the native platform layer.
#pragma once

#include <cstdint>

struct NativePlatformStats {
  int32_t blocksAllocated;  // successful PlatformAllocBlock calls
  int32_t blocksLive;       // allocated and not yet freed
  int32_t aboutShown;       // PlatformShowAbout calls
  intptr_t lastAboutOwner;
};

const NativePlatformStats& GetNativePlatformStats() noexcept;
// The Nth allocation from now (1 = the next) fails; 0 switches failures off.
void FailNativeAllocation(int32_t nth) noexcept;
// Also empties the native grid store.
void ResetNativePlatform() noexcept;
