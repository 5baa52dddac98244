// Serves the probe from the block a test handed in; values are found by exact path.
#include <cstring>

#include "host/probe.h"
#include "host/probe_native.h"

namespace {

struct NativeValue {
  char subBlock[96];
  uint32_t offset;
  uint32_t length;
};

constexpr int kMaxValues = 16;

const uint8_t* blockBytes = nullptr;
uint32_t blockSize = 0;
bool failRead = false;
NativeValue values[kMaxValues];
int valueCount = 0;
NativeProbeStats stats{};

void Remember(const char* subBlock) noexcept {
  if (stats.lastQueryCount == 8) {
    std::memmove(stats.lastQueries[0], stats.lastQueries[1], sizeof(stats.lastQueries[0]) * 7);
    --stats.lastQueryCount;
  }
  std::strncpy(stats.lastQueries[stats.lastQueryCount], subBlock, 95);
  stats.lastQueries[stats.lastQueryCount][95] = '\0';
  ++stats.lastQueryCount;
}

}  // namespace

void SetNativeVersionBlock(const uint8_t* bytes, uint32_t size) noexcept {
  blockBytes = bytes;
  blockSize = bytes != nullptr ? size : 0;
}

void AddNativeVersionValue(const char* subBlock, uint32_t offset, uint32_t length) noexcept {
  if (valueCount == kMaxValues) return;
  NativeValue& v = values[valueCount++];
  std::strncpy(v.subBlock, subBlock, sizeof(v.subBlock) - 1);
  v.subBlock[sizeof(v.subBlock) - 1] = '\0';
  v.offset = offset;
  v.length = length;
}

void FailNativeVersionRead(bool fail) noexcept { failRead = fail; }

void ClearNativeVersionSource() noexcept {
  blockBytes = nullptr;
  blockSize = 0;
  failRead = false;
  valueCount = 0;
  stats = NativeProbeStats{};
}

const NativeProbeStats& GetNativeProbeStats() noexcept { return stats; }

bool NativeProbeQueried(const char* subBlock) noexcept {
  for (int i = 0; i < stats.lastQueryCount; ++i) {
    if (std::strcmp(stats.lastQueries[i], subBlock) == 0) return true;
  }
  return false;
}

bool PlatformExecutablePath(char* path, uint32_t capacity) noexcept {
  if (capacity == 0) return false;
  std::strncpy(path, "host.exe", capacity - 1);
  path[capacity - 1] = '\0';
  return true;
}

uint32_t PlatformVersionInfoSize(const char*) noexcept {
  ++stats.sizeQueries;
  return blockSize;
}

bool PlatformReadVersionInfo(const char*, uint32_t size, void* block) noexcept {
  if (failRead || blockBytes == nullptr || size > blockSize) return false;
  std::memcpy(block, blockBytes, size);
  return true;
}

bool PlatformQueryVersionValue(const void* block, const char* subBlock, const void** value,
                               uint32_t* length) noexcept {
  ++stats.valueQueries;
  Remember(subBlock);
  for (int i = 0; i < valueCount; ++i) {
    if (std::strcmp(values[i].subBlock, subBlock) != 0) continue;
    // Deliberately unchecked, as a broken platform answer would be.
    *value = static_cast<const uint8_t*>(block) + values[i].offset;
    *length = values[i].length;
    return true;
  }
  return false;
}
