#include "tools/testhost/png_writer.h"

#include <cstdlib>
#include <filesystem>

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO_WIDE
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

bool WritePng(const std::string& path, int32_t width, int32_t height, int32_t channels,
              const uint8_t* pixels, int32_t rowBytes) {
  if (width <= 0 || height <= 0 || channels < 1 || channels > 4 || pixels == nullptr) return false;
  return stbi_write_png(path.c_str(), width, height, channels, pixels, rowBytes) != 0;
}

std::string TestOutputPath(const std::string& fileName) {
  const char* env = std::getenv("CORVANE_TEST_OUTPUT");
  std::filesystem::path dir = (env != nullptr && *env != '\0') ? env : "out/test";
  std::error_code ignored;
  std::filesystem::create_directories(dir, ignored);
  return (dir / fileName).string();
}
