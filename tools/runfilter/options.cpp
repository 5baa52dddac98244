#include "tools/runfilter/options.h"

#include <cerrno>
#include <cstdlib>

#include "corvane_records.h"
#include "params/settings.h"
#include "tools/testhost/image_file.h"

namespace {

struct Named {
  const char* name;
  int32_t value;
};

constexpr Named kModes[] = {
    {"rgb", plugInModeRGBColor},      {"gray", plugInModeGrayScale},
    {"grey", plugInModeGrayScale},    {"cmyk", plugInModeCMYKColor},
    {"lab", plugInModeLabColor},      {"hsb", plugInModeHSBColor},
    {"hsl", plugInModeHSLColor},      {"multichannel", plugInModeMultichannel},
};
// The 16-bit modes, named for messages; --mode takes the 8-bit names for both depths.
constexpr Named kDeepModes[] = {
    {"gray16", plugInModeGray16},   {"rgb48", plugInModeRGB48},
    {"lab48", plugInModeLab48},     {"cmyk64", plugInModeCMYK64},
    {"deep multichannel", plugInModeDeepMultichannel}, {"duotone16", plugInModeDuotone16},
};
constexpr Named kColours[] = {
    {"black", int32_t(kColourBlack)}, {"blue", int32_t(kColourBlue)},
    {"red", int32_t(kColourRed)},     {"green", int32_t(kColourGreen)},
};
constexpr Named kAlignments[] = {
    {"top", 0}, {"centre", 1}, {"center", 1}, {"bottom", 2},
};

template <size_t N>
bool Lookup(const Named (&table)[N], const std::string& text, int32_t& value) {
  for (const Named& entry : table) {
    if (text == entry.name) {
      value = entry.value;
      return true;
    }
  }
  return false;
}

// A whole decimal number, nothing else: no sign games, no trailing text, no overflow.
bool ParseInteger(const std::string& text, int64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  for (size_t j = i; j < text.size(); ++j) {
    if (text[j] < '0' || text[j] > '9') return false;
  }
  value = std::strtoll(text.c_str(), nullptr, 10);
  return true;
}

bool ParseRanged(const std::string& flag, const std::string& text, int64_t minimum,
                 int64_t maximum, int32_t& out, std::string& error) {
  int64_t value = 0;
  if (!ParseInteger(text, value) || value < minimum || value > maximum) {
    error = flag + " takes a whole number from " + std::to_string(minimum) + " to " +
            std::to_string(maximum) + ", not '" + text + "'";
    return false;
  }
  out = int32_t(value);
  return true;
}

// RRGGBB, with or without a leading '#'.
bool ParseHexColour(const std::string& text, RunOptions& o) {
  const std::string digits = !text.empty() && text[0] == '#' ? text.substr(1) : text;
  if (digits.size() != 6) return false;
  uint32_t value = 0;
  for (const char c : digits) {
    const int nibble = c >= '0' && c <= '9'   ? c - '0'
                       : c >= 'a' && c <= 'f' ? c - 'a' + 10
                       : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                              : -1;
    if (nibble < 0) return false;
    value = value << 4 | uint32_t(nibble);
  }
  o.red = uint8_t(value >> 16), o.green = uint8_t(value >> 8), o.blue = uint8_t(value);
  o.colour = kColourCustom;
  return true;
}

bool ParseRect(const std::string& text, VRect& rect, std::string& error) {
  int64_t v[4] = {};
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t comma = text.find(',', start);
    const bool last = i == 3;
    if (last != (comma == std::string::npos) ||
        !ParseInteger(text.substr(start, comma == std::string::npos ? comma : comma - start), v[i]) ||
        v[i] < 0 || v[i] > kLargestPictureSide) {
      error = "--rect takes TOP,LEFT,BOTTOM,RIGHT, four whole numbers from 0 to " +
              std::to_string(kLargestPictureSide) + ", not '" + text + "'";
      return false;
    }
    start = comma + 1;
  }
  if (v[0] >= v[2] || v[1] >= v[3]) {
    error = "--rect " + text + " is empty: BOTTOM must exceed TOP and RIGHT must exceed LEFT";
    return false;
  }
  rect = VRect{int32_t(v[0]), int32_t(v[1]), int32_t(v[2]), int32_t(v[3])};
  return true;
}

}  // namespace

std::string ModeName(int16_t mode) {
  for (const Named& entry : kModes) {
    if (entry.value == mode) return entry.name;
  }
  for (const Named& entry : kDeepModes) {
    if (entry.value == mode) return entry.name;
  }
  return "";
}

bool ParseOptions(const std::vector<std::string>& args, RunOptions& o, std::string& error) {
  std::vector<std::string> positional;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string value;
    bool hasInlineValue = false;
    if (const size_t eq = arg.find('='); eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      hasInlineValue = true;
    }
    // Flags without a value.
    bool* flag = nullptr;
    bool flagValue = true;
    if (arg == "--about") flag = &o.about;
    else if (arg == "--help" || arg == "-h") flag = &o.help;
    else if (arg == "--quiet" || arg == "-q") flag = &o.quiet;
    else if (arg == "--dialog") flag = &o.dialog;
    else if (arg == "--verbose" || arg == "-v") flag = &o.verbose;
    else if (arg == "--remove") flag = &o.remove;
    else if (arg == "--no-ignore-zero" || arg == "--no-advance-state") {
      flag = arg == "--no-ignore-zero" ? &o.ignoreZero : &o.advanceState;
      flagValue = false;
    }
    if (flag != nullptr) {
      if (hasInlineValue) {
        error = arg + " takes no value";
        return false;
      }
      *flag = flagValue;
      continue;
    }
    static const char* const kValued[] = {"--mode",   "--hgap",   "--vgap",  "--hthick",
                                          "--vthick", "--colour", "--color", "--align",
                                          "--rect",   "--max-space", "--plugin", "--opacity",
                                          "--quality", "--compression"};
    bool known = false;
    for (const char* name : kValued) known = known || arg == name;
    if (!known) {
      error = "unknown option '" + arg + "' (runfilter --help lists them)";
      return false;
    }
    if (!hasInlineValue) {
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return false;
      }
      value = args[++i];
    }
    int32_t number = 0;
    if (arg == "--mode") {
      if (!Lookup(kModes, value, number)) {
        error = "--mode takes rgb, gray, cmyk, lab, hsb, hsl or multichannel, not '" + value + "'";
        return false;
      }
      o.mode = int16_t(number);
    } else if (arg == "--hgap" || arg == "--vgap") {
      if (!ParseRanged(arg, value, kGapRange.minimum, kGapRange.maximum, number, error)) return false;
      (arg == "--hgap" ? o.horizontalGap : o.verticalGap) = number;
    } else if (arg == "--hthick" || arg == "--vthick") {
      // Shown thickness: the stored value plus one.
      if (!ParseRanged(arg, value, kThicknessRange.minimum + 1, kThicknessRange.maximum + 1,
                       number, error))
        return false;
      (arg == "--hthick" ? o.horizontalThickness : o.verticalThickness) = number;
    } else if (arg == "--colour" || arg == "--color") {
      if (Lookup(kColours, value, number)) {
        o.colour = uint32_t(number);
      } else if (!ParseHexColour(value, o)) {
        error = arg + " takes black, blue, red, green or six hex digits RRGGBB, not '" + value + "'";
        return false;
      }
    } else if (arg == "--opacity") {
      if (!ParseRanged(arg, value, kOpacityRange.minimum, kOpacityRange.maximum, o.opacity, error))
        return false;
    } else if (arg == "--align") {
      if (!Lookup(kAlignments, value, number)) {
        error = "--align takes top, centre (center) or bottom, not '" + value + "'";
        return false;
      }
      o.alignment = number;
    } else if (arg == "--rect") {
      if (!ParseRect(value, o.rect, error)) return false;
      o.hasRect = true;
    } else if (arg == "--quality") {
      if (!ParseRanged(arg, value, 1, 100, o.quality, error)) return false;
    } else if (arg == "--compression") {
      const Named levels[] = {{"fast", kCompressionFast}, {"default", kCompressionDefault},
                              {"best", kCompressionBest}};
      if (!Lookup(levels, value, o.compression)) {
        error = "--compression takes fast, default or best, not '" + value + "'";
        return false;
      }
    } else if (arg == "--max-space") {
      if (!ParseRanged(arg, value, 1, INT32_MAX, number, error)) return false;
      o.maxSpace = number;
    } else {
      if (value.empty()) {
        error = "--plugin needs a path";
        return false;
      }
      o.plugin = value;
    }
  }
  if (o.help) return true;
  const size_t wanted = o.about ? 0 : 2;
  if (positional.size() != wanted) {
    error = o.about ? "--about takes no files"
                    : (positional.size() < 2 ? "give an INPUT and an OUTPUT file"
                                             : "too many files: '" + positional[2] + "'");
    return false;
  }
  if (!o.about) {
    o.input = positional[0];
    o.output = positional[1];
  }
  return true;
}

std::string UsageText() {
  return "usage: runfilter [options] INPUT OUTPUT\n"
         "       runfilter --about [--plugin PATH]\n"
         "Applies the filter to a picture and writes the result, 8 or 16 bits per channel\n"
         "as the input has; up to 300000 pixels each way. The Windows program reads PNG and\n"
         "BMP and writes PNG; the Linux one reads and writes PNG, JPEG and TIFF.\n"
         "\n"
         "Image mode (default from the file: 1 channel Grayscale, 2 Grayscale with\n"
         "transparency, 3 RGB, 4 RGB with transparency):\n"
         "  --mode rgb|gray|cmyk|lab|hsb|hsl|multichannel\n"
         "                      take the file's channels as that mode's planes\n"
         "                      (cmyk needs 4 channels, lab, hsb and hsl 3); a 16-bit\n"
         "                      file takes the mode's 16-bit form (hsb and hsl have none)\n"
         "Settings (unset ones keep the plug-in's defaults; a gap of 0 draws no stripes):\n"
         "  --hgap N, --vgap N  rows between horizontal, columns between vertical stripes,\n"
         "                      0..30000\n"
         "  --hthick N, --vthick N\n"
         "                      stripe thickness, 1..30000\n"
         "  --colour black|blue|red|green|RRGGBB   (--color too; RRGGBB six hex digits,\n"
         "                      '#' optional, converted into the image's mode)\n"
         "  --opacity N         stripe opacity in percent, 1..100 (default 100)\n"
         "  --align top|centre|bottom       (center too)\n"
         "  --remove            clear everything that is not a stripe\n"
         "  --no-ignore-zero    copy a stripe's transparency and extra planes instead of\n"
         "                      setting them to full\n"
         "Files (the output's format follows its extension):\n"
         "  --quality N         JPEG quality, 1..100 (default 92)\n"
         "  --compression fast|default|best\n"
         "                      PNG and TIFF compression (default: default; a TIFF written\n"
         "                      from a TIFF keeps its scheme, any other TIFF gets Deflate)\n"
         "Host behaviour:\n"
         "  --rect T,L,B,R      filter only this area (rows T..B-1, columns L..R-1)\n"
         "  --max-space BYTES   memory offered to the plug-in; small values force strips\n"
         "  --no-advance-state  withhold advanceState, so the plug-in works strip by strip\n"
         "  --dialog            ask for the plug-in's dialog (needs a display)\n"
         "  --plugin PATH       another module of the same bitness (default: Corvane.8bf\n"
         "                      beside runfilter.exe)\n"
         "  --about             show the module's About box\n"
         "  --quiet             no progress bar\n"
         "  --verbose           print how the plug-in took the image (strips, advanceState)\n"
         "Exit status: 0 done, 1 the run failed, 2 the command line is wrong.\n";
}
