// The grid in the picture's own terms as the renderer draws it: units, cells by count, offsets,
// subdivisions and line styles, against worked examples and a per-pixel model.
#include <string>

#include "params/scripting.h"
#include "params/settings.h"
#include "render/grid_lines.h"
#include "render/row_renderer.h"
#include "tests/native/render_model.h"
#include "tools/testhost/host_descriptor.h"

namespace {

using GridTermsRenderTest = RenderTest;

constexpr int32_t kFixed254 = 254 * 65536;

// '#' where a pixel of a strip one pixel across has the major colour (blue), 'm' the minor
// colour (red), '.' elsewhere.
std::string Profile(const HostImage& img, bool alongRows) {
  std::string s;
  const int32_t count = alongRows ? img.height : img.width;
  for (int32_t i = 0; i < count; ++i) {
    const uint8_t* p = alongRows ? img.At(i, 0) : img.At(0, i);
    s += (p[0] == 0 && p[1] == 0 && p[2] == 255) ? '#' : (p[0] == 255 && p[1] == 0 && p[2] == 0) ? 'm' : '.';
  }
  return s;
}

struct Axis {
  uint8_t unit;
  int32_t gap, thickness, offset;  // thousandths of the unit
  int16_t count, alignment;
  uint8_t frame;
};

// Sets one direction of the block: the horizontal stripes (`alongRows`) or the vertical ones.
void SetAxis(FilterParameters* b, const Axis& a, bool alongRows) {
  b->unit = a.unit, b->alignment = a.alignment, b->frame = a.frame;
  (alongRows ? b->horizontalGapLength : b->verticalGapLength) = a.gap;
  (alongRows ? b->horizontalThickLength : b->verticalThickLength) = a.thickness;
  (alongRows ? b->verticalOffset : b->horizontalOffset) = a.offset;
  (alongRows ? b->rows : b->columns) = a.count;
  (alongRows ? b->verticalGapLength : b->horizontalGapLength) = 0;
  (alongRows ? b->columns : b->rows) = 0;
  UpdatePixelMirrors(b);
}

// Worked by hand from the rules (24 pixels at 254 ppi: 1 cm = 100 px, 1 pt = 3.53 px).
TEST_F(GridTermsRenderTest, EachUnitInEachDirectionAndMode) {
  const struct {
    const char* name;
    Axis axis;
    const char* profile;
  } cases[] = {
      {"px 2.5 + 1: period 3.5, rounded once per stripe", {kGridPixels, 2500, 1000, 0, 0, 0, 0}, "#...#..#...#..#...#..#.."},
      {"22.5 % + 5 % of 24", {kGridPercent, 22500, 5000, 0, 0, 0, 0}, "#......#.....#......#..."},
      {"in", {kGridInches, 50, 4, 0, 0, 0, 0}, "#.............#........."},
      {"cm with an offset", {kGridCentimetres, 50, 10, 20, 0, 0, 0}, "..#.....#.....#.....#..."},
      {"mm, 2 px thick", {kGridMillimetres, 350, 200, 0, 0, 0, 0}, "##....##...##....##...##"},
      {"pt, centred", {kGridPoints, 3000, 1000, 0, 0, 1, 0}, ".....####..........####."},
      {"pc, a negative offset", {kGridPicas, 100, 20, -50, 0, 0, 0}, "...#....#....#....#....#"},
      {"3 cells with the frame, pc thick", {kGridPicas, 0, 50, 0, 3, 0, 1}, "##.....##......##.....##"},
      {"5 cells, no frame; gap and offset unused", {kGridPixels, 7000, 1000, 3000, 5, 2, 0}, "....#....#....#....#...."},
      {"4 cells with the frame, 10 % thick", {kGridPercent, 0, 10000, 0, 4, 0, 1}, "##...##....##....##...##"},
      {"a gap of 0 draws nothing", {kGridCentimetres, 0, 500, 0, 0, 0, 1}, "........................"},
  };
  for (const auto& c : cases) {
    for (bool alongRows : {true, false}) {
      SCOPED_TRACE(testing::Message() << c.name << (alongRows ? ", rows" : ", columns"));
      Use(MakePatternImage(alongRows ? 1 : 24, alongRows ? 24 : 1, 3), plugInModeRGBColor);
      host->record.imageHRes = host->record.imageVRes = kFixed254;
      SetAxis(Block(), c.axis, alongRows);
      RenderAll();
      EXPECT_EQ(Profile(host->image, alongRows), c.profile);
    }
  }
}

// Stripe k begins at floor(s + k P + 1/2): at 300 ppi a line every centimetre (P = 118.11 px)
// puts the hundredth at 11811, not at 100 x 118 = 11800.
TEST_F(GridTermsRenderTest, CentimetresDoNotDrift) {
  FilterParameters b = *Block();
  b.unit = kGridCentimetres, b.horizontalGapLength = 990, b.horizontalThickLength = 10, b.verticalGapLength = 0;
  GridLines lines{};
  ResolveGridLines(b, 300 * 65536, 300 * 65536, 20000, 20000, &lines);
  int64_t next = 0;
  EXPECT_EQ(AxisKindsAt(lines.down, 11810, &next), 0);
  EXPECT_EQ(next, 11811);
  EXPECT_EQ(AxisKindsAt(lines.down, 11811, &next), kOnMajor);
  EXPECT_EQ(next, 11812) << "1.18 px drawn as 1";
  ResolveGridLines(b, 0, -5, 20000, 20000, &lines);  // no resolution from the host: 72 ppi
  EXPECT_EQ(AxisKindsAt(lines.down, 2835, &next), kOnMajor) << "100 cm at 72 ppi is 2834.6 px";
  // The smallest period there is, a thousandth of a pixel, covers everything, however far.
  b.unit = kGridPixels, b.horizontalGapLength = 1, b.horizontalThickLength = 0;
  ResolveGridLines(b, 0, 0, int64_t(1) << 32, int64_t(1) << 32, &lines);
  for (int64_t p : {int64_t(0), int64_t(5000), int64_t(3) << 30})
    EXPECT_EQ(AxisKindsAt(lines.down, p, &next), kOnMajor) << p;
}

// Majors win over minors, and at a crossing a pixel is drawn when either line is drawn there;
// every style, with and without subdivisions, against a per-pixel model of the rules.
TEST_F(GridTermsRenderTest, StylesAndCrossings) {
  // Gap 8 + 2: majors at [0, 2) of every 10; with 2 subdivisions a minor at [5, 6).
  const struct { uint8_t style; int16_t subdivisions; int on, off, minorOn, minorOff; } cases[] = {
      {kLineSolid, 2, 1, 0, 1, 0}, {kLineDashed, 1, 3, 2, 3, 2}, {kLineDashed, 2, 3, 2, 3, 2},
      {kLineDotted, 1, 2, 2, 1, 1}, {kLineDotted, 2, 2, 2, 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "style " << int(c.style) << ", subdivisions " << c.subdivisions);
    Use(MakePatternImage(23, 19, 3), plugInModeRGBColor);
    FilterParameters& b = *Block();
    b.unit = kGridPixels, b.horizontalGapLength = b.verticalGapLength = 8000;
    b.horizontalThickLength = b.verticalThickLength = 2000;
    b.subdivisions = c.subdivisions, b.lineStyle = c.style, b.dashLength = 3000, b.dashGapLength = 2000;
    b.minorRed = 255, b.minorGreen = 0, b.minorBlue = 0, b.minorOpacity = 100;
    UpdatePixelMirrors(&b);
    RenderAll();
    auto major = [](int p) { return p % 10 < 2; };
    auto minor = [&](int p) { return c.subdivisions > 1 && p % 10 == 5; };
    auto dash = [](int p, int on, int off) { return off == 0 || p % (on + off) < on; };
    for (int y = 0; y < 19; ++y) {
      for (int x = 0; x < 23; ++x) {
        const bool isMajor = (major(y) && dash(x, c.on, c.off)) || (major(x) && dash(y, c.on, c.off));
        const bool isMinor = (minor(y) && dash(x, c.minorOn, c.minorOff)) || (minor(x) && dash(y, c.minorOn, c.minorOff));
        const uint8_t* got = host->image.At(y, x);
        const uint8_t* was = host->source.At(y, x);
        const uint8_t want[3] = {uint8_t(isMajor ? 0 : isMinor ? 255 : was[0]), uint8_t(isMajor || isMinor ? 0 : was[1]),
                                 uint8_t(isMajor ? 255 : isMinor ? 0 : was[2])};
        ASSERT_TRUE(got[0] == want[0] && got[1] == want[1] && got[2] == want[2])
            << "row " << y << ", column " << x << ": got " << int(got[0]) << "," << int(got[1]) << "," << int(got[2]);
      }
    }
  }
}

// The lattice draws whole-pixel grids as the original path does, at both depths and every
// alignment: dashes with no gap are solid lines, but take the lattice.
TEST_F(GridTermsRenderTest, TheLatticeMatchesTheWholePixelPath) {
  const struct { int16_t hGap, hThick, vGap, vThick; } grids[] = {{3, 1, 5, 0}, {1, 0, 0, 0}, {0, 0, 7, 3}, {30000, 29999, 2, 2}};
  for (const auto& g : grids) {
    for (int16_t alignment : {0, 1, 2}) {
      for (int32_t depth : {8, 16}) {
        SCOPED_TRACE(testing::Message() << g.hGap << "/" << g.hThick << " " << g.vGap << "/" << g.vThick << ", alignment "
                                        << alignment << ", depth " << depth);
        HostImage drawn[2];
        for (int pass = 0; pass < 2; ++pass) {
          Use(MakePatternImage(29, 31, 4, depth), plugInModeRGBColor);
          FilterParameters& b = *Block();
          b.horizontalGap = g.hGap, b.horizontalThickness = g.hThick, b.verticalGap = g.vGap, b.verticalThickness = g.vThick;
          b.alignment = alignment, b.opacity = 70;
          b.lineStyle = pass == 0 ? kLineSolid : kLineDashed, b.dashGapLength = 0;
          RenderAll();
          drawn[pass] = host->image;
        }
        EXPECT_EQ(FirstDifference(drawn[1], drawn[0]), "");
      }
    }
  }
}

// A step recorded in percent or cells replays in proportion on another size; one in centimetres
// keeps its size at another resolution.
TEST_F(GridTermsRenderTest, ReplayFitsOtherSizesAndResolutions) {
  const struct {
    const char* name;
    Axis axis;
    int32_t recordSize, replaySize, recordPpi, replayPpi;
    const char* profile;  // at the replay
  } cases[] = {
      {"thirds", {kGridPixels, 0, 1000, 0, 3, 0, 0}, 9, 30, 72, 72, "..........#.........#........."},
      {"percent", {kGridPercent, 20000, 10000, 0, 0, 0, 0}, 50, 30, 72, 72, "###......###......###......###"},
      {"cm", {kGridCentimetres, 40, 20, 0, 0, 0, 0}, 30, 30, 254, 127, "#..#..#..#..#..#..#..#..#..#.."},
  };
  for (const auto& c : cases) {
    for (bool alongRows : {true, false}) {
      SCOPED_TRACE(testing::Message() << c.name << (alongRows ? ", rows" : ", columns"));
      host->faults.descriptor.offer = true;
      host->ApplyFaults();
      Use(MakePatternImage(alongRows ? 1 : c.recordSize, alongRows ? c.recordSize : 1, 3), plugInModeRGBColor);
      host->record.imageHRes = host->record.imageVRes = c.recordPpi * 65536;
      SetAxis(Block(), c.axis, alongRows);
      ASSERT_EQ(host->Call(filterSelectorFinish), noErr);
      DescriptorItems step;
      ASSERT_TRUE(ReadDescriptorHandle(*host, host->descriptors.parameters.descriptor, step));

      SetParameterDefaults(Block());
      Use(MakePatternImage(alongRows ? 1 : c.replaySize, alongRows ? c.replaySize : 1, 3), plugInModeRGBColor);
      host->record.imageHRes = host->record.imageVRes = c.replayPpi * 65536;
      SetPlayDescriptor(*host, step, plugInDialogDontDisplay);
      ASSERT_EQ(host->RunFilter(true), noErr);
      EXPECT_EQ(Profile(host->image, alongRows), c.profile);
    }
  }
}

}  // namespace
