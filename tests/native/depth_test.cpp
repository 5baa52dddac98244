// 16 bits per channel: runs per mode and path against the grid model, refused depths, preview.
#include "host/coordinates.h"
#include "render/stripe_colour.h"
#include "tests/native/render_model.h"
#include "ui/dialog_logic.h"
#include "ui/preview_pixels.h"

namespace {

using DepthTest = RenderTest;

TEST_F(DepthTest, EveryModeAndPathMatchesTheGrid) {
  const struct { int16_t mode; int32_t planes, count; uint32_t blue; } modes[] = {  // blue at 8 bits
      {plugInModeGray16, 1, 1, 29},         {plugInModeRGB48, 3, 3, 0xFF0000},
      {plugInModeCMYK64, 4, 4, 0xFFFF},     {plugInModeLab48, 3, 3, 0x14CF52},
      {plugInModeDuotone16, 1, 1, 29},      {plugInModeDeepMultichannel, 3, 0, 0}};
  // transparency plane, ignore 0, Remove, selection, old host (depth 0)
  const struct { bool alpha, ignoreZero, remove, selection, oldHost; } variants[] = {
      {false, true, false, false, false}, {true, true, false, false, false},
      {true, false, true, false, false}, {false, true, true, true, false},
      {true, true, false, true, true}};
  for (const auto& c : modes)
    for (bool tiles : {true, false})
      for (const auto& v : variants) {
        SetUp();
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " variant " << &v - variants << " tiles " << tiles);
        host->faults.depthFieldZero = v.oldHost;
        host->faults.withholdDisplayPixels = tiles;  // no preview: the strip-by-strip path
        host->ApplyFaults();
        Use(MakePatternImage(30, 11, c.planes + v.alpha, 16), c.mode);
        host->record.inLayerPlanes = int16_t(v.alpha ? c.planes : 0);
        host->record.inTransparencyMask = v.alpha;
        if (v.selection) host->SetSelection(std::vector<uint8_t>(30 * 11, 128));
        host->SetFilterRect(Rect{1, 2, 11, 28});  // stripe rows longer than 16 pixels
        host->record.maxSpace = 3 * 26 * (4 * (c.planes + v.alpha) + 1);  // 3 rows of in, out, mask
        GridModel m{3, 1, 4, 0, 1, v.ignoreZero, v.remove, {}, c.count};
        for (int32_t k = 0; k < 4; ++k) m.colour[k] = uint8_t(c.blue >> (8 * k));
        ApplyModel(Block(), m);
        Block()->rowsPerStrip = 1;
        ASSERT_EQ(host->record.depth, v.oldHost ? 0 : 16);
        ASSERT_EQ(host->RunFilter(false), noErr);
        EXPECT_EQ(host->counters.selectorCalls[filterSelectorContinue] * 10 + host->counters.advanceStateCalls,
                  tiles ? 40 : 1);
        EXPECT_EQ(host->counters.abortPolls, 10 * 26 + (tiles ? 4 : 1)) << "one per pixel, one per strip";
        EXPECT_EQ(FirstDifference(host->image, ModelImage(host->source, host->record.filterRect, m)), "");
        TearDown();
      }
}

// A custom colour, opaque and translucent, at both depths in every mode, strip by strip and
// whole, converted by the host or by the module, against the model (test host's conversion).
TEST_F(DepthTest, CustomColourAndOpacityInEveryModeDepthAndPath) {
  const struct { int16_t mode8, mode16; int32_t planes; } modes[] = {
      {plugInModeGrayScale, plugInModeGray16, 1}, {plugInModeRGBColor, plugInModeRGB48, 3},
      {plugInModeCMYKColor, plugInModeCMYK64, 4}, {plugInModeLabColor, plugInModeLab48, 3},
      {plugInModeHSLColor, -1, 3},                {plugInModeMultichannel, plugInModeDeepMultichannel, 2}};
  for (const auto& c : modes)
    for (int32_t depth : {8, 16})
      for (int32_t opacity : {100, 99, 50, 1})
        for (bool tiles : {true, false}) {
          const int16_t mode = depth == 16 ? c.mode16 : c.mode8;
          if (mode < 0) continue;
          SetUp();
          SCOPED_TRACE(testing::Message() << "mode " << mode << " opacity " << opacity << " tiles " << tiles);
          host->faults.withholdDisplayPixels = host->faults.withholdColorServices = tiles;
          host->ApplyFaults();
          Use(MakePatternImage(26, 9, c.planes + 1, depth), mode);
          host->record.inLayerPlanes = int16_t(c.planes), host->record.inTransparencyMask = 1;
          int16_t rgb[4] = {200, 40, 90, 0};
          TestHost converter(nullptr);
          if (ColourSpaceForMode(mode) >= 0) ConvertColour(converter.record.colorServices, 0, ColourSpaceForMode(mode), rgb);
          GridModel m{2, 0, 3, 1, 0, opacity != 50, false, {}, ComponentsForMode(mode, 0), opacity};
          for (int32_t k = 0; k < 4; ++k) m.colour[k] = uint8_t(rgb[k]);
          ApplyModel(Block(), m);
          Block()->colourCode = kColourCustom, Block()->customRed = 200, Block()->customGreen = 40, Block()->customBlue = 90;
          ASSERT_EQ(host->RunFilter(false), noErr);
          EXPECT_EQ(FirstDifference(host->image, ModelImage(host->source, host->record.filterRect, m)), "");
          TearDown();
        }
}

TEST_F(DepthTest, UnsupportedDepthsEndTheRunBeforeAnyPixel) {
  const std::pair<int32_t, int16_t> cases[] = {{1, plugInModeBitmap}, {32, plugInModeRGB96}, {32, plugInModeRGBColor},
                                               {-16, plugInModeRGB48}, {0, plugInModeBitmap}, {0, plugInModeGray32}};
  for (const auto& [depth, mode] : cases)
    for (bool atStart : {false, true}) {
      SetUp();
      Use(MakePatternImage(6, 5, 3), mode);
      Block()->horizontalGap = 1;
      host->record.depth = atStart ? 8 : depth;
      ASSERT_EQ(host->Call(filterSelectorPrepare), atStart ? noErr : filterBadMode);
      host->record.depth = depth;
      EXPECT_EQ(host->Call(filterSelectorStart), filterBadMode) << depth << ", mode " << mode;
      RenderAll();  // nothing was served before, and the renderer itself writes nothing either
      EXPECT_TRUE(host->counters.servedOutRects.size() == 1 && host->counters.abortPolls == 0);
      EXPECT_EQ(FirstDifference(host->image, host->source), "");
    }
}

const GridModel kPreviewModel{3, 0, 2, 1, 0, true, false, {255}, 3};
struct { bool live, isHandle, mapped; PSPixelMap map; PSPixelMask mask; } seen;

bool PreviewThenOk(InvocationContext* context) {
  context->previewFrame = PreviewFrame{0, 0, 70 + 6, 50 + 8};  // a region of 8 x 6 pixels
  OpenDialogState(dialogState, context);
  seen.live = OpenPreview(dialogState);
  seen.isHandle = dialogState.displayBufferIsHandle;
  SetPanLimits(dialogState, FilterArea(context->filterRecord), SavedFilterArea(*ParametersOf(context)));
  dialogState.panH = 2;  // another region of the same size, in the same buffer
  ApplyPan(dialogState);
  seen.mapped = seen.live && PreviewPixelMap(dialogState, &seen.map, &seen.mask);
  const VRect at = OutArea(context->filterRecord);
  const HostImage want = ModelImage(ActiveTestHost()->source, ParametersOf(context)->savedFilterRect, kPreviewModel);
  for (int32_t i = 0; seen.mapped && i < 6 * 8 * 4; ++i) {  // checked while the buffer lives
    const int32_t y = i / 32, x = at.left + i / 4 % 8, k = i % 4;
    const uint32_t v = SampleAt(want, at.top + y, x, k);
    EXPECT_EQ(static_cast<const uint8_t*>(seen.map.baseAddr)[y * seen.map.rowBytes + i % 32],
              want.depth == 16 ? (v >= 32768 ? 255 : (v * 255 + 16384) / 32768) : v) << "sample " << i;
  }
  EXPECT_TRUE(!seen.mapped || at.left == 8);  // centred and panned
  EndWithOk(dialogState);
  return true;
}

TEST_F(DepthTest, PreviewShowsAnEightBitCopyFromOneBuffer) {
  const struct { int32_t depth; bool noBufferSuite, failAllocation, live; int32_t allocations; } cases[] = {
      {16, false, false, true, 1}, {16, true, false, true, 0}, {16, false, true, false, 0},
      {8, false, false, true, 0}};
  for (const auto& c : cases) {
    SetUp();
    SCOPED_TRACE(testing::Message() << "case " << &c - cases);
    SetDialogStandIn(PreviewThenOk);
    host->faults.withholdBufferSuite = c.noBufferSuite;
    host->faults.failBufferAllocation = c.failAllocation;
    host->ApplyFaults();
    HostImage picture = MakePatternImage(20, 16, 4, c.depth);
    for (int32_t x = 0; c.depth == 16 && x < 20; ++x)  // a host's values past full show as full
      for (int32_t y = 0; y < 16; y += 2) SetSampleAt(picture, y, x, 1, 32769 + 1500 * uint32_t(x));
    Use(picture, c.depth == 16 ? plugInModeRGB48 : plugInModeRGBColor);
    host->record.inLayerPlanes = 3, host->record.inTransparencyMask = 1;
    ApplyModel(Block(), kPreviewModel);
    Block()->colourCode = kColourRed;
    const int32_t handles = host->LiveHostHandles();
    ASSERT_EQ(host->RunFilter(true), noErr);
    EXPECT_EQ(seen.live && seen.mapped, c.live);
    EXPECT_EQ(host->counters.bufferAllocations, c.allocations);
    EXPECT_TRUE(host->buffers.empty() && host->LiveHostHandles() == handles) << "freed";
    EXPECT_EQ(FirstDifference(host->image, ModelImage(host->source, host->record.filterRect, kPreviewModel)), "");
    EXPECT_TRUE(!c.live || (seen.isHandle == (c.noBufferSuite && c.depth == 16) &&
                            seen.map.imageMode == plugInModeRGBColor && seen.map.masks == &seen.mask &&
                            seen.mask.maskData == static_cast<uint8_t*>(seen.map.baseAddr) + 3));
    TearDown();
  }
}

}  // namespace
