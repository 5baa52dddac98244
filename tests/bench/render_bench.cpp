// RenderStripes over a 4096 x 4096 image (arguments: planes, bits per sample, and for the render
// the opacity in percent) beside its floor, a plain copy of the same buffer plus one abort poll
// per pixel, with trivial host callbacks; the ratios follow the table, from CPU time (the
// machine is shared).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <map>
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

  Frame(int planes, int depth, int opacity = 100)
      : in(size_t(kSide) * kSide * size_t(planes * depth / 8), 77), out(in.size(), 0) {
    block.horizontalGap = 20;
    block.horizontalThickness = 3;
    block.verticalGap = 30;
    block.verticalThickness = 2;
    block.colourCode = FourCC("moD2");
    block.ignoreZeroPixel = 1;
    block.opacity = int16_t(opacity);
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

void PlainCopy(benchmark::State& state) {
  Frame frame(int(state.range(0)), int(state.range(1)));
  for (auto _ : state) {
    std::memcpy(frame.out.data(), frame.in.data(), frame.in.size());
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

// The host call the renderer must make before every pixel, and nothing else.
void AbortPollsOnly(benchmark::State& state) {
  TestAbortProc volatile abort = &NeverAbort;
  for (auto _ : state) {
    TestAbortProc poll = abort;
    int32_t stops = 0;
    for (int32_t i = 0; i < int32_t(kSide) * kSide; ++i) stops += poll();
    benchmark::DoNotOptimize(stops);
  }
}

}  // namespace

BENCHMARK(AbortPollsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainCopy)->ArgsProduct({{3, 4}, {8, 16}})->Unit(benchmark::kMillisecond);
BENCHMARK(Render)->ArgsProduct({{3, 4}, {8, 16}, {100, 50}})->Unit(benchmark::kMillisecond);

// Ratio per plane count, printed after the table from the measured means.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const std::string name = run.benchmark_name();
      const double seconds = run.GetAdjustedCPUTime();
      if (name.rfind("AbortPollsOnly", 0) == 0) polls_ = seconds;
      const size_t slash = name.find('/');
      if (slash == std::string::npos) continue;
      const size_t second = name.find('/', slash + 1), third = name.find('/', second + 1);
      const int key = std::atoi(name.c_str() + slash + 1) * 100 + std::atoi(name.c_str() + second + 1);  // planes, bits
      if (name.rfind("PlainCopy", 0) == 0) copy_[key] = seconds;
      if (name.rfind("Render", 0) == 0) render_[key * 1000 + std::atoi(name.c_str() + third + 1)] = seconds;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [renderKey, seconds] : render_) {
      const int key = renderKey / 1000;
      if (copy_.count(key) == 0 || copy_[key] <= 0) continue;
      std::printf("%2d bits, %d planes, opacity %3d%%: RenderStripes / floor (copy + polls) = %.2fx, / copy = %.2fx\n",
                  key % 100, key / 100, renderKey % 1000, seconds / (copy_[key] + polls_), seconds / copy_[key]);
    }
  }

 private:
  std::map<int, double> copy_, render_;
  double polls_ = 0;
};

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
