// Runs the filter over a picture through the in-process host, the way a host's Filter menu
// would, and writes one PNG per setting so a person can look at the grid.
//   corvane_demo [input.png] [output-folder]
#include <cstdio>
#include <string>

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wshadow"
#endif
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include <filesystem>

#include "corvane_records.h"
#include "shell/entry.h"
#include "tools/testhost/png_writer.h"
#include "tools/testhost/test_host.h"

namespace {

struct DemoSetting {
  const char* name;
  ColourCode colour;
  int16_t horizontalGap, horizontalThickness, verticalGap, verticalThickness, alignment;
  uint8_t removeOthers;
};

const DemoSetting kSettings[] = {
    {"grid-blue", FourCC("moD1"), 20, 2, 20, 2, 0, 0},
    {"rows-red-centred", FourCC("moD2"), 12, 4, 0, 0, 1, 0},
    {"columns-green-bottom", FourCC("moD3"), 0, 0, 9, 1, 2, 0},
    {"grid-black-only", FourCC("moD0"), 7, 0, 7, 0, 0, 1},
};

}  // namespace

int main(int argc, char** argv) {
  const std::string input = argc > 1 ? argv[1] : "samples/sample.png";
  const std::filesystem::path outDir = argc > 2 ? argv[2] : "out/demo";
  int width = 0, height = 0, channels = 0;
  unsigned char* pixels = stbi_load(input.c_str(), &width, &height, &channels, 3);
  if (pixels == nullptr) {
    std::fprintf(stderr, "cannot read %s\n", input.c_str());
    return 1;
  }
  if (width > 30000 || height > 30000) {
    std::fprintf(stderr, "%s is too large for 16-bit rectangles\n", input.c_str());
    stbi_image_free(pixels);
    return 1;
  }
  HostImage picture;
  picture.width = width;
  picture.height = height;
  picture.planes = 3;
  picture.pixels.assign(pixels, pixels + size_t(width) * size_t(height) * 3);
  stbi_image_free(pixels);
  std::filesystem::create_directories(outDir);

  int failures = 0;
  for (const DemoSetting& s : kSettings) {
    TestHost host(&ENTRYPOINT);
    host.SetImage(picture, plugInModeRGBColor);
    host.Call(filterSelectorPrepare);  // creates the block with its defaults
    auto* block = reinterpret_cast<FilterParameters*>(*host.record.parameters);
    block->colourCode = s.colour;
    block->horizontalGap = s.horizontalGap;
    block->horizontalThickness = s.horizontalThickness;
    block->verticalGap = s.verticalGap;
    block->verticalThickness = s.verticalThickness;
    block->alignment = s.alignment;
    block->removeOthers = s.removeOthers;
    const int16_t result = host.RunFilter(false);
    const std::string path = (outDir / (std::string(s.name) + ".png")).string();
    const bool written = WritePng(path, width, height, 3, host.image.pixels.data(), width * 3);
    std::printf("%-22s result %d -> %s%s\n", s.name, result, path.c_str(),
                written ? "" : " (not written)");
    if (result != 0 || !written) ++failures;
  }
  return failures == 0 ? 0 : 1;
}
