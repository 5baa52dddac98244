// FindText over arbitrary blocks: the first input byte picks a key, the rest is the block.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/host_identification.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const char* const kKeys[] = {"InternalName", "FileVersion", "a", "AB"};
  const char* key = kKeys[data[0] % 4];
  // An exact-size copy, so a read past the block's end is caught.
  auto* block = static_cast<uint8_t*>(std::malloc(size - 1 == 0 ? 1 : size - 1));
  std::memcpy(block, data + 1, size - 1);
  const int32_t at = FindText(block, size - 1, key);
  if (at >= 0) {
    const size_t keyLength = std::strlen(key);
    if (size_t(at) + keyLength >= size - 1 || block[size_t(at) + keyLength] != 0) std::abort();
  }
  std::free(block);
  return 0;
}
