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

}  // namespace

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
}
