#include "params/last_grid.h"

#include <cstring>

#include "params/settings.h"
#include "shell/grid_store.h"

namespace {

// The settings in stored order. Never reorder or reuse one: a new setting goes at the end.
enum StoredSetting : uint32_t {
  kStoredHorizontalGap,
  kStoredVerticalGap,
  kStoredHorizontalThickness,  // as the block holds it: the width minus one
  kStoredVerticalThickness,
  kStoredAlignment,
  kStoredColourCode,
  kStoredColourRadio,
  kStoredIgnoreZeroPixel,
  kStoredRemoveOthers,
  kStoredCustomRed,
  kStoredCustomGreen,
  kStoredCustomBlue,
  kStoredOpacity,
  // The grid in the picture's own terms; an older record leaves them at the block's.
  kStoredUnit,
  kStoredFrame,
  kStoredHorizontalGapLength,
  kStoredHorizontalThickLength,
  kStoredVerticalGapLength,
  kStoredVerticalThickLength,
  kStoredHorizontalOffset,
  kStoredVerticalOffset,
  kStoredDashLength,
  kStoredDashGapLength,
  kStoredMinorThickLength,
  kStoredRows,
  kStoredColumns,
  kStoredSubdivisions,
  kStoredLineStyle,
  kStoredMinorRed,
  kStoredMinorGreen,
  kStoredMinorBlue,
  kStoredMinorColourChoice,
  kStoredMinorOpacity,
  kStoredSettingCount
};
// Every format holds at least the first one's settings.
constexpr uint32_t kFirstFormatSettingCount = kStoredOpacity + 1;
static_assert(kStoredGridHeaderBytes + 4 * kStoredSettingCount <= kStoredGridCapacity);

uint8_t rememberedGrid[kStoredGridCapacity];
uint32_t rememberedLength = 0;
// The store could not be written: only this process's copy holds the last grid.
bool rememberedOnlyHere = false;

void PutUint32(uint8_t* at, uint32_t value) noexcept {
  for (int i = 0; i < 4; ++i) at[i] = uint8_t(value >> (8 * i));
}
void PutUint16(uint8_t* at, uint16_t value) noexcept {
  at[0] = uint8_t(value);
  at[1] = uint8_t(value >> 8);
}
uint32_t GetUint32(const uint8_t* at) noexcept {
  return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}
uint16_t GetUint16(const uint8_t* at) noexcept { return uint16_t(at[0] | at[1] << 8); }

template <typename Byte>
Byte* SettingAt(Byte* bytes, uint32_t setting) noexcept {
  return bytes + kStoredGridHeaderBytes + size_t(setting) * 4;
}

uint32_t CheckSum(const uint8_t* bytes, uint32_t length) noexcept {
  uint32_t sum = 0x811C9DC5u;  // FNV-1a: a changed byte anywhere changes it
  for (uint32_t i = 0; i < length; ++i) sum = (sum ^ bytes[i]) * 0x01000193u;
  return sum;
}

int32_t StoredValue(const FilterParameters& block, uint32_t setting) noexcept {
  switch (setting) {
    case kStoredHorizontalGap: return block.horizontalGap;
    case kStoredVerticalGap: return block.verticalGap;
    case kStoredHorizontalThickness: return block.horizontalThickness;
    case kStoredVerticalThickness: return block.verticalThickness;
    case kStoredAlignment: return block.alignment;
    case kStoredColourCode: return int32_t(block.colourCode);
    case kStoredColourRadio: return block.colourRadioId;
    case kStoredIgnoreZeroPixel: return block.ignoreZeroPixel;
    case kStoredRemoveOthers: return block.removeOthers;
    case kStoredCustomRed: return block.customRed;
    case kStoredCustomGreen: return block.customGreen;
    case kStoredCustomBlue: return block.customBlue;
    case kStoredOpacity: return block.opacity;
    case kStoredUnit: return block.unit;
    case kStoredFrame: return block.frame;
    case kStoredHorizontalGapLength: return block.horizontalGapLength;
    case kStoredHorizontalThickLength: return block.horizontalThickLength;
    case kStoredVerticalGapLength: return block.verticalGapLength;
    case kStoredVerticalThickLength: return block.verticalThickLength;
    case kStoredHorizontalOffset: return block.horizontalOffset;
    case kStoredVerticalOffset: return block.verticalOffset;
    case kStoredDashLength: return block.dashLength;
    case kStoredDashGapLength: return block.dashGapLength;
    case kStoredMinorThickLength: return block.minorThickLength;
    case kStoredRows: return block.rows;
    case kStoredColumns: return block.columns;
    case kStoredSubdivisions: return block.subdivisions;
    case kStoredLineStyle: return block.lineStyle;
    case kStoredMinorRed: return block.minorRed;
    case kStoredMinorGreen: return block.minorGreen;
    case kStoredMinorBlue: return block.minorBlue;
    case kStoredMinorColourChoice: return block.minorColourChoice;
    case kStoredMinorOpacity: return block.minorOpacity;
    default: return 0;
  }
}

int16_t InRange(int32_t value, const SettingRange& range) noexcept {
  return int16_t(ClampSetting(value, range));
}
uint8_t Component(int32_t value) noexcept {
  return uint8_t(ClampSetting(value, SettingRange{0, 255, 0}));
}

// Clamped in 32 bits before it narrows, so a stored 70000 cannot wrap into range.
void SetStoredValue(FilterParameters* block, uint32_t setting, int32_t value) noexcept {
  switch (setting) {
    case kStoredHorizontalGap: block->horizontalGap = InRange(value, kGapRange); break;
    case kStoredVerticalGap: block->verticalGap = InRange(value, kGapRange); break;
    case kStoredHorizontalThickness: block->horizontalThickness = InRange(value, kThicknessRange); break;
    case kStoredVerticalThickness: block->verticalThickness = InRange(value, kThicknessRange); break;
    case kStoredAlignment: block->alignment = ValidAlignment(value); break;
    case kStoredColourCode: block->colourCode = ColourCode(value); break;
    case kStoredColourRadio:
      block->colourRadioId = int16_t(ClampSetting(value, kColourRadioRange) == value ? value : kColourRadioRange.defaultValue);
      break;
    case kStoredIgnoreZeroPixel: block->ignoreZeroPixel = value != 0 ? 1 : 0; break;
    case kStoredRemoveOthers: block->removeOthers = value != 0 ? 1 : 0; break;
    case kStoredCustomRed: block->customRed = Component(value); break;
    case kStoredCustomGreen: block->customGreen = Component(value); break;
    case kStoredCustomBlue: block->customBlue = Component(value); break;
    case kStoredOpacity: block->opacity = decltype(block->opacity)(InRange(value, kOpacityRange)); break;
    case kStoredUnit: block->unit = uint8_t(ClampSetting(value, kUnitRange)); break;
    case kStoredFrame: block->frame = value != 0 ? 1 : 0; break;
    case kStoredHorizontalGapLength: block->horizontalGapLength = ClampSetting(value, kLengthRange); break;
    case kStoredHorizontalThickLength: block->horizontalThickLength = ClampSetting(value, kLengthRange); break;
    case kStoredVerticalGapLength: block->verticalGapLength = ClampSetting(value, kLengthRange); break;
    case kStoredVerticalThickLength: block->verticalThickLength = ClampSetting(value, kLengthRange); break;
    case kStoredHorizontalOffset: block->horizontalOffset = ClampSetting(value, kOffsetRange); break;
    case kStoredVerticalOffset: block->verticalOffset = ClampSetting(value, kOffsetRange); break;
    case kStoredDashLength: block->dashLength = ClampSetting(value, kLengthRange); break;
    case kStoredDashGapLength: block->dashGapLength = ClampSetting(value, kLengthRange); break;
    case kStoredMinorThickLength: block->minorThickLength = ClampSetting(value, kLengthRange); break;
    case kStoredRows: block->rows = InRange(value, kCellCountRange); break;
    case kStoredColumns: block->columns = InRange(value, kCellCountRange); break;
    case kStoredSubdivisions: block->subdivisions = InRange(value, kSubdivisionRange); break;
    case kStoredLineStyle: block->lineStyle = uint8_t(ClampSetting(value, kLineStyleRange)); break;
    case kStoredMinorRed: block->minorRed = Component(value); break;
    case kStoredMinorGreen: block->minorGreen = Component(value); break;
    case kStoredMinorBlue: block->minorBlue = Component(value); break;
    case kStoredMinorColourChoice:
      block->minorColourChoice = uint8_t(ClampSetting(value, kColourRadioRange) == value ? value : kColourRadioRange.defaultValue);
      break;
    case kStoredMinorOpacity: block->minorOpacity = InRange(value, kMinorOpacityRange); break;
    default: break;  // a later format's setting this module does not know
  }
}

}  // namespace

uint32_t EncodeLastGrid(const FilterParameters& block, uint8_t* bytes) noexcept {
  const uint32_t length = kStoredGridHeaderBytes + 4 * kStoredSettingCount;
  for (uint32_t setting = 0; setting < kStoredSettingCount; ++setting)
    PutUint32(SettingAt(bytes, setting), uint32_t(StoredValue(block, setting)));
  SealStoredGrid(bytes, length, kStoredGridVersion);
  return length;
}

void SealStoredGrid(uint8_t* bytes, uint32_t length, uint16_t version) noexcept {
  PutUint32(bytes, kStoredGridTag);
  PutUint16(bytes + 4, version);
  PutUint16(bytes + 6, uint16_t(length));
  PutUint32(bytes + 8, CheckSum(bytes + kStoredGridHeaderBytes, length - kStoredGridHeaderBytes));
}

bool DecodeLastGrid(const uint8_t* bytes, uint32_t length, FilterParameters* block) noexcept {
  if (bytes == nullptr || length < kStoredGridHeaderBytes || length > kStoredGridCapacity) return false;
  const uint32_t recorded = GetUint16(bytes + 6);
  if (GetUint32(bytes) != kStoredGridTag || GetUint16(bytes + 4) == 0 || recorded != length ||
      (length - kStoredGridHeaderBytes) % 4 != 0 || length < kStoredGridHeaderBytes + 4 * kFirstFormatSettingCount)
    return false;
  if (GetUint32(bytes + 8) != CheckSum(bytes + kStoredGridHeaderBytes, length - kStoredGridHeaderBytes))
    return false;
  const uint32_t settings = (length - kStoredGridHeaderBytes) / 4;
  for (uint32_t setting = 0; setting < settings; ++setting)
    SetStoredValue(block, setting, int32_t(GetUint32(SettingAt(bytes, setting))));
  ClampParameters(block);
  return true;
}

void RememberLastGrid(const FilterParameters& block) noexcept {
  rememberedLength = EncodeLastGrid(block, rememberedGrid);
  rememberedOnlyHere = !WriteGridStore(rememberedGrid, rememberedLength);
}

bool RecallLastGrid(FilterParameters* block) noexcept {
  // Once written, the store decides, so that deleting it resets the grid at once.
  if (rememberedOnlyHere) return DecodeLastGrid(rememberedGrid, rememberedLength, block);
  uint8_t stored[kStoredGridCapacity];
  uint32_t length = 0;
  return ReadGridStore(stored, kStoredGridCapacity, &length) && DecodeLastGrid(stored, length, block);
}

void ForgetRememberedGrid() noexcept {
  rememberedLength = 0;
  rememberedOnlyHere = false;
}
