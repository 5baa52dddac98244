// The row renderer: stripe positions, plane handling per mode, abort and hostile input.
#include <cstring>
#include <string>

#include "params/settings.h"
#include "render/row_renderer.h"
#include "tests/native/render_model.h"
#include "tools/testhost/png_writer.h"

namespace {

using RowRendererTest = RenderTest;

// Which rows (or columns) of a strip 1 pixel across carry the stripe colour.
std::string StripeProfile(const HostImage& img, bool alongRows) {
  std::string s;
  const int32_t count = alongRows ? img.height : img.width;
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t* p = alongRows ? img.At(i, 0) : img.At(0, i);
    s += (p[0] == 0 && p[1] == 0 && p[2] == 255) ? '#' : '.';
  }
  return s;
}

TEST_F(RowRendererTest, WorkedAlignmentExamplesInBothDirections) {
  struct Case {
    int16_t alignment;
    const char* profile;
  } cases[] = {
      {0, "##...##...##"},
      {1, ".##...##...#"},
      {2, "...##...##.."},
      {7, "##...##...##"},   // outside 0..2 renders as top
      {-1, "##...##...##"},
  };
  for (const Case& c : cases) {
    for (bool alongRows : {true, false}) {
      Use(MakePatternImage(alongRows ? 1 : 12, alongRows ? 12 : 1, 3), plugInModeRGBColor);
      FilterParameters* block = Block();
      block->colourCode = kColourBlue;
      block->alignment = c.alignment;
      block->horizontalGap = alongRows ? 3 : 0;
      block->verticalGap = alongRows ? 0 : 3;
      block->horizontalThickness = block->verticalThickness = 1;
      RenderAll();
      EXPECT_EQ(StripeProfile(host->image, alongRows), c.profile)
          << "alignment " << c.alignment << (alongRows ? " rows" : " columns");
    }
  }
}

TEST_F(RowRendererTest, GapZeroSwitchesADirectionOff) {
  struct Case {
    int16_t hGap, vGap;
    bool remove;
  } cases[] = {{0, 0, false}, {0, 0, true}, {0, 4, false}, {4, 0, true}};
  for (const Case& c : cases) {
    Use(MakePatternImage(23, 17, 3), plugInModeRGBColor);
    GridModel m;
    m.horizontalGap = c.hGap;
    m.verticalGap = c.vGap;
    m.horizontalThickness = m.verticalThickness = 40;  // thickness alone must not draw
    m.removeOthers = c.remove;
    ApplyModel(Block(), m);
    RenderAll();
    const std::string diff = FirstDifference(host->image, ModelImage(host->source, host->record.filterRect, m));
    EXPECT_EQ(diff, "") << "gaps " << c.hGap << "/" << c.vGap << " remove " << c.remove;
  }
}

// Stripe pixel bytes per mode and plane count, host conversion present or not.
TEST_F(RowRendererTest, StripePixelPlanesPerMode) {
  struct Case {
    const char* name;
    int16_t mode;
    int32_t planes;
    ColourCode colour;
    uint8_t ignoreZero;
    uint8_t premiere;
    int16_t want[5];  // -1: the source byte stays
  } cases[] = {
      {"RGB+alpha ignore", plugInModeRGBColor, 4, kColourRed, 1, 0, {255, 0, 0, 255, 0}},
      {"RGB+alpha keep", plugInModeRGBColor, 4, kColourRed, 0, 0, {255, 0, 0, -1, 0}},
      {"Gray+alpha", plugInModeGrayScale, 2, kColourBlue, 1, 0, {29, 255, 0, 0, 0}},
      {"Duotone keep", plugInModeDuotone, 2, kColourGreen, 0, 0, {150, -1, 0, 0, 0}},
      {"Multichannel ignore", plugInModeMultichannel, 3, kColourRed, 1, 0, {255, 255, 255, 0, 0}},
      {"Multichannel keep", plugInModeMultichannel, 3, kColourRed, 0, 0, {-1, -1, -1, 0, 0}},
      {"CMYK blue", plugInModeCMYKColor, 4, kColourBlue, 1, 0, {255, 255, 0, 0, 0}},
      {"CMYK+extra", plugInModeCMYKColor, 5, kColourBlack, 1, 0, {0, 0, 0, 255, 255}},
      {"Lab blue", plugInModeLabColor, 3, kColourBlue, 1, 0, {82, 207, 20, 0, 0}},
      {"HSB blue", plugInModeHSBColor, 3, kColourBlue, 1, 0, {170, 255, 255, 0, 0}},
      {"HSL green", plugInModeHSLColor, 3, kColourGreen, 1, 0, {85, 255, 128, 0, 0}},
      {"video host blue", plugInModeRGBColor, 4, kColourBlue, 1, 1, {255, 0, 0, 255, 0}},
      {"video host keep", plugInModeRGBColor, 4, kColourBlue, 0, 1, {255, 0, 0, -1, 0}},
      {"planes < n", plugInModeCMYKColor, 2, kColourBlue, 1, 0, {255, 255, 0, 0, 0}},
      {"planes < n reversed", plugInModeCMYKColor, 2, kColourBlue, 1, 1, {0, 0, 0, 0, 0}},
      {"unknown code is blue", plugInModeRGBColor, 3, 0x12345678, 1, 0, {0, 0, 255, 0, 0}},
  };
  for (bool withServices : {true, false}) {
    for (const Case& c : cases) {
      SetUp();
      host->faults.withholdColorServices = !withServices;
      host->ApplyFaults();
      Use(MakePatternImage(3, 2, c.planes), c.mode);
      FilterParameters* block = Block();
      block->colourCode = c.colour;
      block->ignoreZeroPixel = c.ignoreZero;
      block->hostIsPremiere = c.premiere;
      block->horizontalGap = 1;  // row 0 stripe, row 1 not
      RenderAll();
      for (int32_t x = 0; x < 3; ++x) {
        for (int32_t k = 0; k < c.planes; ++k) {
          const int want = c.want[k] < 0 ? host->source.At(0, x)[k] : c.want[k];
          EXPECT_EQ(host->image.At(0, x)[k], want)
              << c.name << " plane " << k << (withServices ? " host conversion" : " own conversion");
          EXPECT_EQ(host->image.At(1, x)[k], host->source.At(1, x)[k]) << c.name << " other pixel";
        }
      }
      TearDown();
    }
  }
}

TEST_F(RowRendererTest, AbortOnFirstPixelLeavesDestinationUntouched) {
  Use(MakePatternImage(8, 4, 3), plugInModeRGBColor);
  Block()->horizontalGap = 1;
  Block()->removeOthers = 1;
  host->faults.abortAtPoll = 1;
  RenderAll();
  EXPECT_EQ(host->result, userCanceledErr);
  EXPECT_EQ(host->counters.abortPolls, 1);
  EXPECT_EQ(FirstDifference(host->image, host->source), "");
}

TEST_F(RowRendererTest, AbortMidRowWritesOnlyPixelsBeforeIt) {
  // Row 0 is a stripe row, row 1 alternates stripe and cleared pixels.
  for (int32_t abortAt : {3, 8 + 1, 8 + 4, 8 + 6}) {
    SetUp();
    Use(MakePatternImage(8, 3, 3), plugInModeRGBColor);
    GridModel m;
    m.horizontalGap = 2;
    m.verticalGap = 1;
    m.removeOthers = true;
    ApplyModel(Block(), m);
    host->faults.abortAtPoll = abortAt;
    RenderAll();
    EXPECT_EQ(host->result, userCanceledErr);
    EXPECT_EQ(host->counters.abortPolls, abortAt) << "one poll per pixel up to the abort";
    const HostImage full = ModelImage(host->source, host->record.filterRect, m);
    for (int32_t i = 0; i < 8 * 3; ++i) {
      const int32_t y = i / 8, x = i % 8;
      const HostImage& want = i < abortAt - 1 ? full : host->source;
      for (int32_t k = 0; k < 3; ++k)
        EXPECT_EQ(host->image.At(y, x)[k], want.At(y, x)[k]) << "abort at " << abortAt << " pixel " << i;
    }
    TearDown();
  }
}

// Rows written by lookup and by runs, opaque and translucent, today's grid and the new geometry,
// at both depths: an abort leaves every pixel from the one it names as the source's and those
// before it as a full render writes them.
TEST_F(RowRendererTest, AbortMidRowOnEveryPathWritesOnlyPixelsBeforeIt) {
  constexpr int32_t kWidth = 13, kHeight = 6;
  for (int grid = 0; grid < 3; ++grid) {
    for (int32_t depth : {8, 16}) {
      for (int16_t opacity : {100, 40}) {
        for (int32_t abortAt : {5, kWidth + 4, 2 * kWidth + 1, 3 * kWidth + 7, 5 * kWidth + 12}) {
          SCOPED_TRACE(testing::Message() << "grid " << grid << ", depth " << depth << ", opacity " << opacity
                                          << ", abort at " << abortAt);
          HostImage full;
          for (int pass = 0; pass < 2; ++pass) {
            SetUp();
            Use(MakePatternImage(kWidth, kHeight, 4, depth), plugInModeRGBColor);
            FilterParameters& b = *Block();
            b.horizontalGap = 2, b.horizontalThickness = 0, b.verticalGap = 3, b.verticalThickness = 0;
            b.opacity = opacity;
            if (grid > 0) {  // majors every 5 rows and 6 columns, minors between, dashed in grid 2
              b.horizontalGapLength = 4000, b.verticalGapLength = 5000;
              b.horizontalThickLength = b.verticalThickLength = 1000;
              b.subdivisions = 2, b.minorRed = 255, b.minorOpacity = 50;
              b.lineStyle = grid == 2 ? kLineDashed : kLineSolid, b.dashLength = 2000, b.dashGapLength = 1000;
              UpdatePixelMirrors(&b);
            }
            if (pass == 1) host->faults.abortAtPoll = abortAt;
            RenderAll();
            if (pass == 0) {
              full = host->image;
              TearDown();
              continue;
            }
            EXPECT_EQ(host->result, userCanceledErr);
            EXPECT_EQ(host->counters.abortPolls, abortAt);
            for (int32_t i = 0; i < kWidth * kHeight; ++i) {
              const HostImage& want = i < abortAt - 1 ? full : host->source;
              const int32_t y = i / kWidth, x = i % kWidth;
              ASSERT_EQ(std::memcmp(host->image.At(y, x), want.At(y, x), want.PixelBytes()), 0) << "pixel " << i;
            }
            TearDown();
          }
        }
      }
    }
  }
}

TEST_F(RowRendererTest, EmptyOrInvertedRectanglesCallNothing) {
  Use(MakePatternImage(6, 6, 3), plugInModeRGBColor);
  Block()->horizontalGap = 1;
  for (Rect r : {Rect{2, 0, 2, 6}, Rect{4, 0, 1, 6}, Rect{-32768, 0, -32768, 6}}) {
    host->counters.progressCalls = host->counters.abortPolls = 0;
    RenderRect(r);
    EXPECT_EQ(host->counters.progressCalls, 0);
    EXPECT_EQ(host->counters.abortPolls, 0);
  }
  EXPECT_EQ(FirstDifference(host->image, host->source), "");
  // Rows without columns still report progress once per row.
  RenderRect(Rect{1, 3, 4, 3});
  EXPECT_EQ(host->counters.progressCalls, 3);
  EXPECT_EQ(host->counters.abortPolls, 0);
}

TEST_F(RowRendererTest, RowsBelowTheAreaKeepTheirBytesAndProgressStaysWithinTotal) {
  Use(MakePatternImage(5, 12, 3), plugInModeRGBColor);
  host->SetFilterRect(Rect{2, 1, 9, 4});
  GridModel m;
  m.horizontalGap = 1;
  m.verticalGap = 1;
  m.removeOthers = true;
  ApplyModel(Block(), m);
  RenderRect(Rect{6, 1, 12, 4});  // a last strip reaching 3 rows below the area
  HostImage want = ModelImage(host->source, host->record.filterRect, m);
  for (int32_t y = 0; y < 6; ++y)  // rows above the strip were not delivered
    for (int32_t x = 0; x < 5; ++x)
      for (int32_t k = 0; k < 3; ++k) want.At(y, x)[k] = host->source.At(y, x)[k];
  EXPECT_EQ(FirstDifference(host->image, want), "");
  EXPECT_EQ(host->counters.progressCalls, 3);
  EXPECT_EQ(host->counters.maxProgressDone, 6);
  EXPECT_EQ(host->counters.lastProgressTotal, 7);
}

TEST_F(RowRendererTest, HostileBlockValuesAreClamped) {
  struct Case {
    int16_t hGap, hThick, vGap, vThick, alignment;
  } cases[] = {{32767, 32767, -32768, -32768, 2}, {-1, 200, 101, -7, 99}, {100, 99, 100, 99, 1},
               {3, -32768, 250, 0, -32768}};
  for (const Case& c : cases) {
    Use(MakePatternImage(130, 9, 4), plugInModeRGBColor);
    GridModel m;
    m.horizontalGap = c.hGap;
    m.horizontalThickness = c.hThick;
    m.verticalGap = c.vGap;
    m.verticalThickness = c.vThick;
    m.alignment = (c.alignment >= 0 && c.alignment <= 2) ? c.alignment : 0;
    ApplyModel(Block(), m);
    Block()->alignment = c.alignment;
    Block()->ignoreZeroPixel = 7;  // any non-zero byte counts as set
    RenderAll();
    EXPECT_EQ(FirstDifference(host->image, ModelImage(host->source, host->record.filterRect, m)), "")
        << "gaps " << c.hGap << "/" << c.vGap;
  }
}

TEST_F(RowRendererTest, HostilePlaneRangesAndBuffersStayInside) {
  Use(MakePatternImage(7, 5, 4), plugInModeRGBColor);
  Block()->horizontalGap = 1;
  Block()->verticalGap = 1;
  Block()->ignoreZeroPixel = 0;
  FilterRecord& r = host->record;
  host->RequestArea(host->FilterArea());
  // The source delivers two planes while the image has four: only two bytes per pixel are
  // decided, the rest keep what the host delivered.
  r.inLoPlane = 0;
  r.inHiPlane = 1;
  r.outLoPlane = 0;
  r.outHiPlane = 3;
  ASSERT_EQ(host->ServeRequestedRectangles(), noErr);
  RenderStripes(Context(), true);
  host->CommitOutput();
  EXPECT_EQ(host->image.At(0, 0)[0], 0);
  EXPECT_EQ(host->image.At(0, 0)[1], 0);
  EXPECT_EQ(host->image.At(0, 0)[2], host->source.At(0, 0)[2]);
  EXPECT_EQ(host->image.At(1, 1)[1], host->source.At(1, 1)[1]);

  // No bytes at all to decide: nothing is called or written.
  struct Bad {
    int16_t planes, inLo, inHi, outLo, outHi;
  } bad[] = {{0, 0, 3, 0, 3}, {-4, 0, 3, 0, 3}, {4, 3, 1, 0, 3}, {4, 0, 3, 2, 0}};
  for (const Bad& b : bad) {
    host->counters.abortPolls = host->counters.progressCalls = 0;
    r.planes = 4;
    r.inLoPlane = r.outLoPlane = 0;
    r.inHiPlane = r.outHiPlane = 3;
    ASSERT_EQ(host->ServeRequestedRectangles(), noErr);
    r.planes = b.planes;
    r.inLoPlane = b.inLo;
    r.inHiPlane = b.inHi;
    r.outLoPlane = b.outLo;
    r.outHiPlane = b.outHi;
    const HostImage before = host->image;
    RenderStripes(Context(), true);
    host->CommitOutput();
    EXPECT_EQ(FirstDifference(host->image, before), "") << "planes " << b.planes;
    EXPECT_EQ(host->counters.abortPolls, 0);
  }
  // Missing buffers or a row stride too short for the row: nothing is written.
  r.planes = 4;
  r.inLoPlane = r.outLoPlane = 0;
  r.inHiPlane = r.outHiPlane = 3;
  ASSERT_EQ(host->ServeRequestedRectangles(), noErr);
  r.inData = nullptr;
  RenderStripes(Context(), true);
  ASSERT_EQ(host->ServeRequestedRectangles(), noErr);
  r.outRowBytes = 4 * 7 - 1;
  RenderStripes(Context(), true);
  EXPECT_EQ(host->counters.abortPolls, 0);
  // A context whose block is gone renders nothing.
  Handle saved = r.parameters;
  r.parameters = nullptr;
  RenderStripes(Context(), true);
  r.parameters = saved;
  EXPECT_EQ(host->counters.abortPolls, 0);
}

TEST_F(RowRendererTest, NoAbortProcMeansNoAbort) {
  host->faults.nullAbortProc = true;
  host->faults.nullProgressProc = true;
  host->ApplyFaults();
  Use(MakePatternImage(9, 9, 3), plugInModeRGBColor);
  GridModel m;
  m.horizontalGap = 2;
  m.verticalGap = 3;
  m.verticalThickness = 1;
  ApplyModel(Block(), m);
  RenderAll();
  EXPECT_EQ(host->result, noErr);
  EXPECT_EQ(FirstDifference(host->image, ModelImage(host->source, host->record.filterRect, m)), "");
}

TEST_F(RowRendererTest, WritesLookAtPictures) {
  struct Case {
    const char* file;
    int16_t mode;
    int32_t planes;
    int16_t alignment;
    ColourCode colour;
  } cases[] = {{"render_rgb_top.png", plugInModeRGBColor, 3, 0, kColourRed},
               {"render_rgb_centre.png", plugInModeRGBColor, 3, 1, kColourGreen},
               {"render_rgb_bottom.png", plugInModeRGBColor, 3, 2, kColourBlue},
               {"render_gray.png", plugInModeGrayScale, 1, 0, kColourBlue}};
  for (const Case& c : cases) {
    Use(MakePatternImage(160, 120, c.planes), c.mode);
    FilterParameters* block = Block();
    block->colourCode = c.colour;
    block->alignment = c.alignment;
    block->horizontalGap = 17;
    block->horizontalThickness = 3;
    block->verticalGap = 25;
    block->verticalThickness = 5;
    RenderAll();
    const HostImage& img = host->image;
    EXPECT_TRUE(WritePng(TestOutputPath(c.file), img.width, img.height, img.planes, img.pixels.data(),
                         img.width * img.planes))
        << c.file;
  }
}

}  // namespace
