// Stripe colour resolution: mode tables, the request sent to the host, and the plug-in's own
// conversion when the host has none.
#include "render/stripe_colour.h"
#include "tests/native/render_model.h"

namespace {

using StripeColourTest = RenderTest;

OSErr HOSTAPI AnswersOutOfRange(ColorServicesInfo* info) {
  info->colorComponents[0] = 300;
  info->colorComponents[1] = -1;
  info->colorComponents[2] = 7;
  info->colorComponents[3] = 0;
  return noErr;
}

TEST(StripeColourTables, SpaceAndComponentsPerMode) {
  struct Case {
    int16_t mode, space, components;
  } cases[] = {{0, -1, 1}, {1, 4, 1}, {2, -1, 3}, {3, 0, 3}, {4, 2, 4}, {5, 5, 3}, {6, 1, 3},
               {7, -1, 9}, {8, 4, 1}, {9, 3, 3}, {10, 4, 1}, {11, 0, 3}, {12, 3, 3}, {13, 2, 4},
               {14, -1, 9}, {15, 4, 1}, {16, -1, 9}, {-1, -1, 9}, {32767, -1, 9}};
  for (const Case& c : cases) {
    EXPECT_EQ(ColourSpaceForMode(c.mode), c.space) << "mode " << c.mode;
    EXPECT_EQ(ComponentsForMode(c.mode, 9), c.components) << "mode " << c.mode;
  }
}

TEST(StripeColourTables, ComponentHelpersAndConvertGuards) {
  int16_t a[4] = {1, 2, 3, 4};
  EXPECT_EQ(SetComponents(nullptr, 0, 0, 0, 0), errMissingParameter);
  EXPECT_EQ(CopyComponents(a, nullptr), errMissingParameter);
  EXPECT_EQ(ConvertColour(nullptr, 0, 2, a), errPlugInHostInsufficient);
  EXPECT_EQ(ConvertColour(&AnswersOutOfRange, 0, 2, nullptr), errMissingParameter);
}

// Both the plug-in's fallback and the host's conversion, written apart, must agree for every
// colour a stripe can have and for a spread of others.
TEST(StripeColourTables, OwnConversionMatchesTheHostsFormulas) {
  TestHost host(nullptr);
  for (int16_t space : {0, 1, 2, 3, 4, 5}) {
    for (int r = 0; r < 256; r += 15) {
      for (int g = 0; g < 256; g += 17) {
        for (int b = 0; b < 256; b += 51) {
          int16_t own[4] = {int16_t(r), int16_t(g), int16_t(b), 0};
          ASSERT_TRUE(ConvertRgbToSpace(space, own));
          int16_t hosts[4] = {int16_t(r), int16_t(g), int16_t(b), 0};
          ASSERT_EQ(ConvertColour(host.record.colorServices, 0, space, hosts), noErr);
          for (int i = 0; i < 4; ++i)
            ASSERT_EQ(own[i], hosts[i]) << "space " << space << " rgb " << r << "," << g << ","
                                        << b << " component " << i;
        }
      }
    }
  }
  int16_t untouched[4] = {1, 2, 3, 4};
  EXPECT_FALSE(ConvertRgbToSpace(6, untouched));
  EXPECT_EQ(untouched[0], 1);
}

TEST_F(StripeColourTest, RequestCarriesTheFullRecordAndEveryMode) {
  struct Case {
    int16_t mode;
    int16_t n;
    uint8_t bytes[4];
    bool asksHost;
  } cases[] = {{plugInModeRGBColor, 3, {0, 0, 255, 0}, true},
               {plugInModeCMYKColor, 4, {255, 255, 0, 0}, true},
               {plugInModeGrayScale, 1, {29, 0, 0, 0}, true},
               {plugInModeDuotone, 1, {29, 0, 0, 0}, true},
               {plugInModeLabColor, 3, {82, 207, 20, 0}, true},
               {plugInModeMultichannel, 0, {0, 0, 0, 0}, false},
               {plugInModeBitmap, 0, {0, 0, 0, 0}, false}};
  for (const Case& c : cases) {
    for (OSErr hostError : {OSErr(noErr), OSErr(errPlugInHostInsufficient), OSErr(-1)}) {
      host->record.imageMode = c.mode;
      host->faults.colorServicesError = hostError;
      host->counters.colorServicesCalls = 0;
      uint8_t bytes[4] = {0, 0, 0, 0};
      int16_t n = 0;
      ResolveStripeColour(Context(), 0, 0, 255, 0, bytes, &n);
      EXPECT_EQ(host->counters.colorServicesCalls, c.asksHost ? 1 : 0) << "mode " << c.mode;
      EXPECT_EQ(n, c.n) << "mode " << c.mode;
      for (int i = 0; i < 4; ++i) EXPECT_EQ(bytes[i], c.bytes[i]) << "mode " << c.mode << " error " << hostError;
      if (c.asksHost) {
        const ColorServicesInfo& req = host->counters.lastColourRequest;
        EXPECT_EQ(req.infoSize, int32_t(sizeof(ColorServicesInfo)));
        EXPECT_EQ(req.selector, plugIncolorServicesConvertColor);
        EXPECT_EQ(req.sourceSpace, plugIncolorServicesRGBSpace);
        EXPECT_EQ(req.resultSpace, ColourSpaceForMode(c.mode));
        EXPECT_EQ(req.reservedSourceSpaceInfo, nullptr);
        EXPECT_EQ(req.reserved, nullptr);
      }
    }
  }
  static_assert(sizeof(ColorServicesInfo) == (sizeof(void*) == 8 ? 56 : 36));
}

TEST_F(StripeColourTest, HostValuesStandAsTheirLowBytes) {
  host->record.imageMode = plugInModeRGBColor;
  host->record.colorServices = &AnswersOutOfRange;
  uint8_t bytes[4] = {};
  int16_t n = 0;
  ResolveStripeColour(Context(), 255, 0, 0, 0, bytes, &n);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(bytes[0], 44);
  EXPECT_EQ(bytes[1], 255);
  EXPECT_EQ(bytes[2], 7);
}

}  // namespace
