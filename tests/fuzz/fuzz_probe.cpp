// The whole probe over an arbitrary version block. The first 16 bytes place the root,
// translation and string values anywhere (inside the block or not); the rest is the block.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/host_identification.h"
#include "host/probe_native.h"
#include "shell/platform_native.h"

namespace {
uint32_t Read32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 16) return 0;
  ClearNativeVersionSource();
  const uint8_t* block = data + 16;
  const uint32_t blockSize = uint32_t(size - 16);
  const uint32_t mode = Read32(data);
  if (mode & 1) AddNativeVersionValue("\\", Read32(data + 4) % (blockSize + 64), 52);
  if (mode & 2) AddNativeVersionValue("\\VarFileInfo\\Translation", Read32(data + 8) % (blockSize + 8), 4);
  if (mode & 4) {
    AddNativeVersionValue("\\StringFileInfo\\04090000\\InternalName",
                          Read32(data + 12) % (blockSize + 8), (mode >> 8) & 0xFFFF);
    AddNativeVersionValue("\\StringFileInfo\\04090000\\FileVersion",
                          (Read32(data + 12) >> 3) % (blockSize + 8), mode >> 24);
  }
  SetNativeVersionBlock(block, blockSize);
  HostInfo info{};
  if (ProbeHostVersion(info) != 0) std::abort();
  if (info.reservedByte != 0) std::abort();
  if (info.platformCode != 0 && (info.platformCode < 10 || info.platformCode > 12)) std::abort();
  if (GetNativePlatformStats().blocksLive != 0) std::abort();  // the block is always released
  ClearNativeVersionSource();
  return 0;
}
