// One table of every numeric setting's range and default. The dialog, the numeric fields,
// scripting and the renderer's validation all read it.
#pragma once

#include <cstdint>

struct FilterParameters;

struct SettingRange {
  int32_t minimum;
  int32_t maximum;
  int32_t defaultValue;
};

constexpr SettingRange kAmountRange{1, 99, 50};
constexpr SettingRange kGapRange{0, 30000, 0};
constexpr SettingRange kThicknessRange{0, 29999, 0};  // stored value; shown plus one
constexpr SettingRange kAlignmentRange{0, 2, 0};
constexpr SettingRange kColourRadioRange{7, 11, 8};
constexpr SettingRange kOpacityRange{1, 100, 100};  // percent
constexpr SettingRange kColourComponentRange{0, 255, 128};  // the custom colour starts grey

// The grid in the picture's own terms. Lengths are kept in thousandths of the grid's unit.
constexpr int32_t kLengthScale = 1000;
constexpr SettingRange kUnitRange{0, 6, 0};  // GridUnit
constexpr SettingRange kLengthRange{0, 100000000, 0};  // gaps, thicknesses, dashes
constexpr SettingRange kOffsetRange{-1000000000, 1000000000, 0};
constexpr SettingRange kCellCountRange{0, 1000, 0};  // 0: spacing by gap in that direction
constexpr SettingRange kSubdivisionRange{1, 100, 1};  // 1: no minor lines
constexpr SettingRange kLineStyleRange{0, 2, 0};  // LineStyle
constexpr SettingRange kMinorOpacityRange{1, 100, 50};  // percent; fainter than the major lines
// Converted lengths past this many pixels are held at it, as the pixel gap is.
constexpr int32_t kLongestLengthPixels = 30000;
constexpr int32_t kDefaultThicknessLength = 1 * kLengthScale;  // one pixel
constexpr int32_t kDefaultDashLength = 4 * kLengthScale;       // 4 px on, 4 px off
constexpr int32_t kDefaultDashGapLength = 4 * kLengthScale;

enum GridUnit : uint8_t {
  kGridPixels = 0,
  kGridPercent = 1,
  kGridInches = 2,
  kGridCentimetres = 3,
  kGridMillimetres = 4,
  kGridPoints = 5,
  kGridPicas = 6,
};

enum LineStyle : uint8_t { kLineSolid = 0, kLineDashed = 1, kLineDotted = 2 };

constexpr int32_t ClampSetting(int32_t value, const SettingRange& range) {
  return value < range.minimum ? range.minimum : (value > range.maximum ? range.maximum : value);
}

// The one reading of a stored alignment: 0 top, 1 centre, 2 bottom. Anything else, from an
// old or damaged block, is drawn and recorded alike, as top.
constexpr bool IsValidAlignment(int32_t value) {
  return value >= kAlignmentRange.minimum && value <= kAlignmentRange.maximum;
}
constexpr int16_t ValidAlignment(int32_t value) {
  return int16_t(IsValidAlignment(value) ? value : kAlignmentRange.defaultValue);
}

// Brings every field the plug-in reads as a size, count, index, flag or percentage into its
// range. Left as they are: the colour code (unknown codes draw blue and are written back
// unchanged), the custom colour (any byte is a colour), and the pan offsets and saved area,
// which are only ever used through clamped arithmetic.
void ClampParameters(FilterParameters* block) noexcept;

// In pixels, brings each length back to its 16-bit mirror when a pixel-only writer (an older
// module sharing the block, a test) changed the mirror since; other units are left alone.
void ReconcilePixelMirrors(FilterParameters* block) noexcept;
// In pixels, writes the 16-bit mirrors of the gap and thickness lengths; other units leave them.
void UpdatePixelMirrors(FilterParameters* block) noexcept;
// Length (thousandths of a unit) to whole units, halves up, held in `range`.
int32_t RoundedLength(int32_t length, const SettingRange& range) noexcept;
