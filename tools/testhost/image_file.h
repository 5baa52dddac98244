// Reading picture files into host images: PNG (8 or 16 bits per channel) and BMP.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/testhost/test_host.h"

// The largest side a picture may have: the largest document the hosts hold.
constexpr int32_t kLargestPictureSide = 300000;

// 16-bit samples between a file's range 0..65535 and the host's 0..32768, both rounded to
// nearest, so every host value survives the trip to the file and back.
constexpr uint16_t FileToHost16(uint16_t file) {
  return uint16_t((uint32_t(file) * 32768u + 32767u) / 65535u);
}
constexpr uint16_t HostToFile16(uint16_t host) {
  return uint16_t((uint32_t(host) * 65535u + 16384u) / 32768u);
}

// The whole file, or false with a reason in `error`.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Decodes a PNG or BMP held in memory, keeping its channel count (1 grey, 2 grey and alpha,
// 3 RGB, 4 RGB and alpha) and its depth: a 16-bit PNG gives a depth-16 image in the host's
// range, anything else depth 8. False with a one-line reason for anything it cannot hold,
// a picture too large among them, checked before any pixel memory is taken.
bool DecodeImage(const std::vector<uint8_t>& bytes, HostImage& image, std::string& error);
