// The built module loads in a Windows process, exports exactly its two names and answers a
// full run through the test host.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "corvane_records.h"
#include "tests/wine/dialog_driver.h"
#include "tests/wine/wine_plugin.h"

namespace {

std::set<std::string> ExportedNames(HMODULE module) {
  std::set<std::string> names;
  auto* base = reinterpret_cast<const BYTE*>(module);
  auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (dir.VirtualAddress == 0) return names;
  auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  auto* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i)
    names.insert(reinterpret_cast<const char*>(base + nameRvas[i]));
  return names;
}

using LoadTest = LoadedPluginTest;

TEST_F(LoadTest, ExportsExactlyTheTwoUndecoratedNames) {
  const std::set<std::string> expected{"CorvaneProc", "ENTRYPOINT"};
  EXPECT_EQ(ExportedNames(static_cast<HMODULE>(plugin.module)), expected);
  EXPECT_NE(GetProcAddress(static_cast<HMODULE>(plugin.module), "CorvaneProc"), nullptr);
}

TEST_F(LoadTest, ModuleMatchesTheProcessBitness) {
  auto* base = reinterpret_cast<const BYTE*>(plugin.module);
  auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
#if defined(__aarch64__)
  EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_ARM64);
#elif defined(_WIN64)
  EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
#else
  EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
#endif
}

// A host may unload the module and then exit. The ARM64 build's C++ runtime leaves a per-thread
// cleanup behind at unload, so that build stays loaded once loaded; the others unload. (The
// stand-in hosts of the host identification test load, run, unload and exit in processes of
// their own.)
TEST(UnloadTest, OnlyTheArm64BuildStaysLoadedAfterUnloading) {
  LoadedPlugin plugin = LoadPlugin(PluginPath());
  ASSERT_NE(plugin.module, nullptr) << plugin.error;
  const auto* address = static_cast<const char*>(plugin.module);
  UnloadPlugin(plugin);
  HMODULE module = nullptr;
  const bool loaded = GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                         address, &module) != 0;
#ifdef __aarch64__
  EXPECT_TRUE(loaded);
#else
  EXPECT_FALSE(loaded);
#endif
}

TEST_F(LoadTest, AnswersAFullSelectorSequence) {
  TestHost host(plugin.entry);
  const DialogDriver user = DialogDriver::Pressing(IDOK);  // Parameters asks for the dialog
  EXPECT_EQ(host.Call(filterSelectorParameters), noErr);
  EXPECT_EQ(host.Call(filterSelectorPrepare), noErr);
  EXPECT_EQ(host.RunFilter(false), noErr);
  EXPECT_EQ(user.DialogsSeen(), 1);
  EXPECT_EQ(host.Call(7), filterBadParameters);
  EXPECT_EQ(host.Call(-1), filterBadParameters);
  EXPECT_NE(host.dataSlot, 0);
  EXPECT_NE(host.record.parameters, nullptr);
  EXPECT_EQ(host.counters.lockHandle, host.counters.unlockHandle);
  EXPECT_EQ(host.counters.badHandleOps, 0);
  EXPECT_EQ(host.counters.bufferOverruns, 0);
}

TEST_F(LoadTest, WorksThroughGlobalMemoryWithoutAHandleSuite) {
  TestHost host(plugin.entry);
  host.faults.withholdHandleSuite = true;
  host.ApplyFaults();
  const DialogDriver user = DialogDriver::Pressing(IDOK);
  EXPECT_EQ(host.RunFilter(true), noErr);
  EXPECT_EQ(user.DialogsSeen(), 1);
  EXPECT_EQ(host.counters.newHandle, 0);
  ASSERT_NE(host.record.parameters, nullptr);
  // The block came from zero-filled global memory and holds the defaults.
  auto* block = reinterpret_cast<const int16_t*>(*host.record.parameters);
  EXPECT_EQ(block[0], 50) << "amount";
  EXPECT_EQ(host.Call(filterSelectorPrepare), noErr) << "the stored context is found again";
}

// A 16-bit RGB image with transparency; the host shows the preview from an 8-bit copy.
TEST_F(LoadTest, RendersSixteenBitsAndPreviewsThem) {
  TestHost host(plugin.entry);
  host.SetImage(MakePatternImage(40, 30, 4, 16), plugInModeRGB48);
  const DialogDriver user = DialogDriver::Pressing(IDOK);
  ASSERT_EQ(host.Call(filterSelectorParameters), noErr);
  reinterpret_cast<FilterParameters*>(*host.record.parameters)->horizontalGap = 2;  // rows 0, 3, ...
  EXPECT_EQ(host.RunFilter(false), noErr);
  EXPECT_TRUE(user.DialogsSeen() == 1 && host.counters.displayPixelsCalls > 0 &&
              host.counters.bufferAllocations == 1 && host.buffers.empty());
  for (int32_t i = 0; i < 30 * 40 * 4; ++i)  // stripes in the dialog's default blue
    ASSERT_EQ(SampleAt(host.image, i / 160, i / 4 % 40, i % 4), i / 160 % 3 ? SampleAt(host.source, i / 160, i / 4 % 40, i % 4) : i % 4 < 2 ? 0u : 32768u) << i;
}

}  // namespace
