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
