#include "tools/runfilter/run.h"

#include "params/scripting.h"
#include "params/settings.h"
#include "tools/testhost/host_descriptor.h"
#include "tools/testhost/image_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

constexpr int32_t kLargestSide = kLargestPictureSide;  // what the module's property list offers

DescriptorItems SettingsDescriptor(TestHost& host, const RunOptions& o) {
  // Only what was asked for: every other key keeps the plug-in's default.
  DescriptorItems items;
  if (o.colour != 0) items.push_back(DescriptorItem::Enumerated(kKeyColour, kTypeColour, o.colour));
  if (o.colour == kColourCustom)
    items.push_back(ObjectItem(host, kKeyCustomColour, kClassRgbColour,
                               {DescriptorItem::Float(kKeyRed, o.red),
                                DescriptorItem::Float(kKeyGreen, o.green),
                                DescriptorItem::Float(kKeyBlue, o.blue)}));
  if (o.opacity > 0) items.push_back(DescriptorItem::UnitFloat(kKeyOpacity, kUnitPercent, o.opacity));
  // Whole pixels go as today's integers; any other length as a unit float of its kind.
  const struct {
    DescriptorKeyID key;
    double value;
  } lengths[] = {{kKeyHorizontalGap, o.horizontalGap},     {kKeyVerticalGap, o.verticalGap},
                 {kKeyHorizontalThickness, o.horizontalThickness},
                 {kKeyVerticalThickness, o.verticalThickness},
                 {kKeyHorizontalOffset, o.horizontalOffset}, {kKeyVerticalOffset, o.verticalOffset},
                 {kKeyMinorThickness, o.minorThickness},  {kKeyDashLength, o.dash},
                 {kKeyDashGap, o.dashGap}};
  for (const auto& length : lengths) {
    if (std::isnan(length.value)) continue;
    if (o.unit == kGridPixels && length.value == std::floor(length.value) && length.key != kKeyHorizontalOffset &&
        length.key != kKeyVerticalOffset && length.key != kKeyMinorThickness && length.key != kKeyDashLength &&
        length.key != kKeyDashGap) {
      items.push_back(DescriptorItem::Integer(length.key, int32_t(length.value)));
    } else if (o.unit == kGridPixels) {
      items.push_back(DescriptorItem::UnitFloat(length.key, kUnitPixels, length.value));
    } else if (o.unit == kGridPercent) {
      items.push_back(DescriptorItem::UnitFloat(length.key, kUnitPercent, length.value));
    } else {
      items.push_back(DescriptorItem::UnitFloat(length.key, kUnitDistance, length.value * PointsPerUnit(o.unit)));
    }
  }
  if (o.unitGiven) items.push_back(DescriptorItem::Enumerated(kKeyGridUnit, kTypeGridUnit, kGridUnitCodes[o.unit]));
  if (o.rows > 0) items.push_back(DescriptorItem::Integer(kKeyRows, o.rows));
  if (o.columns > 0) items.push_back(DescriptorItem::Integer(kKeyColumns, o.columns));
  if (o.frame) items.push_back(DescriptorItem::Bool(kKeyFrame, true));
  if (o.subdivisions > 0) items.push_back(DescriptorItem::Integer(kKeySubdivisions, o.subdivisions));
  if (o.lineStyle >= 0) {
    const DescriptorEnumID styles[] = {kStyleSolid, kStyleDashed, kStyleDotted};
    items.push_back(DescriptorItem::Enumerated(kKeyLineStyle, kTypeLineStyle, styles[o.lineStyle]));
  }
  if (o.minorColourGiven)
    items.push_back(ObjectItem(host, kKeyMinorColour, kClassRgbColour,
                               {DescriptorItem::Float(kKeyRed, o.minorRed),
                                DescriptorItem::Float(kKeyGreen, o.minorGreen),
                                DescriptorItem::Float(kKeyBlue, o.minorBlue)}));
  if (o.minorOpacity > 0) items.push_back(DescriptorItem::UnitFloat(kKeyMinorOpacity, kUnitPercent, o.minorOpacity));
  if (o.alignment >= 0) {
    const DescriptorEnumID codes[] = {kAlignTop, kAlignCentre, kAlignBottom};
    items.push_back(DescriptorItem::Enumerated(kKeyAlignment, kTypeAlignment, codes[o.alignment]));
  }
  if (!o.ignoreZero) items.push_back(DescriptorItem::Bool(kKeyIgnoreZeroPixel, false));
  if (o.remove) items.push_back(DescriptorItem::Bool(kKeyRemoveOthers, true));
  return items;
}

// Pixels per inch as the host's 16.16 field: --ppi, else the file's resolution (0 when the
// file gives none), else 72.
int32_t HostResolution(double asked, double fromFile) {
  const double ppi = asked > 0 ? asked : (fromFile > 0 ? fromFile : 72.0);
  return int32_t(std::lround(ppi * 65536.0));
}

}  // namespace

std::string ResultText(int16_t result) {
  const char* name = nullptr;
  switch (result) {
    case userCanceledErr: name = "user cancelled"; break;
    case memFullErr: name = "out of memory"; break;
    case errPlugInHostInsufficient: name = "host insufficient"; break;
    case filterBadParameters: name = "bad parameters"; break;
    case filterBadMode: name = "image mode not supported"; break;
    default: break;
  }
  const std::string number = std::to_string(result);
  return name != nullptr ? std::string(name) + " (" + number + ")" : "result code " + number;
}

// The 16-bit form of an 8-bit mode; -1 for one without.
int16_t DeepMode(int16_t mode) {
  switch (mode) {
    case plugInModeGrayScale: return plugInModeGray16;
    case plugInModeRGBColor: return plugInModeRGB48;
    case plugInModeLabColor: return plugInModeLab48;
    case plugInModeCMYKColor: return plugInModeCMYK64;
    case plugInModeMultichannel: return plugInModeDeepMultichannel;
    case plugInModeDuotone: return plugInModeDuotone16;
    default: return -1;
  }
}

bool ChooseImageMode(const RunOptions& options, int32_t channels, int32_t depth, int16_t& mode,
                     std::string& error) {
  mode = options.mode >= 0 ? options.mode
                           : int16_t(channels <= 2 ? plugInModeGrayScale : plugInModeRGBColor);
  const int16_t flat = mode;
  if (depth == 16 && (mode = DeepMode(flat)) < 0) {
    error = "--mode " + ModeName(flat) + " has no 16-bit form and the input has 16 bits per channel";
    return false;
  }
  if (options.mode < 0) return true;
  bool fits = false;
  const char* needs = "";
  switch (flat) {
    case plugInModeRGBColor: fits = channels == 3 || channels == 4; needs = "3 or 4"; break;
    case plugInModeGrayScale: fits = channels == 1 || channels == 2; needs = "1 or 2"; break;
    case plugInModeCMYKColor: fits = channels == 4; needs = "4"; break;
    case plugInModeLabColor:
    case plugInModeHSBColor:
    case plugInModeHSLColor: fits = channels == 3; needs = "3"; break;
    default: fits = true; break;  // multichannel takes any number of planes
  }
  if (!fits) {
    error = "--mode " + ModeName(flat) + " needs " + needs + " channels; the input has " +
            std::to_string(channels);
  }
  return fits;
}

bool CheckImageFits(const RunOptions& options, const HostImage& image, std::string& error) {
  if (image.width > kLargestSide || image.height > kLargestSide) {
    error = "the input is " + std::to_string(image.width) + " x " + std::to_string(image.height) +
            " pixels; at most " + std::to_string(kLargestSide) + " in each direction can be filtered";
    return false;
  }
  if (options.hasRect && (options.rect.bottom > image.height || options.rect.right > image.width)) {
    error = "--rect reaches past the " + std::to_string(image.width) + " x " +
            std::to_string(image.height) + " image";
    return false;
  }
  return true;
}

bool RunPlugin(PluginEntry entry, const RunOptions& options, int16_t mode, HostImage& image,
               void (*progress)(int32_t done, int32_t total), RunStats& stats, std::string& error,
               RowStream* stream) {
  TestHost host(entry);
  host.faults.withholdAdvanceState = !options.advanceState;
  host.faults.descriptor.offer = true;
  host.ApplyFaults();
  host.SetImage(image, mode);
  // The host holds the picture twice (before and after); a third copy would only cost memory.
  std::vector<uint8_t>().swap(image.pixels);
  if (options.hasRect) host.SetFilterRect(options.rect);
  // The Windows reader gives no resolution: 0 here; the Linux one puts the file's into
  // `options` when --ppi is not given.
  host.record.imageHRes = HostResolution(options.ppiH, 0);
  host.record.imageVRes = HostResolution(options.ppiV, 0);
  if (options.maxSpace > 0) host.record.maxSpace = options.maxSpace;
  if (stream != nullptr) {
    // Bands of the offer's size; a larger request (the whole area at once) is answered as a
    // host short of memory does, and the plug-in takes it in those bands.
    host.SetStream(stream);
    host.faults.maxServedBytes = std::max<int64_t>(kStreamedBytes, host.record.maxSpace);
  }
  host.progressObserver = progress;
  // The settings arrive as a replayed action step; with --dialog the plug-in is asked for its
  // dialog (Parameters first) and the step's values are where the dialog starts.
  SetPlayDescriptor(host, SettingsDescriptor(host, options),
                    options.dialog ? plugInDialogDisplay : plugInDialogDontDisplay);
  const int16_t result = host.RunFilter(options.dialog);
  stats.strips = int32_t(host.counters.servedOutRects.size());
  stats.advanceStateCalls = host.counters.advanceStateCalls;
  stats.progressCalls = host.counters.progressCalls;
  if (result != noErr || host.counters.bufferOverruns != 0) {
    error = result == kStreamFailed && stream != nullptr
                ? (host.streamOutOfOrder ? kOutOfOrder : "the picture could not be read or written")
            : result != noErr
                ? "the filter failed: " + ResultText(result)
                : "the filter wrote outside the buffers it was given; the result is not trusted";
    image = std::move(host.source);
    return false;
  }
  image = std::move(host.image);
  return true;
}

bool RunAbout(PluginEntry entry, std::string& error) {
  TestHost host(entry);
  const int16_t result = host.CallAbout(noErr);
  if (result != noErr) {
    error = "About failed: " + ResultText(result);
    return false;
  }
  return true;
}

int FormatProgress(int32_t done, int32_t total, int* shown, char (&line)[64]) {
  if (total <= 0) return 0;
  const int percent = int(int64_t(done < 0 ? 0 : done > total ? total : done) * 100 / total);
  if (percent == *shown) return 0;
  *shown = percent;
  line[0] = '\r', line[1] = '[';
  for (int i = 0; i < 40; ++i) line[2 + i] = i < percent * 40 / 100 ? '#' : '.';
  return 42 + std::snprintf(line + 42, sizeof(line) - 42, "] %3d%%", percent);
}
