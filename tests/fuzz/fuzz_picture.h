// The picture readers over arbitrary files of one format: the input gets that format's
// signature and goes through runfilter's reader as a file. Whatever the bytes, the reader
// answers a picture or a one-line reason, and a picture's rows read without a fault.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_check.h"
#include "tools/runfilter/picture_io.h"

inline int FuzzPictureReader(const uint8_t* data, size_t size, const char* signature,
                             size_t signatureSize) {
  std::vector<uint8_t> bytes(data, data + size);
  if (bytes.size() < signatureSize) bytes.resize(signatureSize);
  std::memcpy(bytes.data(), signature, signatureSize);
  const std::string path = "/tmp/corvane-fuzz-picture-" + std::to_string(getpid());
  std::FILE* file = std::fopen(path.c_str(), "wb");
  CHECK(file != nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  PictureInfo info;
  std::string error;
  std::unique_ptr<PictureReader> reader = OpenPictureReader(path, info, error);
  if (reader == nullptr) {
    CHECK(!error.empty() && error.find('\n') == std::string::npos);
  } else {
    CHECK(info.width > 0 && info.height > 0 && info.planes > 0);
    CHECK(info.depth == 8 || info.depth == 16);
    // A band at a time, as the host takes it; a picture the data cannot fill fails early,
    // and a large one that it can is read only so far, to keep each input quick.
    const int32_t rows = std::min<int32_t>(info.height, 16);
    if (info.RowBytes() <= (size_t(1) << 22)) {
      std::vector<uint8_t> band(info.RowBytes() * size_t(rows));
      for (int32_t y = 0; y < info.height && y < 4096; y += rows) {
        const int32_t count = std::min(rows, info.height - y);
        if (!reader->ReadRows(band.data(), count, error)) {
          CHECK(!error.empty() && error.find('\n') == std::string::npos);
          break;
        }
      }
    }
  }
  reader.reset();
  std::remove(path.c_str());
  return 0;
}
