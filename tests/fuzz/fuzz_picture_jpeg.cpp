// runfilter's JPEG reader over arbitrary files (see fuzz_picture.h).
#include "tests/fuzz/fuzz_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzPictureReader(data, size, "\xFF\xD8\xFF", 3);
}
