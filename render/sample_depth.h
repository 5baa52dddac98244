// Bits per sample of the host's image and the two sample sizes the renderer writes: 8-bit
// samples in 0..255 and 16-bit samples in the host's range 0..32768, where 32768 is full.
#pragma once

#include <cstdint>

#include "host_interface.h"

constexpr uint16_t kFullSample16 = 32768;

// The record's depth; hosts older than that field leave it 0, and then the image mode tells.
inline int32_t ImageDepth(const FilterRecord* record) noexcept {
  if (record->depth != 0) return record->depth;
  const int16_t mode = record->imageMode;
  if (mode == plugInModeBitmap) return 1;
  if (mode >= plugInModeGray16 && mode <= plugInModeDuotone16) return 16;
  if (mode == plugInModeRGB96 || mode == plugInModeGray32) return 32;
  return 8;
}

inline bool DepthSupported(int32_t depth) noexcept { return depth == 8 || depth == 16; }

// An 8-bit component as a 16-bit sample: 0 stays 0, 255 becomes 32768.
constexpr uint16_t WideSample(uint8_t c) noexcept {
  return uint16_t((uint32_t(c) * kFullSample16 + 127) / 255);
}

// A 16-bit sample for display; values above full show as full.
constexpr uint8_t NarrowSample(uint16_t v) noexcept {
  return v >= kFullSample16 ? uint8_t(255) : uint8_t((uint32_t(v) * 255 + 16384) / 32768);
}
