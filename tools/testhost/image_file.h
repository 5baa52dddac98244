// Reading picture files into host images: PNG and BMP, 8 bits per channel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/testhost/test_host.h"

// The whole file, or false with a reason in `error`.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Decodes a PNG or BMP held in memory, keeping its channel count (1 grey, 2 grey and alpha,
// 3 RGB, 4 RGB and alpha). False with a reason for anything else, including 16-bit PNGs,
// which the filter cannot take without losing their low bytes.
bool DecodeImage(const std::vector<uint8_t>& bytes, HostImage& image, std::string& error);
