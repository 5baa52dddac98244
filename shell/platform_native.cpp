// The native platform layer: the C library stands in for global memory, and the About box
// is only counted.
#include <cstdlib>

#include "shell/grid_store_native.h"
#include "shell/platform.h"
#include "shell/platform_native.h"

namespace {
NativePlatformStats stats{};
int32_t failCountdown = 0;
}  // namespace

const NativePlatformStats& GetNativePlatformStats() noexcept { return stats; }

void FailNativeAllocation(int32_t nth) noexcept { failCountdown = nth; }

void ResetNativePlatform() noexcept {
  const int32_t live = stats.blocksLive;
  stats = NativePlatformStats{};
  stats.blocksLive = live;  // blocks still allocated stay counted
  failCountdown = 0;
  ClearNativeGridStore();
}

void* PlatformAllocBlock(size_t size) noexcept {
  if (failCountdown > 0 && --failCountdown == 0) return nullptr;
  void* block = std::calloc(1, size == 0 ? 1 : size);
  if (block != nullptr) {
    ++stats.blocksAllocated;
    ++stats.blocksLive;
  }
  return block;
}

void PlatformFreeBlock(void* address) noexcept {
  if (address == nullptr) return;
  --stats.blocksLive;
  std::free(address);
}

void PlatformShowAbout(intptr_t ownerWindow) noexcept {
  ++stats.aboutShown;
  stats.lastAboutOwner = ownerWindow;
}
