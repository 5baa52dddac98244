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
constexpr Named kUnits[] = {
    {"px", kGridPixels},      {"%", kGridPercent},     {"in", kGridInches}, {"cm", kGridCentimetres},
    {"mm", kGridMillimetres}, {"pt", kGridPoints},     {"pc", kGridPicas},
};
constexpr Named kStyles[] = {{"solid", kLineSolid}, {"dashed", kLineDashed}, {"dotted", kLineDotted}};
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

// A decimal number: digits with at most one point among or before them, a leading '-' when
// `signedValue`; nothing else.
bool ParseDecimal(const std::string& text, bool signedValue, double& value) {
  if (text.empty() || text.size() > 24) return false;
  size_t i = signedValue && text[0] == '-' ? 1 : 0;
  bool digits = false, point = false;
  for (size_t j = i; j < text.size(); ++j) {
    if (text[j] == '.' && !point) {
      point = true;
    } else if (text[j] >= '0' && text[j] <= '9') {
      digits = true;
    } else {
      return false;
    }
  }
  if (!digits) return false;
  value = std::strtod(text.c_str(), nullptr);
  return true;
}

// Two decimals A,B.
bool ParsePair(const std::string& text, double& first, double& second) {
  const size_t comma = text.find(',');
  return comma != std::string::npos && ParseDecimal(text.substr(0, comma), false, first) &&
         ParseDecimal(text.substr(comma + 1), false, second);
}

// RRGGBB, with or without a leading '#'.
bool ParseHexColour(const std::string& text, uint8_t& red, uint8_t& green, uint8_t& blue) {
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
  red = uint8_t(value >> 16), green = uint8_t(value >> 8), blue = uint8_t(value);
  return true;
}

// A length flag, checked once the unit is known.
struct LengthArgument {
  std::string flag;
  std::string text;
  double* field;
  bool offset;     // any sign
  bool thickness;  // above 0
};

// Lengths in pixels as today's; in another unit up to what the block holds. Converted lengths
// past 30000 px are held there by the plug-in.
bool CheckLength(const LengthArgument& a, uint8_t unit, std::string& error) {
  const char* unitName = kUnits[unit].name;
  const double most = a.offset ? 1000000.0 : (unit == kGridPixels ? 30000.0 : 100000.0);
  double value = 0;
  const bool parsed = ParseDecimal(a.text, a.offset, value);
  if (parsed && (a.offset ? (value >= -most && value <= most) : (value <= most && (a.thickness ? value > 0 : value >= 0)))) {
    *a.field = value;
    return true;
  }
  const std::string largest = std::to_string(int64_t(most));
  std::string least = a.thickness ? "above 0" : "0";
  if (a.offset) least = std::string(1, '-').append(largest);
  error = a.flag + " takes a length in " + unitName + " from " + least + " to " + largest +
          ", not '" + a.text + "'";
  return false;
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

double PointsPerUnit(uint8_t unit) {
  switch (unit) {
    case kGridInches: return 72.0;
    case kGridCentimetres: return 72.0 / 2.54;
    case kGridMillimetres: return 72.0 / 25.4;
    case kGridPoints: return 1.0;
    case kGridPicas: return 12.0;
    default: return 0.0;
  }
}

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
  std::vector<LengthArgument> lengths;
  std::string dashText;
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
    else if (arg == "--frame") flag = &o.frame;
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
    static const char* const kValued[] = {
        "--mode",    "--hgap",    "--vgap",      "--hthick",     "--vthick",       "--colour",
        "--color",   "--align",   "--rect",      "--max-space",  "--plugin",       "--opacity",
        "--unit",    "--ppi",     "--hoffset",   "--voffset",    "--rows",         "--columns",
        "--subdivide", "--minor-colour", "--minor-color", "--minor-opacity", "--minor-thick",
        "--style",   "--dash",    "--quality",   "--compression"};
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
      lengths.push_back({arg, value, arg == "--hgap" ? &o.horizontalGap : &o.verticalGap, false, false});
    } else if (arg == "--hthick" || arg == "--vthick" || arg == "--minor-thick") {
      double* field = arg == "--hthick" ? &o.horizontalThickness
                      : arg == "--vthick" ? &o.verticalThickness : &o.minorThickness;
      lengths.push_back({arg, value, field, false, true});
    } else if (arg == "--hoffset" || arg == "--voffset") {
      lengths.push_back({arg, value, arg == "--hoffset" ? &o.horizontalOffset : &o.verticalOffset, true, false});
    } else if (arg == "--unit") {
      if (!Lookup(kUnits, value, number)) {
        error = "--unit takes px, %, in, cm, mm, pt or pc, not '" + value + "'";
        return false;
      }
      o.unit = uint8_t(number);
      o.unitGiven = true;
    } else if (arg == "--ppi") {
      double h = 0, v = 0;
      const bool pair = value.find(',') != std::string::npos;
      if (!(pair ? ParsePair(value, h, v) : ParseDecimal(value, false, h)) || !(h > 0) ||
          !((pair ? v : h) > 0) || h > 1000000 || (pair ? v : h) > 1000000) {
        error = "--ppi takes N or H,V, pixels per inch above 0 and up to 1000000, not '" + value + "'";
        return false;
      }
      o.ppiH = h, o.ppiV = pair ? v : h;
    } else if (arg == "--rows" || arg == "--columns") {
      if (!ParseRanged(arg, value, 1, kCellCountRange.maximum, arg == "--rows" ? o.rows : o.columns, error))
        return false;
    } else if (arg == "--subdivide") {
      if (!ParseRanged(arg, value, kSubdivisionRange.minimum, kSubdivisionRange.maximum, o.subdivisions, error))
        return false;
    } else if (arg == "--minor-opacity") {
      if (!ParseRanged(arg, value, kMinorOpacityRange.minimum, kMinorOpacityRange.maximum, o.minorOpacity, error))
        return false;
    } else if (arg == "--minor-colour" || arg == "--minor-color") {
      static constexpr uint8_t kNamed[4][3] = {{0, 0, 0}, {0, 0, 255}, {255, 0, 0}, {0, 255, 0}};
      if (Lookup(kColours, value, number)) {
        const uint8_t* rgb = kNamed[uint32_t(number) - kColourBlack];
        o.minorRed = rgb[0], o.minorGreen = rgb[1], o.minorBlue = rgb[2];
      } else if (!ParseHexColour(value, o.minorRed, o.minorGreen, o.minorBlue)) {
        error = arg + " takes black, blue, red, green or six hex digits RRGGBB, not '" + value + "'";
        return false;
      }
      o.minorColourGiven = true;
    } else if (arg == "--style") {
      if (!Lookup(kStyles, value, o.lineStyle)) {
        error = "--style takes solid, dashed or dotted, not '" + value + "'";
        return false;
      }
    } else if (arg == "--dash") {
      dashText = value;
    } else if (arg == "--colour" || arg == "--color") {
      if (Lookup(kColours, value, number)) {
        o.colour = uint32_t(number);
      } else if (ParseHexColour(value, o.red, o.green, o.blue)) {
        o.colour = kColourCustom;
      } else {
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
  for (const LengthArgument& a : lengths) {
    if (!CheckLength(a, o.unit, error)) return false;
  }
  if (!dashText.empty()) {
    const size_t comma = dashText.find(',');
    std::string ignored;
    if (comma == std::string::npos ||
        !CheckLength({"--dash", dashText.substr(0, comma), &o.dash, false, true}, o.unit, ignored) ||
        !CheckLength({"--dash", dashText.substr(comma + 1), &o.dashGap, false, false}, o.unit, ignored)) {
      error = std::string("--dash takes ON,OFF, lengths in ") + kUnits[o.unit].name +
              ", ON above 0 and OFF 0 or more, not '" + dashText + "'";
      return false;
    }
  }
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
         "as the input has; up to 300000 pixels each way. Reads PNG, JPEG, TIFF and BMP,\n"
         "writes PNG, JPEG or TIFF as OUTPUT's extension says.\n"
         "\n"
         "Image mode (default from the file: 1 channel Grayscale, 2 Grayscale with\n"
         "transparency, 3 RGB, 4 RGB with transparency):\n"
         "  --mode rgb|gray|cmyk|lab|hsb|hsl|multichannel\n"
         "                      take the file's channels as that mode's planes\n"
         "                      (cmyk needs 4 channels, lab, hsb and hsl 3); a 16-bit\n"
         "                      file takes the mode's 16-bit form (hsb and hsl have none)\n"
         "Settings (unset ones keep the plug-in's defaults; a gap of 0 draws no stripes):\n"
         "  --unit px|%|in|cm|mm|pt|pc\n"
         "                      the unit of every length below (default px); % is of the\n"
         "                      filter area's height down, of its width across\n"
         "  --ppi N, --ppi H,V  the picture's resolution for in, cm, mm, pt and pc\n"
         "                      (default: the file's, else 72)\n"
         "  --hgap L, --vgap L  space between horizontal, between vertical stripes,\n"
         "                      0..30000 px (lengths take decimals)\n"
         "  --hthick L, --vthick L\n"
         "                      stripe thickness, above 0 up to 30000 px\n"
         "  --hoffset L, --voffset L\n"
         "                      move the vertical stripes right, the horizontal ones down\n"
         "  --rows N, --columns N\n"
         "                      cut the area into N equal cells down or across (1..1000)\n"
         "                      instead of the gap; --frame adds the area's edges\n"
         "  --subdivide N       N minor cells a cell (1..100), with --minor-colour C,\n"
         "                      --minor-opacity N (default 50) and --minor-thick L (1 px)\n"
         "  --style solid|dashed|dotted, --dash ON,OFF\n"
         "                      line style; dashes along the line (default 4,4 px)\n"
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
