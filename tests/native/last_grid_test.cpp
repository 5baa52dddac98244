// The last grid, kept for hosts that hand over an empty parameter block at every run.
#include <cstring>

#include "params/last_grid.h"
#include "params/settings.h"
#include "shell/grid_store_native.h"
#include "tests/native/plugin_fixture.h"
#include "tools/testhost/host_descriptor.h"

namespace {

FilterParameters opened{};  // the block as the dialog opened
void SetSampleGrid(FilterParameters* block) {
  block->horizontalGap = 7, block->verticalGap = 250, block->verticalThickness = 2;
  block->alignment = 1, block->colourCode = kColourCustom, block->colourRadioId = 11;
  block->customRed = 200, block->customGreen = 10, block->customBlue = 90, block->opacity = 40;
  block->removeOthers = 1;
}
bool StandInSetsGrid(InvocationContext* context) {
  opened = *ParametersOf(context);
  SetSampleGrid(ParametersOf(context));
  return true;
}
bool StandInOk(InvocationContext* context) {
  opened = *ParametersOf(context);
  return true;
}
bool StandInCancels(InvocationContext* context) {
  StandInSetsGrid(context);
  *context->result = userCanceledErr;
  return false;
}

class LastGridTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    original = host->image;
  }
  int16_t Run(DialogStandIn dialog, bool withParameters = true) {
    SetDialogStandIn(dialog);
    host->image = original;
    return host->RunFilter(withParameters);
  }
  HostImage original;
};

TEST_F(LastGridTest, AHostThatForgetsReopensAtTheLastGridThatEndedWell) {
  struct Case {
    const char* name;
    DialogStandIn first;
    bool newProcess, storeBlocked;
    int32_t abortAtPoll;  // the first run is stopped while it draws
    bool expectGrid;
  } cases[] = {{"same process", StandInSetsGrid, false, false, 0, true},
               {"same process, store cannot be written", StandInSetsGrid, false, true, 0, true},
               {"new process", StandInSetsGrid, true, false, 0, true},
               {"new process, store cannot be written", StandInSetsGrid, true, true, 0, false},
               {"first run cancelled in the dialog", StandInCancels, false, false, 0, false},
               {"first run stopped on a strip", StandInSetsGrid, false, false, 1, false}};
  for (const Case& c : cases) {
    SetUp();
    host->faults.forgetParameters = true;
    host->faults.abortAtPoll = c.abortAtPoll;
    host->faults.withholdAdvanceState = c.abortAtPoll > 0;  // stopped on a strip, after Start
    host->ApplyFaults();
    BlockNativeGridStore(c.storeBlocked);
    Run(c.first);
    const std::vector<uint8_t> drawn = host->image.pixels;
    if (c.newProcess) ResetModuleState();
    host->faults.abortAtPoll = 0;
    ASSERT_EQ(Run(StandInOk), noErr) << c.name;
    EXPECT_EQ(opened.horizontalGap, c.expectGrid ? 7 : 0) << c.name;
    EXPECT_EQ(opened.opacity, c.expectGrid ? 40 : 100) << c.name;
    EXPECT_EQ(opened.customRed, c.expectGrid ? 200 : kColourComponentRange.defaultValue) << c.name;
    if (c.expectGrid) EXPECT_EQ(host->image.pixels, drawn) << c.name << ": OK draws the same grid";
    TearDown();
  }
}

// Where the host keeps the block, and in runs without the dialog, the block and the recorded
// step decide alone.
TEST_F(LastGridTest, KeptBlocksRunsWithoutTheDialogAndRecordedStepsAreAsBefore) {
  Run(StandInSetsGrid);  // the store now holds a grid
  Block()->horizontalGap = 3;
  Run(StandInOk);
  EXPECT_EQ(opened.horizontalGap, 3) << "a kept block is used as it is";

  host->faults.forgetParameters = true;
  const int32_t reads = GetNativeGridStoreStats().reads;
  ResetModuleState();
  Run(StandInOk, false);
  EXPECT_EQ(GetNativeGridStoreStats().reads, reads) << "a run without the dialog never reads it";
  EXPECT_EQ(Block()->horizontalGap, 0);

  host->faults.descriptor.offer = true;
  host->ApplyFaults();
  ResetModuleState();
  SetPlayDescriptor(*host, {DescriptorItem::Integer(FourCC("hGap"), 19)}, plugInDialogDisplay);
  Run(StandInOk, false);
  EXPECT_EQ(opened.horizontalGap, 19) << "a recorded step shown in the dialog keeps its values";
  EXPECT_EQ(opened.verticalGap, 0);
}

// The stored record as later and earlier modules, or damage, may leave it.
TEST_F(LastGridTest, StoredRecordsAreClampedOrRefusedWhole) {
  FilterParameters grid{};
  SetSampleGrid(&grid);
  using Change = void (*)(uint8_t* bytes, uint32_t& length);
  const struct {
    const char* name;
    Change change;
    bool read;
    int32_t gap, red, radio, opacity;  // as read
  } cases[] = {
      {"as written", [](uint8_t*, uint32_t&) {}, true, 7, 200, 11, 40},
      {"a later format with one more setting", [](uint8_t* b, uint32_t& n) { n += 4, SealStoredGrid(b, n, 2); }, true, 7, 200, 11, 40},
      {"values out of range", [](uint8_t* b, uint32_t& n) {
         const int32_t wild[] = {70000, 0, 0, -5, 0, 0, 99, 0, 0, 300, 0, 0, 0};  // one a setting
         std::memcpy(b + kStoredGridHeaderBytes, wild, sizeof wild), SealStoredGrid(b, n, 1); }, true, 30000, 255, 8, 1},
      {"truncated", [](uint8_t*, uint32_t& n) { n -= 1; }, false, 1234, 0, 0, 55},
      {"truncated by a setting", [](uint8_t*, uint32_t& n) { n -= 4; }, false, 1234, 0, 0, 55},
      {"fewer settings than the first format", [](uint8_t* b, uint32_t& n) { n -= 4, SealStoredGrid(b, n, 1); }, false, 1234, 0, 0, 55},
      {"a changed byte", [](uint8_t* b, uint32_t&) { b[20] ^= 1; }, false, 1234, 0, 0, 55},
      {"a foreign tag", [](uint8_t* b, uint32_t&) { b[0] = 'X'; }, false, 1234, 0, 0, 55},
      {"longer than any format", [](uint8_t* b, uint32_t& n) { n = kStoredGridCapacity + 4, SealStoredGrid(b, n, 9); }, false, 1234, 0, 0, 55},
  };
  for (const auto& c : cases) {
    uint8_t bytes[kStoredGridCapacity + 8] = {};
    uint32_t length = EncodeLastGrid(grid, bytes);
    c.change(bytes, length);
    FilterParameters read{};
    read.horizontalGap = 1234, read.opacity = 55;  // untouched unless the record is read
    EXPECT_EQ(DecodeLastGrid(bytes, length, &read), c.read) << c.name;
    EXPECT_EQ((std::vector<int32_t>{read.horizontalGap, read.customRed, read.colourRadioId, read.opacity}),
              (std::vector<int32_t>{c.gap, c.red, c.radio, c.opacity})) << c.name;
  }
}

}  // namespace
