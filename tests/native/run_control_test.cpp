// The parameter block and the selector routines that drive a run.
#include <climits>

#include "host/coordinates.h"
#include "tests/native/plugin_fixture.h"

namespace {

int32_t dialogShowings = 0;
bool StandInOk(InvocationContext*) {
  ++dialogShowings;
  return true;
}
bool StandInCancel(InvocationContext* context) {
  ++dialogShowings;
  *context->result = userCanceledErr;
  return false;
}

class RunControlTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    dialogShowings = 0;
  }
  // Prepare with a given area, planes and offer; returns the block's rowsPerStrip.
  int16_t Prepare(int16_t width, int16_t height, int16_t planes, int32_t offer) {
    host->SetFilterRect(Rect{0, 0, height, width});
    host->record.planes = planes;
    host->record.maxSpace = offer;
    EXPECT_EQ(host->Call(filterSelectorPrepare), noErr);
    return Block()->rowsPerStrip;
  }
};

TEST_F(RunControlTest, NewBlockHoldsTheDefaults) {
  // The test host's allocator fills new handles with 0xCD, as real allocators may leave garbage.
  ASSERT_EQ(host->Call(filterSelectorPrepare), noErr);
  const FilterParameters& p = *Block();
  EXPECT_EQ(p.amount, 50);
  EXPECT_EQ(p.colourCode, FourCC("moD1"));
  EXPECT_EQ(p.entireImage, 0);
  EXPECT_EQ(p.useAdvanceState, 0);
  EXPECT_EQ(p.verticalGap, 0);
  EXPECT_EQ(p.verticalThickness, 0);
  EXPECT_EQ(p.horizontalGap, 0);
  EXPECT_EQ(p.horizontalThickness, 0);
  EXPECT_EQ(p.previewOffsetH, 0);
  EXPECT_EQ(p.previewOffsetV, 0);
  EXPECT_EQ(p.colourRadioId, 8);
  EXPECT_EQ(p.ignoreZeroPixel, 1);
  EXPECT_EQ(p.removeOthers, 0);
  EXPECT_EQ(p.alignment, 0);
  EXPECT_EQ(p.hostIsPremiere, 0) << "the native test process is not the video host";
  EXPECT_EQ(p.showDialog, 0);
  EXPECT_TRUE(p.opacity == 100 && p.customRed == 128 && p.customGreen == 128 && p.customBlue == 128);
  EXPECT_EQ(p.savedFilterRect.top | p.savedFilterRect.left | p.savedFilterRect.bottom |
                p.savedFilterRect.right,
            0);
}

// Blocks stored before the wide fields (44 bytes) and before the grid fields (68), on hosts
// that can and cannot tell their size: grown once, and what the grown block holds (wide
// fields, colour, opacity) kept on the next run; then wide values against 16-bit fields an
// older module may have written since.
TEST_F(RunControlTest, OldShortBlockAndWideFieldsAgreeWithTheNarrowOnes) {
  for (const int32_t bytes : {kNarrowBlockSize, kWideBlockSize}) {
    for (const bool sizeKnown : {true, false}) {
      SCOPED_TRACE(testing::Message() << bytes << " bytes, size known " << sizeKnown);
      SetUp();
      host->Call(filterSelectorPrepare);
      ASSERT_EQ(host->handleProcs.setSizeProc(host->record.parameters, bytes), noErr);
      Block()->previewOffsetH = -120;
      Block()->gridFieldsMark = 0xCDCD;  // the old block's padding
      if (bytes == kNarrowBlockSize) Block()->wideFieldsTag = 0xCDCD;
      host->faults.getSizeAnswersZero = !sizeKnown;
      EXPECT_EQ(host->Call(filterSelectorPrepare), noErr);
      EXPECT_EQ(PreviewPanH(*Block()), -120);
      EXPECT_EQ(Block()->opacity, 100);
      SetPreviewPan(*Block(), 40000, 7);
      Block()->opacity = 30, Block()->customGreen = 9;
      EXPECT_EQ(host->Call(filterSelectorPrepare), noErr);
      EXPECT_TRUE(PreviewPanH(*Block()) == 40000 && Block()->opacity == 30 && Block()->customGreen == 9);
      host->faults.getSizeAnswersZero = false;
      EXPECT_EQ(host->handleProcs.getSizeProc(host->record.parameters), int32_t(sizeof(FilterParameters)));
      TearDown();
    }
  }
  const int32_t wides[][3] = {{32767, 40000, 40000}, {-32768, -40000, -40000}, {-50, 40000, -50}, {32767, 12, 32767}};
  for (const auto& w : wides) {
    FilterParameters block{};
    block.previewOffsetV = block.savedFilterRect.right = int16_t(w[0]);
    block.previewPanV = block.savedFilterArea.right = w[1];
    EXPECT_TRUE(PreviewPanV(block) == w[2] && SavedFilterArea(block).right == w[2]) << "narrow " << w[0] << ", wide " << w[1];
  }
}

TEST_F(RunControlTest, ExistingBlockIsKeptAcrossCallsAndRuns) {
  host->Call(filterSelectorPrepare);
  Handle first = host->record.parameters;
  Block()->horizontalGap = 33;
  Block()->colourCode = kColourRed;
  host->RunFilter(false);
  host->RunFilter(true);
  EXPECT_EQ(host->record.parameters, first);
  EXPECT_EQ(Block()->horizontalGap, 33);
  EXPECT_EQ(Block()->colourCode, kColourRed);
}

TEST_F(RunControlTest, PrepareGrowsStripsToTheOfferAndOneRowPast) {
  struct Case {
    int16_t width, height, planes;
    int32_t offer;
    int16_t wantRows;
    int32_t wantSpace;
  };
  const Case cases[] = {
      {10, 100, 3, 500, 8, 560},  // 70 bytes a row; 8 rows pass the offer by one row
      {10, 5, 3, 500, 5, 350},    // the area's height stops the growth
      {10, 100, 3, 560, 8, 560},  // reaching the offer exactly stops too
      {10, 100, 3, 50, 1, 70},    // not even one row fits: stays 1, offer exceeded
      {10, 1, 3, 1 << 30, 1, 70},  // height 1 never grows
      {100, 100, 4, 0, 1, 900},   // no offer at all
  };
  for (const Case& c : cases) {
    SetUp();
    EXPECT_EQ(Prepare(c.width, c.height, c.planes, c.offer), c.wantRows)
        << c.width << "x" << c.height << " offer " << c.offer;
    EXPECT_EQ(host->record.maxSpace, c.wantSpace);
    EXPECT_EQ(host->record.bufferSpace, 0);
    TearDown();
  }
}

TEST_F(RunControlTest, PrepareNeverLowersTheStoredStripHeight) {
  host->Call(filterSelectorPrepare);
  Block()->rowsPerStrip = 40;  // as a whole-area run leaves it: the height of that area
  EXPECT_EQ(Prepare(10, 100, 3, 500), 40);
  EXPECT_EQ(host->record.maxSpace, 40 * 70);
  // A bigger offer grows on from there.
  EXPECT_EQ(Prepare(10, 100, 3, 45 * 70 - 1), 45);
}

TEST_F(RunControlTest, PrepareSaturatesInsteadOfOverflowing) {
  host->Call(filterSelectorPrepare);
  Block()->rowsPerStrip = 30000;
  Prepare(30000, 32000, 255, INT32_MAX);
  EXPECT_EQ(host->record.maxSpace, INT32_MAX);
  EXPECT_GE(Block()->rowsPerStrip, 30000);
}

TEST_F(RunControlTest, PrepareRepairsAStripHeightThatCouldNeverAdvance) {
  host->Call(filterSelectorPrepare);
  Block()->rowsPerStrip = -7;
  EXPECT_GE(Prepare(10, 100, 3, 500), 1);
  EXPECT_GT(host->record.maxSpace, 0);
}

TEST_F(RunControlTest, ParametersAsksForTheDialogForThisAndEveryLaterStart) {
  SetDialogStandIn(StandInOk);
  EXPECT_EQ(host->RunFilter(false), noErr);
  EXPECT_EQ(dialogShowings, 0) << "no Parameters seen and no script asking for it";
  EXPECT_EQ(host->RunFilter(true), noErr);
  EXPECT_EQ(dialogShowings, 1);
  EXPECT_EQ(dialogRequested, 1);
  EXPECT_EQ(Block()->showDialog, 0) << "cleared after the dialog";
  // A later Start without Parameters (a repeat) still shows it in this process.
  EXPECT_EQ(host->RunFilter(false), noErr);
  EXPECT_EQ(dialogShowings, 2);
}

TEST_F(RunControlTest, DialogSeesShowDialogSetWhileItRuns) {
  SetDialogStandIn([](InvocationContext* context) {
    ++dialogShowings;
    EXPECT_EQ(ParametersOf(context)->showDialog, 1);
    return true;
  });
  host->RunFilter(true);
  EXPECT_EQ(dialogShowings, 1);
}

TEST_F(RunControlTest, CancelEndsStartBeforeAnyPixel) {
  SetDialogStandIn(StandInCancel);
  EXPECT_EQ(host->RunFilter(true), userCanceledErr);
  EXPECT_EQ(host->counters.advanceStateCalls, 0);
  EXPECT_TRUE(RectIsEmpty(host->record.outRect));
  EXPECT_EQ(host->counters.selectorCalls[filterSelectorContinue], 0);
  EXPECT_EQ(host->image.pixels, host->source.pixels);
}

TEST_F(RunControlTest, DialogThatCannotBeCreatedLeavesTheRunGoing) {
  // No stand-in: the dialog "cannot be created", returns false and reports nothing.
  EXPECT_EQ(host->RunFilter(true), noErr);
}

TEST_F(RunControlTest, WholeAreaPathNeedsAdvanceStateAndDisplayPixels) {
  struct Case {
    bool advanceState, displayPixels;
    uint8_t want;
  };
  const Case cases[] = {{true, true, 1}, {false, true, 0}, {true, false, 0}, {false, false, 0}};
  for (const Case& c : cases) {
    SetUp();
    host->faults.withholdAdvanceState = !c.advanceState;
    host->faults.withholdDisplayPixels = !c.displayPixels;
    host->ApplyFaults();
    host->Call(filterSelectorPrepare);
    host->Call(filterSelectorStart);
    EXPECT_EQ(Block()->useAdvanceState, c.want)
        << "advanceState " << c.advanceState << ", displayPixels " << c.displayPixels;
    TearDown();
  }
}

TEST_F(RunControlTest, VideoHostNeverTakesTheWholeAreaPath) {
  host->Call(filterSelectorPrepare);
  Block()->hostIsPremiere = 1;
  Block()->useAdvanceState = 1;
  host->Call(filterSelectorStart);
  EXPECT_EQ(Block()->useAdvanceState, 0) << "recomputed at every Start";
}

}  // namespace
