// The grid in the picture's own terms, resolved per call into integer lattices: where along one
// axis the major and minor lines lie, and which pixels along a line its dashes draw. Positions
// are pixels from the anchor's top or left edge. Integer arithmetic only, so every build and
// the preview find the same pixels.
#pragma once

#include <cstdint>

#include "corvane_records.h"

// Fraction bits of the fixed-point pixel lengths.
constexpr int32_t kPixelFractionBits = 20;
constexpr int64_t kPixelOne = int64_t(1) << kPixelFractionBits;

// Lines whose i-th one begins at floor((a + i * b) / c) and is `thickness` pixels thick, for i
// in [first, last]; with `skipEvery` > 1 the indexes that are multiples of it are not lines.
struct LineFamily {
  bool enabled;
  int64_t a;
  int64_t b;  // > 0
  int64_t c;  // > 0
  int64_t first;
  int64_t last;
  int32_t thickness;  // >= 1
  int32_t skipEvery;
};

// One axis of the grid: major lines (and, in cells by count with the frame, the area's edges)
// and minor lines.
struct AxisLines {
  LineFamily major;
  LineFamily minor;
  bool frame;
  int64_t extent;  // the anchor's side, for the frame
};

// Along a line: drawn where position mod (on + off) < on; `off` 0 draws every pixel.
struct DashPattern {
  int32_t on;
  int32_t off;
};

// Everything the renderer needs to draw the grid, per call.
struct GridLines {
  AxisLines down;    // the horizontal stripes, by row
  AxisLines across;  // the vertical stripes, by column
  DashPattern alongRowsMajor;     // along a horizontal major line, by column
  DashPattern alongRowsMinor;
  DashPattern alongColumnsMajor;  // along a vertical major line, by row
  DashPattern alongColumnsMinor;
};

// Pixel lengths of one setting: `length` in thousandths of `unit`, through `ppi` (16.16; 72 where
// 0 or less) or, for percent, of `extent` pixels. Fixed point with kPixelFractionBits, rounded
// down, held within +-2^38 pixels.
int64_t PixelLength(int32_t length, uint8_t unit, int32_t ppi, int64_t extent) noexcept;

// Resolves the block's grid for an anchor `width` x `height` at the record's resolutions.
void ResolveGridLines(const FilterParameters& block, int32_t horizontalPpi, int32_t verticalPpi,
                      int64_t width, int64_t height, GridLines* lines) noexcept;

// Line kinds at a position, as bits.
constexpr uint8_t kOnMajor = 1;
constexpr uint8_t kOnMinor = 2;

// The kinds of line at position `p` of an axis; `*next` is a later position (> p) before which
// they do not change.
uint8_t AxisKindsAt(const AxisLines& axis, int64_t p, int64_t* next) noexcept;
// Whether a dash is drawn at `p`; `*next` as above.
bool DashOnAt(const DashPattern& dash, int64_t p, int64_t* next) noexcept;

// True when the block draws today's grid: whole pixels, spacing, no offsets, no subdivisions,
// solid lines. Those take the renderer's original path, byte for byte.
bool IsWholePixelGrid(const FilterParameters& block) noexcept;
