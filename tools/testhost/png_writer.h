// PNG files a person can open: test and demo images.
#pragma once

#include <cstdint>
#include <string>

// Writes `channels` (1..4) interleaved bytes per pixel, rows `rowBytes` apart. True on success.
bool WritePng(const std::string& path, int32_t width, int32_t height, int32_t channels,
              const uint8_t* pixels, int32_t rowBytes);

// Where tests put their images: $CORVANE_TEST_OUTPUT (created if needed), else "out/test".
std::string TestOutputPath(const std::string& fileName);
