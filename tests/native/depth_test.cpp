// 16 bits per channel: whole runs per mode and path against the grid model, depths the module
// refuses, and the 8-bit copy the preview hands to the host.
#include "render/sample_depth.h"
#include "tests/native/render_model.h"
#include "ui/dialog_logic.h"
#include "ui/dialog_native.h"
#include "ui/preview_pixels.h"

namespace {

using DepthTest = RenderTest;

struct ModeCase {
  int16_t mode;
  int32_t colourPlanes;
  ColourCode colour;
  uint8_t bytes[4];  // the stripe colour at 8 bits
  int32_t count;
};
const ModeCase kModes[] = {
    {plugInModeGray16, 1, kColourBlue, {29}, 1},
    {plugInModeRGB48, 3, kColourRed, {255, 0, 0}, 3},
    {plugInModeCMYK64, 4, kColourBlue, {255, 255, 0, 0}, 4},
    {plugInModeLab48, 3, kColourBlue, {82, 207, 20}, 3},
    {plugInModeDuotone16, 1, kColourGreen, {150}, 1},
    {plugInModeDeepMultichannel, 3, kColourRed, {}, 0},
};

TEST_F(DepthTest, EveryModeAndPathMatchesTheGrid) {
  struct Variant {
    const char* name;
    bool transparency, ignoreZero, remove, selection, oldHost;
  } variants[] = {{"plain", false, true, false, false, false},
                  {"transparency, ignore 0", true, true, false, false, false},
                  {"transparency kept, Remove", true, false, true, false, false},
                  {"selection, Remove", false, true, true, true, false},
                  {"old host, depth 0", true, true, false, true, true}};
  for (const ModeCase& c : kModes) {
    for (bool tiles : {true, false}) {
      for (const Variant& v : variants) {
        SetUp();
        host->faults.depthFieldZero = v.oldHost;
        host->faults.withholdDisplayPixels = tiles;  // no preview: the strip-by-strip path
        host->ApplyFaults();
        const int32_t planes = c.colourPlanes + (v.transparency ? 1 : 0);
        Use(MakePatternImage(13, 11, planes, 16), c.mode);
        host->record.inLayerPlanes = int16_t(v.transparency ? c.colourPlanes : 0);
        host->record.inTransparencyMask = v.transparency ? 1 : 0;
        if (v.selection) host->SetSelection(std::vector<uint8_t>(13 * 11, 128));
        host->SetFilterRect(Rect{1, 2, 11, 12});
        host->record.maxSpace = 0;
        GridModel m{3, 1, 4, 0, 1, v.ignoreZero, v.remove, {}, c.count};
        for (int32_t k = 0; k < 4; ++k) m.colour[k] = c.bytes[k];
        ApplyModel(Block(), m);
        Block()->colourCode = c.colour;
        Block()->rowsPerStrip = 3;
        const std::string name = std::string(v.name) + (tiles ? ", tiles" : ", whole area");
        ASSERT_EQ(host->RunFilter(false), noErr) << "mode " << c.mode << ", " << name;
        EXPECT_EQ(host->record.depth, v.oldHost ? 0 : 16);
        EXPECT_EQ(host->counters.advanceStateCalls, tiles ? 0 : 1) << name;
        EXPECT_EQ(host->counters.selectorCalls[filterSelectorContinue], tiles ? 4 : 0) << name;
        EXPECT_EQ(FirstDifference(host->image, ModelImage(host->source, host->record.filterRect, m)), "")
            << "mode " << c.mode << ", " << name;
        TearDown();
      }
    }
  }
}

TEST_F(DepthTest, UnsupportedDepthsEndTheRunBeforeAnyPixel) {
  struct Case {
    int32_t depth;
    int16_t mode;
  } cases[] = {{1, plugInModeBitmap}, {32, plugInModeRGB96}, {32, plugInModeRGBColor},
               {24, plugInModeRGBColor}, {-16, plugInModeRGB48}, {0, plugInModeBitmap},
               {0, plugInModeRGB96}, {0, plugInModeGray32}};
  for (const Case& c : cases) {
    for (bool atStart : {false, true}) {
      SetUp();
      Use(MakePatternImage(6, 5, 3), c.mode);
      Block()->horizontalGap = 1;
      host->record.depth = atStart ? 8 : c.depth;
      ASSERT_EQ(host->Call(filterSelectorPrepare), atStart ? noErr : filterBadMode);
      host->record.depth = c.depth;
      if (atStart) EXPECT_EQ(host->Call(filterSelectorStart), filterBadMode) << c.depth;
      EXPECT_EQ(host->RunFilter(false), filterBadMode) << "depth " << c.depth << " mode " << c.mode;
      EXPECT_TRUE(host->counters.servedOutRects.empty());
      RenderAll();  // the renderer itself writes nothing either
      EXPECT_EQ(host->counters.abortPolls, 0);
      EXPECT_EQ(FirstDifference(host->image, host->source), "");
      TearDown();
    }
  }
}

TEST_F(DepthTest, SampleConversionsAndPrepareCountsTwoBytesPerSample) {
  EXPECT_EQ(WideSample(0), 0);
  EXPECT_EQ(WideSample(1), 129);
  EXPECT_EQ(WideSample(128), 16448);
  EXPECT_EQ(WideSample(255), 32768);
  for (uint32_t v : {0u, 64u, 65u, 16384u, 32767u, 32768u, 65535u})
    EXPECT_EQ(NarrowSample(uint16_t(v)), v >= 32768 ? 255 : (v * 255 + 16384) / 32768) << v;
  for (int32_t depth : {8, 16}) {
    Use(MakePatternImage(10, 40, 3, depth), depth == 16 ? plugInModeRGB48 : plugInModeRGBColor);
    Block()->rowsPerStrip = 1;
    host->record.maxSpace = 1300;  // rows of 10 x (2 x 3 samples + 1 mask byte)
    ASSERT_EQ(host->Call(filterSelectorPrepare), noErr);
    EXPECT_EQ(Block()->rowsPerStrip, depth == 16 ? 10 : 19);
  }
}

struct PreviewSeen {
  bool live = false, mapped = false, isHandle = false, maskOnLastPlane = false;
  PSPixelMap map{};
  Rect region{};
  std::vector<uint8_t> shown;
} seen;

bool PreviewThenOk(InvocationContext* context) {
  seen = PreviewSeen{};
  context->previewFrame = PreviewFrame{0, 0, 70 + 6, 50 + 8};  // a region of 8 x 6 pixels
  OpenDialogState(dialogState, context);
  seen.live = OpenPreview(dialogState);
  dialogState.panH = 2;  // a pan asks for another region of the same size
  ApplyPan(dialogState);
  PSPixelMask mask{};
  seen.mapped = seen.live && PreviewPixelMap(dialogState, &seen.map, &mask);
  seen.isHandle = dialogState.displayBufferIsHandle;
  seen.region = context->filterRecord->outRect;
  if (seen.mapped) {
    const auto* base = static_cast<const uint8_t*>(seen.map.baseAddr);
    seen.shown.assign(base, base + seen.map.rowBytes * (seen.region.bottom - seen.region.top));
    seen.maskOnLastPlane = seen.map.masks == &mask && mask.maskData == base + seen.map.colBytes - 1;
  }
  EndWithOk(dialogState);
  return true;
}

TEST_F(DepthTest, PreviewShowsAnEightBitCopyFromOneBuffer) {
  struct Case {
    const char* name;
    int32_t depth;
    bool noBufferSuite, noHandleSuite, failAllocation;
    bool live;
    int32_t allocations;
  } cases[] = {{"16-bit, buffer suite", 16, false, false, false, true, 1},
               {"16-bit, handles", 16, true, false, false, true, 0},
               {"16-bit, own blocks", 16, true, true, false, true, 0},
               {"16-bit, allocation fails", 16, false, false, true, false, 0},
               {"8-bit", 8, false, false, false, true, 0}};
  for (const Case& c : cases) {
    SetUp();
    SetDialogStandIn(PreviewThenOk);
    host->faults.withholdBufferSuite = c.noBufferSuite;
    host->faults.withholdHandleSuite = c.noHandleSuite;
    host->faults.failBufferAllocation = c.failAllocation;
    host->ApplyFaults();
    if (c.noHandleSuite) host->dataSlot = 0;  // the context is made anew from own blocks
    Use(MakePatternImage(20, 16, 4, c.depth), c.depth == 16 ? plugInModeRGB48 : plugInModeRGBColor);
    host->record.inLayerPlanes = 3;
    host->record.inTransparencyMask = 1;
    GridModel m{3, 0, 2, 1, 0, true, true, {255, 0, 0}, 3};
    ApplyModel(Block(), m);
    Block()->colourCode = kColourRed;
    const int32_t handlesBefore = host->LiveHostHandles();
    ASSERT_EQ(host->RunFilter(true), noErr) << c.name;
    if (c.noHandleSuite) FallbackDisposeHandle(reinterpret_cast<Handle>(host->dataSlot));
    EXPECT_EQ(seen.live, c.live) << c.name;
    EXPECT_EQ(host->counters.bufferAllocations, c.allocations) << c.name;
    EXPECT_TRUE(host->buffers.empty()) << c.name;
    EXPECT_EQ(host->LiveHostHandles(), handlesBefore) << c.name;
    EXPECT_EQ(FirstDifference(host->image, ModelImage(host->source, host->record.filterRect, m)), "");
    if (c.live) {
      ASSERT_TRUE(seen.mapped) << c.name;
      EXPECT_EQ(seen.isHandle, c.noBufferSuite && c.depth == 16) << c.name;
      EXPECT_EQ(seen.map.imageMode, plugInModeRGBColor) << c.name;
      EXPECT_TRUE(seen.maskOnLastPlane) << c.name;
      ASSERT_EQ(seen.region.right - seen.region.left, 8);
      const HostImage want = ModelImage(host->source, host->record.filterRect, m);
      for (int32_t y = seen.region.top; y < seen.region.bottom; ++y)
        for (int32_t x = seen.region.left; x < seen.region.right; ++x)
          for (int32_t k = 0; k < 4; ++k) {
            const uint32_t v = SampleAt(want, y, x, k);
            const size_t at = size_t((y - seen.region.top) * seen.map.rowBytes + (x - seen.region.left) * 4 + k);
            ASSERT_EQ(seen.shown[at], c.depth == 16 ? NarrowSample(uint16_t(v)) : v)
                << c.name << " row " << y << " column " << x << " plane " << k;
          }
    }
    TearDown();
  }
}

}  // namespace
