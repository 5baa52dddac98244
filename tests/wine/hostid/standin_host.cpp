// A stand-in host executable: its own version resource (or none) is what the plug-in reads to
// identify the host. Loads the plug-in named by the first argument, runs it once with
// advanceState and displayPixels offered, and exits 0 when the plug-in took the right path
// and wrote the stripe colour's components in the order that host expects.
#include <cstdio>

#include "corvane_records.h"
#include "tools/testhost/plugin_loader.h"

#ifndef CORVANE_EXPECT_PREMIERE
#error "define CORVANE_EXPECT_PREMIERE as 0 or 1"
#endif

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  LoadedPlugin plugin = LoadPlugin(argv[1]);
  if (plugin.entry == nullptr) {
    std::fprintf(stderr, "%s: %s\n", argv[1], plugin.error.c_str());
    return 2;
  }
  int code = 0;
  {
    TestHost host(plugin.entry);
    // Blue horizontal stripes from the first row, so the component order shows in pixel (0, 0).
    host.Call(filterSelectorPrepare);
    if (host.record.parameters != nullptr) {
      auto* settings = reinterpret_cast<FilterParameters*>(*host.record.parameters);
      settings->horizontalGap = 3;
      settings->colourCode = kColourBlue;
    }
    const int16_t result = host.RunFilter(false);
    const uint8_t* corner = host.image.At(0, 0);
    // Inside the video host the components arrive reversed: blue lands in plane 0.
    const uint8_t wantFirst = CORVANE_EXPECT_PREMIERE ? 255 : 0;
    const uint8_t wantLast = CORVANE_EXPECT_PREMIERE ? 0 : 255;
    const auto* block = host.record.parameters != nullptr
                            ? reinterpret_cast<const FilterParameters*>(*host.record.parameters)
                            : nullptr;
    if (result != noErr || block == nullptr) {
      std::fprintf(stderr, "run failed: %d\n", result);
      code = 3;
    } else if (block->hostIsPremiere != CORVANE_EXPECT_PREMIERE) {
      std::fprintf(stderr, "hostIsPremiere %d\n", block->hostIsPremiere);
      code = 4;
    } else if (block->useAdvanceState != (CORVANE_EXPECT_PREMIERE ? 0 : 1) ||
               (CORVANE_EXPECT_PREMIERE && host.counters.advanceStateCalls != 0)) {
      // Inside Premiere the tile path is used although both callbacks are offered.
      std::fprintf(stderr, "useAdvanceState %d, advanceState calls %d\n", block->useAdvanceState,
                   host.counters.advanceStateCalls);
      code = 5;
    } else if (corner[0] != wantFirst || corner[1] != 0 || corner[2] != wantLast) {
      std::fprintf(stderr, "stripe pixel %d %d %d\n", corner[0], corner[1], corner[2]);
      code = 7;
    } else if (host.counters.badHandleOps != 0 || host.counters.bufferOverruns != 0) {
      code = 6;
    }
  }
  UnloadPlugin(plugin);
  return code;
}
