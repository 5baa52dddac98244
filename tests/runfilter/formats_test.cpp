// The Linux runfilter over its file formats: every format it writes, at each depth, each
// colour kind and each compression, with resolution and colour profile carried across; and
// the Windows one, where Wine is, held against it.
#if !defined(_WIN32)
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <tiffio.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/runfilter/picture_io.h"
#include "tools/testhost/png_writer.h"

namespace {

struct Kind {
  const char* name;
  int32_t planes;
  PictureColour colour;
};
const Kind kKinds[] = {{"grey", 1, PictureColour::kDefault}, {"greyalpha", 2, PictureColour::kDefault},
                       {"rgb", 3, PictureColour::kDefault},  {"rgba", 4, PictureColour::kDefault},
                       {"cmyk", 4, PictureColour::kCmyk},    {"cmykalpha", 5, PictureColour::kCmyk},
                       {"lab", 3, PictureColour::kLab}};

struct FormatCase {
  const char* in;   // extension of the input
  const char* out;  // and of the output
  int32_t depth;
  Kind kind;
  const char* compression;
};

bool Holds(const std::string& format, int32_t depth, const Kind& kind) {
  if (format == "jpg") return depth == 8 && (kind.planes == 1 || kind.planes == 3 || kind.colour == PictureColour::kCmyk) &&
                              kind.colour != PictureColour::kLab && kind.planes != 5;
  if (format == "png") return kind.colour == PictureColour::kDefault;
  return true;
}

std::vector<FormatCase> AllCases() {
  std::vector<FormatCase> cases;
  const std::pair<const char*, const char*> routes[] = {
      {"png", "png"}, {"jpg", "jpg"}, {"tif", "tif"}, {"tif", "png"}, {"png", "tif"}, {"jpg", "tif"}, {"tif", "jpg"}};
  for (const auto& [in, out] : routes)
    for (int32_t depth : {8, 16})
      for (const Kind& kind : kKinds)
        // lzw and none: the input TIFF's scheme, which a TIFF output keeps.
        for (const char* compression : {"fast", "default", "best", "lzw", "none"}) {
          const std::string scheme = compression;
          const bool kept = scheme == "lzw" || scheme == "none";
          if (Holds(in, depth, kind) && Holds(out, depth, kind) &&
              (scheme == "default" || std::string(out) != "jpg") &&
              (!kept || (std::string(in) == "tif" && std::string(out) == "tif")))
            cases.push_back({in, out, depth, kind, compression});
        }
  return cases;
}

class FormatTest : public ::testing::TestWithParam<FormatCase> {};

// Smooth enough for JPEG (no wrap within 67 x 45 and 5 planes), different in every plane.
uint32_t Sample(int32_t x, int32_t y, int32_t k, int32_t depth) {
  return depth == 8 ? uint32_t((x + y + k * 40) % 256) : uint32_t((x * 150 + y * 200 + k * 3000) % 32769);
}

TEST_P(FormatTest, RoundTripKeepsPixelsResolutionAndProfile) {
  const FormatCase& c = GetParam();
  const std::string stem = TestOutputPath(std::string("format-") + c.kind.name + "-" + std::to_string(c.depth) + "-" +
                                          c.in + "-" + c.compression);
  PictureInfo info;
  info.width = 67;
  info.height = 45;
  info.planes = c.kind.planes;
  info.depth = c.depth;
  info.colour = c.kind.colour;
  info.ppiX = 300;
  info.ppiY = 150;
  // A profile header of the picture's colour space with no tags, then private bytes.
  info.iccProfile.assign(400, 0);
  for (size_t i = 132; i < info.iccProfile.size(); ++i) info.iccProfile[i] = uint8_t(i * 7);
  const char* space = c.kind.colour == PictureColour::kCmyk ? "CMYK"
                      : c.kind.colour == PictureColour::kLab ? "Lab "
                      : c.kind.planes < 3                    ? "GRAY"
                                                             : "RGB ";
  const uint8_t header[] = {0, 0, 1, 144, 0, 0, 0, 0, 2, 16, 0, 0};
  std::memcpy(info.iccProfile.data(), header, sizeof(header));
  std::memcpy(&info.iccProfile[12], "mntr", 4);
  std::memcpy(&info.iccProfile[16], space, 4);
  std::memcpy(&info.iccProfile[20], "XYZ ", 4);
  std::memcpy(&info.iccProfile[36], "acsp", 4);
  const uint8_t d50[] = {0, 0, 0xF6, 0xD6, 0, 1, 0, 0, 0, 0, 0xD3, 0x2D};
  std::memcpy(&info.iccProfile[68], d50, sizeof(d50));
  HostImage in;
  in.width = info.width;
  in.height = info.height;
  in.planes = info.planes;
  in.depth = info.depth;
  in.pixels.resize(info.RowBytes() * size_t(info.height));
  for (int32_t y = 0; y < in.height; ++y)
    for (int32_t x = 0; x < in.width; ++x)
      for (int32_t k = 0; k < in.planes; ++k) SetSampleAt(in, y, x, k, Sample(x, y, k, c.depth));
  const std::string input = stem + "." + c.in, output = stem + "-out." + c.out;
  std::string error;
  RunOptions options;
  const std::string scheme = c.compression;
  const bool kept = scheme == "lzw" || scheme == "none";
  if (kept) info.tiffCompression = scheme == "lzw" ? COMPRESSION_LZW : COMPRESSION_NONE;
  {
    auto writer = OpenPictureWriter(input, FormatOfPath(input), info, options, error);
    ASSERT_TRUE(writer && writer->WriteRows(in.pixels.data(), in.height, error) && writer->Finish(error)) << "[" << error << "]";
  }
  Picture source, result;
  ASSERT_TRUE(ReadPicture(input, source, error)) << error;
  std::filesystem::remove(output);
  // Through JPEG's chroma blocks a stripe bleeds into its neighbours: no stripes there, the
  // picture is only compared for closeness.
  const bool lossy = std::string(c.in) == "jpg" || std::string(c.out) == "jpg";
  const std::string arguments = std::string(lossy ? "--hgap 0" : "--hgap 5 --hthick 2 --colour red") +
                                " --compression " + (kept ? "default" : scheme) + " '" + input + "' '";
  const std::string command = "dist/linux-" CORVANE_RUNFILTER_ARCH "/runfilter " + arguments + output + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  ASSERT_TRUE(ReadPicture(output, result, error)) << error;
  EXPECT_EQ(result.info.planes, info.planes);
  EXPECT_EQ(result.info.depth, std::string(c.out) == "jpg" ? 8 : c.depth);
  EXPECT_EQ(int(result.info.colour == PictureColour::kGrey ? PictureColour::kDefault : result.info.colour),
            int(info.colour));
  EXPECT_NEAR(result.info.ppiX, 300, 0.5);
  EXPECT_NEAR(result.info.ppiY, 150, 0.5);
  EXPECT_EQ(result.info.iccProfile, info.iccProfile);
  if (std::string(c.out) == "tif")
    EXPECT_EQ(result.info.tiffCompression, kept ? info.tiffCompression : uint16_t(COMPRESSION_ADOBE_DEFLATE));
  // Off the stripes the picture as read, exactly where no JPEG was on the way; the stripe
  // rows one colour each.
  int64_t difference = 0, compared = 0;
  const uint32_t scale = result.info.depth == source.info.depth ? 1 : 128;  // 16 bits read back at 8
  for (int32_t y = 0; y < info.height; ++y)
    for (int32_t x = 0; x < info.width; ++x)
      for (int32_t k = 0; k < info.planes; ++k) {
        const int64_t got = SampleAt(result.image, y, x, k) * scale;
        if (y % 7 < 2) {
          if (!lossy) ASSERT_EQ(got, SampleAt(result.image, y % 7, 0, k) * scale) << "stripe row " << y << ", column " << x;
          continue;
        }
        const int64_t want = SampleAt(source.image, y, x, k);
        difference += std::abs(got - want);
        ++compared;
        if (!lossy) ASSERT_EQ(got, want) << "row " << y << ", column " << x << ", plane " << k;
      }
  if (lossy) EXPECT_LT(double(difference) / double(compared), c.depth == 8 ? 6.0 : 6.0 * 128) << "mean difference";

  // The Windows program under Wine, with the libraries built for it, writes the same file as
  // far as it can be read (fast and best differ from default only in zlib's level).
  const std::string windows = "dist/x64/runfilter.exe", theirs = stem + "-windows." + c.out;
  if (scheme == "fast" || scheme == "best" || !std::filesystem::exists(windows) ||
      !std::filesystem::exists("/usr/lib/wine/wine64"))
    return;
  std::filesystem::remove(theirs);
  const std::string wine = "WINEDEBUG=-all wine " + windows + " " + arguments + theirs + "'";
  ASSERT_EQ(std::system(wine.c_str()), 0) << wine;
  Picture other;
  ASSERT_TRUE(ReadPicture(theirs, other, error)) << error;
  EXPECT_TRUE(other.image.pixels == result.image.pixels) << "the Windows program's pixels differ";
  EXPECT_EQ(other.info.planes, result.info.planes);
  EXPECT_EQ(other.info.depth, result.info.depth);
  EXPECT_EQ(int(other.info.colour), int(result.info.colour));
  EXPECT_TRUE(other.info.ppiX == result.info.ppiX && other.info.ppiY == result.info.ppiY);
  EXPECT_EQ(other.info.iccProfile, result.info.iccProfile);
  EXPECT_EQ(other.info.tiffCompression, result.info.tiffCompression);
}

// Without --ppi the host states the file's resolution: a tenth of an inch is 10 rows at
// 100 ppi, and 7.2 at --ppi 72 (the stripes start at rows 0, 11, 22 and 0, 8, 16).
TEST(FileResolutionTest, ReachesTheHostUnlessPpiIsGiven) {
  PictureInfo info;
  info.width = 8;
  info.height = 30;
  info.planes = 1;
  info.ppiX = info.ppiY = 100;
  const std::vector<uint8_t> pixels(info.RowBytes() * 30, 200);
  const std::string input = TestOutputPath("resolution.tif"), output = TestOutputPath("resolution-out.tif");
  std::string error;
  {
    auto writer = OpenPictureWriter(input, PictureFormat::kTiff, info, RunOptions(), error);
    ASSERT_TRUE(writer && writer->WriteRows(pixels.data(), 30, error) && writer->Finish(error)) << error;
  }
  const std::pair<const char*, std::vector<int32_t>> cases[] = {{"", {0, 11, 22}}, {"--ppi 72", {0, 8, 16, 24}}};
  for (const auto& [ppi, rows] : cases) {
    const std::string command = "dist/linux-" CORVANE_RUNFILTER_ARCH "/runfilter --unit in --hgap 0.1 --hthick 0.01 "
                                "--colour black " + std::string(ppi) + " '" + input + "' '" + output + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    Picture result;
    ASSERT_TRUE(ReadPicture(output, result, error)) << error;
    std::vector<int32_t> black;
    for (int32_t y = 0; y < info.height; ++y)
      if (SampleAt(result.image, y, 3, 0) == 0) black.push_back(y);
    EXPECT_EQ(black, rows) << ppi;
  }
}

// Bad files end in one line naming the file and the reason, exit status 1, and leave an
// existing output as it was, with nothing beside it.
TEST(BadPictureTest, EachIsRefusedInOneLineAndTouchesNoOutput) {
  const std::string folder = TestOutputPath("bad");
  std::filesystem::create_directories(folder);
  PictureInfo info;
  info.width = 40;
  info.height = 30;
  info.planes = 3;
  std::vector<uint8_t> pixels(info.RowBytes() * 30, 99);
  auto make = [&](const std::string& name, double keep) {
    std::string error;
    const std::string path = folder + "/" + name;
    auto writer = OpenPictureWriter(path, FormatOfPath(name), info, RunOptions(), error);
    EXPECT_TRUE(writer && writer->WriteRows(pixels.data(), 30, error) && writer->Finish(error)) << error;
    writer.reset();
    std::filesystem::resize_file(path, uintmax_t(double(std::filesystem::file_size(path)) * keep));
    return path;
  };
  auto tiff = [&](const std::string& name, uint16_t bits, uint16_t format, uint32_t height) {
    const std::string path = folder + "/" + name;
    TIFF* file = TIFFOpen(path.c_str(), "w");
    TIFFSetField(file, TIFFTAG_IMAGEWIDTH, 4u);
    TIFFSetField(file, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(file, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(file, TIFFTAG_SAMPLEFORMAT, format);
    TIFFSetField(file, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(file, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(file, TIFFTAG_ROWSPERSTRIP, height);
    std::vector<uint8_t> row(4 * bits / 8, 0);
    TIFFWriteScanline(file, row.data(), 0, 0);
    TIFFClose(file);
    return path;
  };
  const std::string png = make("whole.png", 1.0), lying = folder + "/lying.jpg";
  std::filesystem::copy_file(png, lying, std::filesystem::copy_options::overwrite_existing);
  std::fclose(std::fopen((folder + "/empty.png").c_str(), "wb"));
  const std::pair<std::string, std::string> cases[] = {
      {make("cut.png", 0.6), "corrupt image"},
      {make("cut.jpg", 0.6), "corrupt image"},
      {make("cut.tif", 0.6), "corrupt image"},
      {tiff("float.tif", 32, SAMPLEFORMAT_IEEEFP, 2), "unsupported: 32-bit floating-point samples"},
      {tiff("tall.tif", 8, SAMPLEFORMAT_UINT, 0x7fffffff), "at most 300000 in each direction"},
      {lying, "the file is PNG but its name says JPEG"},
      {folder + "/empty.png", "the file is empty"},
      {folder + "/absent.png", "cannot open"},
  };
  const std::string output = folder + "/out.png", log = folder + "/log.txt";
  for (const auto& [input, reason] : cases) {
    SCOPED_TRACE(input);
    std::FILE* previous = std::fopen(output.c_str(), "wb");
    std::fputs("previous", previous);
    std::fclose(previous);
    const std::string command = "dist/linux-" CORVANE_RUNFILTER_ARCH "/runfilter '" + input + "' '" +
                                output + "' >'" + log + "' 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    std::string text;
    if (std::FILE* file = std::fopen(log.c_str(), "rb")) {
      char buffer[512];
      text.assign(buffer, std::fread(buffer, 1, sizeof(buffer), file));
      std::fclose(file);
    }
    EXPECT_NE(text.find(input + ": "), std::string::npos) << text;
    EXPECT_NE(text.find(reason), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "one line: " << text;
    EXPECT_EQ(std::filesystem::file_size(output), 8u);
  }
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path().string();
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatTest, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<FormatCase>& info) {
                           const FormatCase& c = info.param;
                           return std::string(c.in) + "_to_" + c.out + "_" + std::to_string(c.depth) + "_" +
                                  c.kind.name + "_" + c.compression;
                         });

}  // namespace
#endif
