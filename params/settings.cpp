#include "params/settings.h"

#include "corvane_records.h"

namespace {

uint8_t Flag(uint8_t value) noexcept { return value != 0 ? 1 : 0; }

int16_t Clamped(int16_t value, const SettingRange& range) noexcept {
  return int16_t(ClampSetting(value, range));
}

// An index outside its list has no nearest entry: it falls back to the default.
int16_t Indexed(int16_t value, const SettingRange& range) noexcept {
  return (value < range.minimum || value > range.maximum) ? int16_t(range.defaultValue) : value;
}

uint8_t Ranged8(int32_t value, const SettingRange& range) noexcept {
  return uint8_t(ClampSetting(value, range));
}

int16_t GapMirror(int32_t length) noexcept {
  return int16_t(RoundedLength(length, kGapRange));
}
// The 16-bit thickness field holds the drawn width minus one.
int16_t ThicknessMirror(int32_t length) noexcept {
  const int32_t drawn = RoundedLength(length, SettingRange{1, kThicknessRange.maximum + 1, 1});
  return int16_t(drawn - 1);
}

}  // namespace

int32_t RoundedLength(int32_t length, const SettingRange& range) noexcept {
  // Halves up: floor((2 * length + scale) / (2 * scale)).
  const int64_t numerator = int64_t(length) * 2 + kLengthScale;
  constexpr int64_t kTwice = int64_t(2) * kLengthScale;
  int64_t whole = numerator / kTwice;
  if (numerator % kTwice < 0) --whole;
  if (whole < range.minimum) return range.minimum;
  if (whole > range.maximum) return range.maximum;
  return int32_t(whole);
}

void ReconcilePixelMirrors(FilterParameters* block) noexcept {
  if (block->unit != kGridPixels) return;
  if (GapMirror(block->horizontalGapLength) != block->horizontalGap)
    block->horizontalGapLength = int32_t(block->horizontalGap) * kLengthScale;
  if (GapMirror(block->verticalGapLength) != block->verticalGap)
    block->verticalGapLength = int32_t(block->verticalGap) * kLengthScale;
  if (ThicknessMirror(block->horizontalThickLength) != block->horizontalThickness)
    block->horizontalThickLength = (int32_t(block->horizontalThickness) + 1) * kLengthScale;
  if (ThicknessMirror(block->verticalThickLength) != block->verticalThickness)
    block->verticalThickLength = (int32_t(block->verticalThickness) + 1) * kLengthScale;
}

void UpdatePixelMirrors(FilterParameters* block) noexcept {
  if (block->unit != kGridPixels) return;
  block->horizontalGap = GapMirror(block->horizontalGapLength);
  block->verticalGap = GapMirror(block->verticalGapLength);
  block->horizontalThickness = ThicknessMirror(block->horizontalThickLength);
  block->verticalThickness = ThicknessMirror(block->verticalThickLength);
}

void ClampParameters(FilterParameters* block) noexcept {
  if (block == nullptr) return;
  block->amount = Clamped(block->amount, kAmountRange);
  block->verticalGap = Clamped(block->verticalGap, kGapRange);
  block->verticalThickness = Clamped(block->verticalThickness, kThicknessRange);
  block->horizontalGap = Clamped(block->horizontalGap, kGapRange);
  block->horizontalThickness = Clamped(block->horizontalThickness, kThicknessRange);
  block->alignment = ValidAlignment(block->alignment);
  block->colourRadioId = Indexed(block->colourRadioId, kColourRadioRange);
  if (block->rowsPerStrip < 1) block->rowsPerStrip = 1;
  block->showDialog = Flag(block->showDialog);
  block->entireImage = Flag(block->entireImage);
  block->useAdvanceState = Flag(block->useAdvanceState);
  block->hostIsPremiere = Flag(block->hostIsPremiere);
  block->ignoreZeroPixel = Flag(block->ignoreZeroPixel);
  block->removeOthers = Flag(block->removeOthers);
  block->opacity = Clamped(block->opacity, kOpacityRange);
  block->unit = Ranged8(block->unit, kUnitRange);
  block->frame = Flag(block->frame);
  block->horizontalGapLength = ClampSetting(block->horizontalGapLength, kLengthRange);
  block->horizontalThickLength = ClampSetting(block->horizontalThickLength, kLengthRange);
  block->verticalGapLength = ClampSetting(block->verticalGapLength, kLengthRange);
  block->verticalThickLength = ClampSetting(block->verticalThickLength, kLengthRange);
  block->horizontalOffset = ClampSetting(block->horizontalOffset, kOffsetRange);
  block->verticalOffset = ClampSetting(block->verticalOffset, kOffsetRange);
  block->dashLength = ClampSetting(block->dashLength, kLengthRange);
  block->dashGapLength = ClampSetting(block->dashGapLength, kLengthRange);
  block->minorThickLength = ClampSetting(block->minorThickLength, kLengthRange);
  block->rows = Clamped(block->rows, kCellCountRange);
  block->columns = Clamped(block->columns, kCellCountRange);
  block->subdivisions = Clamped(block->subdivisions, kSubdivisionRange);
  block->lineStyle = Ranged8(block->lineStyle, kLineStyleRange);
  block->minorColourChoice = uint8_t(Indexed(block->minorColourChoice, kColourRadioRange));
  block->minorOpacity = Clamped(block->minorOpacity, kMinorOpacityRange);
  ReconcilePixelMirrors(block);
}
