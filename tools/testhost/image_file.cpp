#include "tools/testhost/image_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  bytes.clear();
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  uint8_t chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    error = "cannot read " + path;
    return false;
  }
  return true;
}

namespace {

// What the decoder can hold: at most 2^30 samples, and the decoded rows (a filter byte each)
// within a signed 32-bit size.
constexpr uint64_t kMaxDecodedSamples = uint64_t(1) << 30;
constexpr uint64_t kMaxDecodedBytes = uint64_t(INT_MAX);

std::string Dimensions(int width, int height, int channels, int bits) {
  return std::to_string(width) + " x " + std::to_string(height) + " pixels, " +
         std::to_string(channels) + (channels == 1 ? " channel" : " channels") + " of " +
         std::to_string(bits) + " bits";
}

std::string TooLargeForMemory(int width, int height, int channels, int bits) {
  return "too large to hold in memory (" + Dimensions(width, height, channels, bits) + ")";
}

// A PNG's size from its header chunk, before the decoder sees it: the decoder refuses pictures
// it cannot hold without saying how large they are. A palette counts as 4 channels, the most
// it can become.
bool PngHeaderSize(const std::vector<uint8_t>& bytes, int& width, int& height, int& channels,
                   int& bits) {
  static const uint8_t kStart[16] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n',
                                     0,    0,   0,   13,  'I',  'H',  'D',  'R'};
  static const int kChannels[7] = {1, 0, 3, 4, 2, 0, 4};  // by colour type
  if (bytes.size() < 26 || std::memcmp(bytes.data(), kStart, sizeof(kStart)) != 0) return false;
  auto big32 = [&](size_t at) {
    return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 |
           uint32_t(bytes[at + 3]);
  };
  const uint32_t w = big32(16), h = big32(20);
  if (w == 0 || h == 0 || w > uint32_t(INT_MAX) || h > uint32_t(INT_MAX) || bytes[25] > 6 ||
      kChannels[bytes[25]] == 0)
    return false;
  width = int(w);
  height = int(h);
  channels = kChannels[bytes[25]];
  bits = bytes[24] == 16 ? 16 : 8;
  return true;
}

// Refuses a picture past the largest side or past what the decoder can hold.
bool SizeFits(int width, int height, int channels, int bits, std::string& error) {
  if (width > kLargestPictureSide || height > kLargestPictureSide) {
    error = "the picture is " + Dimensions(width, height, channels, bits) + "; at most " +
            std::to_string(kLargestPictureSide) + " in each direction can be filtered";
    return false;
  }
  // Each factor is at most 300000 (or 4), so the products fit in 64 bits.
  const uint64_t samples = uint64_t(width) * uint64_t(height) * uint64_t(channels);
  if (samples > kMaxDecodedSamples ||
      samples * uint64_t(bits / 8) + uint64_t(height) > kMaxDecodedBytes) {
    error = TooLargeForMemory(width, height, channels, bits);
    return false;
  }
  return true;
}

}  // namespace

bool DecodeImage(const std::vector<uint8_t>& bytes, HostImage& image, std::string& error) {
  if (bytes.empty() || bytes.size() > size_t(INT_MAX)) {
    error = bytes.empty() ? "the file is empty" : "the file is too large";
    return false;
  }
  const auto* data = bytes.data();
  const int size = int(bytes.size());
  int width = 0, height = 0, channels = 0, bits = 8;
  if (PngHeaderSize(bytes, width, height, channels, bits) &&
      !SizeFits(width, height, channels, bits, error))
    return false;
  if (!stbi_info_from_memory(data, size, &width, &height, &channels) || width <= 0 ||
      height <= 0 || channels < 1 || channels > 4) {
    error = std::string("not a readable PNG or BMP image (") + stbi_failure_reason() + ")";
    return false;
  }
  const bool deep = stbi_is_16_bit_from_memory(data, size) != 0;
  bits = deep ? 16 : 8;
  if (!SizeFits(width, height, channels, bits, error)) return false;
  const uint64_t sampleBytes = deep ? 2 : 1;
  void* decoded = deep ? static_cast<void*>(stbi_load_16_from_memory(data, size, &width, &height,
                                                                     &channels, 0))
                       : static_cast<void*>(stbi_load_from_memory(data, size, &width, &height,
                                                                  &channels, 0));
  if (decoded == nullptr) {
    const std::string reason = stbi_failure_reason();
    error = reason == "Out of memory" ? TooLargeForMemory(width, height, channels, bits)
                                      : "corrupt image (" + reason + ")";
    return false;
  }
  // Counted from what was decoded: a transparency chunk adds a channel the header lacks.
  const uint64_t samples = uint64_t(width) * uint64_t(height) * uint64_t(channels);
  try {
    image.pixels.resize(size_t(samples * sampleBytes));
  } catch (const std::bad_alloc&) {
    stbi_image_free(decoded);
    image.pixels.clear();
    image.pixels.shrink_to_fit();
    error = TooLargeForMemory(width, height, channels, bits);
    return false;
  }
  image.width = width;
  image.height = height;
  image.planes = channels;
  image.depth = bits;
  if (deep) {
    const auto* from = static_cast<const uint16_t*>(decoded);
    uint8_t* to = image.pixels.data();
    for (size_t i = 0; i < size_t(samples); ++i, to += 2) {
      const uint16_t value = FileToHost16(from[i]);
      std::memcpy(to, &value, 2);
    }
  } else {
    std::memcpy(image.pixels.data(), decoded, size_t(samples));
  }
  stbi_image_free(decoded);
  return true;
}
