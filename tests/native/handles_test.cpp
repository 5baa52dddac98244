// Host handle services and the fallback that stands in for an unusable suite.
#include "tests/native/plugin_fixture.h"

namespace {

using HandlesTest = PluginTest;

struct SuiteCase {
  const char* name;
  void (*spoil)(HostFaults&);
  bool usable;
};

const SuiteCase kSuiteCases[] = {
    {"intact", [](HostFaults&) {}, true},
    {"missing", [](HostFaults& f) { f.withholdHandleSuite = true; }, false},
    {"version 0", [](HostFaults& f) { f.handleProcsVersion = 0; }, false},
    {"version 2", [](HostFaults& f) { f.handleProcsVersion = 2; }, false},
    {"6 procedures", [](HostFaults& f) { f.numHandleProcs = 6; }, false},
    {"7 procedures", [](HostFaults& f) { f.numHandleProcs = 7; }, true},
    {"negative count", [](HostFaults& f) { f.numHandleProcs = -1; }, true},  // 65535 unsigned
    {"no getSizeProc", [](HostFaults& f) { f.nullGetSizeProc = true; }, false},
    {"no setSizeProc", [](HostFaults& f) { f.nullSetSizeProc = true; }, false},
};

TEST_F(HandlesTest, SuiteUsabilityDecidesWhoServesAndThePluginWorksEitherWay) {
  for (const SuiteCase& c : kSuiteCases) {
    SetUp();
    c.spoil(host->faults);
    host->ApplyFaults();
    EXPECT_EQ(HandleSuiteUsable(host->record.handleProcs), c.usable) << c.name;
    EXPECT_EQ(host->RunFilter(true), noErr) << c.name;
    EXPECT_EQ(host->RunFilter(false), noErr) << c.name;
    ASSERT_NE(Block(), nullptr) << c.name;
    EXPECT_EQ(Block()->amount, 50) << c.name;
    EXPECT_EQ(Block()->showDialog, 0) << c.name;
    if (c.usable) {
      EXPECT_EQ(host->LiveHostHandles(), 2) << c.name << ": context and block from the host";
      EXPECT_EQ(host->counters.lockHandle, host->counters.unlockHandle) << c.name;
    } else {
      EXPECT_EQ(host->counters.newHandle, 0) << c.name << ": an unusable suite is never called";
      EXPECT_EQ(host->counters.lockHandle + host->counters.unlockHandle, 0) << c.name;
      EXPECT_TRUE(IsFallbackHandle(host->record.parameters)) << c.name;
      EXPECT_TRUE(IsFallbackHandle(reinterpret_cast<Handle>(host->dataSlot))) << c.name;
    }
    // The host owns both handles now; the test plays the host and frees fallback ones.
    if (!c.usable) {
      FallbackDisposeHandle(host->record.parameters);
      FallbackDisposeHandle(reinterpret_cast<Handle>(host->dataSlot));
    }
    TearDown();
  }
}

TEST_F(HandlesTest, FallbackBlockIsZeroedAndNeverMoves) {
  const int32_t before = GetNativePlatformStats().blocksLive;
  Handle h = FallbackNewHandle(64);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(reinterpret_cast<FallbackHandle*>(h)->tag, FourCC("FOTO"));
  char* data = *h;
  for (int i = 0; i < 64; ++i) ASSERT_EQ(data[i], 0) << "byte " << i;
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(HostLockHandle(nullptr, h, true), data);
    HostUnlockHandle(nullptr, h);
    HostUnlockHandle(nullptr, h);  // any balance is fine
  }
  EXPECT_EQ(*h, data);
  HostDisposeHandle(nullptr, h);
  EXPECT_EQ(GetNativePlatformStats().blocksLive, before) << "record and data block both freed";
}

TEST_F(HandlesTest, FallbackFailuresLeaveNothingBehind) {
  const int32_t before = GetNativePlatformStats().blocksLive;
  FailNativeAllocation(1);  // the record
  EXPECT_EQ(FallbackNewHandle(16), nullptr);
  FailNativeAllocation(2);  // the data block
  EXPECT_EQ(FallbackNewHandle(16), nullptr);
  EXPECT_EQ(FallbackNewHandle(-1), nullptr);
  EXPECT_EQ(GetNativePlatformStats().blocksLive, before);
  FallbackDisposeHandle(nullptr);  // ignored
}

TEST_F(HandlesTest, FallbackNeverFreesAHandleItDidNotMake) {
  // A host that offers scripting but no usable handle suite hands over its own handles;
  // releasing one as a fallback record would free memory the plug-in does not own.
  char* hostData = nullptr;
  char** hostHandle = &hostData;
  const int32_t before = GetNativePlatformStats().blocksLive;
  HostDisposeHandle(nullptr, hostHandle);
  EXPECT_EQ(GetNativePlatformStats().blocksLive, before);
  EXPECT_EQ(HostLockHandle(nullptr, hostHandle, true), nullptr);
  // Disposing twice is harmless too.
  Handle h = FallbackNewHandle(8);
  HostDisposeHandle(nullptr, h);
  HostDisposeHandle(nullptr, h);
  EXPECT_EQ(GetNativePlatformStats().blocksLive, before);
}

TEST_F(HandlesTest, FallbackContextFailureReportsOutOfMemoryAndRetries) {
  host->faults.withholdHandleSuite = true;
  host->ApplyFaults();
  FailNativeAllocation(1);
  EXPECT_EQ(host->Call(filterSelectorParameters), memFullErr);
  EXPECT_EQ(host->dataSlot, 0);
  FailNativeAllocation(3);  // context record and data succeed, the block's record fails
  EXPECT_EQ(host->Call(filterSelectorParameters), memFullErr);
  EXPECT_NE(host->dataSlot, 0);
  EXPECT_EQ(host->record.parameters, nullptr);
  EXPECT_EQ(host->Call(filterSelectorParameters), noErr);
  ASSERT_NE(Block(), nullptr);
  EXPECT_EQ(Block()->showDialog, 1);
  FallbackDisposeHandle(host->record.parameters);
  FallbackDisposeHandle(reinterpret_cast<Handle>(host->dataSlot));
}

TEST_F(HandlesTest, SuiteThatLosesLockStillDoesNotCrash) {
  // A host that passes version and count but leaves lockProc out.
  host->Call(filterSelectorPrepare);
  host->handleProcs.lockProc = nullptr;
  host->handleProcs.unlockProc = nullptr;
  EXPECT_EQ(host->Call(filterSelectorPrepare), noErr);
}

}  // namespace
