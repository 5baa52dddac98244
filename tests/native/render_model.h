// An independent model of the stripe grid, written from the closed form: a pixel is on a
// stripe when its row or its column, counted from the filter area's origin and less the
// start value, falls within the thickness modulo the period (and the gap is not zero).
#pragma once

#include <cstdint>
#include <sstream>
#include <string>

#include "render/row_renderer.h"
#include "tests/native/plugin_fixture.h"

struct GridModel {
  int32_t horizontalGap = 0;
  int32_t horizontalThickness = 0;  // stored value: height minus one
  int32_t verticalGap = 0;
  int32_t verticalThickness = 0;
  int32_t alignment = 0;
  bool ignoreZeroPixel = true;
  bool removeOthers = false;
  uint8_t colour[4] = {0, 0, 255, 0};  // colour bytes in plane order, already reversed if needed
  int32_t colourCount = 3;
  int32_t opacity = 100;  // percent
};

inline int32_t ModelClamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

inline bool ModelOnStripe(int32_t offset, int32_t gap, int32_t thickness, int32_t alignment) {
  gap = ModelClamp(gap, 0, 30000);
  const int32_t height = ModelClamp(thickness, 0, 29999) + 1;
  if (gap == 0) return false;
  int32_t start = 0;
  if (alignment == 1) start = gap / 2;
  if (alignment == 2) start = gap;
  const int32_t period = gap + height;
  return (((offset - start) % period) + period) % period < height;
}

// The image a run must produce from `before` over `area` (rows below or beside it unchanged).
// At 16 bits a colour byte c becomes (c * 32768 + 127) / 255 and full value is 32768. At an
// opacity o below 100 a colour sample c over a source sample s is (s (100 - o) + c o + 50) / 100.
inline HostImage ModelImage(const HostImage& before, const VRect& area, const GridModel& m) {
  HostImage out = before;
  const bool wide = before.depth == 16;
  const uint32_t full = wide ? 32768 : 255;
  for (int32_t y = area.top; y < area.bottom; ++y) {
    if (y < 0 || y >= before.height) continue;
    const bool rowOn = ModelOnStripe(y - area.top, m.horizontalGap, m.horizontalThickness, m.alignment);
    for (int32_t x = area.left; x < area.right; ++x) {
      if (x < 0 || x >= before.width) continue;
      const bool on = rowOn || ModelOnStripe(x - area.left, m.verticalGap, m.verticalThickness, m.alignment);
      for (int32_t k = 0; k < before.planes; ++k) {
        if (on) {
          if (k < m.colourCount) {
            const uint32_t c = wide ? (m.colour[k] * 32768u + 127) / 255 : m.colour[k];
            const uint32_t s = SampleAt(before, y, x, k), o = uint32_t(m.opacity);
            SetSampleAt(out, y, x, k, (s * (100 - o) + c * o + 50) / 100);
          } else if (m.ignoreZeroPixel) SetSampleAt(out, y, x, k, full);
        } else if (m.removeOthers) {
          SetSampleAt(out, y, x, k, 0);
        }
      }
    }
  }
  return out;
}

inline HostImage ModelImage(const HostImage& b, const Rect& a, const GridModel& m) { return ModelImage(b, VRect{a.top, a.left, a.bottom, a.right}, m); }
// Empty when equal; otherwise the first differing pixel.
inline std::string FirstDifference(const HostImage& got, const HostImage& want) {
  if (got.width != want.width || got.height != want.height || got.planes != want.planes ||
      got.depth != want.depth)
    return "image sizes differ";
  for (int32_t y = 0; y < got.height; ++y)
    for (int32_t x = 0; x < got.width; ++x)
      for (int32_t k = 0; k < got.planes; ++k)
        if (SampleAt(got, y, x, k) != SampleAt(want, y, x, k)) {
          std::ostringstream s;
          s << "row " << y << ", column " << x << ", plane " << k << ": got "
            << SampleAt(got, y, x, k) << ", want " << SampleAt(want, y, x, k);
          return s.str();
        }
  return "";
}

// Copies the model's settings into the block.
inline void ApplyModel(FilterParameters* block, const GridModel& m) {
  block->horizontalGap = int16_t(m.horizontalGap);
  block->horizontalThickness = int16_t(m.horizontalThickness);
  block->verticalGap = int16_t(m.verticalGap);
  block->verticalThickness = int16_t(m.verticalThickness);
  block->alignment = int16_t(m.alignment);
  block->ignoreZeroPixel = m.ignoreZeroPixel ? 1 : 0;
  block->removeOthers = m.removeOthers ? 1 : 0;
  block->opacity = int16_t(m.opacity);
}

// A fixture that renders one rectangle directly, the way the drivers do, through the test
// host's guarded buffers.
class RenderTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    host->Call(filterSelectorPrepare);  // makes the context and the block
  }
  void Use(const HostImage& img, int16_t mode) {
    host->SetImage(img, mode);
    host->source = host->image;
  }
  // Delivers `out` (also as inRect) and renders it once.
  void RenderRect(Rect out, bool progress = true) {
    FilterRecord& r = host->record;
    host->RequestArea(VRect{out.top, out.left, out.bottom, out.right});
    r.inLoPlane = r.outLoPlane = 0;
    r.inHiPlane = r.outHiPlane = int16_t(r.planes - 1);
    ASSERT_EQ(host->ServeRequestedRectangles(), noErr);
    RenderStripes(Context(), progress);
    host->CommitOutput();
  }
  void RenderAll() { RenderRect(host->record.filterRect); }
};
