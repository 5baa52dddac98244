// runfilter end to end: the built program (and on Windows its module) in separate processes,
// checked by the files they leave. Every image mode, every colour, both delivery paths, a
// filter area, and each refusal with its message, exit status and no output. On Linux the
// native program runs the same table, and where Wine and the 64-bit Windows program are there,
// both run it and must leave the same pixels.
#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include <zlib.h>

#include "tools/testhost/image_file.h"
#include "tools/testhost/png_writer.h"

namespace {

namespace fs = std::filesystem;

const std::string kArch = CORVANE_ARCH_NAME;
#if defined(_WIN32)
const std::string kOtherArch = kArch == "x64" ? "x86" : "x64";
const std::string kProgram = "dist\\" + kArch + "\\runfilter.exe";
#else
const std::string kProgram = "dist/" + kArch + "/runfilter";
// The Windows program the native one is held against, run by Wine.
const std::string kWindowsProgram = "dist/x64/runfilter.exe";
#endif

struct Outcome {
  int exitCode = -1;
  std::string messages;  // stdout and stderr together
};

Outcome RunFilterOnce(const std::string& program, const std::string& args);

// Runs runfilter with `args` (already quoted where needed), two minutes at most. Under
// user-mode emulation a process now and then dies as it starts, before the program runs: exit
// code -1 and nothing written, which runfilter itself never ends with (it exits 0, 1 or 2 and
// names every refusal). Such a start is tried again, twice at most.
Outcome RunFilter(const std::string& args, const std::string& program = kProgram) {
  Outcome outcome = RunFilterOnce(program, args);
  for (int retry = 0; retry < 2 && outcome.exitCode == -1 && outcome.messages.empty(); ++retry)
    outcome = RunFilterOnce(program, args);
  return outcome;
}

std::string LogText(const std::string& log) {
  std::vector<uint8_t> bytes;
  std::string ignored;
  if (!ReadFileBytes(log, bytes, ignored)) return "";
  return std::string(bytes.begin(), bytes.end());
}

#if !defined(_WIN32)
// The arguments as a Windows command line takes them: split at spaces, "..." kept whole.
std::vector<std::string> SplitArguments(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (c == ' ' && !quoted) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}

// A .exe goes through Wine, quietly.
Outcome RunFilterOnce(const std::string& program, const std::string& args) {
  Outcome outcome;
  const std::string log = TestOutputPath("runfilter-" + kArch + ".log");
  std::vector<std::string> words = SplitArguments(args);
  words.insert(words.begin(), program);
  if (program.size() > 4 && program.substr(program.size() - 4) == ".exe") {
    words.insert(words.begin(), "wine");
    setenv("WINEDEBUG", "-all", 1);
  }
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int file = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int nothing = open("/dev/null", O_RDONLY);
    if (file < 0 || nothing < 0) _exit(127);
    dup2(file, 1);
    dup2(file, 2);
    dup2(nothing, 0);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  for (int waited = 0; child > 0 && waitpid(child, &status, WNOHANG) == 0; ++waited) {
    if (waited == 1200) {  // two minutes
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      outcome.messages = "(timed out) ";
    }
    usleep(100000);
  }
  outcome.exitCode = child > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.messages += LogText(log);
  return outcome;
}
#else
Outcome RunFilterOnce(const std::string& program, const std::string& args) {
  Outcome outcome;
  const std::string log = TestOutputPath("runfilter-" + kArch + ".log");
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE file = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return outcome;
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = startup.hStdError = file;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  std::string line = "\"" + program + "\" " + args;
  if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                     &process)) {
    DWORD code = DWORD(-1);
    if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.hProcess, &code);
    } else {
      TerminateProcess(process.hProcess, 99);
      outcome.messages = "(timed out) ";
    }
    outcome.exitCode = int(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(file);
  outcome.messages.append(LogText(log));
  return outcome;
}
#endif

std::string Work(const std::string& name) { return TestOutputPath("runfilter-" + kArch + "-" + name); }

HostImage Load(const std::string& path) {
  HostImage image;
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(ReadFileBytes(path, bytes, error) && DecodeImage(bytes, image, error)) << path << ": " << error;
  return image;
}

// Pattern inputs of 1..4 channels, a BMP, a damaged PNG and a file that is not a module.
// Every case of a table runs in its own process, so the cases share no plug-in state.
class RunfilterTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (int planes = 1; planes <= 4; ++planes) {
      const HostImage image = MakePatternImage(48, 40, planes);
      WritePng(Input(planes), image.width, image.height, planes, image.pixels.data(), image.width * planes);
      std::string error;
      WritePngImage(Input16(planes), MakePatternImage(48, 40, planes, 16), error);
    }
    const HostImage rgb = MakePatternImage(48, 40, 3);
    stbi_write_bmp(Work("in.bmp").c_str(), rgb.width, rgb.height, 3, rgb.pixels.data());
    std::vector<uint8_t> png;
    std::string error;
    ReadFileBytes(Input(3), png, error);
    png.resize(60);  // the header and the start of the first chunk, then garbage
    png.insert(png.end(), 200, 0x5A);
    std::FILE* out = std::fopen(Work("corrupt.png").c_str(), "wb");
    std::fwrite(png.data(), 1, png.size(), out);
    std::fclose(out);
    // A header claiming 300000 x 300000 RGBA at 16 bits, which no memory holds.
    ReadFileBytes(Input16(4), png, error);
    for (size_t at : {16, 20}) std::memcpy(&png[at], "\x00\x04\x93\xE0", 4);
    const uint32_t crc = uint32_t(crc32(0, &png[12], 17));  // a lie told with a valid checksum
    for (int i = 0; i < 4; ++i) png[29 + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
    out = std::fopen(Work("huge.png").c_str(), "wb");
    std::fwrite(png.data(), 1, png.size(), out);
    std::fclose(out);
    const HostImage big = MakePatternImage(301, 203, 4);
    WritePng(Work("big.png"), big.width, big.height, 4, big.pixels.data(), big.width * 4);
    out = std::fopen(Work("notes.8bf").c_str(), "wb");
    std::fputs("not a module\n", out);
    std::fclose(out);
  }
  static std::string Input(int planes) { return Work("in" + std::to_string(planes) + ".png"); }
  static std::string Input16(int planes) { return Work("in16-" + std::to_string(planes) + ".png"); }

  // Runs with `args` and `input`, expecting success; returns the output image.
  HostImage Filtered(const std::string& args, const std::string& input, const std::string& name) {
    const std::string output = Work(name + ".png");
    fs::remove(output);
    const Outcome got = RunFilter(args + " \"" + input + "\" \"" + output + "\"");
    EXPECT_EQ(got.exitCode, 0) << args << ": " << got.messages;
    EXPECT_EQ(got.messages, "") << "nothing is printed when stderr is not a terminal";
    return Load(output);
  }
};

// With gap 5 and thickness 2 at the top of each period, rows 0 and 1 of every 7 are stripes.
bool StripeRow(int32_t y) { return y % 7 < 2; }

// The tables below are run by their own tests and, on Linux, by both programs side by side.
struct ModeCase {
  const char* mode;  // "" for the default from the channels
  int planes;
  std::vector<uint8_t> stripe;  // expected stripe bytes; empty: only uniformity is checked
  const char* file = "png";
};
const ModeCase kModeCases[] = {
      {"", 1, {76}},           {"", 2, {76, 255}},          {"", 3, {255, 0, 0}},
      {"", 4, {255, 0, 0, 255}}, {"--mode cmyk", 4, {}},    {"--mode lab", 3, {}},
      {"--mode hsb", 3, {}},   {"--mode hsl", 3, {}},       {"--mode multichannel", 2, {}},
      {"--mode gray", 2, {76, 255}}, {"--mode rgb", 3, {255, 0, 0}}, {"", 3, {255, 0, 0}, "bmp"},
};
const char* const kModeSettings = " --hgap 5 --hthick 2 --colour red";

struct ColourCase { const char* args; std::vector<uint8_t> bytes; int opacity; };
const ColourCase kColourCases[] = {
    {"black", {0, 0, 0}, 100}, {"blue", {0, 0, 255}, 100}, {"red", {255, 0, 0}, 100},
    {"green", {0, 255, 0}, 100}, {"C82a5A", {200, 42, 90}, 100}, {"#C82A5A --opacity 37", {200, 42, 90}, 37},
    {"red --opacity 1", {255, 0, 0}, 1}, {"000000 --opacity 50 --hgap 30000 --vgap 29000 --vthick 30000", {0, 0, 0}, 50}};

// Host behaviour, and how --verbose says the plug-in took the image: 301 x 203 RGBA rows
// need 2709 bytes, so an offer of 3000 gives strips of 2 rows and an offer of 1 strips of 1.
const std::pair<const char*, const char*> kPaths[] = {
    {"", "strips: 1, advanceState calls: 1"},
    {"--max-space 3000", "strips: 1, advanceState calls: 1"},
    {"--no-advance-state", "strips: 1, advanceState calls: 0"},
    {"--no-advance-state --max-space 3000", "strips: 102, advanceState calls: 0"},
    {"--no-advance-state --max-space 1", "strips: 203, advanceState calls: 0"}};
const char* const kPathSettings = "--hgap 6 --vgap 4 --hthick 3 --vthick 2 --align centre --colour green ";

std::string ModeInput(const ModeCase& c) {
  return std::string(c.file) == "bmp" ? Work("in.bmp") : Work("in" + std::to_string(c.planes) + ".png");
}

TEST_F(RunfilterTest, EveryImageModeStripesItsRowsAndKeepsTheOthers) {
  for (const ModeCase& c : kModeCases) {
    SCOPED_TRACE(std::string(c.mode) + " with " + std::to_string(c.planes) + " channels, " + c.file);
    const std::string input = ModeInput(c);
    const HostImage in = Load(input);
    const std::string name = std::string("mode-") + (c.mode[0] ? c.mode + 7 : "default") + "-" +
                             std::to_string(c.planes) + "-" + c.file;
    const HostImage out = Filtered(std::string(c.mode) + kModeSettings, input, name);
    ASSERT_EQ(out.planes, in.planes);
    ASSERT_EQ(out.width, in.width);
    ASSERT_EQ(out.height, in.height);
    const std::vector<uint8_t> first(out.At(0, 0), out.At(0, 0) + out.planes);
    if (!c.stripe.empty()) EXPECT_EQ(first, c.stripe);
    int differences = 0;
    for (int32_t y = 0; y < out.height; ++y) {
      for (int32_t x = 0; x < out.width; ++x) {
        const std::vector<uint8_t> got(out.At(y, x), out.At(y, x) + out.planes);
        const std::vector<uint8_t> want =
            StripeRow(y) ? first : std::vector<uint8_t>(in.At(y, x), in.At(y, x) + in.planes);
        if (got != want && differences++ < 3) ADD_FAILURE() << "pixel at row " << y << ", column " << x;
      }
    }
  }
}

// A 16-bit file comes back at 16 bits: off the stripes every sample as it went in, the
// stripes red at the host's full 32768 (grey: the 8-bit 76 widened).
TEST_F(RunfilterTest, SixteenBitPicturesComeBackExactlyAtSixteenBits) {
  const std::pair<int, std::vector<uint32_t>> cases[] = {
      {1, {9766}}, {2, {9766, 32768}}, {3, {32768, 0, 0}}, {4, {32768, 0, 0, 32768}}};
  for (const auto& [planes, stripe] : cases) {
    SCOPED_TRACE(std::to_string(planes) + " channels");
    const HostImage in = Load(Input16(planes));
    const HostImage out = Filtered("--hgap 5 --hthick 2 --colour red", Input16(planes),
                                   "deep-" + std::to_string(planes));
    ASSERT_EQ(out.depth, 16);
    ASSERT_EQ(out.planes, planes);
    ASSERT_EQ(out.pixels.size(), in.pixels.size());
    int differences = 0;
    for (int32_t y = 0; y < out.height; ++y)
      for (int32_t x = 0; x < out.width; ++x)
        for (int32_t k = 0; k < planes; ++k)
          if (SampleAt(out, y, x, k) != (StripeRow(y) ? stripe[size_t(k)] : SampleAt(in, y, x, k)) &&
              differences++ < 3)
            ADD_FAILURE() << "row " << y << ", column " << x << ", plane " << k;
  }
}

// The four names and any RRGGBB, opaque or mixed with the picture: at opacity o each sample
// is (s (100 - o) + c o + 50) / 100; cells past 100 pixels at the picture's edge.
TEST_F(RunfilterTest, EachColourIsWrittenAsItsRgbBytes) {
  const HostImage in = Load(Input(3));
  for (const auto& c : kColourCases) {
    const HostImage out = Filtered(std::string("--vgap 3 --color ") + c.args, Input(3),
                                   "colour-" + std::to_string(&c - kColourCases));
    ASSERT_EQ(out.planes, 3);
    std::vector<uint8_t> want(3);
    for (int k = 0; k < 3; ++k) want[size_t(k)] = uint8_t((in.At(7, 44)[k] * (100 - c.opacity) + c.bytes[size_t(k)] * c.opacity + 50) / 100);
    EXPECT_EQ(std::vector<uint8_t>(out.At(7, 44), out.At(7, 44) + 3), want) << c.args;
  }
}

TEST_F(RunfilterTest, StripsAndTheWholeAreaGiveTheSameFile) {
  const HostImage big = MakePatternImage(301, 203, 4);
  const std::string input = Work("big.png");
  std::vector<std::vector<uint8_t>> files;
  for (const auto& [path, taken] : kPaths) {
    const std::string output = Work("path.png");
    fs::remove(output);
    const Outcome got =
        RunFilter("--verbose " + std::string(kPathSettings) + path + " \"" + input + "\" \"" + output + "\"");
    ASSERT_EQ(got.exitCode, 0) << path << ": " << got.messages;
    EXPECT_NE(got.messages.find(taken), std::string::npos) << path << ": " << got.messages;
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(ReadFileBytes(output, bytes, error)) << error;
    files.push_back(bytes);
    EXPECT_EQ(files.front(), files.back()) << "'" << path << "' differs from the whole-area run";
  }
  EXPECT_NE(Load(Work("path.png")).pixels, big.pixels) << "the filter changed nothing";
}

// Lengths in a unit through --ppi, and cells by count, reach the plug-in as the settings ask:
// which rows of the first column are blue.
TEST_F(RunfilterTest, UnitsAndCellsReachThePlugin) {
  const struct { const char* args; const char* rows; } cases[] = {
      {"--unit cm --ppi 254 --hgap 0.04 --hthick 0.01 --vgap 0", "#....#....#....#....#....#....#....#...."},
      {"--unit % --hgap 20 --hthick 5 --vgap 0", "##........##........##........##........"},
      {"--rows 4 --frame --vgap 0", "#.........#.........#.........#........#"},
      {"--ppi 127,254 --unit mm --hgap 0.4 --hthick 0.1 --voffset 0.2 --vgap 0", "..#....#....#....#....#....#....#....#.."},
  };
  for (const auto& c : cases) {
    const HostImage out = Filtered(std::string(c.args) + " --colour blue", Input(3), "units");
    std::string rows;
    for (int32_t y = 0; y < out.height; ++y) {
      const uint8_t* p = out.At(y, 0);
      rows += p[0] == 0 && p[1] == 0 && p[2] == 255 ? '#' : '.';
    }
    EXPECT_EQ(rows, c.rows) << c.args;
  }
}

TEST_F(RunfilterTest, ARectangleLimitsTheFilterArea) {
  const HostImage in = Load(Input(3));
  const HostImage out = Filtered("--rect 10,12,30,40 --hgap 3 --vgap 3 --remove", Input(3), "rect");
  int stripes = 0, cleared = 0;
  for (int32_t y = 0; y < out.height; ++y) {
    for (int32_t x = 0; x < out.width; ++x) {
      const std::vector<uint8_t> got(out.At(y, x), out.At(y, x) + 3);
      if (y < 10 || y >= 30 || x < 12 || x >= 40) {
        ASSERT_EQ(got, std::vector<uint8_t>(in.At(y, x), in.At(y, x) + 3)) << "row " << y << ", column " << x;
      } else if (got == std::vector<uint8_t>{0, 0, 255}) {
        ++stripes;
      } else {
        ASSERT_EQ(got, (std::vector<uint8_t>{0, 0, 0})) << "row " << y << ", column " << x;
        ++cleared;
      }
    }
  }
  EXPECT_GT(stripes, 0);
  EXPECT_GT(cleared, 0);
}

TEST_F(RunfilterTest, RefusalsNameTheirCauseAndWriteNothing) {
  const std::string in = "\"" + Input(3) + "\"";
  const struct {
    std::string args;
    int exitCode;
    std::string message;
  } cases[] = {
      {"\"" + Work("absent.png") + "\"", 1, "cannot open"},
      {"\"" + Work("corrupt.png") + "\"", 1, "corrupt image"},
      {"--sparkle " + in, 2, "unknown option '--sparkle'"},
      {"--hgap 30001 " + in, 2, "--hgap takes a length in px from 0 to 30000, not '30001'"},
      {"--vthick 0 " + in, 2, "--vthick takes a length in px from above 0 to 30000"},
      {"--unit furlong " + in, 2, "--unit takes px, %, in, cm, mm, pt or pc, not 'furlong'"},
      {"--rows 0 " + in, 2, "--rows takes a whole number from 1 to 1000, not '0'"},
      {"--rows 1001 " + in, 2, "--rows takes a whole number from 1 to 1000, not '1001'"},
      {"--subdivide 0 " + in, 2, "--subdivide takes a whole number from 1 to 100, not '0'"},
      {"--dash 0,4 " + in, 2, "--dash takes ON,OFF, lengths in px, ON above 0 and OFF 0 or more, not '0,4'"},
      {"--ppi 0 " + in, 2, "--ppi takes N or H,V"},
      {"--ppi 300,-1 " + in, 2, "--ppi takes N or H,V"},
      {"--unit cm --hgap 1.5.2 " + in, 2, "--hgap takes a length in cm from 0 to 100000, not '1.5.2'"},
      {"--minor-opacity 12.5 " + in, 2, "--minor-opacity takes a whole number from 1 to 100, not '12.5'"},
      {"--style wavy " + in, 2, "--style takes solid, dashed or dotted"},
      {"--colour purple " + in, 2, "--colour takes black, blue, red, green or six hex digits"},
      {"--colour #12345 " + in, 2, "RRGGBB, not '#12345'"},
      {"--color 12345G " + in, 2, "--color takes black"},
      {"--opacity 0 " + in, 2, "--opacity takes a whole number from 1 to 100, not '0'"},
      {"--opacity 101 " + in, 2, "--opacity takes a whole number from 1 to 100, not '101'"},
      {"--rect 0,0,41,48 " + in, 1, "--rect reaches past"},
      {"--mode cmyk " + in, 1, "--mode cmyk needs 4 channels"},
      {"--mode hsb \"" + Input16(3) + "\"", 1, "--mode hsb has no 16-bit form"},
      // Streamed, the size needs no memory: the data ends long before the rows do.
      {"\"" + Work("huge.png") + "\"", 1, "huge.png: corrupt image (Not enough image data)"},
#if !defined(_WIN32)
      {"--plugin dist/x64/Corvane.8bf " + in, 2, "--plugin is for the Windows runfilter"},
      {"--dialog " + in, 2, "--dialog needs a screen"},
#else
      {"--plugin dist\\" + kOtherArch + "\\Corvane.8bf " + in, 1,
       kArch == "x64" ? "is a 32-bit module" : "is a 64-bit module"},
      {"--plugin \"" + Work("notes.8bf") + "\" " + in, 1, "is not a Windows module"},
      {"--plugin " + kProgram + " " + in, 1, "has no plug-in property list"},
#endif
  };
  const std::string output = Work("refused.png");
  for (const auto& c : cases) {
    fs::remove(output);
    const Outcome got = RunFilter(c.args + " \"" + output + "\"");
    EXPECT_EQ(got.exitCode, c.exitCode) << c.args;
    EXPECT_NE(got.messages.find(c.message), std::string::npos) << c.args << ": " << got.messages;
    EXPECT_EQ(got.messages.rfind("runfilter: ", 0), 0u) << got.messages;
    EXPECT_EQ(got.messages.find('\n'), got.messages.size() - 1) << "one line: " << got.messages;
    EXPECT_FALSE(fs::exists(output)) << c.args;
  }
  // A failed run leaves an existing output as it was, and no temporary file beside it.
  std::FILE* previous = std::fopen(output.c_str(), "wb");
  std::fputs("previous", previous);
  std::fclose(previous);
  EXPECT_EQ(RunFilter("--rect 0,0,41,48 " + in + " \"" + output + "\"").exitCode, 1);
  EXPECT_EQ(fs::file_size(output), 8u);
  for (const auto& entry : fs::directory_iterator(fs::path(output).parent_path()))
    EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path().string();
  fs::remove(output);
}

// TIFF and JPEG through the program's own libraries (on Windows the ones built for it): a
// 16-bit RGBA picture by way of TIFF gives what it gives directly, a JPEG comes back close,
// and one cut short is refused (the libraries' errors jump back through the program).
TEST_F(RunfilterTest, TiffAndJpegComeBackThroughTheLibraries) {
  const std::string tiff = Work("chain.tif"), jpeg = Work("chain.jpg"), cut = Work("cut.jpg");
  const std::string steps[] = {kModeSettings + (" \"" + Input16(4) + "\" \"" + tiff + "\""),
                               "--hgap 0 \"" + Input(3) + "\" \"" + jpeg + "\""};
  fs::remove(tiff);
  fs::remove(jpeg);
  for (const std::string& step : steps) {
    const Outcome got = RunFilter(step);
    ASSERT_EQ(got.exitCode, 0) << step << ": " << got.messages;
  }
  EXPECT_TRUE(Filtered(kModeSettings, tiff, "by-tiff").pixels == Filtered(kModeSettings, Input16(4), "direct").pixels);
  const HostImage in = Load(Input(3)), back = Filtered("--hgap 0", jpeg, "by-jpeg");
  ASSERT_EQ(back.pixels.size(), in.pixels.size());
  int64_t difference = 0;
  for (size_t i = 0; i < in.pixels.size(); ++i) difference += std::abs(int(back.pixels[i]) - int(in.pixels[i]));
  // The pattern's steps from 255 to 0 blur in JPEG; planes swapped or shifted differ by ~60.
  EXPECT_LT(double(difference) / double(in.pixels.size()), 16.0) << "mean difference";
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(ReadFileBytes(jpeg, bytes, error)) << error;
  std::FILE* out = std::fopen(cut.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size() * 6 / 10, out);
  std::fclose(out);
  const Outcome refused = RunFilter("\"" + cut + "\" \"" + Work("cut.png") + "\"");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.messages.find("cut.jpg: corrupt image"), std::string::npos) << refused.messages;
}

#if !defined(_WIN32)
// A picture past one band (16 MiB of requests) flows through in bands: the grid continues
// across them, rows and columns outside the filter area pass through, and the bands show in
// --verbose.
TEST_F(RunfilterTest, APictureLargerThanABandIsStreamedInBands) {
  const HostImage in = MakePatternImage(2800, 2900, 4);
  const std::string input = Work("tall.png"), output = Work("tall-out.png");
  WritePng(input, in.width, in.height, 4, in.pixels.data(), in.width * 4);
  fs::remove(output);
  const VRect area{1000, 10, 2500, 2790};
  const Outcome got = RunFilter("--verbose --rect 1000,10,2500,2790 --hgap 5 --hthick 2 --colour red \"" +
                                input + "\" \"" + output + "\"");
  ASSERT_EQ(got.exitCode, 0) << got.messages;
  const size_t strips = got.messages.find("strips: ");
  ASSERT_NE(strips, std::string::npos) << got.messages;
  EXPECT_GT(std::atoi(got.messages.c_str() + strips + 8), 1) << got.messages;
  const HostImage out = Load(output);
  ASSERT_EQ(out.pixels.size(), in.pixels.size());
  const uint8_t red[4] = {255, 0, 0, 255};
  for (int32_t y = 0; y < in.height; ++y)
    for (int32_t x = 0; x < in.width; ++x) {
      const bool stripe = y >= area.top && y < area.bottom && x >= area.left && x < area.right &&
                          StripeRow(y - area.top);
      ASSERT_EQ(std::memcmp(out.At(y, x), stripe ? red : in.At(y, x), 4), 0) << "row " << y << ", column " << x;
    }
}

// The native program against the Windows one under Wine, over every run of the tables above:
// the same channels, depth and pixels.
TEST_F(RunfilterTest, NativeAndWindowsProgramsWriteTheSamePictures) {
  if (!fs::exists(kWindowsProgram) || !fs::exists("/usr/lib/wine/wine64"))
    GTEST_SKIP() << "needs 64-bit Wine and " << kWindowsProgram;
  std::vector<std::pair<std::string, std::string>> runs;  // settings, input
  for (const ModeCase& c : kModeCases) runs.emplace_back(std::string(c.mode) + kModeSettings, ModeInput(c));
  for (int planes = 1; planes <= 4; ++planes) runs.emplace_back(kModeSettings, Input16(planes));
  for (const ColourCase& c : kColourCases) runs.emplace_back(std::string("--vgap 3 --color ") + c.args, Input(3));
  for (const auto& path : kPaths) runs.emplace_back(kPathSettings + std::string(path.first), Work("big.png"));
  runs.emplace_back("--rect 10,12,30,40 --hgap 3 --vgap 3 --remove", Input(3));
  for (const auto& [settings, input] : runs) {
    SCOPED_TRACE(settings + " " + input);
    HostImage pictures[2];
    const std::string programs[2] = {kProgram, kWindowsProgram};
    for (int i = 0; i < 2; ++i) {
      const std::string output = Work(i == 0 ? "native.png" : "windows.png");
      fs::remove(output);
      const Outcome got = RunFilter(settings + " \"" + input + "\" \"" + output + "\"", programs[i]);
      ASSERT_EQ(got.exitCode, 0) << programs[i] << ": " << got.messages;
      pictures[i] = Load(output);
    }
    EXPECT_EQ(pictures[0].planes, pictures[1].planes);
    EXPECT_EQ(pictures[0].depth, pictures[1].depth);
    EXPECT_TRUE(pictures[0].pixels == pictures[1].pixels) << "the pixels differ";
  }
}
#endif

}  // namespace
