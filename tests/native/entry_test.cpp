// Selector dispatch, the per-call context and its handle discipline.
#include "tests/native/plugin_fixture.h"

namespace {

using EntryTest = PluginTest;

TEST_F(EntryTest, AboutTouchesNothing) {
  host->platform.hwnd = 0x1234;
  EXPECT_EQ(host->CallAbout(777), 777) << "About must leave the result code as the host set it";
  EXPECT_EQ(host->dataSlot, 0);
  EXPECT_EQ(host->record.parameters, nullptr);
  EXPECT_EQ(host->counters.newHandle + host->counters.lockHandle + host->counters.unlockHandle, 0);
  EXPECT_EQ(GetNativePlatformStats().aboutShown, 1);
  EXPECT_EQ(GetNativePlatformStats().lastAboutOwner, 0x1234);
}

TEST_F(EntryTest, AboutWithoutPlatformDataHasNoOwner) {
  host->faults.nullPlatformData = true;
  host->ApplyFaults();
  host->CallAbout();
  EXPECT_EQ(GetNativePlatformStats().aboutShown, 1);
  EXPECT_EQ(GetNativePlatformStats().lastAboutOwner, 0);
  // A host that passes no record at all must survive too.
  int16_t result = 5;
  intptr_t slot = 0;
  ENTRYPOINT(filterSelectorAbout, nullptr, &slot, &result);
  EXPECT_EQ(result, 5);
}

TEST_F(EntryTest, EverySelectorInRangeSucceedsAndOthersAreRejected) {
  for (int16_t selector : {filterSelectorParameters, filterSelectorPrepare, filterSelectorFinish}) {
    EXPECT_EQ(host->Call(selector), noErr) << "selector " << selector;
  }
  for (int16_t selector : {int16_t(6), int16_t(7), int16_t(-1), int16_t(-32768), int16_t(32767)}) {
    host->result = 99;
    EXPECT_EQ(host->Call(selector), filterBadParameters) << "selector " << selector;
  }
}

TEST_F(EntryTest, RejectedSelectorOnFirstCallStillCreatesContextAndDefaults) {
  for (int16_t selector : {int16_t(7), int16_t(-1)}) {
    SetUp();
    EXPECT_EQ(host->Call(selector), filterBadParameters);
    ASSERT_NE(host->dataSlot, 0);
    ASSERT_NE(Block(), nullptr);
    EXPECT_EQ(Block()->amount, 50);
    EXPECT_EQ(Block()->colourCode, kColourBlue);
    EXPECT_EQ(host->LockDepth(reinterpret_cast<Handle>(host->dataSlot)), 0);
    TearDown();
  }
}

TEST_F(EntryTest, ContextIsLockedOnceAndUnlockedOncePerCall) {
  const int16_t sequence[] = {1, 2, 3, 4, 5, 9, 2, 0, 5};
  for (int16_t selector : sequence) {
    const int32_t locks = host->counters.lockHandle;
    const int32_t unlocks = host->counters.unlockHandle;
    host->Call(selector);
    if (selector == filterSelectorAbout) {
      EXPECT_EQ(host->counters.lockHandle, locks);
      EXPECT_EQ(host->counters.unlockHandle, unlocks);
    } else {
      EXPECT_EQ(host->counters.lockHandle - locks, 1) << "selector " << selector;
      EXPECT_EQ(host->counters.unlockHandle - unlocks, 1) << "selector " << selector;
    }
    EXPECT_EQ(host->LockDepth(reinterpret_cast<Handle>(host->dataSlot)), 0);
  }
  // The context's result and record point at this call's.
  ASSERT_NE(Context(), nullptr);
  EXPECT_EQ(Context()->filterRecord, &host->record);
  EXPECT_EQ(Context()->result, &host->result);
}

TEST_F(EntryTest, ContextAllocationFailureReportsOutOfMemoryAndRetriesNextCall) {
  host->faults.failNthNewHandle = 1;
  EXPECT_EQ(host->Call(filterSelectorPrepare), memFullErr);
  EXPECT_EQ(host->dataSlot, 0);
  EXPECT_EQ(host->record.parameters, nullptr);
  EXPECT_EQ(host->Call(filterSelectorPrepare), noErr);
  EXPECT_NE(host->dataSlot, 0);
  EXPECT_NE(Block(), nullptr);
}

TEST_F(EntryTest, UnlockableNewContextIsDisposedAndNothingKept) {
  host->faults.failNthLock = 1;
  EXPECT_EQ(host->Call(filterSelectorParameters), memFullErr);
  EXPECT_EQ(host->dataSlot, 0);
  EXPECT_EQ(host->LiveHostHandles(), 0) << "the unlockable handle must be disposed";
  EXPECT_EQ(host->Call(filterSelectorParameters), noErr);
}

TEST_F(EntryTest, StoredContextThatCannotBeLockedKeepsTheSlot) {
  host->Call(filterSelectorPrepare);
  const intptr_t slot = host->dataSlot;
  const int32_t unlocks = host->counters.unlockHandle;
  host->faults.failNthLock = 1;
  EXPECT_EQ(host->Call(filterSelectorPrepare), memFullErr);
  EXPECT_EQ(host->dataSlot, slot);
  EXPECT_EQ(host->counters.unlockHandle, unlocks) << "nothing was locked, so nothing is unlocked";
}

TEST_F(EntryTest, BlockAllocationFailureStopsTheRoutineAndRetriesLater) {
  // Context succeeds, parameter block fails.
  host->faults.failNthNewHandle = 2;
  host->record.maxSpace = 12345;
  EXPECT_EQ(host->Call(filterSelectorPrepare), memFullErr);
  EXPECT_NE(host->dataSlot, 0);
  EXPECT_EQ(host->record.parameters, nullptr);
  EXPECT_EQ(host->record.maxSpace, 12345) << "Prepare must not go on without a block";
  EXPECT_EQ(host->record.bufferSpace, 0);
  EXPECT_EQ(host->Call(filterSelectorParameters), noErr);
  ASSERT_NE(Block(), nullptr);
  EXPECT_EQ(Block()->showDialog, 1);
}

TEST_F(EntryTest, ContinueAndFinishWithoutBlockReportOutOfMemory) {
  host->Call(filterSelectorPrepare);
  // The host lost the parameters (some hosts do not keep them).
  Handle lost = host->record.parameters;
  host->record.parameters = nullptr;
  EXPECT_EQ(host->Call(filterSelectorFinish), memFullErr);
  EXPECT_EQ(host->Call(filterSelectorContinue), memFullErr);
  host->record.parameters = lost;
}

TEST_F(EntryTest, MissingCallbacksNeverCrash) {
  host->faults.nullAbortProc = true;
  host->faults.nullProgressProc = true;
  host->faults.nullPlatformData = true;
  host->faults.withholdAdvanceState = true;
  host->faults.withholdDisplayPixels = true;
  host->faults.withholdColorServices = true;
  host->ApplyFaults();
  EXPECT_EQ(host->RunFilter(true), noErr);
}

TEST_F(EntryTest, NullArgumentsAreRefusedWithoutTouchingAnything) {
  int16_t result = 0;
  intptr_t slot = 0;
  ENTRYPOINT(filterSelectorStart, nullptr, &slot, &result);
  EXPECT_EQ(result, filterBadParameters);
  EXPECT_EQ(slot, 0);
  ENTRYPOINT(filterSelectorStart, &host->record, nullptr, &result);
  ENTRYPOINT(filterSelectorStart, &host->record, &slot, nullptr);
  EXPECT_EQ(slot, 0);
}

}  // namespace
