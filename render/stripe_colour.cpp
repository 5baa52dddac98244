#include "render/stripe_colour.h"

#include <cmath>

namespace {

int32_t ClampByte(int32_t v) noexcept { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// num / den rounded half up; num >= 0, den > 0.
int32_t RoundDiv(int32_t num, int32_t den) noexcept { return (2 * num + den) / (2 * den); }

// Hue in 0..255 (a full turn is 256 steps short by one, so 360 degrees wraps to 0).
int32_t HueByte(int32_t r, int32_t g, int32_t b, int32_t max, int32_t delta) noexcept {
  if (delta == 0) return 0;
  int32_t sixths;  // hue as a fraction of delta, in 0..6 * delta
  if (max == r) {
    sixths = g - b;
    if (sixths < 0) sixths += 6 * delta;
  } else if (max == g) {
    sixths = b - r + 2 * delta;
  } else {
    sixths = r - g + 4 * delta;
  }
  const int32_t hue = RoundDiv(sixths * 255, 6 * delta);
  return hue >= 255 ? 0 : hue;
}

double LinearFromSrgb(int32_t channel) noexcept {
  const double c = channel / 255.0;
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double LabCurve(double t) noexcept {
  constexpr double kEdge = 6.0 / 29.0;
  return t > kEdge * kEdge * kEdge ? std::cbrt(t) : t / (3.0 * kEdge * kEdge) + 4.0 / 29.0;
}

void RgbToLab(int32_t r, int32_t g, int32_t b, int16_t* out) noexcept {
  const double lr = LinearFromSrgb(r), lg = LinearFromSrgb(g), lb = LinearFromSrgb(b);
  const double x = 0.4124564 * lr + 0.3575761 * lg + 0.1804375 * lb;
  const double y = 0.2126729 * lr + 0.7151522 * lg + 0.0721750 * lb;
  const double z = 0.0193339 * lr + 0.1191920 * lg + 0.9503041 * lb;
  const double fx = LabCurve(x / 0.95047), fy = LabCurve(y), fz = LabCurve(z / 1.08883);
  const double lightness = 116.0 * fy - 16.0;
  out[0] = int16_t(ClampByte(int32_t(std::lround(lightness * 255.0 / 100.0))));
  out[1] = int16_t(ClampByte(int32_t(std::lround(500.0 * (fx - fy))) + 128));
  out[2] = int16_t(ClampByte(int32_t(std::lround(200.0 * (fy - fz))) + 128));
  out[3] = 0;
}

}  // namespace

int16_t ColourSpaceForMode(int16_t imageMode) noexcept {
  switch (imageMode) {
    case plugInModeGrayScale:
    case plugInModeDuotone:
    case plugInModeGray16:
    case plugInModeDuotone16: return plugIncolorServicesGraySpace;
    case plugInModeRGBColor:
    case plugInModeRGB48: return plugIncolorServicesRGBSpace;
    case plugInModeCMYKColor:
    case plugInModeCMYK64: return plugIncolorServicesCMYKSpace;
    case plugInModeHSLColor: return plugIncolorServicesHSLSpace;
    case plugInModeHSBColor: return plugIncolorServicesHSBSpace;
    case plugInModeLabColor:
    case plugInModeLab48: return plugIncolorServicesLabSpace;
    default: return -1;
  }
}

int16_t ComponentsForMode(int16_t imageMode, int16_t count) noexcept {
  switch (imageMode) {
    case plugInModeBitmap:
    case plugInModeGrayScale:
    case plugInModeDuotone:
    case plugInModeGray16:
    case plugInModeDuotone16: return 1;
    case plugInModeIndexedColor:
    case plugInModeRGBColor:
    case plugInModeHSLColor:
    case plugInModeHSBColor:
    case plugInModeLabColor:
    case plugInModeRGB48:
    case plugInModeLab48: return 3;
    case plugInModeCMYKColor:
    case plugInModeCMYK64: return 4;
    default: return count;
  }
}

int16_t SetComponents(int16_t* components, int16_t c0, int16_t c1, int16_t c2,
                      int16_t c3) noexcept {
  if (components == nullptr) return errMissingParameter;
  components[0] = c0;
  components[1] = c1;
  components[2] = c2;
  components[3] = c3;
  return noErr;
}

int16_t CopyComponents(const int16_t* from, int16_t* to) noexcept {
  if (from == nullptr || to == nullptr) return errMissingParameter;
  for (int i = 0; i < 4; ++i) to[i] = from[i];
  return noErr;
}

namespace {

// A colour-services request of the full record size (some hosts refuse one smaller than their
// own record), carrying `components`.
ColorServicesInfo ColourRequest(int16_t selector, int16_t sourceSpace, int16_t resultSpace,
                                const int16_t* components) noexcept {
  ColorServicesInfo request{};
  request.infoSize = int32_t(sizeof(ColorServicesInfo));
  request.selector = selector;
  request.sourceSpace = sourceSpace;
  request.resultSpace = resultSpace;
  CopyComponents(components, request.colorComponents);
  return request;
}

}  // namespace

int16_t ConvertColour(ColorServicesProc colorServices, int16_t sourceSpace, int16_t resultSpace,
                      int16_t* components) noexcept {
  if (colorServices == nullptr) return errPlugInHostInsufficient;
  if (components == nullptr) return errMissingParameter;
  ColorServicesInfo request =
      ColourRequest(plugIncolorServicesConvertColor, sourceSpace, resultSpace, components);
  const int16_t err = colorServices(&request);
  if (err == noErr) CopyComponents(request.colorComponents, components);
  return err;
}

int16_t ChooseColour(ColorServicesProc colorServices, const unsigned char* prompt,
                     int16_t* components) noexcept {
  if (colorServices == nullptr) return errPlugInHostInsufficient;
  if (components == nullptr) return errMissingParameter;
  ColorServicesInfo request = ColourRequest(plugIncolorServicesChooseColor, plugIncolorServicesRGBSpace,
                                            plugIncolorServicesRGBSpace, components);
  // The host only reads the prompt.
  request.selectorParameter.pickerPrompt =
      const_cast<Str255*>(reinterpret_cast<const Str255*>(prompt));
  const int16_t err = colorServices(&request);
  if (err != noErr) return err;
  for (int i = 0; i < 3; ++i) components[i] = int16_t(ClampByte(request.colorComponents[i]));
  return noErr;
}

bool ConvertRgbToSpace(int16_t resultSpace, int16_t* components) noexcept {
  if (components == nullptr) return false;
  const int32_t r = ClampByte(components[0]);
  const int32_t g = ClampByte(components[1]);
  const int32_t b = ClampByte(components[2]);
  const int32_t max = r > g ? (r > b ? r : b) : (g > b ? g : b);
  const int32_t min = r < g ? (r < b ? r : b) : (g < b ? g : b);
  const int32_t delta = max - min;
  int32_t out[4] = {0, 0, 0, 0};
  switch (resultSpace) {
    case plugIncolorServicesRGBSpace:
      return true;
    case plugIncolorServicesGraySpace:
      out[0] = (299 * r + 587 * g + 114 * b + 500) / 1000;
      break;
    case plugIncolorServicesCMYKSpace:
      out[3] = 255 - max;
      if (max > 0) {
        out[0] = RoundDiv((max - r) * 255, max);
        out[1] = RoundDiv((max - g) * 255, max);
        out[2] = RoundDiv((max - b) * 255, max);
      }
      break;
    case plugIncolorServicesHSBSpace:
      out[0] = HueByte(r, g, b, max, delta);
      out[1] = max == 0 ? 0 : RoundDiv(delta * 255, max);
      out[2] = max;
      break;
    case plugIncolorServicesHSLSpace: {
      const int32_t sum = max + min;
      out[0] = HueByte(r, g, b, max, delta);
      if (delta != 0) out[1] = RoundDiv(delta * 255, sum <= 255 ? sum : 510 - sum);
      out[2] = (sum + 1) / 2;
      break;
    }
    case plugIncolorServicesLabSpace:
      RgbToLab(r, g, b, components);
      return true;
    default:
      return false;
  }
  for (int i = 0; i < 4; ++i) components[i] = int16_t(out[i]);
  return true;
}

void ResolveStripeColour(const InvocationContext* context, int16_t red, int16_t green,
                         int16_t blue, int16_t fourth, uint8_t* colourBytes, int16_t* n) noexcept {
  if (context == nullptr || context->filterRecord == nullptr || colourBytes == nullptr ||
      n == nullptr)
    return;
  const FilterRecord* record = context->filterRecord;
  int16_t components[4];
  SetComponents(components, red, green, blue, fourth);
  const int16_t space = ColourSpaceForMode(record->imageMode);
  if (space != -1) {
    if (ConvertColour(record->colorServices, plugIncolorServicesRGBSpace, space, components) !=
        noErr) {
      // Many hosts offer no conversion or refuse it; raw RGB bytes would give wrong colours
      // in every mode but RGB, so convert here instead.
      ConvertRgbToSpace(space, components);
    }
    *n = ComponentsForMode(record->imageMode, *n);
  }
  if (*n < 0) *n = 0;
  if (*n > 4) *n = 4;
  for (int16_t i = 0; i < *n; ++i) colourBytes[i] = uint8_t(components[i] & 0xFF);
}
