// The last grid, kept for hosts that hand over an empty parameter block at every run.
#include <cstring>

#include "params/last_grid.h"
#include "params/settings.h"
#include "shell/grid_store_native.h"
#include "tests/native/plugin_fixture.h"
#include "tools/testhost/host_descriptor.h"

namespace {

FilterParameters opened{};  // the block as the dialog opened
void SetSampleGrid(FilterParameters* b) {
  b->horizontalGap = 7, b->verticalGap = 250, b->verticalThickness = 2, b->alignment = 1, b->removeOthers = 1;
  b->colourCode = kColourCustom, b->colourRadioId = 11, b->customRed = 200, b->opacity = 40;
}
bool StandInSetsGrid(InvocationContext* context) { return opened = *ParametersOf(context), SetSampleGrid(ParametersOf(context)), true; }
bool StandInOk(InvocationContext* context) { return opened = *ParametersOf(context), true; }
bool StandInCancels(InvocationContext* context) { return StandInSetsGrid(context), *context->result = userCanceledErr, false; }

class LastGridTest : public PluginTest {
 protected:
  int16_t Run(DialogStandIn dialog, bool withParameters = true) {  // each run from the same picture
    SetDialogStandIn(dialog), host->image = host->source.pixels.empty() ? host->image : host->source;
    return host->RunFilter(withParameters);
  }
};

TEST_F(LastGridTest, AHostThatForgetsReopensAtTheLastGridThatEndedWell) {
  const struct {
    const char* name;
    DialogStandIn first;
    bool newProcess, storeBlocked, storeDeleted, stopOnAStrip, expectGrid;
  } cases[] = {{"same process", StandInSetsGrid, false, false, false, false, true},
               {"same process, store cannot be written", StandInSetsGrid, false, true, false, false, true},
               {"same process, store deleted since", StandInSetsGrid, false, false, true, false, false},
               {"new process", StandInSetsGrid, true, false, false, false, true},
               {"new process, store cannot be written", StandInSetsGrid, true, true, false, false, false},
               {"first run cancelled in the dialog", StandInCancels, false, false, false, false, false},
               {"first run stopped on a strip, after Start", StandInSetsGrid, false, false, false, true, false}};
  for (const auto& c : cases) {
    SetUp();
    host->faults.forgetParameters = true, host->faults.abortAtPoll = c.stopOnAStrip ? 1 : 0;
    host->faults.withholdAdvanceState = c.stopOnAStrip, host->ApplyFaults(), BlockNativeGridStore(c.storeBlocked);
    Run(c.first);
    const std::vector<uint8_t> drawn = host->image.pixels;
    if (c.newProcess) ResetModuleState();
    if (c.storeDeleted) ClearNativeGridStore();
    host->faults.abortAtPoll = 0;
    ASSERT_EQ(Run(StandInOk), noErr) << c.name;
    EXPECT_EQ((std::vector<int32_t>{opened.horizontalGap, opened.opacity, opened.customRed}),
              (c.expectGrid ? std::vector<int32_t>{7, 40, 200} : std::vector<int32_t>{0, 100, kColourComponentRange.defaultValue})) << c.name;
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
  host->faults.forgetParameters = host->faults.descriptor.offer = true;
  host->ApplyFaults(), ResetModuleState();
  const int32_t reads = GetNativeGridStoreStats().reads;
  Run(StandInOk, false);
  EXPECT_EQ(GetNativeGridStoreStats().reads, reads) << "runs without the dialog never read it";
  SetPlayDescriptor(*host, {DescriptorItem::Integer(FourCC("hGap"), 19)}, plugInDialogDisplay);
  Run(StandInOk, false);
  EXPECT_EQ(opened.horizontalGap, 19) << "a recorded step shown in the dialog keeps its values";
  EXPECT_EQ(opened.verticalGap, 0);
}

// The stored record as later and earlier modules, or damage, may leave it.
TEST_F(LastGridTest, StoredRecordsAreClampedOrRefusedWhole) {
  using Change = void (*)(uint8_t* bytes, uint32_t& length);
  const struct {
    const char* name;
    Change change;
    std::vector<int32_t> read;  // gap, red, radio id, opacity; the untouched block's when refused
  } cases[] = {
      {"as written", [](uint8_t*, uint32_t&) {}, {7, 200, 11, 40}},
      {"a later format with one more setting", [](uint8_t* b, uint32_t& n) { n += 4, SealStoredGrid(b, n, 2); }, {7, 200, 11, 40}},
      {"values out of range", [](uint8_t* b, uint32_t& n) {
         const int32_t wild[] = {70000, 0, 0, -5, 0, 0, 99, 0, 0, 300, 0, 0, 0};  // in stored order
         std::memcpy(b + kStoredGridHeaderBytes, wild, sizeof wild), SealStoredGrid(b, n, 1); }, {30000, 255, 8, 1}},
      {"truncated", [](uint8_t*, uint32_t& n) { n -= 4; }, {1234, 0, 0, 55}},
      {"fewer settings than the first format", [](uint8_t* b, uint32_t& n) { n = kStoredGridHeaderBytes + 4 * 12, SealStoredGrid(b, n, 1); }, {1234, 0, 0, 55}},
      {"a changed byte", [](uint8_t* b, uint32_t&) { b[20] ^= 1; }, {1234, 0, 0, 55}},
      {"a foreign tag", [](uint8_t* b, uint32_t&) { b[0] = 'X'; }, {1234, 0, 0, 55}},
  };
  for (const auto& c : cases) {
    FilterParameters grid{}, read{};
    SetSampleGrid(&grid), read.horizontalGap = 1234, read.opacity = 55;
    uint8_t bytes[kStoredGridCapacity] = {};
    uint32_t length = EncodeLastGrid(grid, bytes);
    c.change(bytes, length);
    EXPECT_EQ(DecodeLastGrid(bytes, length, &read), c.read[0] != 1234) << c.name;
    EXPECT_EQ((std::vector<int32_t>{read.horizontalGap, read.customRed, read.colourRadioId, read.opacity}), c.read) << c.name;
  }
}

}  // namespace
