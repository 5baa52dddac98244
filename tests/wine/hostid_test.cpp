// Host identification in real processes: stand-in hosts with different version resources
// load the module, and the module's terminology resource reads as a well-formed whole.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/wine/wine_plugin.h"

namespace {

std::string OwnFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  const size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
}

// Runs a stand-in host on the module and returns its exit code (-1: it did not start or end).
DWORD RunStandIn(const std::string& exe) {
  std::string command = "\"" + exe + "\" \"" + PluginPath() + "\"";
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return DWORD(-1);
  DWORD code = DWORD(-1);
  if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &code);
  else
    TerminateProcess(process.hProcess, 99);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

// Exit codes: 0 right path; 2 no module; 3 run failed; 4 wrong hostIsPremiere; 5 wrong path.
TEST(HostIdentification, StandInHostsAreRecognisedFromTheirVersionResource) {
  for (const char* kind : {"premiere", "photoshop", "plain"}) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(RunStandIn(OwnFolder() + "\\hostid_" + std::string(kind) + ".exe"), 0u);
  }
}

// Reads the terminology resource field by field; every count must lead exactly to its end.
class AeteReader {
 public:
  AeteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool ok() const { return ok_; }
  bool AtEnd() const { return ok_ && at_ == size_; }
  uint16_t Word() {
    if (!Need(2)) return 0;
    const uint16_t v = uint16_t(data_[at_] | (data_[at_ + 1] << 8));
    at_ += 2;
    return v;
  }
  uint32_t Code() {  // little-endian bytes of the value
    if (!Need(4)) return 0;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | data_[at_ + size_t(i)];
    at_ += 4;
    return v;
  }
  std::string Text() {
    if (!Need(1)) return {};
    const size_t n = data_[at_++];
    if (!Need(n)) return {};
    std::string s(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return s;
  }

 private:
  bool Need(size_t n) {
    if (at_ + n > size_) ok_ = false;
    return ok_;
  }
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
  bool ok_ = true;
};

TEST(HostIdentification, TerminologyNamesTheEventAndEveryKey) {
  LoadedPlugin plugin = LoadPlugin(PluginPath());
  ASSERT_NE(plugin.module, nullptr) << plugin.error;
  auto module = static_cast<HMODULE>(plugin.module);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(16000), "AETE");
  ASSERT_NE(found, nullptr);
  const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
  AeteReader r(data, SizeofResource(module, found));

  EXPECT_EQ(r.Word(), 1);       // reserved
  EXPECT_EQ(r.Word(), 0x0001);  // version 1.0 as two bytes
  r.Word(), r.Word();           // language, script
  EXPECT_EQ(r.Word(), 1);       // suites
  EXPECT_FALSE(r.Text().empty());
  r.Text();
  EXPECT_EQ(r.Code(), FourCC("sdK9"));
  EXPECT_EQ(r.Word(), 1);
  EXPECT_EQ(r.Word(), 1);
  EXPECT_EQ(r.Word(), 1);  // events
  EXPECT_EQ(r.Text(), "Corvane");
  r.Text();
  EXPECT_EQ(r.Code(), FourCC("sdK9"));
  EXPECT_EQ(r.Code(), FourCC("griD"));
  EXPECT_EQ(r.Code(), FourCC("null"));
  EXPECT_EQ(r.Text(), "");
  r.Word();
  EXPECT_EQ(r.Code(), FourCC("#ImR"));
  EXPECT_EQ(r.Text(), "");
  r.Word();
  const uint32_t keys[] = {FourCC("Amnt"), FourCC("disP"), FourCC("entI"), FourCC("hGap"),
                           FourCC("vGap"), FourCC("hThk"), FourCC("vThk"), FourCC("aliN"),
                           FourCC("ign0"), FourCC("rmvO"), FourCC("Clr "), FourCC("Opct"),
                           FourCC("hOfs"), FourCC("vOfs"), FourCC("DshL"), FourCC("DshG"),
                           FourCC("MnTh"), FourCC("Rows"), FourCC("Clmn"), FourCC("Frme"),
                           FourCC("SbDv"), FourCC("Styl"), FourCC("MnCl"), FourCC("MnOp"),
                           FourCC("GUnt")};
  ASSERT_EQ(r.Word(), std::size(keys));
  for (uint32_t key : keys) {
    EXPECT_FALSE(r.Text().empty());
    EXPECT_EQ(r.Code(), key);
    r.Code(), r.Text();
    EXPECT_EQ(r.Word(), 0x8000);
  }
  EXPECT_EQ(r.Word(), 0);  // classes
  EXPECT_EQ(r.Word(), 0);  // comparison operators
  ASSERT_EQ(r.Word(), 4);  // enumerations
  const struct {
    uint32_t type;
    std::vector<uint32_t> values;
  } enums[] = {{FourCC("mooD"), {FourCC("moD0"), FourCC("moD1"), FourCC("moD2"), FourCC("moD3"), FourCC("moD4")}},
               {FourCC("aliN"), {FourCC("aTop"), FourCC("aCnt"), FourCC("aBtm")}},
               {FourCC("LnSt"), {FourCC("Sold"), FourCC("Dshd"), FourCC("Dotd")}},
               {FourCC("GUnt"), {FourCC("Pxls"), FourCC("Prcn"), FourCC("Inch"), FourCC("Cntm"),
                                 FourCC("Mlmt"), FourCC("Pnts"), FourCC("Pcas")}}};
  for (const auto& e : enums) {
    EXPECT_EQ(r.Code(), e.type);
    ASSERT_EQ(r.Word(), e.values.size());
    for (uint32_t v : e.values) {
      EXPECT_FALSE(r.Text().empty());
      EXPECT_EQ(r.Code(), v);
      r.Text();
    }
  }
  EXPECT_TRUE(r.AtEnd()) << "the resource holds exactly this";
  UnloadPlugin(plugin);
}

}  // namespace
