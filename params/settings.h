// One table of every numeric setting's range and default. The dialog, the numeric fields,
// scripting and the renderer's validation all read it.
#pragma once

#include <cstdint>

struct SettingRange {
  int32_t minimum;
  int32_t maximum;
  int32_t defaultValue;
};

constexpr SettingRange kAmountRange{1, 99, 50};
constexpr SettingRange kGapRange{0, 100, 0};
constexpr SettingRange kThicknessRange{0, 99, 0};  // stored value; shown plus one
constexpr SettingRange kAlignmentRange{0, 2, 0};
constexpr SettingRange kColourRadioRange{7, 10, 8};

constexpr int32_t ClampSetting(int32_t value, const SettingRange& range) {
  return value < range.minimum ? range.minimum : (value > range.maximum ? range.maximum : value);
}
