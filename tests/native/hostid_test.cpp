// Recognising the host from its executable's version block, and what that changes.
#include <cstring>
#include <string>
#include <vector>

#include "host/host_identification.h"
#include "host/probe_native.h"
#include "tests/native/plugin_fixture.h"

namespace {

// A version block as a test builds it: raw bytes, with the values the queries find in it.
class VersionBlock {
 public:
  uint32_t Append(const void* data, size_t length) {
    const auto offset = uint32_t(bytes_.size());
    const auto* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + length);
    return offset;
  }
  void Raw(const std::string& text) { Append(text.data(), text.size()); }
  void Text(const std::string& path, const std::string& text) {
    const uint32_t at = Append(text.c_str(), text.size() + 1);
    AddNativeVersionValue(path.c_str(), at, uint32_t(text.size() + 1));
  }
  void Fixed(uint32_t mask, uint32_t flags, uint32_t fileOS, uint32_t length = 52) {
    uint32_t info[13] = {0xFEEF04BD, 0x00010000, 0, 0, 0, 0, mask, flags, fileOS, 1, 0, 0, 0};
    const uint32_t at = Append(info, sizeof(info));
    AddNativeVersionValue("\\", at, length);
  }
  void Translation(uint16_t language, uint16_t codePage) {
    const uint16_t entry[2] = {language, codePage};
    AddNativeVersionValue("\\VarFileInfo\\Translation", Append(entry, sizeof(entry)), 4);
  }
  void Install() { SetNativeVersionBlock(bytes_.data(), uint32_t(bytes_.size())); }
  uint32_t Size() const { return uint32_t(bytes_.size()); }

 private:
  std::vector<uint8_t> bytes_;
};

constexpr uint32_t kOsNtWindows32 = 0x00040004;
const std::string kEnglish = "\\StringFileInfo\\04090000\\";

class HostIdTest : public PluginTest {
 protected:
  void SetUp() override {
    ClearNativeVersionSource();
    PluginTest::SetUp();
  }
  void TearDown() override {
    PluginTest::TearDown();
    ClearNativeVersionSource();
  }
  HostInfo Probe() {
    HostInfo info;
    std::memset(&info, 0x77, sizeof(info));
    EXPECT_EQ(ProbeHostVersion(info), noErr);
    return info;
  }
  VersionBlock block;
};

TEST(HostNameTest, NamesMatchTheFirstEntryTheyEqualOrBegin) {
  const struct {
    const char* name;
    uint32_t signature;
  } cases[] = {
      {"ADOBE PREMIERE", FourCC("PrMr")}, {"Adobe Premiere", FourCC("PrMr")},
      {"Photoshp", FourCC("8BIM")},       {"photoshp", FourCC("8BIM")},
      {"Photoshop", 0},                   {"PM6", FourCC("ALD6")},
      {"PM65", FourCC("AD65")},           {"Photo", FourCC("Mprn")},
      {"Adobe", FourCC("FXTC")},          {"Adobe Premiere Pro", 0},
      {"", 0},                            {"C", FourCC("Cdrw")},
      {"Adobe_Premiere", 0},              {"ADOBE ILLUSTRATOR", FourCC("ART5")},
  };
  for (const auto& c : cases) EXPECT_EQ(HostSignatureForName(c.name), c.signature) << c.name;
  EXPECT_EQ(HostSignatureForName(nullptr), 0u);
}

TEST(HostNameTest, ParseIntegerFollowsItsGrammar) {
  const struct {
    const char* text;
    int result;
    int32_t value;  // 999 when untouched
  } cases[] = {
      {"", 0, 999},           {"-", 2, 0},          {"12345678901", 1, 2147483647},
      {"4 2", 0, 999},        {"  42  ", 1, 42},    {"-17", 2, -17},
      {"--1", 0, 999},        {"1-", 0, 999},       {"   ", 0, 999},
      {"7.0", 0, 999},        {"- 5", 2, -5},       {"-12345678901", 2, -2147483647},
      {"123456789", 1, 123456789}, {"0009", 1, 9},  {"x", 0, 999},
  };
  for (const auto& c : cases) {
    int32_t value = 999;
    EXPECT_EQ(ParseInteger(c.text, value), c.result) << '"' << c.text << '"';
    EXPECT_EQ(value, c.value) << '"' << c.text << '"';
  }
}

TEST(HostNameTest, VersionTextsGiveThreeDigits) {
  const struct {
    const char* text;
    uint8_t major, minor, fix;
  } cases[] = {
      {"7.0", 7, 0, 0},  {"7.01", 7, 0, 1},  {"7.1", 7, 1, 0},     {"7.15", 7, 1, 5},
      {"7.10", 7, 1, 0}, {"7,5", 7, 5, 0},   {"7", 7, 0, 0},       {" 8 . 5 ", 8, 5, 0},
      {"12.0", 12, 0, 0}, {"7.0.1", 0, 1, 0}, {"6.5", 6, 5, 0},    {"", 0, 0, 0},
      {"300.2", 44, 2, 0}, {"1.123", 1, 12, 3}, {"abc.def", 0, 0, 0}, {"5.", 5, 0, 0},
  };
  for (const auto& c : cases) {
    HostInfo info{};
    ApplyVersionText(c.text, std::strlen(c.text), info);
    EXPECT_EQ(info.versionMajor, c.major) << c.text;
    EXPECT_EQ(info.versionMinor, c.minor) << c.text;
    EXPECT_EQ(info.versionFix, c.fix) << c.text;
  }
  // Only the first 254 characters count: the separator beyond them is not seen.
  std::string longText(254, '1');
  longText += ".5";
  HostInfo info{};
  ApplyVersionText(longText.c_str(), longText.size(), info);
  EXPECT_EQ(info.versionMajor, 0xFF) << "2147483647 cut to its low byte";
  EXPECT_EQ(info.versionMinor, 0);
}

TEST(HostNameTest, StagesPlatformsAndPacking) {
  EXPECT_EQ(StageFromFileFlags(0x3F, 0x1), 0);
  EXPECT_EQ(StageFromFileFlags(0x0, 0x1), 3);
  EXPECT_EQ(StageFromFileFlags(0x3, 0x2), 2);
  EXPECT_EQ(StageFromFileFlags(0x3, 0x3), 0);
  EXPECT_EQ(StageFromFileFlags(0x1, 0x2), 3);
  EXPECT_EQ(PlatformFromFileOS(0x00040000), 10);
  EXPECT_EQ(PlatformFromFileOS(0x00000001), 11);
  EXPECT_EQ(PlatformFromFileOS(kOsNtWindows32), 12);
  EXPECT_EQ(PlatformFromFileOS(0), 12);

  HostInfo info{};
  info.versionMajor = 7, info.versionMinor = 0, info.versionFix = 1, info.platformCode = 12;
  EXPECT_EQ(PackHostVersion(info), 0x0701000Cu);
  info.versionMinor = 17;  // above 15: OR-ed into the major's bits, as hosts expect
  EXPECT_EQ(PackHostVersion(info), ((0x700u | 0x110u | 1u) << 16) | 12u);
  EXPECT_TRUE(IsPlatformCode(0x0650000C));
  EXPECT_FALSE(IsPlatformCode(0x06500000));
  EXPECT_FALSE(IsPlatformCode(0x00000A00)) << "only the low 8 bits count";
  EXPECT_TRUE(IsPlatformCode(0xFFFFFF0B));
}

TEST(HostNameTest, TranslationPrefixPadsToEightDigitsAtMostOnce) {
  const struct {
    uint32_t translation;
    const char* prefix;
  } cases[] = {
      {0x04090000, "\\StringFileInfo\\04090000\\"},
      {0x040904B0, "\\StringFileInfo\\040904b0\\"},
      {0x100004E4, "\\StringFileInfo\\100004e4\\"},
      {0x000904B0, "\\StringFileInfo\\0904b0\\"},
      {0, "\\StringFileInfo\\00\\"},
  };
  for (const auto& c : cases) {
    char prefix[64];
    BuildStringFileInfoPrefix(c.translation, prefix, sizeof(prefix));
    EXPECT_STREQ(prefix, c.prefix);
  }
}

TEST(HostNameTest, FindTextStaysInsideTheBlock) {
  auto find = [](const std::string& bytes, const char* key) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());  // exactly the block, for the sanitizer
    return FindText(copy.data(), copy.size(), key);
  };
  EXPECT_EQ(find(std::string("xxInternalName\0", 15), "InternalName"), 2);
  EXPECT_EQ(find(std::string("xxINTERNALNAME\0", 15), "internalname"), 2);
  EXPECT_EQ(find("xxInternalName", "InternalName"), -1) << "no terminator inside the block";
  EXPECT_EQ(find(std::string("InternalNames\0", 14), "InternalName"), -1);
  // The mismatching byte is not compared again, so a doubled first letter hides the key.
  EXPECT_EQ(find(std::string("IInternalName\0", 14), "InternalName"), -1);
  // Short blocks end at their first zero byte; long ones are searched whole.
  std::string shortBlock("ab\0InternalName\0", 17);
  EXPECT_EQ(find(shortBlock, "InternalName"), -1);
  std::string longBlock(300, '\0');
  longBlock.replace(280, 13, std::string("InternalName\0", 13));
  EXPECT_EQ(find(longBlock, "InternalName"), 280);
  EXPECT_EQ(find(std::string(256, '\0').replace(244, 12, "InternalName"), "InternalName"), -1)
      << "the key ends on the last byte: no terminator";
  EXPECT_EQ(find("", "InternalName"), -1);
  EXPECT_EQ(FindText(nullptr, 10, "x"), -1);
}

TEST_F(HostIdTest, PremiereIsRecognisedAndKeptOffTheWholeAreaPath) {
  block.Fixed(0x3F, 0, kOsNtWindows32);
  block.Text(kEnglish + "InternalName", "ADOBE PREMIERE");
  block.Text(kEnglish + "FileVersion", "6.5");
  block.Install();

  ASSERT_EQ(host->Call(filterSelectorPrepare), noErr);
  EXPECT_EQ(Block()->hostIsPremiere, 1);
  EXPECT_EQ(HostGroupVersion(FourCC("PrMr")), 0x0650000Cu);
  EXPECT_EQ(HostGroupVersion(FourCC("8BIM")), 0u);
  EXPECT_EQ(GetNativeProbeStats().sizeQueries, 1) << "probed once per process";
  EXPECT_TRUE(NativeProbeQueried("\\StringFileInfo\\04090000\\InternalName"))
      << "no translation: the default one";

  ASSERT_NE(host->record.advanceState, nullptr);
  ASSERT_NE(host->record.displayPixels, nullptr);
  EXPECT_EQ(host->Call(filterSelectorStart), noErr);
  EXPECT_EQ(Block()->useAdvanceState, 0);
  EXPECT_EQ(host->counters.advanceStateCalls, 0);
}

TEST_F(HostIdTest, OtherHostsKeepTheWholeAreaPath) {
  block.Fixed(0x3F, 0, kOsNtWindows32);
  block.Translation(0x0409, 0x04B0);
  block.Text("\\StringFileInfo\\040904b0\\InternalName", "Photoshp");
  block.Text("\\StringFileInfo\\040904b0\\FileVersion", "7.01");
  block.Install();
  ASSERT_EQ(host->Call(filterSelectorPrepare), noErr);
  EXPECT_EQ(Block()->hostIsPremiere, 0);
  EXPECT_EQ(HostGroupVersion(FourCC("8BIM")), 0x0701000Cu);
  host->Call(filterSelectorStart);
  EXPECT_EQ(Block()->useAdvanceState, 1);
}

TEST_F(HostIdTest, ProbeOutcomes) {
  // No version block at all.
  block.Install();
  HostInfo info = Probe();
  EXPECT_EQ(info.hostSignature, 0u);
  EXPECT_EQ(info.platformCode, 0);
  EXPECT_EQ(info.versionMajor, 0);

  // A block that cannot be read.
  ClearNativeVersionSource();
  VersionBlock unreadable;
  unreadable.Fixed(0, 0, 0x00040000);
  unreadable.Text(kEnglish + "InternalName", "Photoshp");
  unreadable.Install();
  FailNativeVersionRead(true);
  info = Probe();
  EXPECT_EQ(info.hostSignature, 0u);
  EXPECT_EQ(info.platformCode, 0);
  FailNativeVersionRead(false);

  // InternalName without FileVersion: signature, stage and platform stay, version 0.0.0.
  info = Probe();
  EXPECT_EQ(info.hostSignature, FourCC("8BIM"));
  EXPECT_EQ(info.platformCode, 10);
  EXPECT_EQ(info.releaseStage, 3);
  EXPECT_EQ(info.versionMajor + info.versionMinor + info.versionFix, 0);
  EXPECT_EQ(GetNativePlatformStats().blocksLive, 0) << "the block is released";

  // The block cannot be allocated.
  FailNativeAllocation(1);
  HostInfo failed{};
  EXPECT_EQ(ProbeHostVersion(failed), memFullErr);
}

TEST_F(HostIdTest, AFailedProbeAnswersZeroAndIsNotRepeated) {
  block.Fixed(0, 0, 0x00040000);
  block.Text(kEnglish + "InternalName", "Adobe Premiere");
  block.Install();
  EXPECT_EQ(HostGroupVersion(0), 0u);
  EXPECT_EQ(HostGroupVersion(FourCC("XXXX")), 0u);
  EXPECT_EQ(GetNativeProbeStats().sizeQueries, 0) << "a key outside the table probes nothing";
  FailNativeAllocation(1);
  EXPECT_EQ(HostGroupVersion(FourCC("PrMr")), 0u);
  EXPECT_EQ(HostGroupVersion(FourCC("PrMr")), 0u);
  EXPECT_EQ(GetNativeProbeStats().sizeQueries, 1);
  ResetHostInfoCache();
  EXPECT_EQ(HostGroupVersion(FourCC("PrMr")), 0x0000000Au) << "after a reset the probe runs again";
}

TEST_F(HostIdTest, GroupsAreOpenedFromTheKeyOnward) {
  block.Fixed(0, 0, 0);
  block.Text(kEnglish + "InternalName", "PM6");
  block.Text(kEnglish + "FileVersion", "6.0");
  block.Install();
  EXPECT_EQ(HostGroupVersion(FourCC("ALD5")), 0x0600000Cu);
  EXPECT_EQ(HostGroupVersion(FourCC("ALD6")), 0x0600000Cu);
  EXPECT_EQ(HostGroupVersion(FourCC("AD65")), 0u) << "after the host's entry";
  EXPECT_EQ(HostGroupVersion(FourCC("PrMr")), 0u);
}

TEST_F(HostIdTest, RootBlockMissingOrShortMeansNoPlatform) {
  block.Fixed(0, 0, 0x00040000, 40);  // too short to hold dwFileOS's neighbours
  block.Text(kEnglish + "InternalName", "Adobe Premiere");
  block.Install();
  const HostInfo info = Probe();
  EXPECT_EQ(info.hostSignature, FourCC("PrMr"));
  EXPECT_EQ(info.platformCode, 0);
  EXPECT_EQ(HostGroupVersion(FourCC("PrMr")), 0u);
}

TEST_F(HostIdTest, RawSearchWhenTheStringQueriesFail) {
  // A language below 0x0100 makes a prefix the queries never find.
  block.Fixed(0, 0, 0x00000001);
  block.Translation(0x0009, 0x04B0);
  block.Text(kEnglish + "InternalName", "Photoshp");  // under a path that is not asked
  block.Raw(std::string("InternalName\0\0\0\0Adobe Premiere\0", 31));
  block.Raw(std::string("FileVersion\0" "5.5\0", 16));
  block.Raw(std::string(200, '-'));  // blocks under 256 bytes end at their first zero byte
  block.Install();
  const HostInfo info = Probe();
  EXPECT_TRUE(NativeProbeQueried("\\StringFileInfo\\0904b0\\InternalName"));
  EXPECT_EQ(info.hostSignature, FourCC("PrMr")) << "value after two more zero bytes";
  EXPECT_EQ(info.platformCode, 11);
  EXPECT_EQ(info.versionMajor, 5);
  EXPECT_EQ(info.versionMinor, 5);
}

TEST_F(HostIdTest, RawValuesAtTheBlocksEndAreCutThere) {
  // The key's terminator is the block's last byte: nothing follows, nothing is read.
  block.Fixed(0, 0, 0);
  block.Raw(std::string("FileVersion\0", 12));
  block.Raw(std::string(300, 'x'));
  block.Raw(std::string("InternalName\0\0Photos", 20));  // the name runs to the block's end
  block.Install();
  HostInfo info = Probe();
  EXPECT_EQ(info.hostSignature, FourCC("8BIM")) << "\"Photos\", read up to the block's end";
  EXPECT_EQ(info.versionMajor, 0);
}

TEST_F(HostIdTest, ValuesPointingOutsideTheBlockAreRejected) {
  block.Fixed(0, 0, 0x00040000);
  block.Text(kEnglish + "InternalName", "Photoshp");
  AddNativeVersionValue((kEnglish + "FileVersion").c_str(), 0x7FFFFFF0, 8);
  AddNativeVersionValue("\\VarFileInfo\\Translation", 1u << 30, 4);
  block.Install();
  const HostInfo info = Probe();
  EXPECT_EQ(info.hostSignature, FourCC("8BIM"));
  EXPECT_EQ(info.versionMajor, 0);
  // A text whose length claims more than the block holds is read only to the block's end.
  ClearNativeVersionSource();
  VersionBlock tail;
  tail.Fixed(0, 0, 0x00040000);
  const uint32_t at = tail.Append("Photoshp", 8);  // no terminator: the block ends here
  AddNativeVersionValue((kEnglish + "InternalName").c_str(), at, 4000);
  tail.Install();
  EXPECT_EQ(Probe().hostSignature, FourCC("8BIM"));
}

}  // namespace
