// RenderStripes over a 4096 x 4096 image at 8 and 16 bits per sample beside its floor: a plain
// copy of the same buffer plus the one abort poll per pixel the renderer must make, with
// trivial host callbacks. After the table each render is reported relative to its floor, from
// CPU time (the machine is shared).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <map>
#include <utility>
#include <vector>

#include "render/row_renderer.h"

namespace {

constexpr int16_t kSide = 4096;

Boolean HOSTAPI NeverAbort() { return 0; }
void HOSTAPI IgnoreProgress(int32_t, int32_t) {}

struct Frame {
  std::vector<uint8_t> in, out;
  FilterParameters block{};
  char* blockAddress = nullptr;
  FilterRecord record{};
  int16_t result = 0;
  InvocationContext context{};

  Frame(int planes, int depth)
      : in(size_t(kSide) * kSide * size_t(planes) * size_t(depth / 8), 77), out(in.size(), 0) {
    block.horizontalGap = 20;
    block.horizontalThickness = 3;
    block.verticalGap = 30;
    block.verticalThickness = 2;
    block.colourCode = FourCC("moD2");
    block.ignoreZeroPixel = 1;
    blockAddress = reinterpret_cast<char*>(&block);
    record.parameters = &blockAddress;
    record.planes = int16_t(planes);
    record.depth = depth;
    record.imageMode = depth == 16 ? plugInModeRGB48 : plugInModeRGBColor;
    record.filterRect = record.inRect = record.outRect = Rect{0, 0, kSide, kSide};
    record.inHiPlane = record.outHiPlane = int16_t(planes - 1);
    record.inData = in.data();
    record.outData = out.data();
    record.inRowBytes = record.outRowBytes = kSide * planes * (depth / 8);
    record.abortProc = &NeverAbort;
    record.progressProc = &IgnoreProgress;
    context.result = &result;
    context.filterRecord = &record;
  }
};

// What no renderer can beat: every row copied, and the host polled once per pixel.
void Floor(benchmark::State& state) {
  Frame frame(int(state.range(0)), int(state.range(1)));
  const size_t rowBytes = size_t(frame.record.outRowBytes);
  TestAbortProc volatile abort = &NeverAbort;
  for (auto _ : state) {
    TestAbortProc poll = abort;
    int32_t stops = 0;
    for (int32_t row = 0; row < kSide; ++row) {
      for (int32_t i = 0; i < kSide; ++i) stops += poll();
      std::memcpy(frame.out.data() + row * rowBytes, frame.in.data() + row * rowBytes, rowBytes);
    }
    benchmark::DoNotOptimize(stops);
    benchmark::DoNotOptimize(frame.out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame.in.size()));
}

void Render(benchmark::State& state) {
  Frame frame(int(state.range(0)), int(state.range(1)));
  for (auto _ : state) {
    RenderStripes(&frame.context, true);
    benchmark::DoNotOptimize(frame.out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame.in.size()));
}

}  // namespace

// Arguments: planes, bits per sample.
BENCHMARK(Floor)->ArgsProduct({{3, 4}, {8, 16}})->Unit(benchmark::kMillisecond);
BENCHMARK(Render)->ArgsProduct({{3, 4}, {8, 16}})->Unit(benchmark::kMillisecond);

// Render / floor per plane count and depth, printed after the table from the measured means.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const std::string name = run.benchmark_name();
      const size_t slash = name.find('/');
      if (slash == std::string::npos) continue;
      const int planes = std::atoi(name.c_str() + slash + 1);
      const size_t second = name.find('/', slash + 1);
      const int depth = second == std::string::npos ? 8 : std::atoi(name.c_str() + second + 1);
      const double seconds = run.GetAdjustedCPUTime();
      if (name.rfind("Floor", 0) == 0) floor_[{depth, planes}] = seconds;
      if (name.rfind("Render", 0) == 0) render_[{depth, planes}] = seconds;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [key, seconds] : render_) {
      if (floor_.count(key) == 0 || floor_[key] <= 0) continue;
      std::printf("RenderStripes / floor (copy + one poll per pixel), %2d bits, %d planes: %.2fx\n",
                  key.first, key.second, seconds / floor_[key]);
    }
  }

 private:
  std::map<std::pair<int, int>, double> floor_, render_;
};

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
