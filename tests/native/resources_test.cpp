// Checks the resources, exports and imports of the built modules by reading the files
// themselves: dist/x86, dist/x64 and dist/arm64/Corvane.8bf (or $CORVANE_DIST/...).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tests/dialog_controls.h"
#include "tests/native/pe_reader.h"

namespace {

constexpr uint16_t kEnglishUs = 0x0409;
constexpr uint16_t kJapanese = 0x0411;
constexpr uint16_t kTypeCursor = 1, kTypeDialog = 5, kTypeString = 6, kTypeGroupCursor = 12,
                   kTypeVersion = 16;

struct Build {
  const char* folder;
  uint16_t machine;
  bool is64;
  const char* entryKey;  // the entry-point property this build must carry
  const char* otherKey;  // the one it must not carry
};

void PrintTo(const Build& build, std::ostream* out) { *out << build.folder; }

const Build kBuilds[] = {{"x86", 0x014C, false, "wx86", "8664"},
                         {"x64", 0x8664, true, "8664", "wx86"},
                         {"arm64", 0xAA64, true, "wa64", "8664"}};

std::string DistFolder() {
  const char* env = std::getenv("CORVANE_DIST");
  if (env != nullptr && *env != '\0') return env;
  return CORVANE_SOURCE_DIR "/dist";
}

// ---- an independent model of the property list, built from its documented layout ----

struct ByteWriter {
  std::vector<uint8_t> bytes;
  void U8(uint8_t v) { bytes.push_back(v); }
  void U16(uint16_t v) { U8(uint8_t(v)), U8(uint8_t(v >> 8)); }
  void U32(uint32_t v) { U16(uint16_t(v)), U16(uint16_t(v >> 16)); }
  // A four-character code as the little-endian bytes of its value: characters reversed.
  void Code(const char* code) {
    for (int i = 3; i >= 0; --i) U8(uint8_t(code[i]));
  }
  void Text(const std::string& s) { bytes.insert(bytes.end(), s.begin(), s.end()); }
  void Pascal(const std::string& s) { U8(uint8_t(s.size())), Text(s); }
  void CString(const std::string& s) { Text(s), U8(0); }
};

const char kEnableExpression[] =
    "in (PSHOP_ImageMode, GrayScaleMode, RGBMode,CMYKMode, HSLMode, HSBMode, MultichannelMode,"
    "DuotoneMode, LabMode, Gray16Mode, RGB48Mode, CMYK64Mode, Lab48Mode, Duotone16Mode,"
    " DeepMultichannelMode)";

std::vector<uint8_t> ExpectedPropertyList(const char* entryKey) {
  ByteWriter list;
  list.U16(1), list.U32(0), list.U32(11);
  auto property = [&](const char* key, uint32_t paddedLength, auto&& fill) {
    ByteWriter data;
    fill(data);
    EXPECT_LE(data.bytes.size(), paddedLength) << key;
    data.bytes.resize(paddedLength, 0);
    list.Code("8BIM"), list.Code(key), list.U32(0), list.U32(paddedLength);
    list.bytes.insert(list.bytes.end(), data.bytes.begin(), data.bytes.end());
  };
  property("kind", 4, [](ByteWriter& d) { d.Code("8BFM"); });
  property("name", 8, [](ByteWriter& d) { d.Pascal("Corvane"); });
  property("catg", 16, [](ByteWriter& d) { d.Pascal("Vodrin Filter"); });
  property("vers", 4, [](ByteWriter& d) { d.U32(0x00040000); });
  property(entryKey, 12, [](ByteWriter& d) { d.CString("ENTRYPOINT"); });
  property("hstm", 20, [](ByteWriter& d) {
    d.U32(0), d.Code("sdK9"), d.Code("griD"), d.U16(16000), d.CString("");
  });
  property("mode", 4, [](ByteWriter& d) { d.U8(0x5F), d.U8(0xFF), d.U8(0), d.U8(0); });
  property("enbl", 196, [](ByteWriter& d) { d.CString(kEnableExpression); });
  property("fici", 28, [](ByteWriter& d) {
    for (int filterCase = 0; filterCase < 7; ++filterCase) d.U8(4), d.U8(1), d.U8(6), d.U8(0);
  });
  property("ms32", 8, [](ByteWriter& d) { d.U32(300000), d.U32(300000); });
  property("flly", 4, [](ByteWriter& d) { d.U8(0x80), d.U8(0), d.U8(0), d.U8(0); });
  return list.bytes;
}

std::string CodeAt(ByteView& v, size_t offset) {
  std::string code;
  for (int i = 3; i >= 0; --i) code.push_back(char(v.U8(offset + size_t(i))));
  return code;
}

// ---- string tables ----

std::map<uint32_t, std::u16string> StringsOf(const PeImage& image, uint16_t language) {
  std::map<uint32_t, std::u16string> strings;
  for (const PeResource& r : image.resources) {
    if (!(r.type == PeName::Id(kTypeString)) || r.language != language || r.name.id == 0) continue;
    ByteView v(r.data);
    size_t at = 0;
    for (uint32_t index = 0; index < 16; ++index) {
      const uint16_t length = v.U16(at);
      at += 2;
      std::u16string text;
      for (uint16_t i = 0; i < length; ++i, at += 2) text.push_back(char16_t(v.U16(at)));
      if (!v.ok) break;
      if (length != 0) strings[(uint32_t(r.name.id) - 1) * 16 + index] = text;
    }
  }
  return strings;
}

std::u16string Wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// ---- version information: a tree of (length, value length, type, key, value, children) ----

struct VersionNode {
  std::string key;
  uint16_t type = 0;
  std::vector<uint8_t> value;  // raw bytes (binary) or UTF-16 text
  std::vector<VersionNode> children;

  const VersionNode* Child(const std::string& name) const {
    for (const VersionNode& c : children)
      if (c.key == name) return &c;
    return nullptr;
  }
  std::string Text() const {
    std::string s;
    for (size_t i = 0; i + 1 < value.size(); i += 2) {
      const uint16_t unit = uint16_t(value[i] | value[i + 1] << 8);
      if (unit == 0) break;
      s.push_back(unit < 0x80 ? char(unit) : '?');
    }
    return s;
  }
};

size_t Align4(size_t n) { return (n + 3) & ~size_t(3); }

bool ParseVersionNode(ByteView& v, size_t at, size_t limit, VersionNode& node, int depth) {
  const uint16_t length = v.U16(at);
  const uint16_t valueLength = v.U16(at + 2);
  node.type = v.U16(at + 4);
  size_t cursor = 0;
  node.key = v.Utf16z(at + 6, cursor);
  const size_t end = at + length;
  if (!v.ok || length < 6 || end > limit || depth > 4) return false;
  cursor = Align4(cursor);
  const size_t valueBytes = node.type == 1 ? size_t(valueLength) * 2 : valueLength;
  if (cursor + valueBytes > end) return false;
  node.value.assign(v.data + cursor, v.data + cursor + valueBytes);
  cursor = Align4(cursor + valueBytes);
  while (cursor < end) {
    VersionNode child;
    if (!ParseVersionNode(v, cursor, end, child, depth + 1)) return false;
    cursor = Align4(cursor + v.U16(cursor));
    node.children.push_back(std::move(child));
  }
  return true;
}

// ---- dialog template ----

struct DialogItem {
  uint32_t style, exStyle;
  int16_t x, y, cx, cy;
  uint32_t id;
  PeName windowClass;
  std::string text;
};

// A name-or-ordinal field: 0xFFFF followed by an ordinal, or a zero-terminated string.
PeName ReadNameOrOrdinal(ByteView& v, size_t& at) {
  if (v.U16(at) == 0xFFFF) {
    const uint16_t ordinal = v.U16(at + 2);
    at += 4;
    return PeName::Id(ordinal);
  }
  size_t end = 0;
  PeName name = PeName::Text(v.Utf16z(at, end));
  at = end;
  return name;
}

constexpr uint32_t WS_POPUP = 0x80000000, WS_CAPTION = 0x00C00000, WS_SYSMENU = 0x00080000,
                   DS_SETFONT = 0x40, DS_MODALFRAME = 0x80, DS_CENTER = 0x800;

// ---- fixture: one built module per parameter ----

class BuiltModule : public ::testing::TestWithParam<Build> {
 protected:
  void SetUp() override {
    path = DistFolder() + "/" + GetParam().folder + "/Corvane.8bf";
    std::string error;
    // A missing module fails: the checks must not pass by finding nothing.
    ASSERT_TRUE(ReadPeImage(path, image, error)) << error;
  }

  const PeResource& Resource(const PeName& type, const PeName& name, uint16_t language) {
    const PeResource* r = FindPeResource(image, type, name, language);
    static const PeResource none{};
    EXPECT_NE(r, nullptr) << "no resource " << type.Describe() << "/" << name.Describe()
                          << " language " << std::hex << language << " in " << path;
    return r != nullptr ? *r : none;
  }

  std::string path;
  PeImage image;
};

TEST_P(BuiltModule, HasTheMachineTypeExportsAndImportsOfItsBuild) {
  EXPECT_EQ(image.machine, GetParam().machine);
  EXPECT_EQ(image.is64, GetParam().is64);
  EXPECT_EQ(image.exports, (std::vector<std::string>{"CorvaneProc", "ENTRYPOINT"}));
  EXPECT_FALSE(image.imports.empty());
  for (std::string name : image.imports) {
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const char* runtime : {"libgcc", "libstdc++", "winpthread"})
      EXPECT_EQ(name.find(runtime), std::string::npos) << "imports " << name;
  }
}

TEST_P(BuiltModule, PropertyListMatchesItsLayoutByteForByte) {
  const PeResource& pipl = Resource(PeName::Text("PIPL"), PeName::Id(16000), kEnglishUs);
  const std::vector<uint8_t> expected = ExpectedPropertyList(GetParam().entryKey);
  ASSERT_EQ(pipl.data.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    ASSERT_EQ(int(pipl.data[i]), int(expected[i])) << "first difference at byte " << i;
}

// Reads the list back as a host would and checks what the bytes mean.
TEST_P(BuiltModule, PropertyListReadsBackAsAHostSeesIt) {
  const PeResource& pipl = Resource(PeName::Text("PIPL"), PeName::Id(16000), kEnglishUs);
  ByteView v(pipl.data);
  ASSERT_EQ(v.U16(0), 1);
  ASSERT_EQ(v.U32(2), 0u);
  const uint32_t count = v.U32(6);
  std::vector<std::string> keys;
  std::map<std::string, std::vector<uint8_t>> data;
  size_t at = 10;
  for (uint32_t i = 0; i < count && v.ok; ++i) {
    EXPECT_EQ(CodeAt(v, at), "8BIM");
    const std::string key = CodeAt(v, at + 4);
    EXPECT_EQ(v.U32(at + 8), 0u) << key;
    const uint32_t length = v.U32(at + 12);
    EXPECT_EQ(length % 4, 0u) << key << " length is not padded";
    ASSERT_LE(at + 16 + length, pipl.data.size()) << key;
    keys.push_back(key);
    data[key].assign(pipl.data.begin() + ptrdiff_t(at + 16),
                     pipl.data.begin() + ptrdiff_t(at + 16 + length));
    at += 16 + length;
  }
  ASSERT_TRUE(v.ok);
  EXPECT_EQ(at, pipl.data.size()) << "bytes after the last property";
  EXPECT_EQ(keys, (std::vector<std::string>{"kind", "name", "catg", "vers", GetParam().entryKey,
                                             "hstm", "mode", "enbl", "fici", "ms32", "flly"}));
  EXPECT_EQ(data.count(GetParam().otherKey), 0u) << "one entry-point property per build";

  // The entry-point string is exactly an exported name.
  const std::vector<uint8_t>& entry = data[GetParam().entryKey];
  const std::string entryName(reinterpret_cast<const char*>(entry.data()),
                              strnlen(reinterpret_cast<const char*>(entry.data()), entry.size()));
  EXPECT_EQ(entryName, "ENTRYPOINT");
  EXPECT_NE(std::find(image.exports.begin(), image.exports.end(), entryName), image.exports.end());

  // Mode m is bit 0x80 >> (m % 8) of byte m / 8.
  std::set<int> modes;
  for (int m = 0; m < 32; ++m)
    if (data["mode"].size() == 4 && (data["mode"][size_t(m / 8)] & (0x80 >> (m % 8))) != 0)
      modes.insert(m);
  // grayscale, RGB, CMYK, HSL, HSB, multichannel, duotone, Lab, and 16-bit modes; no 32-bit
  EXPECT_EQ(modes, (std::set<int>{1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));

  ByteView version(data["vers"]);
  EXPECT_EQ(version.U32(0) >> 16, 4u);
  EXPECT_EQ(version.U32(0) & 0xFFFF, 0u);
}

TEST_P(BuiltModule, StringTableHoldsTheTexts) {
  const std::map<uint32_t, std::u16string> strings = StringsOf(image, kEnglishUs);
  const std::map<uint32_t, std::u16string> expectedFixed = {
      {16001, u"Corvane"},
      {16100, u"pixels"},
      {16101, u"inches"},
      {16102, u"cm"},
      {16103, u"points"},
      {16104, u"picas"},
      {16989, u"Corvane: grid=^2, nudge=^1, origin=^0."},
      {16990, u"An integer is required between ^1 and ^2."},
      {16991, u"A decimal number is required between ^1 and ^2."},
      {16992, u"This plug-in requires Adobe Photoshop\u00AE ^1 or later functionality."},
      {16993, u"This plug-in is incompatible with this version of the host program."},
  };
  std::set<uint32_t> ids;
  for (const auto& [id, text] : strings) ids.insert(id);
  std::set<uint32_t> expectedIds{16000};
  for (const auto& [id, text] : expectedFixed) expectedIds.insert(id);
  EXPECT_EQ(ids, expectedIds);
  for (const auto& [id, text] : expectedFixed) {
    auto found = strings.find(id);
    if (found != strings.end()) EXPECT_TRUE(found->second == text) << "string " << id;
  }

  // About text: name, empty line, version, two rights-notice lines, two closing line feeds.
  auto about = strings.find(16000);
  ASSERT_NE(about, strings.end());
  std::vector<std::u16string> lines(1);
  for (char16_t c : about->second) {
    if (c == u'\n')
      lines.emplace_back();
    else
      lines.back().push_back(c);
  }
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_TRUE(lines[0] == u"Corvane");
  EXPECT_TRUE(lines[1].empty());
  EXPECT_TRUE(lines[2] == u"Version 1.0");
  EXPECT_NE(lines[3].find(u"2026"), std::u16string::npos);
  EXPECT_NE(lines[3].find(u"Corvane"), std::u16string::npos);
  EXPECT_NE(lines[4].find(u"rights"), std::u16string::npos);
  EXPECT_TRUE(lines[5].empty() && lines[6].empty());
  // The About box loads at most 255 characters of it.
  EXPECT_LT(about->second.size(), 255u);
}

TEST_P(BuiltModule, VersionBlockHoldsItsFields) {
  const PeResource& resource = Resource(PeName::Id(kTypeVersion), PeName::Id(1), kJapanese);
  ByteView v(resource.data);
  VersionNode root;
  ASSERT_TRUE(ParseVersionNode(v, 0, resource.data.size(), root, 0));
  EXPECT_EQ(root.key, "VS_VERSION_INFO");
  ASSERT_EQ(root.value.size(), 52u);
  ByteView fixed(root.value);
  const uint32_t expectedFixed[13] = {0xFEEF04BD, 0x00010000, 0x00010005, 0x00000001,
                                      0x00010005, 0x00000001, 0x17,       0,
                                      0x00000004, 2,          0,          0,
                                      0};
  for (size_t i = 0; i < 13; ++i) EXPECT_EQ(fixed.U32(4 * i), expectedFixed[i]) << "field " << i;

  const VersionNode* stringInfo = root.Child("StringFileInfo");
  ASSERT_NE(stringInfo, nullptr);
  ASSERT_EQ(stringInfo->children.size(), 1u);
  const VersionNode& block = stringInfo->children[0];
  EXPECT_EQ(block.key, "041104b0");
  const std::map<std::string, std::string> fixedValues = {
      {"FileDescription", "Corvane Photoshop Plug-In"},
      {"FileVersion", "1, 5, 0, 1"},
      {"InternalName", "Corvane"},
      {"OriginalFilename", "Corvane.8bf"},
      {"ProductName", "Corvane Photoshop Plug-In"},
      {"ProductVersion", "1, 5, 0, 1"},
  };
  std::set<std::string> keys;
  for (const VersionNode& entry : block.children) {
    keys.insert(entry.key);
    EXPECT_EQ(entry.type, 1) << entry.key << " is not text";
    EXPECT_FALSE(entry.Text().empty()) << entry.key;
    auto wanted = fixedValues.find(entry.key);
    if (wanted != fixedValues.end()) EXPECT_EQ(entry.Text(), wanted->second) << entry.key;
  }
  EXPECT_EQ(keys, (std::set<std::string>{"Comments", "CompanyName", "FileDescription",
                                         "FileVersion", "InternalName", "LegalCopyright",
                                         "OriginalFilename", "ProductName", "ProductVersion"}));

  const VersionNode* varInfo = root.Child("VarFileInfo");
  ASSERT_NE(varInfo, nullptr);
  const VersionNode* translation = varInfo->Child("Translation");
  ASSERT_NE(translation, nullptr);
  EXPECT_EQ(translation->value, (std::vector<uint8_t>{0x11, 0x04, 0xB0, 0x04}));
}

TEST_P(BuiltModule, DialogTemplateHasItsHeaderAndControls) {
  const PeResource& resource =
      Resource(PeName::Id(kTypeDialog), PeName::Text("CORVANEPARAM"), kEnglishUs);
  ByteView v(resource.data);
  EXPECT_EQ(v.U16(0), 1) << "extended template version";
  EXPECT_EQ(v.U16(2), 0xFFFF) << "extended template signature";
  EXPECT_EQ(v.U32(8), 0u) << "extended style";
  EXPECT_EQ(v.U32(12), WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT);
  const uint16_t itemCount = v.U16(16);
  EXPECT_EQ(itemCount, std::size(dialog_controls::kControls));
  EXPECT_EQ((std::vector<int16_t>{int16_t(v.U16(18)), int16_t(v.U16(20)), int16_t(v.U16(22)),
                                  int16_t(v.U16(24))}),
            (std::vector<int16_t>{34, 40, dialog_controls::kDialogWidth, dialog_controls::kDialogHeight}));
  size_t at = 26;
  EXPECT_EQ(ReadNameOrOrdinal(v, at), PeName::Text("")) << "menu";
  EXPECT_EQ(ReadNameOrOrdinal(v, at), PeName::Text("")) << "class";
  EXPECT_EQ(v.Utf16z(at, at), "Corvane");
  EXPECT_EQ(v.U16(at), 8) << "point size";
  EXPECT_EQ(v.U16(at + 2), 400) << "weight";
  EXPECT_EQ(v.U8(at + 4), 0) << "italic";
  EXPECT_EQ(v.U8(at + 5), 0) << "character set";
  EXPECT_EQ(v.Utf16z(at + 6, at), "MS Sans Serif");
  ASSERT_TRUE(v.ok);

  for (size_t i = 0; i < itemCount && i < std::size(dialog_controls::kControls); ++i) {
    at = Align4(at);
    DialogItem item{};
    item.exStyle = v.U32(at + 4);
    item.style = v.U32(at + 8);
    item.x = int16_t(v.U16(at + 12)), item.y = int16_t(v.U16(at + 14));
    item.cx = int16_t(v.U16(at + 16)), item.cy = int16_t(v.U16(at + 18));
    item.id = v.U32(at + 20);
    at += 24;
    item.windowClass = ReadNameOrOrdinal(v, at);
    const PeName text = ReadNameOrOrdinal(v, at);
    item.text = text.text;
    at += 2 + v.U16(at);  // creation data
    ASSERT_TRUE(v.ok) << "control " << i + 1 << " runs past the template";

    const dialog_controls::Control& want = dialog_controls::kControls[i];
    SCOPED_TRACE("control " + std::to_string(i + 1) + ", id " + std::to_string(want.id));
    EXPECT_EQ(item.id, want.id);
    EXPECT_EQ(item.windowClass, PeName::Id(want.windowClass.ordinal));
    EXPECT_EQ(item.text, want.text);
    EXPECT_EQ(text.id, 0) << "text given as an ordinal";
    EXPECT_EQ((std::vector<int16_t>{item.x, item.y, item.cx, item.cy}),
              (std::vector<int16_t>{want.x, want.y, want.cx, want.cy}));
    EXPECT_EQ(item.style, want.style) << std::hex << item.style << " != " << want.style;
    EXPECT_EQ(item.exStyle, 0u);
  }
  EXPECT_EQ(Align4(at), Align4(resource.data.size())) << "bytes after the last control";
}

// Each hand cursor: one 32 x 32 monochrome image with its hot spot on an opaque pixel.
TEST_P(BuiltModule, CursorsHaveTheirSizesAndHotSpots) {
  struct Expected {
    uint16_t id, hotX, hotY;
  };
  for (const Expected want : {Expected{IDC_PREVIEW_HAND, 8, 9}, Expected{IDC_DRAG_HAND, 6, 4}}) {
    SCOPED_TRACE("cursor " + std::to_string(want.id));
    const PeResource& group = Resource(PeName::Id(kTypeGroupCursor), PeName::Id(want.id), kJapanese);
    ByteView g(group.data);
    ASSERT_EQ(group.data.size(), 6u + 14u);
    EXPECT_EQ(g.U16(0), 0);
    EXPECT_EQ(g.U16(2), 2) << "resource type: cursor";
    ASSERT_EQ(g.U16(4), 1) << "image count";
    EXPECT_EQ(g.U16(6), 32) << "width";
    EXPECT_EQ(g.U16(8), 64) << "height of both masks";
    EXPECT_EQ(g.U16(10), 1) << "planes";
    EXPECT_EQ(g.U16(12), 1) << "bits per pixel";
    const uint32_t bytes = g.U32(14);
    const uint16_t imageId = g.U16(18);

    const PeResource& cursor = Resource(PeName::Id(kTypeCursor), PeName::Id(imageId), kJapanese);
    ASSERT_EQ(cursor.data.size(), bytes);
    // Hot spot, header, two palette entries, then the colour and transparency masks.
    ASSERT_EQ(cursor.data.size(), 4u + 40u + 8u + 128u + 128u);
    ByteView c(cursor.data);
    EXPECT_EQ(c.U16(0), want.hotX);
    EXPECT_EQ(c.U16(2), want.hotY);
    EXPECT_EQ(c.U32(4), 40u);
    EXPECT_EQ(c.U32(8), 32u);
    EXPECT_EQ(c.U32(12), 64u);
    EXPECT_EQ(c.U16(16), 1);
    EXPECT_EQ(c.U16(18), 1);
    // Transparency mask, bottom row first: bit 1 keeps the screen.
    auto transparent = [&](int x, int y) {
      return (c.U8(4 + 40 + 8 + 128 + size_t(31 - y) * 4 + size_t(x / 8)) & (0x80 >> (x % 8))) != 0;
    };
    int opaque = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) opaque += transparent(x, y) ? 0 : 1;
    EXPECT_GT(opaque, 60) << "the hand is drawn";
    EXPECT_LT(opaque, 32 * 32 / 2) << "the background is transparent";
    EXPECT_FALSE(transparent(want.hotX, want.hotY)) << "the hot spot lies on the hand";
  }
}

// Nothing is missing, misplaced in another language or carried by accident. The terminology
// resource is another part's business and is only tolerated here.
TEST_P(BuiltModule, CarriesExactlyItsResources) {
  using Key = std::tuple<std::string, std::string, uint16_t>;
  std::set<Key> found;
  std::set<Key> expected = {
      {"\"PIPL\"", "16000", kEnglishUs},       {"5", "\"CORVANEPARAM\"", kEnglishUs},
      {"6", "1001", kEnglishUs},               {"6", "1007", kEnglishUs},
      {"6", "1062", kEnglishUs},               {"6", "1063", kEnglishUs},
      {"12", "104", kJapanese},                {"12", "105", kJapanese},
      {"16", "1", kJapanese},
  };
  for (const PeResource& r : image.resources) {
    std::printf("%s resource type %s name %s language 0x%04x: %zu bytes\n", GetParam().folder,
                r.type.Describe().c_str(), r.name.Describe().c_str(), unsigned(r.language),
                r.data.size());
    if (r.type == PeName::Text("AETE")) continue;
    found.insert({r.type.Describe(), r.name.Describe(), r.language});
    // The images of the cursor groups are numbered by the resource compiler.
    if (r.type == PeName::Id(kTypeGroupCursor) && r.data.size() >= 20)
      expected.insert({"1", std::to_string(ByteView(r.data).U16(18)), kJapanese});
  }
  EXPECT_EQ(found, expected);
}

// The reader itself: a damaged module makes the checks fail with a message, not crash.
TEST_P(BuiltModule, ReaderRejectsDamagedCopiesWithoutCrashing) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> original{std::istreambuf_iterator<char>(in), {}};
  ASSERT_GT(original.size(), 4096u);
  PeImage copy;
  std::string error;
  for (size_t length : {size_t(0), size_t(2), size_t(63), size_t(0x80), size_t(0x200),
                        original.size() / 2, original.size() - 1}) {
    const std::vector<uint8_t> cut(original.begin(), original.begin() + ptrdiff_t(length));
    if (!ParsePeImage(cut, copy, error)) EXPECT_FALSE(error.empty()) << length;
  }
  const std::vector<uint8_t> tooShort(original.begin(), original.begin() + 0x40);
  EXPECT_FALSE(ParsePeImage(tooShort, copy, error));
  // Every byte of the headers and of the resource section overwritten in turn.
  ASSERT_GT(image.resourceSize, 0u);
  ASSERT_LE(image.resourceOffset + image.resourceSize, original.size());
  std::vector<uint8_t> damaged = original;
  auto damage = [&](size_t at) {
    // All bits set: huge counts and offsets, and every entry marked as a subdirectory.
    damaged[at] = 0xFF;
    ParsePeImage(damaged, copy, error);
    damaged[at] = original[at];
  };
  for (size_t at = 0; at < 0x400; ++at) damage(at);
  for (size_t at = image.resourceOffset; at < image.resourceOffset + image.resourceSize; ++at)
    damage(at);
  EXPECT_TRUE(ParsePeImage(damaged, copy, error)) << error;
  EXPECT_EQ(copy.resources.size(), image.resources.size());
}

// The ARM64 module carries the x64 module's resources byte for byte, but for the key of the
// entry-point property.
TEST(BuiltModules, Arm64HasTheX64ResourcesButTheEntryKey) {
  PeImage x64, arm64;
  std::string error;
  ASSERT_TRUE(ReadPeImage(DistFolder() + "/x64/Corvane.8bf", x64, error)) << error;
  ASSERT_TRUE(ReadPeImage(DistFolder() + "/arm64/Corvane.8bf", arm64, error)) << error;
  ASSERT_EQ(arm64.resources.size(), x64.resources.size());
  for (size_t i = 0; i < x64.resources.size(); ++i) {
    const PeResource &got = arm64.resources[i], &x64Resource = x64.resources[i];
    EXPECT_EQ(got.type, x64Resource.type);
    EXPECT_EQ(got.name, x64Resource.name);
    EXPECT_EQ(got.language, x64Resource.language);
    std::vector<uint8_t> expected = x64Resource.data;
    if (x64Resource.type == PeName::Text("PIPL")) {
      // Vendor and key as stored: "8BIM" "8664" reversed, to become "wa64" reversed.
      const std::string from = "MIB84668";
      auto at = std::search(expected.begin(), expected.end(), from.begin(), from.end());
      ASSERT_NE(at, expected.end());
      std::copy_n("46aw", 4, at + 4);
      EXPECT_EQ(std::search(at + 1, expected.end(), from.begin(), from.end()), expected.end());
    }
    EXPECT_EQ(got.data, expected) << got.type.Describe() << "/" << got.name.Describe();
  }
}

INSTANTIATE_TEST_SUITE_P(Builds, BuiltModule, ::testing::ValuesIn(kBuilds),
                         [](const ::testing::TestParamInfo<Build>& info) {
                           return std::string(info.param.folder);
                         });

}  // namespace
