// Colour services of the test host: converts 8-bit RGB into the other spaces, every result
// component in 0..255 (hue as a fraction of a turn times 255, Lab's L* times 2.55 and a*, b*
// offset by 128). Written apart from the plug-in's own conversion so tests can compare them.
#include <cmath>
#include <string>

#include "tools/testhost/host_services.h"

namespace {

int16_t ToByte(double v) {
  const long rounded = std::lround(v);
  return int16_t(rounded < 0 ? 0 : (rounded > 255 ? 255 : rounded));
}

// Hue as a fraction of a turn times 255; one division of exact integers, so halves round
// the same way everywhere.
int16_t HueByte(double r, double g, double b) {
  const double max = std::fmax(r, std::fmax(g, b));
  const double min = std::fmin(r, std::fmin(g, b));
  const double delta = max - min;
  if (delta == 0) return 0;
  double sixths;  // hue in units of delta, 0 .. 6 delta
  if (max == r) {
    sixths = g - b < 0 ? g - b + 6 * delta : g - b;
  } else if (max == g) {
    sixths = b - r + 2 * delta;
  } else {
    sixths = r - g + 4 * delta;
  }
  const int16_t hue = ToByte(255 * sixths / (6 * delta));
  return hue == 255 ? 0 : hue;
}

double Linearise(double channel) {
  const double c = channel / 255;
  return c > 0.04045 ? std::pow((c + 0.055) / 1.055, 2.4) : c / 12.92;
}

double LabF(double t) {
  const double delta = 6.0 / 29.0;
  if (t > delta * delta * delta) return std::cbrt(t);
  return t / (3 * delta * delta) + 4.0 / 29.0;
}

bool Convert(int16_t space, const int16_t* in, int16_t* out) {
  const double r = in[0], g = in[1], b = in[2];
  const double max = std::fmax(r, std::fmax(g, b));
  const double min = std::fmin(r, std::fmin(g, b));
  out[0] = out[1] = out[2] = out[3] = 0;
  switch (space) {
    case plugIncolorServicesRGBSpace:
      for (int i = 0; i < 4; ++i) out[i] = in[i];
      return true;
    case plugIncolorServicesGraySpace:
      out[0] = ToByte((299 * r + 587 * g + 114 * b) / 1000);
      return true;
    case plugIncolorServicesCMYKSpace:
      out[3] = ToByte(255 - max);
      if (max > 0) {
        out[0] = ToByte(255 * (max - r) / max);
        out[1] = ToByte(255 * (max - g) / max);
        out[2] = ToByte(255 * (max - b) / max);
      }
      return true;
    case plugIncolorServicesHSBSpace:
      out[0] = HueByte(r, g, b);
      out[1] = max > 0 ? ToByte(255 * (max - min) / max) : 0;
      out[2] = ToByte(max);
      return true;
    case plugIncolorServicesHSLSpace: {
      const double sum = max + min;
      out[0] = HueByte(r, g, b);
      if (max > min) out[1] = ToByte(255 * (max - min) / (sum <= 255 ? sum : 510 - sum));
      out[2] = ToByte(sum / 2);
      return true;
    }
    case plugIncolorServicesLabSpace: {
      const double lr = Linearise(r), lg = Linearise(g), lb = Linearise(b);
      const double x = (0.4124564 * lr + 0.3575761 * lg + 0.1804375 * lb) / 0.95047;
      const double y = 0.2126729 * lr + 0.7151522 * lg + 0.0721750 * lb;
      const double z = (0.0193339 * lr + 0.1191920 * lg + 0.9503041 * lb) / 1.08883;
      out[0] = ToByte((116 * LabF(y) - 16) * 2.55);
      out[1] = ToByte(double(std::lround(500 * (LabF(x) - LabF(y)))) + 128.0);
      out[2] = ToByte(double(std::lround(200 * (LabF(y) - LabF(z)))) + 128.0);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

OSErr HOSTAPI TestHostColorServices(ColorServicesInfo* info) {
  TestHost* host = ActiveTestHost();
  if (host == nullptr || info == nullptr) return errPlugInHostInsufficient;
  ++host->counters.colorServicesCalls;
  host->counters.lastColourRequest = *info;
  if (host->faults.colorServicesError != 0) return host->faults.colorServicesError;
  if (host->faults.colorServicesGarbage) {
    const int16_t garbage[4] = {-32768, 32767, 256, -1};
    for (int i = 0; i < 4; ++i) info->colorComponents[i] = garbage[i];
    return noErr;
  }
  // Like several real hosts, refuse a request smaller than this build's record.
  if (info->infoSize < int32_t(sizeof(ColorServicesInfo))) return errPlugInHostInsufficient;
  if (info->selector == plugIncolorServicesChooseColor && host->faults.offerColourPicker) {
    const auto* prompt = reinterpret_cast<const unsigned char*>(info->selectorParameter.pickerPrompt);
    host->counters.lastPickerRequest = *info;
    host->counters.lastPickerPrompt = prompt != nullptr ? std::string(prompt + 1, prompt + 1 + prompt[0]) : "";
    if (host->faults.pickerResult != noErr) return host->faults.pickerResult;
    for (int i = 0; i < 3; ++i) info->colorComponents[i] = host->faults.picked[i];
    return noErr;
  }
  if (info->selector != plugIncolorServicesConvertColor) return errPlugInHostInsufficient;
  if (info->sourceSpace != plugIncolorServicesRGBSpace) return errPlugInHostInsufficient;
  for (int i = 0; i < 3; ++i) {
    if (info->colorComponents[i] < 0 || info->colorComponents[i] > 255) return paramErr;
  }
  int16_t converted[4];
  if (!Convert(info->resultSpace, info->colorComponents, converted)) return paramErr;
  for (int i = 0; i < 4; ++i) info->colorComponents[i] = converted[i];
  return noErr;
}
