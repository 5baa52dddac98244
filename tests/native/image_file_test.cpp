// Picture files: 16-bit samples between file and host, PNG written and read back at both
// depths, and pictures refused before their pixels take memory.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include <stb_image.h>

#include "tools/testhost/image_file.h"
#include "tools/testhost/png_writer.h"

namespace {

TEST(ImageFileTest, EveryHostValueComesBackFromTheFileExactly) {
  for (uint32_t host = 0; host <= 32768; ++host)
    ASSERT_EQ(FileToHost16(HostToFile16(uint16_t(host))), host);
  EXPECT_EQ(HostToFile16(32768), 65535);
  for (uint32_t file = 1; file <= 65535; ++file)
    ASSERT_LE(FileToHost16(uint16_t(file - 1)), FileToHost16(uint16_t(file))) << file;
  EXPECT_EQ(FileToHost16(65535), 32768);
}

TEST(ImageFileTest, PngKeepsDepthChannelsAndEverySample) {
  const struct { int32_t width, height, planes, depth; } cases[] = {
      {5, 3, 1, 8}, {7, 4, 2, 8}, {9, 5, 3, 8}, {3, 6, 4, 8},
      {5, 3, 1, 16}, {7, 4, 2, 16}, {9, 5, 3, 16}, {40000, 2, 4, 16}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + ", " +
                 std::to_string(c.planes) + " planes of " + std::to_string(c.depth));
    HostImage image{c.width, c.height, c.planes, c.depth, {}};
    image.pixels.resize(size_t(c.width) * size_t(c.height) * image.PixelBytes());
    const size_t samples = image.pixels.size() / image.SampleBytes();
    for (size_t i = 0; i < samples; ++i) {
      const uint16_t v = i == 1 ? 32768 : uint16_t((i * 7919) % (c.depth == 16 ? 32769 : 256));
      if (c.depth == 16) std::memcpy(&image.pixels[2 * i], &v, 2); else image.pixels[i] = uint8_t(v);
    }
    const std::string path = TestOutputPath("image-file-" + std::to_string(c.planes) + "-" +
                                            std::to_string(c.depth) + ".png");
    std::string error;
    ASSERT_TRUE(WritePngImage(path, image, error)) << error;
    std::vector<uint8_t> bytes;
    HostImage back;
    ASSERT_TRUE(ReadFileBytes(path, bytes, error) && DecodeImage(bytes, back, error)) << error;
    EXPECT_EQ(back.depth, c.depth);
    EXPECT_EQ(back.planes, c.planes);
    EXPECT_EQ(back.width, c.width);
    EXPECT_EQ(back.pixels == image.pixels, true);
    if (c.depth == 16) {  // the file itself holds 0..65535
      int w = 0, h = 0, n = 0;
      stbi_us* file = stbi_load_16_from_memory(bytes.data(), int(bytes.size()), &w, &h, &n, 0);
      ASSERT_NE(file, nullptr);
      EXPECT_EQ(file[1], 65535);
      EXPECT_EQ(file[2], HostToFile16(uint16_t((2 * 7919) % 32769)));
      stbi_image_free(file);
    }
  }
}

// A grey PNG's transparent value (a tRNS chunk) becomes an alpha channel at either depth.
TEST(ImageFileTest, ATransparentGreyValueBecomesAnAlphaChannel) {
  for (const int32_t depth : {8, 16}) {
    HostImage grey{3, 2, 1, depth, std::vector<uint8_t>(6 * size_t(depth / 8), 0)};
    SetSampleAt(grey, 1, 2, 0, depth == 16 ? 32768 : 255);
    const std::string path = TestOutputPath("image-file-trns.png");
    std::string error;
    ASSERT_TRUE(WritePngImage(path, grey, error)) << error;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(path, bytes, error)) << error;
    const uint8_t chunk[] = {0, 0, 0, 2, 't', 'R', 'N', 'S', 0, 0, 0, 0, 0, 0};  // grey 0 is clear
    bytes.insert(bytes.begin() + 33, chunk, chunk + sizeof(chunk));
    HostImage back;
    ASSERT_TRUE(DecodeImage(bytes, back, error)) << error;
    ASSERT_EQ(back.planes, 2);
    ASSERT_EQ(back.pixels.size(), 6 * back.PixelBytes());
    EXPECT_EQ(SampleAt(back, 0, 0, 1), 0u) << depth;
    EXPECT_EQ(SampleAt(back, 1, 2, 1), depth == 16 ? 32768u : 255u) << depth;
  }
}

// A PNG signature and header chunk, all stb reads before it decodes.
std::vector<uint8_t> PngHeader(uint32_t width, uint32_t height, uint8_t bits, uint8_t colourType) {
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (uint32_t v : {width, height})
    for (int shift = 24; shift >= 0; shift -= 8) png.push_back(uint8_t(v >> shift));
  png.insert(png.end(), {bits, colourType, 0, 0, 0, 0, 0, 0, 0});
  return png;
}

TEST(ImageFileTest, PicturesBeyondTheLimitsAreRefusedBeforeDecoding) {
  const struct { uint32_t width, height; uint8_t bits, colourType; const char* message; } cases[] = {
      {300001, 1, 8, 0, "the picture is 300001 x 1 pixels, 1 channel of 8 bits; at most 300000"},
      {1, 300001, 16, 6, "at most 300000 in each direction"},
      {300000, 300000, 16, 6, "too large to hold in memory (300000 x 300000 pixels, 4 channels of 16 bits)"},
      {40000, 30000, 8, 0, "too large to hold in memory"},
      {32768, 16384, 16, 4, "too large to hold in memory"}};
  for (const auto& c : cases) {
    HostImage image;
    std::string error;
    EXPECT_FALSE(DecodeImage(PngHeader(c.width, c.height, c.bits, c.colourType), image, error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_TRUE(image.pixels.empty());
  }
  const std::string path = TestOutputPath("no-such-folder/out.png");
  std::string error;
  EXPECT_FALSE(WritePngImage(path, HostImage{1, 1, 1, 16, {0, 0}}, error));
  EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
