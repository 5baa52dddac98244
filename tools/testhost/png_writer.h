// PNG files a person can open: runfilter's output, test and demo images.
#pragma once

#include <cstdint>
#include <string>

#include "tools/testhost/test_host.h"

// Writes `image` as PNG at its own depth (8, or 16 with the host's 0..32768 spread over the
// file's 0..65535), 1 to 4 channels as grey, grey and alpha, RGB, RGBA. Rows are compressed
// as they are made, so only a few rows are held besides the image. False with a one-line
// reason in `error`; a failed write removes what it had written.
bool WritePngImage(const std::string& path, const HostImage& image, std::string& error);

// Writes `channels` (1..4) interleaved bytes per pixel, rows `rowBytes` apart. True on success.
bool WritePng(const std::string& path, int32_t width, int32_t height, int32_t channels,
              const uint8_t* pixels, int32_t rowBytes);

// Where tests put their images: $CORVANE_TEST_OUTPUT (created if needed), else "out/test".
std::string TestOutputPath(const std::string& fileName);
