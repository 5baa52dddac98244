// The version-text parsing over arbitrary texts, of any length and with any bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/host_identification.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char* text = static_cast<char*>(std::malloc(size + 1));
  std::memcpy(text, data, size);
  text[size] = '\0';
  HostInfo info{};
  ApplyVersionText(text, size, info);
  if (info.reservedByte != 0 || info.hostSignature != 0) std::abort();
  int32_t value = 12345;
  const int result = ParseInteger(text, value);
  if (result == 0 && value != 12345) std::abort();
  if (result < 0 || result > 2) std::abort();
  char major[16], minor[16];
  SplitVersionText(text, major, minor, sizeof(major));
  if (std::strlen(major) >= sizeof(major) || std::strlen(minor) >= sizeof(minor)) std::abort();
  HostSignatureForName(text);
  std::free(text);
  return 0;
}
