#include "render/grid_lines.h"

#include "params/settings.h"

namespace {

constexpr int64_t kHalfPixel = kPixelOne / 2;
constexpr int64_t kNever = INT64_MAX;
constexpr int64_t kLongestFixed = int64_t(kLongestLengthPixels) * kPixelOne;
// Beyond any picture; keeps every product below 2^63.
constexpr int64_t kFarthestFixed = (int64_t(1) << 38) * kPixelOne;
// Past any index a position in a picture can reach (they stay below 2^50), yet small enough that
// index times step never overflows for the indexes a position gives.
constexpr int64_t kUnboundedIndex = int64_t(1) << 52;

int64_t FloorDiv(int64_t x, int64_t y) noexcept {
  int64_t q = x / y;
  if (x % y < 0) --q;
  return q;
}
int64_t CeilDiv(int64_t x, int64_t y) noexcept { return -FloorDiv(-x, y); }
int64_t PositiveMod(int64_t x, int64_t y) noexcept { return x - FloorDiv(x, y) * y; }
int64_t Min64(int64_t a, int64_t b) noexcept { return a < b ? a : b; }
int64_t Max64(int64_t a, int64_t b) noexcept { return a > b ? a : b; }
int64_t Clamp64(int64_t v, int64_t lo, int64_t hi) noexcept { return v < lo ? lo : (v > hi ? hi : v); }

// floor(a * m / d) without overflow for |a| < 2^62, 0 < m < 2^24, 0 < d < 2^24; held so the
// result stays within +-kFarthestFixed.
int64_t ScaledDown(int64_t a, int64_t m, int64_t d) noexcept {
  int64_t q = a / d;
  int64_t r = a % d;
  if (r < 0) --q, r += d;
  const int64_t limit = kFarthestFixed / m;
  if (q >= limit) return kFarthestFixed;
  if (q < -limit) return -kFarthestFixed;
  return q * m + r * m / d;
}

// The drawn width of a fixed-point thickness: rounded, at least one pixel, at most the longest.
int32_t DrawnPixels(int64_t fixed) noexcept {
  const int64_t whole = (Clamp64(fixed, 0, kLongestFixed) + kHalfPixel) >> kPixelFractionBits;
  return int32_t(whole < 1 ? 1 : whole);
}

int64_t SkipAdjusted(const LineFamily& f, int64_t i, int64_t step) noexcept {
  if (f.skipEvery > 1 && PositiveMod(i, f.skipEvery) == 0) i += step;
  return i;
}

int64_t BeginOf(const LineFamily& f, int64_t i) noexcept { return FloorDiv(f.a + i * f.b, f.c); }

bool FamilyAt(const LineFamily& f, int64_t p, int64_t* next) noexcept {
  *next = kNever;
  if (!f.enabled) return false;
  // The last line beginning at or before p.
  int64_t i = CeilDiv((p + 1) * f.c - f.a, f.b) - 1;
  if (i > f.last) i = f.last;
  i = SkipAdjusted(f, i, -1);
  const bool valid = i >= f.first;
  if (valid) {
    const int64_t begin = BeginOf(f, i);
    if (p < begin + f.thickness) {
      // Lines thicker than their spacing merge: follow them a while; stopping early only
      // splits a run.
      int64_t end = begin + f.thickness;
      for (int guard = 0; guard < 64; ++guard) {
        const int64_t j = SkipAdjusted(f, i + 1, 1);
        if (j > f.last) break;
        const int64_t following = BeginOf(f, j);
        if (following >= end) break;
        end = Max64(end, following + f.thickness);
        i = j;
      }
      *next = end;
      return true;
    }
  }
  const int64_t j = valid ? SkipAdjusted(f, i + 1, 1) : SkipAdjusted(f, f.first, 1);
  if (j <= f.last) *next = Max64(BeginOf(f, j), p + 1);
  return false;
}

void Earlier(int64_t candidate, int64_t p, int64_t* next) noexcept {
  if (candidate > p && candidate < *next) *next = candidate;
}

// Thousandths of a unit: the unit's pixels as m / d of (length * ppi / 65536), or of the extent.
struct UnitScale {
  int64_t m;
  int64_t d;
};
UnitScale PhysicalScale(uint8_t unit) noexcept {
  // kPixelOne / 65536 = 16; one unit is ppi * den / num pixels.
  switch (unit) {
    case kGridInches: return {16, 1000};
    case kGridCentimetres: return {1600, 254000};  // 100 / 2.54
    case kGridMillimetres: return {160, 254000};   // 10 / 2.54
    case kGridPoints: return {16, 72000};
    default: return {16, 6000};  // picas
  }
}

struct AxisSettings {
  int32_t gap, thickness, offset, minorThickness;
  int16_t count;
  int32_t ppi;
  int64_t extent;
};

void ResolveAxis(const FilterParameters& block, const AxisSettings& s, AxisLines* axis) noexcept {
  *axis = AxisLines{};
  const uint8_t unit = block.unit;
  const int32_t subdivisions = ClampSetting(block.subdivisions, kSubdivisionRange);
  const int64_t thicknessFixed = Clamp64(PixelLength(s.thickness, unit, s.ppi, s.extent), 0, kLongestFixed);
  const int32_t drawn = DrawnPixels(thicknessFixed);
  const int32_t minorDrawn = DrawnPixels(PixelLength(s.minorThickness, unit, s.ppi, s.extent));
  axis->extent = s.extent;
  LineFamily& major = axis->major;
  LineFamily& minor = axis->minor;
  major.thickness = drawn;
  minor.thickness = minorDrawn;
  minor.skipEvery = subdivisions;
  const int64_t count = ClampSetting(s.count, kCellCountRange);
  if (count > 0) {
    // Line i of n * S equal parts is centred on i * E / (n S): it begins at
    // floor((2 i E - n S T + n S) / (2 n S)).
    if (s.extent <= 0) return;
    const int64_t parts = count * subdivisions;
    major = LineFamily{count > 1, parts * (1 - drawn), 2 * s.extent * subdivisions, 2 * parts, 1, count - 1, drawn, 0};
    minor = LineFamily{subdivisions > 1, parts * (1 - minorDrawn), 2 * s.extent, 2 * parts, 1, parts - 1, minorDrawn, subdivisions};
    axis->frame = block.frame != 0;
    return;
  }
  if (s.gap <= 0) return;  // no stripes in this direction
  const int64_t gapFixed = Clamp64(PixelLength(s.gap, unit, s.ppi, s.extent), 0, kLongestFixed);
  const int64_t period = gapFixed + thicknessFixed;
  if (period <= 0) return;
  int64_t start = 0;
  const int16_t alignment = ValidAlignment(block.alignment);
  if (alignment == 1) start = (gapFixed >> (kPixelFractionBits + 1)) << kPixelFractionBits;
  if (alignment == 2) start = gapFixed;
  // Only the offset's remainder by the period matters.
  start = PositiveMod(start + PositiveMod(PixelLength(s.offset, unit, s.ppi, s.extent), period), period);
  // Stripe k begins at floor(s + k P + 1/2); minor line j of S at floor(s + (k S + j) P / S + 1/2).
  major = LineFamily{true, start + kHalfPixel, period, kPixelOne, -kUnboundedIndex, kUnboundedIndex, drawn, 0};
  minor = LineFamily{subdivisions > 1, subdivisions * (start + kHalfPixel), period,
                     subdivisions * kPixelOne, -kUnboundedIndex, kUnboundedIndex, minorDrawn, subdivisions};
}

// A dash length along a line: rounded, a positive length at least one pixel.
int32_t DashPixels(int32_t length, uint8_t unit, int32_t ppi, int64_t extent) noexcept {
  if (length <= 0) return 0;
  return DrawnPixels(PixelLength(length, unit, ppi, extent));
}

DashPattern ResolveDash(const FilterParameters& block, int32_t ownThickness, int32_t ppi,
                        int64_t extent) noexcept {
  switch (block.lineStyle) {
    case kLineDashed: {
      const int32_t on = DashPixels(block.dashLength, block.unit, ppi, extent);
      const int32_t off = DashPixels(block.dashGapLength, block.unit, ppi, extent);
      return DashPattern{on < 1 ? 1 : on, off};
    }
    case kLineDotted: return DashPattern{ownThickness, ownThickness};
    default: return DashPattern{1, 0};
  }
}

}  // namespace

int64_t PixelLength(int32_t length, uint8_t unit, int32_t ppi, int64_t extent) noexcept {
  switch (unit) {
    case kGridPixels: return ScaledDown(length, kPixelOne, 1000);
    case kGridPercent:
      return ScaledDown(int64_t(length) * Clamp64(extent, 0, int64_t(1) << 32), kPixelOne, 100000);
    default: {
      const int64_t resolution = ppi > 0 ? ppi : int64_t(72) << 16;
      const UnitScale scale = PhysicalScale(unit);
      return ScaledDown(int64_t(length) * resolution, scale.m, scale.d);
    }
  }
}

void ResolveGridLines(const FilterParameters& block, int32_t horizontalPpi, int32_t verticalPpi,
                      int64_t width, int64_t height, GridLines* lines) noexcept {
  ResolveAxis(block,
              AxisSettings{block.horizontalGapLength, block.horizontalThickLength, block.verticalOffset,
                           block.minorThickLength, block.rows, verticalPpi, height},
              &lines->down);
  ResolveAxis(block,
              AxisSettings{block.verticalGapLength, block.verticalThickLength, block.horizontalOffset,
                           block.minorThickLength, block.columns, horizontalPpi, width},
              &lines->across);
  // Dashes along a horizontal line are measured across the picture, along a vertical one down.
  lines->alongRowsMajor = ResolveDash(block, lines->down.major.thickness, horizontalPpi, width);
  lines->alongRowsMinor = ResolveDash(block, lines->down.minor.thickness, horizontalPpi, width);
  lines->alongColumnsMajor = ResolveDash(block, lines->across.major.thickness, verticalPpi, height);
  lines->alongColumnsMinor = ResolveDash(block, lines->across.minor.thickness, verticalPpi, height);
}

uint8_t AxisKindsAt(const AxisLines& axis, int64_t p, int64_t* next) noexcept {
  uint8_t kinds = 0;
  int64_t majorNext = kNever, minorNext = kNever;
  if (FamilyAt(axis.major, p, &majorNext)) kinds |= kOnMajor;
  if (FamilyAt(axis.minor, p, &minorNext)) kinds |= kOnMinor;
  *next = Min64(majorNext, minorNext);
  if (axis.frame) {
    const int64_t t = axis.major.thickness;
    const int64_t e = axis.extent;
    if ((p >= 0 && p < t) || (p >= e - t && p < e)) kinds |= kOnMajor;
    Earlier(0, p, next);
    Earlier(t, p, next);
    Earlier(e - t, p, next);
    Earlier(e, p, next);
  }
  return kinds;
}

bool DashOnAt(const DashPattern& dash, int64_t p, int64_t* next) noexcept {
  if (dash.off <= 0) {
    *next = kNever;
    return true;
  }
  const int64_t period = int64_t(dash.on) + dash.off;
  const int64_t phase = PositiveMod(p, period);
  const bool on = phase < dash.on;
  *next = p - phase + (on ? dash.on : period);
  return on;
}

bool IsWholePixelGrid(const FilterParameters& block) noexcept {
  return block.unit == kGridPixels && block.horizontalGapLength % kLengthScale == 0 &&
         block.verticalGapLength % kLengthScale == 0 &&
         block.horizontalThickLength % kLengthScale == 0 &&
         block.verticalThickLength % kLengthScale == 0 && block.horizontalOffset == 0 &&
         block.verticalOffset == 0 && block.rows <= 0 && block.columns <= 0 &&
         block.subdivisions <= 1 && block.lineStyle == kLineSolid;
}
