// The grid's settings in the picture's own terms: the block's new fields, their replay from a
// recorded step and their place in the last-grid store.
#include <cmath>
#include <cstring>
#include <limits>

#include "params/last_grid.h"
#include "params/scripting.h"
#include "params/settings.h"
#include "tests/native/plugin_fixture.h"
#include "tools/testhost/host_descriptor.h"

namespace {

using Item = DescriptorItem;

class GridTermsBlockTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    host->faults.descriptor.offer = true;
    host->ApplyFaults();
    ASSERT_EQ(host->Call(filterSelectorPrepare), noErr);
    ASSERT_NE(Block(), nullptr);
  }
  // The lengths in stored order: gaps and thicknesses, offsets, dash, dash gap, minor thickness.
  DescriptorItems Recorded() {
    DescriptorItems items;
    EXPECT_TRUE(ReadDescriptorHandle(*host, host->descriptors.parameters.descriptor, items));
    return items;
  }
  static std::vector<int32_t> Lengths(const FilterParameters& b) {
    return {b.horizontalGapLength, b.horizontalThickLength, b.verticalGapLength, b.verticalThickLength,
            b.horizontalOffset, b.verticalOffset, b.dashLength, b.dashGapLength, b.minorThickLength};
  }
};

// Blocks of every older layout read as today's grid: pixels, spacing, no subdivisions, solid.
TEST_F(GridTermsBlockTest, OlderBlocksReadAsTodaysGrid) {
  for (int32_t bytes : {kNarrowBlockSize, kWideBlockSize, kGridBlockSize}) {
    for (bool sizeUnknown : {false, true}) {
      SetUp();
      FilterParameters old = *Block();
      old.horizontalGap = 20, old.horizontalThickness = 2, old.verticalGap = 7;
      old.geometryMarkLow = old.geometryMarkHigh = 0xCD;  // padding before these fields existed
      if (bytes < kGridBlockSize) old.gridFieldsMark = 0;
      if (bytes < kWideBlockSize) old.wideFieldsTag = 0;
      Handle h = host->handleProcs.newProc(bytes);
      std::memcpy(*h, &old, size_t(bytes));
      host->faults.getSizeAnswersZero = sizeUnknown;
      host->record.parameters = h;
      ASSERT_EQ(host->RunFilter(true), noErr);
      const FilterParameters& p = *Block();
      SCOPED_TRACE(testing::Message() << bytes << " bytes, size unknown " << sizeUnknown);
      EXPECT_EQ(Lengths(p), (std::vector<int32_t>{20000, 3000, 7000, 1000, 0, 0, 4000, 4000, 1000}));
      EXPECT_EQ((std::vector<int>{p.unit, p.rows, p.columns, p.frame, p.subdivisions, p.lineStyle, p.minorOpacity}),
                (std::vector<int>{kGridPixels, 0, 0, 0, 1, kLineSolid, 50}));
      EXPECT_EQ(p.geometryFieldsTag, kGeometryFieldsTag);
      TearDown();
    }
  }
}

// Each length key in each kind, and the new keys with hostile values, replayed at 300 ppi on a
// picture of the test host's size.
TEST_F(GridTermsBlockTest, RecordedLengthsAndKeysReplayClampedOrIgnored) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  host->faults.descriptor.pinnedGettersIgnoreBounds = true;  // the module's own clamps
  host->ApplyFaults();
  const double height = host->record.filterRect.bottom - host->record.filterRect.top;
  const int32_t percentOf8 = int32_t(std::llround(8 / height * 100 * 1000));
  const int32_t percentOf1 = int32_t(std::llround(1 / height * 100 * 1000));
  const struct {
    const char* name;
    DescriptorItems items;
    int unit;
    int32_t hGap, vGap, hThick;  // lengths in thousandths of `unit`
    int16_t hGapMirror;
  } cases[] = {
      {"distance shown in cm", {Item::UnitFloat(kKeyHorizontalGap, kUnitDistance, 72 / 2.54),
                                Item::Enumerated(kKeyGridUnit, kTypeGridUnit, kGridUnitCodes[kGridCentimetres])},
       kGridCentimetres, 1000, 5 * 2540 / 300, 2540 / 300, 0},
      {"percent", {Item::UnitFloat(kKeyVerticalGap, kUnitPercent, 25.5)}, kGridPercent, percentOf8, 25500, percentOf1, 0},
      {"today's integer", {Item::Integer(kKeyHorizontalGap, 19)}, kGridPixels, 19000, 5000, 1000, 19},
      {"fractional pixels", {Item::UnitFloat(kKeyHorizontalGap, kUnitPixels, 10.5)}, kGridPixels, 10500, 5000, 1000, 11},
      {"unknown kind", {Item::UnitFloat(kKeyHorizontalGap, FourCC("#Ang"), 3)}, kGridPixels, 8000, 5000, 1000, 8},
      {"not a number", {Item::UnitFloat(kKeyHorizontalGap, kUnitPixels, nan)}, kGridPixels, 8000, 5000, 1000, 8},
      {"past the range", {Item::UnitFloat(kKeyHorizontalGap, kUnitPixels, 1e12)}, kGridPixels, 100000000, 5000, 1000, 30000},
      {"unknown unit code", {Item::Enumerated(kKeyGridUnit, kTypeGridUnit, FourCC("Furl"))}, kGridPixels, 8000, 5000, 1000, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FilterParameters& b = *Block();
    b.unit = kGridPixels, b.horizontalGapLength = 8000, b.verticalGapLength = 5000, b.horizontalThickLength = 1000;
    UpdatePixelMirrors(&b);
    host->record.imageHRes = host->record.imageVRes = 300 * 65536;
    SetPlayDescriptor(*host, c.items, plugInDialogDontDisplay);
    ReadScriptParameters(Context());
    EXPECT_EQ((std::vector<int32_t>{b.unit, b.horizontalGapLength, b.verticalGapLength, b.horizontalThickLength}),
              (std::vector<int32_t>{c.unit, c.hGap, c.vGap, c.hThick}));
    if (c.unit == kGridPixels) EXPECT_EQ(b.horizontalGap, c.hGapMirror);
  }

  // The keys that are not lengths.
  SetPlayDescriptor(*host, {Item::Integer(kKeyRows, 5000), Item::Integer(kKeyColumns, -3), Item::Integer(kKeySubdivisions, 0),
                            Item::Enumerated(kKeyLineStyle, kTypeLineStyle, kStyleDotted), Item::Bool(kKeyFrame, true),
                            ObjectItem(*host, kKeyMinorColour, FourCC("HSBC"), {Item::Float(kKeyRed, 1)}),
                            Item::UnitFloat(kKeyMinorOpacity, kUnitPercent, 250)},
                    plugInDialogDontDisplay);
  ReadScriptParameters(Context());
  FilterParameters& b = *Block();
  EXPECT_EQ((std::vector<int>{b.rows, b.columns, b.subdivisions, b.lineStyle, b.frame, b.minorRed, b.minorBlue, b.minorOpacity}),
            (std::vector<int>{1000, 0, 1, kLineDotted, 1, 0, 255, 100}));
  SetPlayDescriptor(*host, {Item::Enumerated(kKeyLineStyle, kTypeLineStyle, FourCC("Wavy")),
                            ObjectItem(*host, kKeyMinorColour, kClassRgbColour, {Item::Float(kKeyRed, 10), Item::Float(kKeyBlue, 30)})},
                    plugInDialogDontDisplay);
  ReadScriptParameters(Context());
  EXPECT_EQ((std::vector<int>{b.lineStyle, b.minorRed, b.minorGreen, b.minorBlue}), (std::vector<int>{kLineDotted, 10, 0, 30}));
}

// A grid in centimetres with every new setting records unit floats and replays as it was; a grid
// of today records today's keys and nothing more.
TEST_F(GridTermsBlockTest, FinishRecordsTheGridAndStartReplaysIt) {
  host->Call(filterSelectorFinish);
  EXPECT_EQ(Recorded().size(), 10u) << "today's grid, today's step";

  FilterParameters& b = *Block();
  b.unit = kGridCentimetres, b.horizontalGapLength = 1500, b.verticalGapLength = 250, b.horizontalThickLength = 20;
  b.verticalThickLength = 1000, b.horizontalOffset = -300, b.verticalOffset = 125, b.dashLength = 400;
  b.dashGapLength = 100, b.minorThickLength = 10, b.rows = 4, b.columns = 0, b.frame = 1, b.subdivisions = 10;
  b.lineStyle = kLineDashed, b.minorRed = 1, b.minorGreen = 2, b.minorBlue = 3, b.minorOpacity = 33;
  const FilterParameters recorded = b;
  host->Call(filterSelectorFinish);
  const DescriptorItems items = Recorded();
  const DescriptorItem* gap = nullptr;
  for (const Item& item : items)
    if (item.key == kKeyHorizontalGap) gap = &item;
  ASSERT_NE(gap, nullptr);
  EXPECT_EQ(gap->unit, kUnitDistance);
  EXPECT_NEAR(gap->number, 1.5 / 2.54 * 72, 1e-9) << "points";

  SetParameterDefaults(Block());
  host->record.imageHRes = 150 * 65536;  // the resolution does not matter between physical units
  SetPlayDescriptor(*host, items, plugInDialogDontDisplay);
  ReadScriptParameters(Context());
  EXPECT_EQ(Lengths(*Block()), Lengths(recorded));
  const FilterParameters& p = *Block();
  EXPECT_EQ((std::vector<int>{p.unit, p.rows, p.columns, p.frame, p.subdivisions, p.lineStyle, p.minorRed, p.minorGreen, p.minorBlue, p.minorOpacity}),
            (std::vector<int>{kGridCentimetres, 4, 0, 1, 10, kLineDashed, 1, 2, 3, 33}));
}

// The store appends the new settings: they come back; a record of the first format leaves them at
// the block's and takes the pixel lengths from its 16-bit fields.
TEST_F(GridTermsBlockTest, TheLastGridStoreKeepsTheNewSettings) {
  FilterParameters grid = *Block();
  grid.unit = kGridPercent, grid.horizontalGapLength = 33333, grid.rows = 3, grid.columns = 3, grid.subdivisions = 4;
  grid.lineStyle = kLineDotted, grid.minorOpacity = 20, grid.verticalOffset = -5, grid.minorGreen = 99;
  uint8_t bytes[kStoredGridCapacity] = {};
  const uint32_t length = EncodeLastGrid(grid, bytes);
  FilterParameters read = *Block();
  ASSERT_TRUE(DecodeLastGrid(bytes, length, &read));
  EXPECT_EQ(std::memcmp(&read.geometryFieldsTag, &grid.geometryFieldsTag,
                        sizeof(FilterParameters) - offsetof(FilterParameters, geometryFieldsTag)), 0);

  FilterParameters older = *Block();
  older.horizontalGap = 9;  // the first format's settings: 13 of them
  const uint32_t firstFormat = kStoredGridHeaderBytes + 4 * 13;
  EncodeLastGrid(older, bytes);
  SealStoredGrid(bytes, firstFormat, 1);
  read = grid;
  read.unit = kGridPixels;
  ASSERT_TRUE(DecodeLastGrid(bytes, firstFormat, &read));
  EXPECT_EQ((std::vector<int32_t>{read.horizontalGapLength, read.rows, read.subdivisions, read.minorOpacity}),
            (std::vector<int32_t>{9000, 3, 4, 20}));
}

}  // namespace
