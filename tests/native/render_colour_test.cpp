// Stripe colour resolution: mode tables, the request sent to the host, and the plug-in's own
// conversion when the host has none.
#include "render/stripe_colour.h"
#include "tests/native/render_model.h"
#include "ui/dialog_logic.h"

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

namespace {

// The custom colour from the host's picker: chosen (held in 0..255), cancelled, refused, or
// no colour services at all; only a choice changes the block.
TEST_F(StripeColourTest, CustomColourFromTheHostsPicker) {
  struct Case {
    bool services, offered;
    OSErr answer;
    int16_t picked[3];
    OSErr want;
    uint8_t rgb[3];
  } cases[] = {{true, true, noErr, {10, 300, -4}, noErr, {10, 255, 0}},
               {true, true, userCanceledErr, {1, 2, 3}, userCanceledErr, {9, 8, 7}},
               {true, false, noErr, {1, 2, 3}, errPlugInHostInsufficient, {9, 8, 7}},
               {false, true, noErr, {1, 2, 3}, errPlugInHostInsufficient, {9, 8, 7}}};
  for (const Case& c : cases) {
    SetUp();
    host->faults.withholdColorServices = !c.services;
    host->faults.offerColourPicker = c.offered;
    host->faults.pickerResult = c.answer;
    std::copy(c.picked, c.picked + 3, host->faults.picked);
    host->ApplyFaults();
    FilterParameters& b = *Block();
    b.colourCode = kColourRed, b.customRed = 9, b.customGreen = 8, b.customBlue = 7;
    EXPECT_EQ(PickCustomColourWithHost(Context()), c.want);
    EXPECT_EQ((std::vector<int>{b.customRed, b.customGreen, b.customBlue}), std::vector<int>(c.rgb, c.rgb + 3));
    EXPECT_EQ(b.colourCode, c.want == noErr ? kColourCustom : kColourRed);
    const ColorServicesInfo& asked = host->counters.lastColourRequest;
    if (c.services && c.offered) {
      EXPECT_EQ(host->counters.lastPickerPrompt, "Grid color");
      EXPECT_TRUE(asked.selector == plugIncolorServicesChooseColor && asked.resultSpace == 0 &&
                  asked.colorComponents[0] == 9 && asked.colorComponents[2] == 7) << "starts from the block's";
    }
    TearDown();
  }
}

}  // namespace
