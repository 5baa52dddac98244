// RenderStripes over a 4096 x 4096 image (arguments: planes, bits per sample, and for the render
// the grid) beside its floor: one pass that copies each pixel and polls the host once for it,
// with trivial host callbacks. The grids: today's whole-pixel solid grid, opaque and at 50 %,
// a fractional period (1 cm at 300 ppi), the same with 10 subdivisions, and a dashed grid. The
// ratios follow the table, from CPU time (the machine is shared).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <map>
#include <vector>

#include "params/settings.h"
#include "render/row_renderer.h"

namespace {

constexpr int16_t kSide = 4096;
enum Grid { kWhole, kWholeTranslucent, kCentimetres, kSubdivided, kDashed, kGridCount };
const char* const kGridNames[kGridCount] = {"whole-pixel solid", "whole-pixel solid 50 %",
                                            "1 cm at 300 ppi", "1 cm, 10 subdivisions",
                                            "dashed 6,4"};

Boolean HOSTAPI NeverAbort() { return 0; }
void HOSTAPI IgnoreProgress(int32_t, int32_t) {}

struct Frame {
  std::vector<uint8_t> in, out;
  FilterParameters block{};
  char* blockAddress = nullptr;
  FilterRecord record{};
  int16_t result = 0;
  InvocationContext context{};

  Frame(int planes, int depth, int grid = 0)
      : in(size_t(kSide) * kSide * size_t(planes * depth / 8), 77), out(in.size(), 0) {
    block.horizontalGap = 20;
    block.horizontalThickness = 3;
    block.verticalGap = 30;
    block.verticalThickness = 2;
    block.colourCode = FourCC("moD2");
    block.ignoreZeroPixel = 1;
    block.opacity = int16_t(grid == kWholeTranslucent ? 50 : 100);
    block.subdivisions = 1;
    if (grid == kCentimetres || grid == kSubdivided) {
      block.unit = kGridCentimetres;
      block.horizontalGapLength = block.verticalGapLength = 970;
      block.horizontalThickLength = block.verticalThickLength = 30;
      block.minorThickLength = 10;
      block.minorBlue = 255;
      block.minorOpacity = 50;
      if (grid == kSubdivided) block.subdivisions = 10;
    }
    if (grid == kDashed) {
      block.horizontalGapLength = 20000, block.horizontalThickLength = 4000;
      block.verticalGapLength = 30000, block.verticalThickLength = 3000;
      block.lineStyle = kLineDashed, block.dashLength = 6000, block.dashGapLength = 4000;
    }
    record.imageHRes = record.imageVRes = 300 * 65536;
    blockAddress = reinterpret_cast<char*>(&block);
    record.parameters = &blockAddress;
    record.planes = int16_t(planes);
    record.depth = depth;
    record.imageMode = depth == 16 ? plugInModeRGB48 : plugInModeRGBColor;
    record.filterRect = record.inRect = record.outRect = Rect{0, 0, kSide, kSide};
    record.inHiPlane = record.outHiPlane = int16_t(planes - 1);
    record.inData = in.data();
    record.outData = out.data();
    record.inRowBytes = record.outRowBytes = kSide * planes * depth / 8;
    record.abortProc = &NeverAbort;
    record.progressProc = &IgnoreProgress;
    context.result = &result;
    context.filterRecord = &record;
  }
};

template <int W>
void CopyAndPoll(const uint8_t* src, uint8_t* dst, TestAbortProc poll, int32_t pixels, int32_t& stops) {
  for (int32_t i = 0; i < pixels; ++i, src += W, dst += W) {
    stops += poll();
    std::memcpy(dst, src, W);
  }
}

// The floor: what any renderer that polls before every pixel must do, in one pass.
void Floor(benchmark::State& state) {
  Frame frame(int(state.range(0)), int(state.range(1)));
  const int32_t width = int32_t(frame.in.size() / (size_t(kSide) * kSide));
  TestAbortProc volatile abort = &NeverAbort;
  for (auto _ : state) {
    int32_t stops = 0;
    const int32_t pixels = int32_t(kSide) * kSide;
    if (width == 3) CopyAndPoll<3>(frame.in.data(), frame.out.data(), abort, pixels, stops);
    if (width == 4) CopyAndPoll<4>(frame.in.data(), frame.out.data(), abort, pixels, stops);
    if (width == 6) CopyAndPoll<6>(frame.in.data(), frame.out.data(), abort, pixels, stops);
    if (width == 8) CopyAndPoll<8>(frame.in.data(), frame.out.data(), abort, pixels, stops);
    benchmark::DoNotOptimize(stops);
    benchmark::DoNotOptimize(frame.out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame.in.size()));
}

void Render(benchmark::State& state) {
  Frame frame(int(state.range(0)), int(state.range(1)), int(state.range(2)));
  for (auto _ : state) {
    RenderStripes(&frame.context, true);
    benchmark::DoNotOptimize(frame.out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame.in.size()));
}

}  // namespace

BENCHMARK(Floor)->ArgsProduct({{3, 4}, {8, 16}})->Unit(benchmark::kMillisecond);
BENCHMARK(Render)->ArgsProduct({{3, 4}, {8, 16}, {kWhole, kWholeTranslucent, kCentimetres, kSubdivided, kDashed}})
    ->Unit(benchmark::kMillisecond);

// Ratio per plane count, printed after the table from the measured means.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const std::string name = run.benchmark_name();
      const double seconds = run.GetAdjustedCPUTime();
      const size_t slash = name.find('/');
      if (slash == std::string::npos) continue;
      const size_t second = name.find('/', slash + 1), third = name.find('/', second + 1);
      const int key = std::atoi(name.c_str() + slash + 1) * 100 + std::atoi(name.c_str() + second + 1);  // planes, bits
      if (name.rfind("Floor", 0) == 0) floor_[key] = seconds;
      if (name.rfind("Render", 0) == 0) render_[key * 1000 + std::atoi(name.c_str() + third + 1)] = seconds;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    // Goals: today's whole-pixel solid grids within 1.10 of the floor, the rest within 1.25.
    for (const auto& [renderKey, seconds] : render_) {
      const int key = renderKey / 1000;
      const int grid = renderKey % 1000;
      if (floor_.count(key) == 0 || floor_[key] <= 0 || grid >= kGridCount) continue;
      const double ratio = seconds / floor_[key];
      const double goal = grid <= kWholeTranslucent ? 1.10 : 1.25;
      std::printf("%2d bits, %d planes, %-24s RenderStripes / floor = %.2fx (goal %.2f%s)\n", key % 100,
                  key / 100, kGridNames[grid], ratio, goal, ratio <= goal ? "" : ", missed");
    }
  }

 private:
  std::map<int, double> floor_, render_;
};

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
