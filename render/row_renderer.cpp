#include "render/row_renderer.h"

#include <climits>
#include <cstddef>
#include <cstring>

#include "host/coordinates.h"
#include "params/settings.h"
#include "render/grid_lines.h"
#include "render/sample_depth.h"
#include "render/stripe_colour.h"

namespace {

// One direction of the grid: a position is on a stripe when `enabled` and its phase within
// the period is below `thickness`.
struct StripePattern {
  bool enabled;
  int32_t period;
  int32_t thickness;
  int32_t firstPhase;  // phase of the first rendered row (column)
};

// One line colour at the job's depth: the major lines' or the minor lines'.
struct StripeInk {
  uint8_t colour8[4];    // in the order they are written, 8-bit
  uint16_t colour16[4];  // the same colour as 16-bit samples
  // Below 100 % a line's colour samples are (s * sourceWeight + colourTerm) / 100.
  bool blend;
  uint32_t sourceWeight;      // 100 - opacity
  uint32_t colourTerm[4];     // colour sample * opacity + 50, at the job's depth
  uint8_t mixed8[4][256];     // at 8 bits, the mix for every source value
  uint8_t solid[8];           // a packed pixel of the colour, samples past it at full value
};

// Everything one call needs, resolved before the loops so they carry no mode decisions.
struct StripeJob {
  uint8_t* dst;
  const uint8_t* src;
  ptrdiff_t dstRowBytes;
  ptrdiff_t srcRowBytes;
  int32_t rows;
  int32_t columns;
  int32_t dstStride;     // bytes between destination pixels
  int32_t srcStride;     // bytes between source pixels
  int32_t sampleBytes;   // 1 or 2
  int32_t pixelSamples;  // samples decided per pixel
  int32_t colourCount;   // colour samples actually written, <= pixelSamples
  // Bytes of a pixel when both buffers hold them packed (1 to 4 samples), else 0.
  int32_t packedBytes;
  StripeInk inks[2];     // the major lines', the minor lines'
  bool fillExtras;       // samples past the colour get full value instead of the source's
  bool removeOthers;
  StripePattern rowPattern;
  StripePattern columnPattern;
  // Anything but today's whole-pixel solid grid: the lines by lattice, from these positions.
  bool geometry;
  GridLines lines;
  int64_t firstRow;     // the first rendered row's position from the anchor's top
  int64_t firstColumn;  // the first rendered column's from its left
  TestAbortProc abort;
  ProgressProc progress;  // null when progress is not reported
  int32_t progressFirst;
  int32_t progressTotal;
};

int32_t PositiveMod(int32_t value, int32_t modulus) noexcept {
  const int32_t r = value % modulus;
  return r < 0 ? r + modulus : r;
}

int32_t Min(int32_t a, int32_t b) noexcept { return a < b ? a : b; }
int32_t Max(int32_t a, int32_t b) noexcept { return a > b ? a : b; }
int64_t Abs(int32_t a) noexcept { return a < 0 ? -int64_t(a) : int64_t(a); }

StripePattern MakePattern(int16_t gapField, int16_t thicknessField, int16_t alignment,
                          int64_t firstOffset) noexcept {
  StripePattern pattern{};
  const int32_t gap = ClampSetting(gapField, kGapRange);
  const int32_t thickness = ClampSetting(thicknessField, kThicknessRange) + 1;
  pattern.enabled = gap != 0;
  pattern.period = gap + thickness;
  pattern.thickness = thickness;
  int32_t start = 0;
  if (alignment == 1) start = gap / 2;
  if (alignment == 2) start = gap;
  pattern.firstPhase = PositiveMod(int32_t(firstOffset % pattern.period) - start, pattern.period);
  return pattern;
}

void StripeTriple(const FilterParameters& block, int16_t* rgb) noexcept {
  const ColourCode code = block.colourCode;
  rgb[0] = rgb[1] = rgb[2] = 0;
  if (code == kColourCustom) {
    rgb[0] = block.customRed;
    rgb[1] = block.customGreen;
    rgb[2] = block.customBlue;
    return;
  }
  if (code == kColourBlack) return;
  if (code == kColourRed) {
    rgb[0] = 255;
  } else if (code == kColourGreen) {
    rgb[1] = 255;
  } else {
    rgb[2] = 255;  // blue, and any code a script may have left
  }
}

bool Contains(const VRect& outer, const VRect& inner) noexcept {
  return outer.top <= inner.top && outer.left <= inner.left && outer.bottom >= inner.bottom &&
         outer.right >= inner.right && outer.top < outer.bottom && outer.left < outer.right;
}

// The ink of resolved colour bytes (n of them) at `opacity` percent, at the job's depth.
void SetInk(const StripeJob& job, const uint8_t* resolved, int16_t n, bool reversed,
            int32_t opacity, StripeInk* ink) noexcept {
  const int32_t count = Min(n, job.colourCount);
  for (int32_t j = 0; j < count; ++j) {
    ink->colour8[j] = resolved[reversed ? n - 1 - j : j];
    ink->colour16[j] = WideSample(ink->colour8[j]);
  }
  ink->blend = opacity < 100;
  ink->sourceWeight = uint32_t(100 - opacity);
  for (int32_t j = 0; j < count; ++j) {
    const uint32_t c = job.sampleBytes == 2 ? ink->colour16[j] : ink->colour8[j];
    ink->colourTerm[j] = c * uint32_t(opacity) + 50;
    for (uint32_t v = 0; ink->blend && job.sampleBytes == 1 && v < 256; ++v)
      ink->mixed8[j][v] = uint8_t((v * ink->sourceWeight + ink->colourTerm[j]) / 100);
  }
}

// The ink's colour as one packed pixel, the samples past the colour at full value.
void SetSolidPixel(const StripeJob& job, StripeInk* ink) noexcept {
  // The samples past the colour mix to full value, so a packed 8-bit pixel is one lookup per sample.
  for (int32_t j = job.colourCount; j < job.pixelSamples && job.sampleBytes == 1; ++j)
    std::memset(ink->mixed8[j], 255, sizeof ink->mixed8[j]);
  for (int32_t j = 0; j < job.pixelSamples; ++j) {
    if (job.sampleBytes == 2) {
      const uint16_t sample = j < job.colourCount ? ink->colour16[j] : uint16_t(kFullSample16);
      std::memcpy(ink->solid + ptrdiff_t(2) * j, &sample, 2);
    } else {
      ink->solid[j] = j < job.colourCount ? ink->colour8[j] : uint8_t(255);
    }
  }
}

// False when the call has nothing to render and must not call the host at all.
bool PrepareStripeJob(InvocationContext* context, bool reportProgress, StripeJob* job) noexcept {
  FilterRecord* record = context->filterRecord;
  const FilterParameters* block = ParametersOf(record);
  if (block == nullptr) return false;
  *job = StripeJob{};

  int16_t rgb[3];
  StripeTriple(*block, rgb);
  uint8_t resolved[4] = {0, 0, 0, 0};
  int16_t n = 0;
  ResolveStripeColour(context, rgb[0], rgb[1], rgb[2], 0, resolved, &n);

  // A depth without a sample size here is refused before any pixel is touched.
  const int32_t depth = ImageDepth(record);
  if (!DepthSupported(depth)) return false;
  job->sampleBytes = depth / 8;

  // Pixel layout: each buffer's pixels lie as many samples apart as it has planes. A host
  // whose plane ranges disagree with `planes` gets only the samples that exist in both buffers.
  const int32_t planes = record->planes;
  const int32_t srcPlanes = int32_t(record->inHiPlane) - record->inLoPlane + 1;
  const int32_t dstPlanes = int32_t(record->outHiPlane) - record->outLoPlane + 1;
  if (planes <= 0 || srcPlanes <= 0 || dstPlanes <= 0) return false;
  const int32_t srcStride = srcPlanes * job->sampleBytes;
  job->dstStride = dstPlanes * job->sampleBytes;
  job->srcStride = srcStride;
  job->pixelSamples = Min(planes, Min(dstPlanes, srcPlanes));

  // Only the part of outRect inside the filter area is written; the last strip may reach
  // below it, and those rows keep what the host delivered.
  // In 64 bits: hostile 32-bit coordinates must not overflow a difference.
  const VRect area = FilterArea(record);
  const VRect out = OutArea(record);
  const VRect in = InArea(record);
  const int64_t top = Max(out.top, area.top);
  const int64_t bottom = Min(out.bottom, area.bottom);
  const int64_t left = Max(out.left, area.left);
  const int64_t right = Min(out.right, area.right);
  const int64_t height = int64_t(area.bottom) - area.top;
  if (bottom - top <= 0 || bottom - top > INT32_MAX || right - left > INT32_MAX) return false;
  job->rows = int32_t(bottom - top);
  job->columns = int32_t(right - left);
  if (job->columns > 0) {
    if (record->outData == nullptr || record->inData == nullptr) return false;
    // The source must cover what is read, and rows must not overlap.
    if (top < in.top || bottom > in.bottom || left < in.left || right > in.right) return false;
    if (Abs(record->outRowBytes) < int64_t(right - out.left) * job->dstStride) return false;
    if (Abs(record->inRowBytes) < int64_t(right - in.left) * srcStride) return false;
    job->dstRowBytes = record->outRowBytes;
    job->srcRowBytes = record->inRowBytes;
    job->dst = static_cast<uint8_t*>(record->outData) + ptrdiff_t(top - out.top) * job->dstRowBytes +
               ptrdiff_t(left - out.left) * job->dstStride;
    job->src = static_cast<const uint8_t*>(record->inData) +
               ptrdiff_t(top - in.top) * job->srcRowBytes + ptrdiff_t(left - in.left) * srcStride;
  }

  const bool reversed = block->hostIsPremiere != 0;  // the video host wants B, G, R order
  job->colourCount = Min(n, job->pixelSamples);
  SetInk(*job, resolved, n, reversed, ClampSetting(block->opacity, kOpacityRange), &job->inks[0]);
  job->fillExtras = block->ignoreZeroPixel != 0;
  job->removeOthers = block->removeOthers != 0;

  // The grid is anchored at the whole filter area: while the dialog shows a crop of it,
  // that area is in savedFilterRect.
  VRect anchor = area;
  const VRect saved = SavedFilterArea(*block);
  if (block->showDialog != 0 && Contains(saved, area)) anchor = saved;
  // The lengths as a pixel-only writer may have left them.
  FilterParameters grid = *block;
  ReconcilePixelMirrors(&grid);
  job->geometry = !IsWholePixelGrid(grid);
  if (job->geometry) {
    ResolveGridLines(grid, record->imageHRes, record->imageVRes, int64_t(anchor.right) - anchor.left,
                     int64_t(anchor.bottom) - anchor.top, &job->lines);
    job->firstRow = top - anchor.top;
    job->firstColumn = left - anchor.left;
    if (grid.subdivisions > 1) {
      int16_t m = 0;
      uint8_t minor[4] = {0, 0, 0, 0};
      ResolveStripeColour(context, grid.minorRed, grid.minorGreen, grid.minorBlue, 0, minor, &m);
      SetInk(*job, minor, m, reversed, ClampSetting(grid.minorOpacity, kMinorOpacityRange), &job->inks[1]);
    }
  } else {
    const int16_t alignment = ValidAlignment(grid.alignment);
    job->rowPattern = MakePattern(grid.horizontalGap, grid.horizontalThickness, alignment,
                                  top - anchor.top);
    job->columnPattern = MakePattern(grid.verticalGap, grid.verticalThickness, alignment,
                                     left - anchor.left);
  }

  const int32_t pixelBytes = job->pixelSamples * job->sampleBytes;
  if (job->pixelSamples <= 4 && job->dstStride == pixelBytes && job->srcStride == pixelBytes) {
    job->packedBytes = pixelBytes;
    for (StripeInk& ink : job->inks) SetSolidPixel(*job, &ink);
  }

  job->abort = record->abortProc;
  job->progress = reportProgress ? record->progressProc : nullptr;
  job->progressFirst = int32_t(top - area.top < INT32_MAX ? top - area.top : INT32_MAX);
  job->progressTotal = int32_t(height < INT32_MAX ? height : INT32_MAX);
  return true;
}

// Polls the host once per pixel; the number of pixels that may be written.
int32_t PollAbort(TestAbortProc abort, int32_t count) noexcept {
  if (abort == nullptr) return count;
  for (int32_t i = 0; i < count; ++i) {
    if (abort()) return i;
  }
  return count;
}

template <typename T>
constexpr T kFullSample = sizeof(T) == 1 ? T(255) : T(kFullSample16);

template <typename T>
const T* ColourOf(const StripeInk& ink) noexcept {
  if constexpr (sizeof(T) == 1) {
    return ink.colour8;
  } else {
    return ink.colour16;
  }
}

template <int W>
void FillPixels(uint8_t* dst, int32_t stride, const void* pixel, int32_t count) noexcept {
  if (stride == W && count > 16) {
    // A packed run: one pixel, then what is filled copied onto the rest, doubling each time.
    std::memcpy(dst, pixel, W);
    const size_t total = size_t(count) * W;
    for (size_t filled = W; filled < total; filled *= 2)
      std::memcpy(dst + filled, dst, filled < total - filled ? filled : total - filled);
    return;
  }
  for (int32_t i = 0; i < count; ++i, dst += stride) std::memcpy(dst, pixel, W);
}

// Samples go through memcpy: a host's rows need not be aligned for 16-bit access.
template <typename T>
void FillFull(uint8_t* dst, int32_t samples) noexcept {
  if constexpr (sizeof(T) == 1) {
    std::memset(dst, 255, size_t(samples));
  } else {
    const T full = kFullSample<T>;
    for (int32_t j = 0; j < samples; ++j) std::memcpy(dst + size_t(j) * sizeof(T), &full, sizeof(T));
  }
}

// Translucent stripes: each colour sample mixed with the source's; the samples past the
// colour as at full opacity. K colour samples (0: the job's count) and E samples past them (-1:
// the job's count) are fixed where they can be, and the job's fields are read into locals once,
// since writes through `dst` could otherwise alias them. With Poll, the host is polled before
// each pixel; the number of pixels written.
template <typename T, int K, int E, bool Poll = false>
int32_t BlendStripePixels(const StripeJob& job, const StripeInk& ink, uint8_t* dst, const uint8_t* src,
                          int32_t count) noexcept {
  constexpr int32_t S = int32_t(sizeof(T));
  const int32_t k = K > 0 ? K : job.colourCount;
  const int32_t extras = E >= 0 ? E : job.pixelSamples - k;
  const uint32_t weight = ink.sourceWeight;
  const uint32_t terms[4] = {ink.colourTerm[0], ink.colourTerm[1], ink.colourTerm[2], ink.colourTerm[3]};
  const bool fill = job.fillExtras;
  const ptrdiff_t dstStride = job.dstStride, srcStride = job.srcStride;
  const TestAbortProc abort = job.abort;
  for (int32_t i = 0; i < count; ++i, dst += dstStride, src += srcStride) {
    if constexpr (Poll) {
      if (abort()) return i;
    }
    for (int32_t j = 0; j < k; ++j) {
      if constexpr (S == 1) {
        dst[j] = ink.mixed8[j][src[j]];
      } else {
        T sample;
        std::memcpy(&sample, src + ptrdiff_t(j) * S, S);
        sample = T((uint32_t(sample) * weight + terms[j]) / 100);
        std::memcpy(dst + ptrdiff_t(j) * S, &sample, S);
      }
    }
    if (extras <= 0) continue;
    if (fill) {
      FillFull<T>(dst + ptrdiff_t(k) * S, extras);
    } else {
      std::memcpy(dst + ptrdiff_t(k) * S, src + ptrdiff_t(k) * S, size_t(extras) * S);
    }
  }
  return count;
}

// The blend for the job's layout; the common ones (grey or RGB, with or without one plane
// more) get loops the compiler can unroll.
template <typename T, bool Poll>
int32_t BlendRun(const StripeJob& job, const StripeInk& ink, uint8_t* dst, const uint8_t* src,
                 int32_t count) noexcept {
  const int32_t extras = job.pixelSamples - job.colourCount;
  if (job.colourCount == 3 && extras == 0) return BlendStripePixels<T, 3, 0, Poll>(job, ink, dst, src, count);
  if (job.colourCount == 3 && extras == 1) return BlendStripePixels<T, 3, 1, Poll>(job, ink, dst, src, count);
  if (job.colourCount == 1 && extras == 0) return BlendStripePixels<T, 1, 0, Poll>(job, ink, dst, src, count);
  if (job.colourCount == 1 && extras == 1) return BlendStripePixels<T, 1, 1, Poll>(job, ink, dst, src, count);
  return BlendStripePixels<T, 0, -1, Poll>(job, ink, dst, src, count);
}

template <typename T>
void WriteStripePixels(const StripeJob& job, const StripeInk& ink, uint8_t* dst, const uint8_t* src,
                       int32_t count) noexcept {
  constexpr int32_t S = int32_t(sizeof(T));
  if (ink.blend) {
    BlendRun<T, false>(job, ink, dst, src, count);
    return;
  }
  const T* colour = ColourOf<T>(ink);
  const int32_t k = job.colourCount;
  const int32_t width = job.pixelSamples;
  if (job.fillExtras || width <= k) {
    T pixel[4];
    switch (width) {
      case 1:
      case 2:
      case 3:
      case 4:
        for (int32_t j = 0; j < width; ++j) pixel[j] = j < k ? colour[j] : kFullSample<T>;
        if (width == 1) FillPixels<1 * S>(dst, job.dstStride, pixel, count);
        if (width == 2) FillPixels<2 * S>(dst, job.dstStride, pixel, count);
        if (width == 3) FillPixels<3 * S>(dst, job.dstStride, pixel, count);
        if (width == 4) FillPixels<4 * S>(dst, job.dstStride, pixel, count);
        return;
      default:
        for (int32_t i = 0; i < count; ++i, dst += job.dstStride) {
          std::memcpy(dst, colour, size_t(k) * S);
          FillFull<T>(dst + ptrdiff_t(k) * S, width - k);
        }
        return;
    }
  }
  for (int32_t i = 0; i < count; ++i, dst += job.dstStride, src += job.srcStride) {
    std::memcpy(dst, colour, size_t(k) * S);
    std::memcpy(dst + ptrdiff_t(k) * S, src + ptrdiff_t(k) * S, size_t(width - k) * S);
  }
}

template <typename T>
void WriteOtherPixels(const StripeJob& job, uint8_t* dst, const uint8_t* src,
                      int32_t count) noexcept {
  const int32_t width = job.pixelSamples * int32_t(sizeof(T));
  const bool packed = width == job.dstStride;
  if (job.removeOthers) {
    if (packed) {
      std::memset(dst, 0, size_t(count) * size_t(width));
    } else {
      for (int32_t i = 0; i < count; ++i, dst += job.dstStride) std::memset(dst, 0, size_t(width));
    }
    return;
  }
  if (packed && width == job.srcStride) {
    std::memcpy(dst, src, size_t(count) * size_t(width));
    return;
  }
  for (int32_t i = 0; i < count; ++i, dst += job.dstStride, src += job.srcStride)
    std::memcpy(dst, src, size_t(width));
}

// A run of packed W-byte pixels, the host polled before each one as it is written, so a pixel
// costs one poll and one copy of a pixel (from the source, or the ink's, or through the 8-bit
// mix table); false when the user aborted.
template <typename T, int W>
bool WritePackedRun(const StripeJob& job, uint8_t kind, uint8_t* dst, const uint8_t* src,
                    int32_t count) noexcept {
  const TestAbortProc abort = job.abort;
  if (kind == 0) {
    if (job.removeOthers) {
      for (int32_t i = 0; i < count; ++i, dst += W) {
        if (abort()) return false;
        std::memset(dst, 0, W);
      }
      return true;
    }
    for (int32_t i = 0; i < count; ++i, dst += W, src += W) {
      if (abort()) return false;
      std::memcpy(dst, src, W);
    }
    return true;
  }
  const StripeInk& ink = job.inks[kind == kOnMajor ? 0 : 1];
  if (ink.blend) return BlendRun<T, true>(job, ink, dst, src, count) == count;
  // A local copy: stores through `dst` could otherwise alias the job.
  uint8_t pixel[W];
  std::memcpy(pixel, ink.solid, W);
  if (job.fillExtras || job.pixelSamples <= job.colourCount) {
    for (int32_t i = 0; i < count; ++i, dst += W) {
      if (abort()) return false;
      std::memcpy(dst, pixel, W);
    }
    return true;
  }
  const size_t colourBytes = size_t(job.colourCount) * sizeof(T);
  for (int32_t i = 0; i < count; ++i, dst += W, src += W) {
    if (abort()) return false;
    std::memcpy(dst, pixel, colourBytes);
    std::memcpy(dst + colourBytes, src + colourBytes, W - colourBytes);
  }
  return true;
}

// Writes `count` pixels of one kind (0 none, kOnMajor, kOnMinor) from column `column`; false
// when the user aborted.
template <typename T>
bool WriteRun(const StripeJob& job, uint8_t kind, uint8_t* dstRow, const uint8_t* srcRow,
              int32_t column, int32_t count) noexcept {
  constexpr int32_t S = int32_t(sizeof(T));
  uint8_t* dst = dstRow + ptrdiff_t(column) * job.dstStride;
  const uint8_t* src = srcRow + ptrdiff_t(column) * job.srcStride;
  if (job.abort != nullptr) {
    switch (job.packedBytes) {
      case 1 * S: return WritePackedRun<T, 1 * S>(job, kind, dst, src, count);
      case 2 * S: return WritePackedRun<T, 2 * S>(job, kind, dst, src, count);
      case 3 * S: return WritePackedRun<T, 3 * S>(job, kind, dst, src, count);
      case 4 * S: return WritePackedRun<T, 4 * S>(job, kind, dst, src, count);
      default: break;
    }
  }
  const int32_t allowed = PollAbort(job.abort, count);
  if (kind != 0) {
    WriteStripePixels<T>(job, job.inks[kind == kOnMajor ? 0 : 1], dst, src, allowed);
  } else {
    WriteOtherPixels<T>(job, dst, src, allowed);
  }
  return allowed == count;
}

// Rows whose kind per column is known ahead are written by lookup in a table of that many
// columns at most: each pixel a poll and a copy from the source or from an ink's pixel, with no
// runs to start and stop.
constexpr int32_t kTableColumns = 4096;

// Whether rows may be written by lookup: packed pixels, a host to poll, the other pixels copied,
// and the samples past the colour at full value (or none), so an opaque ink's pixel is one
// constant and a translucent one's is its mix alone.
bool TableRowsPossible(const StripeJob& job) noexcept {
  return job.packedBytes > 0 && job.abort != nullptr && job.columns <= kTableColumns &&
         !job.removeOthers && (job.fillExtras || job.pixelSamples <= job.colourCount);
}

// Marks a run of `count` columns from `column` as `kind` in `table`.
bool MarkColumns(uint8_t* table, uint8_t kind, int32_t column, int32_t count) noexcept {
  std::memset(table + column, kind, size_t(count));
  return true;
}

// A translucent ink's mix at 16 bits, read into locals: stores through `dst` could otherwise
// alias the job. Samples past the colour get weight 0 and a term that gives full value.
struct Mix16 {
  uint32_t weight[4];
  uint32_t term[4];
};

Mix16 Mix16Of(const StripeInk& ink, int32_t colourCount) noexcept {
  Mix16 mix{};
  for (int32_t j = 0; j < 4; ++j) {
    mix.weight[j] = j < colourCount ? ink.sourceWeight : 0;
    mix.term[j] = j < colourCount ? ink.colourTerm[j] : uint32_t(kFullSample16) * 100;
  }
  return mix;
}

// One packed pixel of a translucent ink: its colour samples mixed with the source's, the samples
// past them at full value (at 8 bits all through the mix tables, which hold those as 255).
template <typename T, int W>
void BlendPixel(const StripeInk& ink, const Mix16& mix, uint8_t* dst, const uint8_t* src) noexcept {
  if constexpr (sizeof(T) == 1) {
    for (int32_t j = 0; j < W; ++j) dst[j] = ink.mixed8[j][src[j]];
  } else {
    for (int32_t j = 0; j < W / 2; ++j) {
      T sample;
      std::memcpy(&sample, src + ptrdiff_t(2) * j, 2);
      sample = T((uint32_t(sample) * mix.weight[j] + mix.term[j]) / 100);
      std::memcpy(dst + ptrdiff_t(2) * j, &sample, 2);
    }
  }
}

// With Blend, an ink may be translucent: its pixels are mixed, the others copied.
template <typename T, int W, bool Blend>
bool WritePackedTableRow(const StripeJob& job, const uint8_t* kinds, uint8_t* dst, const uint8_t* src) noexcept {
  const TestAbortProc abort = job.abort;
  uint8_t pixels[3][W] = {};  // by kind; 0 takes the source's instead
  std::memcpy(pixels[kOnMajor], job.inks[0].solid, W);
  std::memcpy(pixels[kOnMinor], job.inks[1].solid, W);
  const bool mixed[3] = {false, job.inks[0].blend, job.inks[1].blend};
  const Mix16 mixes[3] = {Mix16{}, Mix16Of(job.inks[0], job.colourCount), Mix16Of(job.inks[1], job.colourCount)};
  const int32_t count = job.columns;
  for (int32_t i = 0; i < count; ++i, dst += W, src += W) {
    if (abort()) return false;
    const uint8_t kind = kinds[i];
    if constexpr (Blend) {
      if (mixed[kind]) {
        BlendPixel<T, W>(job.inks[kind == kOnMajor ? 0 : 1], mixes[kind], dst, src);
        continue;
      }
    }
    std::memcpy(dst, kind != 0 ? pixels[kind] : src, W);
  }
  return true;
}

template <typename T, bool Blend>
bool WriteTableRowAs(const StripeJob& job, const uint8_t* kinds, uint8_t* dstRow, const uint8_t* srcRow) noexcept {
  constexpr int32_t S = int32_t(sizeof(T));
  switch (job.packedBytes) {
    case 1 * S: return WritePackedTableRow<T, 1 * S, Blend>(job, kinds, dstRow, srcRow);
    case 2 * S: return WritePackedTableRow<T, 2 * S, Blend>(job, kinds, dstRow, srcRow);
    case 3 * S: return WritePackedTableRow<T, 3 * S, Blend>(job, kinds, dstRow, srcRow);
    default: return WritePackedTableRow<T, 4 * S, Blend>(job, kinds, dstRow, srcRow);
  }
}

// One row by lookup in `kinds` (a column's kind each); false when the user aborted.
template <typename T>
bool WriteTableRow(const StripeJob& job, const uint8_t* kinds, uint8_t* dstRow, const uint8_t* srcRow) noexcept {
  if (job.inks[0].blend || job.inks[1].blend) return WriteTableRowAs<T, true>(job, kinds, dstRow, srcRow);
  return WriteTableRowAs<T, false>(job, kinds, dstRow, srcRow);
}

// The runs of a row of today's grid that crosses no horizontal stripe, each handed to
// `take(kind, column, count)` until it answers false.
template <typename Take>
bool ForEachColumnRun(const StripeJob& job, Take&& take) noexcept {
  const StripePattern& cols = job.columnPattern;
  if (!cols.enabled) return take(uint8_t(0), 0, job.columns);
  int32_t column = 0;
  int32_t phase = cols.firstPhase;
  while (column < job.columns) {
    const bool on = phase < cols.thickness;
    const int32_t length = Min((on ? cols.thickness : cols.period) - phase, job.columns - column);
    if (!take(uint8_t(on ? kOnMajor : 0), column, length)) return false;
    column += length;
    phase = on ? cols.thickness : 0;
  }
  return true;
}

template <typename T>
bool RenderRow(const StripeJob& job, bool rowOn, uint8_t* dstRow, const uint8_t* srcRow) noexcept {
  if (rowOn) return WriteRun<T>(job, kOnMajor, dstRow, srcRow, 0, job.columns);
  return ForEachColumnRun(job, [&](uint8_t kind, int32_t column, int32_t count) {
    return WriteRun<T>(job, kind, dstRow, srcRow, column, count);
  });
}

// The runs of one row of the grid by lattice, each handed to `take(kind, column, count)` until it
// answers false: a pixel is the major lines' where a major line is drawn there (a horizontal
// one's dash at this column, or a vertical one's at this row), else the minor lines' where a
// minor one is, else the source's.
template <typename Take>
bool ForEachRun(const StripeJob& job, uint8_t rowKinds, uint8_t columnDashes, Take&& take) noexcept {
  const GridLines& lines = job.lines;
  const bool rowMajor = (rowKinds & kOnMajor) != 0, rowMinor = (rowKinds & kOnMinor) != 0;
  const bool columnMajor = (columnDashes & kOnMajor) != 0;
  bool columnMinor = (columnDashes & kOnMinor) != 0;
  // A solid horizontal line decides its whole row, or (a minor one) all of it but the major
  // vertical lines: the other families need not be walked.
  if (rowMajor && lines.alongRowsMajor.off <= 0) return take(kOnMajor, 0, job.columns);
  AxisLines across = lines.across;
  if (rowMinor && lines.alongRowsMinor.off <= 0) {
    across.minor.enabled = false;
    columnMinor = false;
  }
  const int64_t end = job.firstColumn + job.columns;
  int64_t x = job.firstColumn;
  // The vertical lines are looked up again only where they may change, not at every dash.
  uint8_t columns = 0;
  int64_t columnsNext = (columnMajor || columnMinor) ? x : end;
  while (x < end) {
    if (x >= columnsNext) columns = AxisKindsAt(across, x, &columnsNext);
    int64_t next = columnsNext < end ? columnsNext : end, candidate = end;
    bool major = columnMajor && (columns & kOnMajor) != 0;
    bool minor = columnMinor && (columns & kOnMinor) != 0;
    if (rowMajor) {
      major = DashOnAt(lines.alongRowsMajor, x, &candidate) || major;
      next = candidate < next ? candidate : next;
    }
    if (rowMinor) {
      minor = DashOnAt(lines.alongRowsMinor, x, &candidate) || minor;
      next = candidate < next ? candidate : next;
    }
    const uint8_t kind = major ? kOnMajor : (minor ? kOnMinor : 0);
    if (!take(kind, int32_t(x - job.firstColumn), int32_t(next - x))) return false;
    x = next;
  }
  return true;
}

// The runs of a row that crosses no horizontal line depend only on which vertical lines' dashes
// are drawn at that row: kept per call for each of the four cases, up to a fixed count of runs
// (a row with more is worked out again each time).
constexpr int32_t kCachedRuns = 1024;
struct RowRuns {
  bool built;
  bool complete;
  int32_t count;
  int32_t columns[kCachedRuns];
  int32_t lengths[kCachedRuns];
  uint8_t kinds[kCachedRuns];
};

void BuildRowRuns(const StripeJob& job, uint8_t columnDashes, RowRuns* runs) noexcept {
  runs->built = true;
  runs->count = 0;
  runs->complete = ForEachRun(job, 0, columnDashes, [runs](uint8_t kind, int32_t column, int32_t count) {
    if (runs->count == kCachedRuns) return false;
    runs->columns[runs->count] = column, runs->lengths[runs->count] = count, runs->kinds[runs->count] = kind;
    ++runs->count;
    return true;
  });
}

// Which vertical lines' dashes (major, minor) are drawn on row y.
inline uint8_t ColumnDashesAt(const GridLines& lines, int64_t y) noexcept {
  int64_t ignored = 0;
  return uint8_t((DashOnAt(lines.alongColumnsMajor, y, &ignored) ? kOnMajor : 0) |
                 (DashOnAt(lines.alongColumnsMinor, y, &ignored) ? kOnMinor : 0));
}

// A row's kinds depend only on which horizontal lines it is on and which vertical lines' dashes
// are drawn at it: sixteen cases, each worked out once per call into a table and then written
// by lookup.
template <typename T>
bool RenderGridRowsByTable(const StripeJob& job) noexcept {
  const GridLines& lines = job.lines;
  uint8_t tables[16][kTableColumns];
  bool built[16] = {};
  int64_t rowNext = INT64_MIN;
  uint8_t rowKinds = 0;
  for (int32_t r = 0; r < job.rows; ++r) {
    if (job.progress != nullptr) job.progress(job.progressFirst + r, job.progressTotal);
    const int64_t y = job.firstRow + r;
    if (y >= rowNext) rowKinds = AxisKindsAt(lines.down, y, &rowNext);
    const uint8_t columnDashes = ColumnDashesAt(lines, y);
    const int32_t index = rowKinds * 4 + columnDashes;
    uint8_t* table = tables[index];
    if (!built[index]) {
      ForEachRun(job, rowKinds, columnDashes, [table](uint8_t kind, int32_t column, int32_t count) {
        return MarkColumns(table, kind, column, count);
      });
      built[index] = true;
    }
    const ptrdiff_t at = ptrdiff_t(r);
    if (!WriteTableRow<T>(job, table, job.dst + at * job.dstRowBytes, job.src + at * job.srcRowBytes))
      return false;
  }
  return true;
}

template <typename T>
bool RenderGridRows(const StripeJob& job) noexcept {
  if (TableRowsPossible(job) && job.columns > 0) return RenderGridRowsByTable<T>(job);
  const GridLines& lines = job.lines;
  RowRuns cached[4];
  for (RowRuns& runs : cached) runs.built = false;
  int64_t rowNext = INT64_MIN;
  uint8_t rowKinds = 0;
  for (int32_t r = 0; r < job.rows; ++r) {
    if (job.progress != nullptr) job.progress(job.progressFirst + r, job.progressTotal);
    const int64_t y = job.firstRow + r;
    if (y >= rowNext) rowKinds = AxisKindsAt(lines.down, y, &rowNext);
    const uint8_t columnDashes = ColumnDashesAt(lines, y);
    if (job.columns <= 0) continue;
    uint8_t* dstRow = job.dst + ptrdiff_t(r) * job.dstRowBytes;
    const uint8_t* srcRow = job.src + ptrdiff_t(r) * job.srcRowBytes;
    auto write = [&](uint8_t kind, int32_t column, int32_t count) {
      return WriteRun<T>(job, kind, dstRow, srcRow, column, count);
    };
    if (rowKinds == 0) {
      RowRuns& runs = cached[columnDashes];
      if (!runs.built) BuildRowRuns(job, columnDashes, &runs);
      if (runs.complete) {
        for (int32_t i = 0; i < runs.count; ++i)
          if (!write(runs.kinds[i], runs.columns[i], runs.lengths[i])) return false;
        continue;
      }
    }
    if (!ForEachRun(job, rowKinds, columnDashes, write)) return false;
  }
  return true;
}

// The rows of the job in samples of type T; false when the user aborted.
template <typename T>
bool RenderRows(const StripeJob& job) noexcept {
  if (job.geometry) return RenderGridRows<T>(job);
  const StripePattern& rowsPattern = job.rowPattern;
  int32_t rowPhase = rowsPattern.firstPhase;
  // The rows off the horizontal stripes all look alike: their columns' kinds, kept once.
  uint8_t columnKinds[kTableColumns];
  const bool tableRows = TableRowsPossible(job) && job.columns > 0 &&
                         ForEachColumnRun(job, [&](uint8_t kind, int32_t column, int32_t count) {
                           return MarkColumns(columnKinds, kind, column, count);
                         });
  for (int32_t r = 0; r < job.rows; ++r) {
    if (job.progress != nullptr) job.progress(job.progressFirst + r, job.progressTotal);
    const bool rowOn = rowsPattern.enabled && rowPhase < rowsPattern.thickness;
    rowPhase = rowPhase + 1 == rowsPattern.period ? 0 : rowPhase + 1;
    if (job.columns <= 0) continue;
    uint8_t* dstRow = job.dst + ptrdiff_t(r) * job.dstRowBytes;
    const uint8_t* srcRow = job.src + ptrdiff_t(r) * job.srcRowBytes;
    if (!rowOn && tableRows) {
      if (!WriteTableRow<T>(job, columnKinds, dstRow, srcRow)) return false;
      continue;
    }
    if (!RenderRow<T>(job, rowOn, dstRow, srcRow)) return false;
  }
  return true;
}

}  // namespace

void RenderStripes(InvocationContext* context, bool reportProgress) noexcept {
  if (context == nullptr || context->filterRecord == nullptr || context->result == nullptr) return;
  StripeJob job;
  if (!PrepareStripeJob(context, reportProgress, &job)) return;
  const bool finished = job.sampleBytes == 2 ? RenderRows<uint16_t>(job) : RenderRows<uint8_t>(job);
  if (!finished) *context->result = userCanceledErr;
}
