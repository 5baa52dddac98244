// Processing drivers: the strip sequence of the tile path, the whole-area pass, the preview
// crop, and whole runs against the grid model.
#include <cstring>
#include <random>
#include <string>
#include <utility>

#include "host/coordinates.h"
#include "params/settings.h"
#include "render/drivers.h"
#include "tests/native/render_model.h"

namespace {

using DriversTest = RenderTest;

template <class A, class B>
bool SameRect(const A& a, const B& b) {
  return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}

bool AllRectsEmpty(const FilterRecord& r) {
  const Rect zero{};
  return SameRect(r.inRect, zero) && SameRect(r.outRect, zero) && SameRect(r.maskRect, zero);
}

// Tile path with the block's strip height as given: Prepare must not grow it.
void UseTilePath(TestHost& host, int16_t rowsPerStrip) {
  host.faults.withholdDisplayPixels = true;
  host.ApplyFaults();
  host.record.maxSpace = 0;
  ParametersOf(&host.record)->rowsPerStrip = rowsPerStrip;
}

TEST_F(DriversTest, TilePathStripSequence) {
  struct Case {
    int16_t rowsPerStrip;
    int32_t continues;
    int16_t lastBottom;
  } cases[] = {{4, 3, 12}, {10, 1, 10}, {25, 1, 10}, {1, 10, 10}, {3, 4, 12}};
  for (const Case& c : cases) {
    SetUp();
    Use(MakePatternImage(6, 14, 3), plugInModeRGBColor);
    host->SetFilterRect(Rect{2, 1, 12, 5});  // 10 rows high
    UseTilePath(*host, c.rowsPerStrip);
    GridModel m;
    m.horizontalGap = 2;
    m.verticalGap = 1;
    m.removeOthers = true;
    ApplyModel(Block(), m);
    EXPECT_EQ(host->RunFilter(false), noErr);
    EXPECT_EQ(host->counters.selectorCalls[filterSelectorContinue], c.continues) << c.rowsPerStrip;
    ASSERT_EQ(int32_t(host->counters.servedOutRects.size()), c.continues);
    for (int32_t i = 0; i < c.continues; ++i) {
      const VRect& s = host->counters.servedOutRects[size_t(i)];
      EXPECT_EQ(s.top, 2 + i * c.rowsPerStrip) << "strip " << i;
      EXPECT_EQ(s.left, 1);
      EXPECT_EQ(s.right, 5);
    }
    EXPECT_EQ(host->counters.servedOutRects.back().bottom, 2 + c.lastBottom);
    EXPECT_TRUE(AllRectsEmpty(host->record));
    EXPECT_EQ(host->record.inputPadding, 255);
    EXPECT_LE(host->counters.maxProgressDone, 9);
    EXPECT_EQ(FirstDifference(host->image, ModelImage(host->source, host->record.filterRect, m)), "")
        << "rowsPerStrip " << c.rowsPerStrip;
    TearDown();
  }
}

TEST_F(DriversTest, TilePathSurvivesHostileStripHeightsAndTheEdgeOfInt16) {
  for (int16_t rows : {int16_t(0), int16_t(-5), int16_t(32767)}) {
    SetUp();
    Use(MakePatternImage(4, 4, 3), plugInModeRGBColor);
    host->SetFilterRect(Rect{32760, 0, 32767, 4});  // outside the image: padding only
    UseTilePath(*host, rows);
    EXPECT_EQ(host->RunFilter(false), noErr);
    EXPECT_LE(host->counters.selectorCalls[filterSelectorContinue], 7);
    EXPECT_TRUE(AllRectsEmpty(host->record));
    for (const VRect& s : host->counters.servedOutRects) EXPECT_LT(s.top, s.bottom);
    TearDown();
  }
  // An empty or inverted area asks for nothing at all.
  for (Rect area : {Rect{3, 0, 3, 4}, Rect{3, 4, 1, 0}}) {
    SetUp();
    host->SetFilterRect(area);
    UseTilePath(*host, 2);
    EXPECT_EQ(host->RunFilter(false), noErr);
    EXPECT_EQ(host->counters.selectorCalls[filterSelectorContinue], 0);
    TearDown();
  }
}

TEST_F(DriversTest, WholeAreaPathMakesOneRequest) {
  Use(MakePatternImage(30, 21, 4), plugInModeRGBColor);
  host->SetFilterRect(Rect{3, 2, 20, 29});
  GridModel m;
  m.horizontalGap = 4;
  m.verticalGap = 6;
  m.alignment = 1;
  ApplyModel(Block(), m);
  m.colour[3] = 0;
  EXPECT_EQ(host->RunFilter(false), noErr);
  EXPECT_EQ(host->counters.advanceStateCalls, 1);
  EXPECT_EQ(host->counters.selectorCalls[filterSelectorContinue], 0);
  ASSERT_EQ(host->counters.servedOutRects.size(), 1u);
  EXPECT_TRUE(SameRect(host->counters.servedOutRects[0], host->record.filterRect));
  EXPECT_EQ(Block()->rowsPerStrip, 17);
  EXPECT_TRUE(AllRectsEmpty(host->record));
  EXPECT_EQ(FirstDifference(host->image, ModelImage(host->source, host->record.filterRect, m)), "");
}

TEST_F(DriversTest, WholeAreaAbortAndHostFailure) {
  Use(MakePatternImage(8, 8, 3), plugInModeRGBColor);
  Block()->horizontalGap = 1;
  host->faults.abortAtPoll = 1;
  EXPECT_EQ(host->RunFilter(false), userCanceledErr);
  EXPECT_EQ(host->counters.advanceStateCalls, 0);
  EXPECT_TRUE(AllRectsEmpty(host->record));

  SetUp();
  Use(MakePatternImage(8, 8, 3), plugInModeRGBColor);
  Block()->horizontalGap = 1;
  host->faults.advanceStateError = -1234;
  EXPECT_EQ(host->RunFilter(false), -1234);
  EXPECT_EQ(host->counters.advanceStateCalls, 1);
  EXPECT_EQ(host->counters.abortPolls, 1) << "no pixel was rendered";
  EXPECT_EQ(FirstDifference(host->image, host->source), "");
  EXPECT_TRUE(AllRectsEmpty(host->record));
}

TEST_F(DriversTest, ContinueWithAbortKeepsTheStrip) {
  Use(MakePatternImage(5, 10, 3), plugInModeRGBColor);
  Block()->horizontalGap = 1;
  Block()->rowsPerStrip = 4;
  SetupFirstStrip(Context());
  const Rect strip = host->record.outRect;
  ASSERT_EQ(host->ServeRequestedRectangles(), noErr);
  host->faults.abortAtPoll = 1;
  EXPECT_EQ(host->Call(filterSelectorContinue), userCanceledErr);
  EXPECT_EQ(host->counters.abortPolls, 1);
  EXPECT_TRUE(SameRect(host->record.outRect, strip));
  EXPECT_TRUE(SameRect(host->record.inRect, strip));
  host->CommitOutput();
  EXPECT_EQ(FirstDifference(host->image, host->source), "");
}

// A Continue after the last strip, or without a Start over what the host left, renders and
// asks for nothing: empty, below, above, narrower than the area.
TEST_F(DriversTest, ContinueOutsideARunAsksForNothing) {
  bool afterRun = true;  // the first case runs first, the others call Continue alone
  for (Rect left : {Rect{}, Rect{}, Rect{12, 1, 16, 5}, Rect{-2, 1, 2, 5}, Rect{2, 2, 6, 5}}) {
    SetUp();
    host->SetFilterRect(Rect{2, 1, 12, 5});
    UseTilePath(*host, 4);
    Block()->horizontalGap = 1;
    if (std::exchange(afterRun, false)) ASSERT_EQ(host->RunFilter(false), noErr);
    host->RequestArea(VRect{left.top, left.left, left.bottom, left.right});
    host->source = host->image;
    EXPECT_EQ(host->Call(filterSelectorContinue), noErr);
    EXPECT_TRUE(AllRectsEmpty(host->record)) << left.top;
    EXPECT_EQ(FirstDifference(host->image, host->source), "") << left.top;
    TearDown();
  }
}

TEST_F(DriversTest, PreviewCropsTheLargeAreaAndShowsStripesWhereTheResultHasThem) {
  struct Case {
    int16_t panH, panV;
    int16_t left, top;  // expected crop origin from the area's origin
  } cases[] = {{0, 0, 325, 285}, {-100, 40, 225, 325}, {30000, -30000, 650, 0}};
  for (const Case& c : cases) {
    SetUp();
    Use(MakePatternImage(900, 800, 3), plugInModeRGBColor);
    GridModel m;
    m.horizontalGap = 7;
    m.horizontalThickness = 2;
    m.verticalGap = 11;
    m.alignment = 2;
    m.removeOthers = true;
    FilterParameters* block = Block();
    ApplyModel(block, m);
    block->previewOffsetH = c.panH;
    block->previewOffsetV = c.panV;
    block->showDialog = 1;
    block->useAdvanceState = 1;
    Context()->previewFrame = PreviewFrame{10, 10, 300, 300};
    const Rect whole = host->record.filterRect;
    SetupPreviewArea(Context());
    ASSERT_EQ(host->result, noErr);
    const Rect crop = host->record.filterRect;
    EXPECT_TRUE(SameRect(block->savedFilterRect, whole));
    EXPECT_EQ(crop.left, c.left) << "pan " << c.panH;
    EXPECT_EQ(crop.top, c.top) << "pan " << c.panV;
    EXPECT_EQ(crop.right - crop.left, 250);
    EXPECT_EQ(crop.bottom - crop.top, 230);
    EXPECT_TRUE(SameRect(host->record.outRect, crop));
    RenderPreview(Context(), false);
    EXPECT_EQ(host->counters.progressCalls, 0);
    host->CommitOutput();
    const HostImage final = ModelImage(host->source, whole, m);
    HostImage want = host->source;
    for (int32_t y = crop.top; y < crop.bottom; ++y)
      for (int32_t x = crop.left; x < crop.right; ++x)
        for (int32_t k = 0; k < 3; ++k) want.At(y, x)[k] = final.At(y, x)[k];
    EXPECT_EQ(FirstDifference(host->image, want), "") << "pan " << c.panH << "/" << c.panV;
    TearDown();
  }
}

// The preview region holds what the final render writes there with the grid in the picture's
// own terms too, panned off-centre so that a phase taken from the crop rather than the area
// shows. Resolutions differ across and down, so that swapped axes show.
TEST_F(DriversTest, PreviewShowsWhatTheFinalRenderWritesInEveryGeometry) {
  struct Case {
    const char* name;
    void (*set)(FilterParameters&);
  };
  const Case cases[] = {
      {"cm with mm subdivisions", [](FilterParameters& b) {
         b.unit = kGridCentimetres, b.horizontalGapLength = b.verticalGapLength = 1000;
         b.horizontalThickLength = b.verticalThickLength = 30, b.subdivisions = 10;
         b.minorThickLength = 10, b.minorOpacity = 40, b.minorRed = 255, b.minorBlue = 0;
       }},
      {"rule of thirds, framed and dashed", [](FilterParameters& b) {
         b.rows = b.columns = 3, b.frame = 1, b.horizontalThickLength = b.verticalThickLength = 3000;
         b.lineStyle = kLineDashed, b.dashLength = 6500, b.dashGapLength = 3250;
       }},
      {"percent with offsets, dotted", [](FilterParameters& b) {
         b.unit = kGridPercent, b.horizontalGapLength = 7500, b.verticalGapLength = 5250;
         b.horizontalThickLength = b.verticalThickLength = 500, b.verticalOffset = -3300;
         b.horizontalOffset = 12250, b.lineStyle = kLineDotted, b.alignment = 1;
       }},
      {"inch rows by count beside spaced columns, subdivided", [](FilterParameters& b) {
         b.unit = kGridInches, b.rows = 7, b.verticalGapLength = 333, b.verticalThickLength = 20;
         b.horizontalThickLength = 15, b.subdivisions = 3, b.minorThickLength = 5, b.alignment = 2;
       }},
  };
  for (const Case& c : cases) {
    SetUp();
    Use(MakePatternImage(900, 800, 3), plugInModeRGBColor);
    host->record.imageHRes = 300 << 16;
    host->record.imageVRes = 200 << 16;
    FilterParameters* block = Block();
    c.set(*block);
    UpdatePixelMirrors(block);
    ASSERT_EQ(host->RunFilter(false), noErr) << c.name;
    const HostImage final = host->image;
    EXPECT_NE(FirstDifference(final, host->source), "") << c.name << ": a grid was drawn";
    host->image = host->source;
    block = Block();
    block->previewOffsetH = -130, block->previewOffsetV = 70;
    block->showDialog = 1, block->useAdvanceState = 1;
    Context()->previewFrame = PreviewFrame{10, 10, 300, 300};
    SetupPreviewArea(Context());
    ASSERT_EQ(host->result, noErr) << c.name;
    const Rect crop = host->record.filterRect;
    RenderPreview(Context(), false);
    host->CommitOutput();
    HostImage want = host->source;
    for (int32_t y = crop.top; y < crop.bottom; ++y)
      for (int32_t x = crop.left; x < crop.right; ++x)
        for (int32_t k = 0; k < 3; ++k) want.At(y, x)[k] = final.At(y, x)[k];
    EXPECT_EQ(FirstDifference(host->image, want), "") << c.name;
    TearDown();
  }
}

TEST_F(DriversTest, PreviewOfASmallAreaIsNotCroppedAndNeedsTheFlag) {
  Use(MakePatternImage(40, 30, 3), plugInModeRGBColor);
  FilterParameters* block = Block();
  block->horizontalGap = 1;
  block->previewOffsetH = 9;
  block->previewOffsetV = 9;
  Context()->previewFrame = PreviewFrame{0, 0, 300, 300};
  const Rect whole = host->record.filterRect;
  SetupPreviewArea(Context());
  EXPECT_TRUE(SameRect(host->record.filterRect, whole));
  block->useAdvanceState = 0;
  RenderPreview(Context(), true);
  EXPECT_EQ(host->counters.abortPolls, 0);
  host->faults.withholdAdvanceState = true;
  host->ApplyFaults();
  SetupPreviewArea(Context());
  EXPECT_EQ(host->result, errPlugInHostInsufficient);
}

// Documents past 32,767 pixels on either axis (thin, to stay cheap), the old host's 16-bit
// path up to its limit, and the preview panned across 32,767: against the closed form.
TEST_F(DriversTest, BigDocumentsOnBothPathsAndCoordinateWidths) {
  struct Case {  // area empty: the whole image; rows: strips, or the band after -108
    bool wide, tile;  // bigDocumentData offered; Continue strips, else advanceState
    int32_t width, height;
    VRect area;
    int32_t rows, pan;  // pan > 0: a preview along the long side instead of a run
  } cases[] = {{false, true, 32767, 3, {}, 2, 0},  {false, false, 3, 32767, {}, 0, 0},
               {true, true, 40000, 3, {}, 2, 0},   {true, true, 3, 40000, {}, 4096, 0},
               {true, false, 40000, 3, {}, 0, 0},  {true, false, 3, 40000, {}, 5000, 0},
               {true, true, 2, 40000, {32700, 0, 32900, 2}, 64, 0},
               {true, false, 40000, 2, {0, 32000, 2, 33000}, 0, 0},
               {true, false, 40000, 2, {}, 0, 12800}, {true, false, 2, 40000, {}, 0, 12800}};
  for (const Case& c : cases) {
    SetUp();
    host->faults.withholdBigDocument = !c.wide;
    host->faults.maxServedBytes = c.rows > 0 && !c.tile ? 21 * 6000 : 0;  // 3 wide, 3 planes
    host->ApplyFaults();
    Use(MakePatternImage(c.width, c.height, 3), plugInModeRGBColor);
    if (!RectIsEmpty(c.area)) host->SetFilterRect(c.area);
    const VRect area = host->FilterArea();
    if (c.tile) UseTilePath(*host, int16_t(c.rows)); else host->record.maxSpace = 21 * c.rows;
    const GridModel m{5, 0, 3, 0, 1, true, true};
    ApplyModel(Block(), m);
    SCOPED_TRACE(&c - cases);
    HostImage want = ModelImage(host->source, area, m);
    const bool tall = c.height > c.width;
    if (c.pan > 0) {  // the pane keeps 250 x 230 of the centre, moved by the pan
      SetPreviewPan(*Block(), tall ? 0 : c.pan, tall ? c.pan : 0);
      Block()->showDialog = Block()->useAdvanceState = 1;
      Context()->previewFrame = PreviewFrame{10, 10, 300, 300};
      SetupPreviewArea(Context());
      RenderPreview(Context(), false);
      host->CommitOutput();
      const VRect crop = host->FilterArea();
      const int32_t start = (40000 - (tall ? 230 : 250)) / 2 + c.pan;
      EXPECT_TRUE(tall ? crop.top == start && crop.bottom == start + 230 : crop.left == start && crop.right == start + 250);
      for (int32_t y = 0; y < c.height; ++y)
        for (int32_t x = 0; x < c.width; ++x)
          if (y < crop.top || y >= crop.bottom || x < crop.left || x >= crop.right) std::memcpy(want.At(y, x), host->source.At(y, x), 3);
    } else {
      ASSERT_EQ(host->RunFilter(false), noErr);
      EXPECT_EQ(host->bigDocument.PluginUsing32BitCoordinates, c.wide ? 1 : 0);
      const int32_t height = area.bottom - area.top, rows = c.rows > 0 ? c.rows : height;
      const auto& served = host->counters.servedOutRects;
      ASSERT_EQ(int32_t(served.size()), (height + rows - 1) / rows);
      for (size_t i = 0; i < served.size(); ++i)  // a selection is read where the strip is
        EXPECT_TRUE(SameRect(host->counters.servedMaskRects[i], served[i])) << "mask of strip " << i;
      for (int32_t i = 0; i < int32_t(served.size()); ++i)
        EXPECT_TRUE(SameRect(served[size_t(i)], VRect{area.top + i * rows, area.left, area.top + (i + 1) * rows, area.right})) << i;
    }
    EXPECT_EQ(FirstDifference(host->image, want), "");
    TearDown();
  }
}

// Both paths, many random settings, areas, plane counts and strip heights: the image always
// equals the closed-form model.
TEST_F(DriversTest, RandomRunsMatchTheModelOnBothPaths) {
  std::mt19937 rng(20240611);
  auto pick = [&rng](int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
  };
  const ColourCode colours[] = {kColourBlack, kColourBlue, kColourRed, kColourGreen};
  for (int32_t run = 0; run < 160; ++run) {
    SetUp();
    const bool tile = run % 2 == 0;
    const int32_t planes = pick(1, 6);
    const int32_t width = pick(1, 70), height = pick(1, 60);
    Use(MakePatternImage(width, height, planes), planes >= 3 ? plugInModeRGBColor : plugInModeMultichannel);
    const int16_t top = int16_t(pick(0, height - 1)), left = int16_t(pick(0, width - 1));
    host->SetFilterRect(Rect{top, left, int16_t(pick(top + 1, height)), int16_t(pick(left + 1, width))});
    GridModel m;
    // Cells past 100 pixels now and then: the phase of centre and bottom starts far away.
    m.horizontalGap = pick(0, 9) == 0 ? 0 : pick(1, pick(0, 3) == 0 ? 30000 : 100);
    m.horizontalThickness = pick(0, 5) == 0 ? pick(0, 29999) : pick(0, 12);
    m.verticalGap = pick(0, 9) == 0 ? 0 : pick(1, pick(0, 3) == 0 ? 30000 : 100);
    m.verticalThickness = pick(0, 5) == 0 ? pick(0, 29999) : pick(0, 12);
    m.opacity = pick(0, 1) == 0 ? 100 : pick(1, 100);
    if (pick(0, 1)) m.horizontalGap = pick(1, 6);
    if (pick(0, 1)) m.verticalGap = pick(1, 6);
    m.alignment = pick(0, 2);
    m.ignoreZeroPixel = pick(0, 1) == 1;
    m.removeOthers = pick(0, 3) == 0;
    const ColourCode colour = colours[pick(0, 3)];
    const uint8_t rgb[4][3] = {{0, 0, 0}, {0, 0, 255}, {255, 0, 0}, {0, 255, 0}};
    const int32_t ci = colour == kColourBlack ? 0 : colour == kColourBlue ? 1 : colour == kColourRed ? 2 : 3;
    m.colourCount = planes >= 3 ? 3 : 0;
    for (int32_t k = 0; k < 3; ++k) m.colour[k] = rgb[ci][k];
    ApplyModel(Block(), m);
    Block()->colourCode = colour;
    const int16_t rows = int16_t(pick(1, 20));
    if (tile) UseTilePath(*host, rows);
    const int16_t err = host->RunFilter(false);
    ASSERT_EQ(err, noErr) << "run " << run;
    const std::string diff = FirstDifference(host->image, ModelImage(host->source, host->record.filterRect, m));
    ASSERT_EQ(diff, "") << "run " << run << (tile ? " tile path, rowsPerStrip " : " whole-area path ")
                        << rows << ", planes " << planes << ", gaps " << m.horizontalGap << "/"
                        << m.verticalGap << ", alignment " << m.alignment;
    EXPECT_EQ(host->counters.advanceStateCalls, tile ? 0 : 1);
    EXPECT_LT(host->counters.maxProgressDone, host->record.filterRect.bottom - host->record.filterRect.top);
    TearDown();
  }
}

}  // namespace
