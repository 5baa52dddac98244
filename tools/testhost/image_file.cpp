#include "tools/testhost/image_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

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

bool DecodeImage(const std::vector<uint8_t>& bytes, HostImage& image, std::string& error) {
  if (bytes.empty() || bytes.size() > size_t(INT_MAX)) {
    error = bytes.empty() ? "the file is empty" : "the file is too large";
    return false;
  }
  const auto* data = bytes.data();
  const int size = int(bytes.size());
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_memory(data, size, &width, &height, &channels)) {
    error = std::string("not a readable PNG or BMP image (") + stbi_failure_reason() + ")";
    return false;
  }
  if (stbi_is_16_bit_from_memory(data, size)) {
    error = "16-bit images are not supported; save it with 8 bits per channel";
    return false;
  }
  unsigned char* pixels = stbi_load_from_memory(data, size, &width, &height, &channels, 0);
  if (pixels == nullptr) {
    error = std::string("corrupt image (") + stbi_failure_reason() + ")";
    return false;
  }
  image.width = width;
  image.height = height;
  image.planes = channels;
  image.pixels.assign(pixels, pixels + size_t(width) * size_t(height) * size_t(channels));
  stbi_image_free(pixels);
  return true;
}
