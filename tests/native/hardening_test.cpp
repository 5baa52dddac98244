// Hostile hosts: faults found by trying the plug-in against them, and the guards against
// real host quirks.
#include <cstring>

#include "params/settings.h"
#include "tests/native/render_model.h"

namespace {

using HardeningTest = RenderTest;

void UseTilePath(TestHost& host) {
  host.faults.withholdDisplayPixels = true;
  host.ApplyFaults();
}

GridModel SomeGrid() {
  GridModel m;
  m.horizontalGap = 3;
  m.horizontalThickness = 1;
  m.verticalGap = 4;
  m.alignment = 1;
  m.removeOthers = true;
  return m;
}

// An area whose height does not fit in 16 bits ends, on both paths, in a bounded number of
// requests, each a real band of rows.
TEST_F(HardeningTest, AreaTallerThanInt16EndsOnBothPaths) {
  const Rect areas[] = {{-100, 0, 32767, 2}, {-32768, 1, 32767, 2}};
  for (const Rect& area : areas) {
    for (bool tile : {false, true}) {
      SetUp();
      Use(MakePatternImage(3, 5, 3), plugInModeRGBColor);
      host->SetFilterRect(area);
      host->record.maxSpace = 1 << 20;
      if (tile) UseTilePath(*host);
      const GridModel m = SomeGrid();
      ApplyModel(Block(), m);
      EXPECT_EQ(host->RunFilter(false), noErr) << area.top << (tile ? " tile" : " whole");
      EXPECT_LE(host->counters.advanceStateCalls, 1);
      EXPECT_LE(host->counters.selectorCalls[filterSelectorContinue], 3);
      for (const VRect& s : host->counters.servedOutRects) EXPECT_LT(s.top, s.bottom);
      EXPECT_GE(Block()->rowsPerStrip, 1);
      EXPECT_EQ(FirstDifference(host->image, ModelImage(host->source, area, m)), "");
      TearDown();
    }
  }
}

// A parameters handle whose data address is null gets one answer from every selector.
TEST_F(HardeningTest, ParametersWithoutDataFailEverySelectorAlike) {
  Ptr nothing = nullptr;
  const Handle saved = host->record.parameters;
  host->record.parameters = &nothing;
  for (int16_t selector : {1, 2, 3, 4, 5}) {
    EXPECT_EQ(host->Call(selector), memFullErr) << "selector " << selector;
  }
  EXPECT_EQ(host->RunFilter(true), memFullErr);
  EXPECT_EQ(host->counters.advanceStateCalls, 0);
  EXPECT_EQ(FirstDifference(host->image, host->source), "");
  host->record.parameters = saved;
}

// A block shorter than FilterParameters is grown: the fields it had are kept, the rest get
// their defaults, and nothing is read past its end. When the host cannot tell the size the
// block is trusted; when it cannot grow it, every selector fails alike.
TEST_F(HardeningTest, ShortParameterBlocksAreGrownOrRefused) {
  struct Case {
    int32_t bytes;
    bool sizeUnknown, growFails;
    int16_t want;
  } cases[] = {{2, false, false, noErr},
               {10, false, false, noErr},
               {int32_t(sizeof(FilterParameters)) - 1, false, false, noErr},
               {int32_t(sizeof(FilterParameters)), true, false, noErr},
               {10, false, true, memFullErr}};
  for (const Case& c : cases) {
    SetUp();
    FilterParameters old = *Block();  // defaults, and two settings of its own
    old.amount = 42;
    old.verticalGap = 5;
    Handle h = host->handleProcs.newProc(c.bytes);
    std::memcpy(*h, &old, size_t(c.bytes));
    if (c.sizeUnknown) {  // a whole block: the one made at SetUp, with its defaults
      std::memcpy(*h, Block(), sizeof(FilterParameters));
      reinterpret_cast<FilterParameters*>(*h)->verticalGap = 5;
    }
    host->faults.getSizeAnswersZero = c.sizeUnknown;
    host->faults.failSetHandleSize = c.growFails;
    host->record.parameters = h;
    EXPECT_EQ(host->RunFilter(true), c.want) << c.bytes << " bytes";
    if (c.want != noErr) {
      EXPECT_EQ(host->Call(filterSelectorFinish), memFullErr);
      EXPECT_EQ(FirstDifference(host->image, host->source), "");
      TearDown();
      continue;
    }
    host->faults.getSizeAnswersZero = false;
    EXPECT_EQ(host->handleProcs.getSizeProc(h), c.sizeUnknown ? c.bytes : int32_t(sizeof(FilterParameters)));
    const FilterParameters& p = *Block();
    if (c.bytes >= 10) EXPECT_EQ(p.verticalGap, 5) << c.bytes << " bytes";
    if (!c.sizeUnknown && c.bytes >= 2) EXPECT_EQ(p.amount, 42);
    EXPECT_EQ(p.colourCode, kColourBlue) << c.bytes << " bytes";
    EXPECT_EQ(p.ignoreZeroPixel, 1);
    EXPECT_EQ(p.colourRadioId, 8);
    TearDown();
  }
}

// Whatever bytes the host hands back as the block, every call brings the fields the plug-in
// relies on into range before using them, and the image is the one those values describe.
TEST_F(HardeningTest, EveryFieldOfAHostileBlockIsBroughtIntoRange) {
  for (int fill : {0x00, 0xFF, 0x7F, 0x80, 0xCD, 0x01}) {
    for (int16_t selector : {1, 2, 3, 4, 5, -1}) {
      SetUp();
      Use(MakePatternImage(11, 9, 4), plugInModeRGBColor);
      std::memset(Block(), fill, sizeof(FilterParameters));
      host->Call(selector);
      const FilterParameters& p = *Block();
      SCOPED_TRACE(testing::Message() << "fill " << fill << ", selector " << selector);
      for (int16_t gap : {p.horizontalGap, p.verticalGap}) EXPECT_TRUE(gap >= 0 && gap <= 30000);
      for (int16_t t : {p.horizontalThickness, p.verticalThickness}) EXPECT_TRUE(t >= 0 && t <= 29999);
      EXPECT_TRUE(p.amount >= 1 && p.amount <= 99);
      EXPECT_TRUE(p.opacity >= 1 && p.opacity <= 100);
      EXPECT_TRUE(p.colourRadioId >= 7 && p.colourRadioId <= 11);
      EXPECT_GE(p.rowsPerStrip, 1);
      for (uint8_t flag : {p.showDialog, p.entireImage, p.useAdvanceState, p.hostIsPremiere,
                           p.ignoreZeroPixel, p.removeOthers})
        EXPECT_LE(flag, 1);
      EXPECT_TRUE(p.alignment >= 0 && p.alignment <= 2);
      TearDown();
    }
    SetUp();
    Use(MakePatternImage(11, 9, 4), plugInModeRGBColor);
    std::memset(Block(), fill, sizeof(FilterParameters));
    Block()->hostIsPremiere = 0;  // the reversed byte order has its own tests
    ASSERT_EQ(host->RunFilter(false), noErr) << "fill " << fill;
    const FilterParameters& p = *Block();
    GridModel m;
    m.horizontalGap = p.horizontalGap;
    m.horizontalThickness = p.horizontalThickness;
    m.verticalGap = p.verticalGap;
    m.verticalThickness = p.verticalThickness;
    m.alignment = (p.alignment >= 0 && p.alignment <= 2) ? p.alignment : 0;
    m.ignoreZeroPixel = p.ignoreZeroPixel != 0;
    m.removeOthers = p.removeOthers != 0;
    m.opacity = p.opacity;
    if (p.colourCode == kColourBlack) m.colour[2] = 0;  // every other code draws blue
    EXPECT_EQ(FirstDifference(host->image, ModelImage(host->source, host->record.filterRect, m)), "")
        << "fill " << fill;
    TearDown();
  }
}

// Some hosts restore the previous session's data-slot value on a rerun: any value this
// module did not store in this process is left alone and a fresh context replaces it.
TEST_F(HardeningTest, StaleDataSlotValuesAreNeverDereferenced) {
  const intptr_t stale[] = {1, -1, intptr_t(0x7FFF0000), 0};
  for (intptr_t value : stale) {
    SetUp();
    Use(MakePatternImage(7, 6, 3), plugInModeRGBColor);
    const GridModel m = SomeGrid();
    ApplyModel(Block(), m);
    Handle foreign = nullptr;
    if (value == 0) {  // a live host handle, but not one this module stored: garbage inside
      foreign = host->handleProcs.newProc(int32_t(sizeof(InvocationContext)));
      value = reinterpret_cast<intptr_t>(foreign);
    }
    host->dataSlot = value;
    EXPECT_EQ(host->RunFilter(true), noErr);
    EXPECT_NE(host->dataSlot, value);
    EXPECT_EQ(FirstDifference(host->image, ModelImage(host->source, host->record.filterRect, m)), "");
    // The fresh context is this module's own: the next run keeps it.
    const intptr_t fresh = host->dataSlot;
    EXPECT_EQ(host->RunFilter(false), noErr);
    EXPECT_EQ(host->dataSlot, fresh);
    if (foreign != nullptr) EXPECT_EQ(host->LockDepth(foreign), 0) << "the foreign handle was locked";
    TearDown();
  }
}

// A host that refuses the whole area with -108 gets it in Prepare's strips, and the image
// is byte for byte the one-pass image. Other refusals, and a strip as tall as the area,
// stay failures.
TEST_F(HardeningTest, WholeAreaFallsBackToPrepareStripsWhenTheHostIsShortOfMemory) {
  struct Case {
    int32_t offer;       // the host's memory offer at Prepare
    int64_t hostLimit;   // bytes the host can serve at once; 0: exactly Prepare's strip
    int16_t want;
    int32_t advanceStates;
  } cases[] = {{2000, 0, noErr, 1 + 5},     // 6-row strips over 30 rows
               {1, 0, noErr, 1 + 30},       // one row at a time
               {1 << 20, 0, noErr, 1},      // the whole area fits the offer
               {1 << 20, 5000, memFullErr, 1}};  // strips no shorter than the area
  for (const Case& c : cases) {
    for (int alignment : {0, 2}) {
      SetUp();
      GridModel m = SomeGrid();
      m.alignment = alignment;
      Use(MakePatternImage(40, 30, 4), plugInModeRGBColor);
      ApplyModel(Block(), m);
      ASSERT_EQ(host->RunFilter(false), noErr);  // the one-pass reference
      const HostImage onePass = host->image;

      SetUp();
      Use(MakePatternImage(40, 30, 4), plugInModeRGBColor);
      ApplyModel(Block(), m);
      Block()->rowsPerStrip = 1;  // as in a new block: Prepare grows it to the offer
      host->record.maxSpace = c.offer;
      ASSERT_EQ(host->Call(filterSelectorPrepare), noErr);
      host->faults.maxServedBytes = c.hostLimit != 0 ? c.hostLimit : host->record.maxSpace;
      host->record.maxSpace = c.offer;
      EXPECT_EQ(host->RunFilter(false), c.want) << "offer " << c.offer;
      EXPECT_EQ(host->counters.advanceStateCalls, c.advanceStates) << "offer " << c.offer;
      if (c.want == noErr) {
        EXPECT_EQ(FirstDifference(host->image, onePass), "") << "offer " << c.offer;
      } else {
        EXPECT_EQ(FirstDifference(host->image, host->source), "");
      }
      TearDown();
    }
  }
}

// Renderer input checks, each with a case that a broken check would let through.
TEST_F(HardeningTest, RendererChecksTheBuffersItIsGiven) {
  Use(MakePatternImage(6, 4, 4), plugInModeRGBColor);
  FilterRecord& r = host->record;
  Block()->horizontalGap = 1;  // row 0 a stripe, row 1 not
  Block()->removeOthers = 1;
  Block()->ignoreZeroPixel = 1;
  Block()->colourCode = kColourRed;
  auto deliver = [&](Rect rect, int16_t planes, int16_t inHi, int16_t outHi) {
    host->counters.abortPolls = 0;
    host->RequestArea(VRect{rect.top, rect.left, rect.bottom, rect.right});
    r.inLoPlane = r.outLoPlane = 0;
    r.inHiPlane = inHi;
    r.outHiPlane = outHi;
    ASSERT_EQ(host->ServeRequestedRectangles(), noErr);
    r.planes = planes;
  };

  // A rectangle starting left of the filter area: rows must hold it from its own left edge.
  host->SetFilterRect(Rect{0, 2, 4, 6});
  for (bool input : {false, true}) {
    deliver(Rect{0, 0, 4, 6}, 4, 3, 3);
    if (input) r.inRowBytes = 6 * 4 - 1;
    else r.outRowBytes = 6 * 4 - 1;
    RenderStripes(Context(), false);
    host->CommitOutput();
    EXPECT_EQ(host->counters.abortPolls, 0) << (input ? "input" : "output") << " row one byte short";
    EXPECT_EQ(FirstDifference(host->image, host->source), "");
  }

  host->SetFilterRect(Rect{0, 0, 4, 6});
  // Fewer source than output planes: only the bytes both have are decided, cleared ones too.
  deliver(r.filterRect, 4, 1, 3);
  RenderStripes(Context(), false);
  host->CommitOutput();
  for (int32_t x = 0; x < 6; ++x) {
    const uint8_t* got0 = host->image.At(0, x);
    const uint8_t* got1 = host->image.At(1, x);
    const uint8_t* src0 = host->source.At(0, x);
    const uint8_t* src1 = host->source.At(1, x);
    EXPECT_TRUE(got0[0] == 255 && got0[1] == 0 && got0[2] == src0[2] && got0[3] == src0[3]) << x;
    EXPECT_TRUE(got1[0] == 0 && got1[1] == 0 && got1[2] == src1[2] && got1[3] == src1[3]) << x;
  }

  // An output buffer with more planes than `planes`: its own stride, `planes` bytes decided.
  host->image = host->source;
  deliver(r.filterRect, 3, 3, 3);
  RenderStripes(Context(), false);
  host->CommitOutput();
  GridModel m;
  m.horizontalGap = 1;
  m.removeOthers = true;
  m.colour[0] = 255;
  m.colour[2] = 0;
  HostImage want = ModelImage(host->source, r.filterRect, m);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 6; ++x) want.At(y, x)[3] = host->source.At(y, x)[3];
  EXPECT_EQ(FirstDifference(host->image, want), "");
  r.planes = 4;
}

// No planes at all: neither path asks for anything or writes anything.
TEST_F(HardeningTest, NoPlanesMeansNoRequestsOnEitherPath) {
  for (int16_t planes : {int16_t(0), int16_t(-3)}) {
    for (bool tile : {false, true}) {
      SetUp();
      Use(MakePatternImage(5, 4, 3), plugInModeRGBColor);
      Block()->horizontalGap = 1;
      if (tile) UseTilePath(*host);
      host->record.planes = planes;
      EXPECT_EQ(host->RunFilter(false), noErr);
      EXPECT_EQ(host->counters.selectorCalls[filterSelectorContinue], 0);
      EXPECT_EQ(host->counters.advanceStateCalls, 0);
      EXPECT_EQ(host->counters.abortPolls, 0);
      EXPECT_TRUE(host->counters.servedOutRects.empty());
      EXPECT_EQ(FirstDifference(host->image, host->source), "");
      TearDown();
    }
  }
}

}  // namespace
