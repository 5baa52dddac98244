#include "params/parameters.h"

#include <cstring>

#include "host/coordinates.h"
#include "host/host_identification.h"
#include "params/settings.h"
#include "shell/handles.h"
#include "shell/module_state.h"

namespace {

// Bytes of the block the host says it holds; 0 when it cannot tell (some hosts answer 0 for
// every handle, and without a usable suite there is no one to ask).
int32_t KnownBlockSize(const FilterRecord* record) noexcept {
  const HandleProcs* suite = record->handleProcs;
  if (!HandleSuiteUsable(suite) || IsFallbackHandle(record->parameters)) return 0;
  const int32_t size = suite->getSizeProc(record->parameters);
  return size > 0 ? size : 0;  // a negative answer is no size either
}

}  // namespace

void SetParameterDefaults(FilterParameters* block) noexcept {
  block->amount = int16_t(kAmountRange.defaultValue);
  block->colourCode = kColourBlue;
  block->entireImage = 0;
  block->useAdvanceState = 0;
  block->rowsPerStrip = 1;
  block->verticalGap = int16_t(kGapRange.defaultValue);
  block->verticalThickness = int16_t(kThicknessRange.defaultValue);
  block->horizontalGap = int16_t(kGapRange.defaultValue);
  block->horizontalThickness = int16_t(kThicknessRange.defaultValue);
  block->colourRadioId = int16_t(kColourRadioRange.defaultValue);
  block->ignoreZeroPixel = 1;
  block->removeOthers = 0;
  block->alignment = int16_t(kAlignmentRange.defaultValue);
  // Hosts' allocators need not zero-fill; these two have no meaningful default but must
  // not start as garbage.
  block->showDialog = 0;
  SetSavedFilterArea(*block, VRect{});
  SetPreviewPan(*block, 0, 0);
  block->wideFieldsTag = kWideFieldsTag;
  block->gridFieldsMark = kGridFieldsTag;
  block->gridFieldsTag = kGridFieldsTag;
  block->customRed = block->customGreen = block->customBlue =
      uint8_t(kColourComponentRange.defaultValue);
  block->opacity = int16_t(kOpacityRange.defaultValue);
  block->hostIsPremiere = IsPlatformCode(HostGroupVersion(FourCC("PrMr"))) ? 1 : 0;
  block->geometryMarkLow = kGeometryMarkLow;
  block->geometryMarkHigh = kGeometryMarkHigh;
  block->geometryFieldsTag = kGeometryFieldsTag;
  block->unit = kGridPixels;
  block->frame = 0;
  // Today's grid: the lengths are the 16-bit fields' pixels.
  block->horizontalGapLength = block->horizontalGap * kLengthScale;
  block->verticalGapLength = block->verticalGap * kLengthScale;
  block->horizontalThickLength = (block->horizontalThickness + 1) * kLengthScale;
  block->verticalThickLength = (block->verticalThickness + 1) * kLengthScale;
  block->horizontalOffset = block->verticalOffset = 0;
  block->dashLength = kDefaultDashLength;
  block->dashGapLength = kDefaultDashGapLength;
  block->minorThickLength = kDefaultThicknessLength;
  block->rows = block->columns = int16_t(kCellCountRange.defaultValue);
  block->subdivisions = int16_t(kSubdivisionRange.defaultValue);
  block->lineStyle = kLineSolid;
  // The minor lines start in the stripes' default colour, fainter.
  block->minorRed = 0;
  block->minorGreen = 0;
  block->minorBlue = 255;
  block->minorColourChoice = uint8_t(kColourRadioRange.defaultValue);
  block->minorOpacity = int16_t(kMinorOpacityRange.defaultValue);
}

void CheckParameters(InvocationContext* context) noexcept {
  FilterRecord* record = context->filterRecord;
  if (record->parameters == nullptr) return;  // the routines that need a block make one
  if (*record->parameters == nullptr) {
    // A handle without data: every selector answers the same, Continue and Finish included.
    *context->result = memFullErr;
    return;
  }
  constexpr int32_t kBlockSize = int32_t(sizeof(FilterParameters));
  int32_t size = KnownBlockSize(record);
  // A host that cannot tell the size may hold a block of an older release: without the tags of
  // the later fields, only the older length is safe to read. The grid fields' mark lies inside
  // the older length, so it is read before the tag at their start.
  if (size == 0 && HandleSuiteUsable(record->handleProcs) && !IsFallbackHandle(record->parameters)) {
    const FilterParameters* held = ParametersOf(record);
    if (held->wideFieldsTag != kWideFieldsTag) {
      size = kNarrowBlockSize;
    } else if (held->gridFieldsMark != kGridFieldsTag || held->gridFieldsTag != kGridFieldsTag) {
      size = kWideBlockSize;
    } else if (held->geometryMarkLow != kGeometryMarkLow ||
               held->geometryMarkHigh != kGeometryMarkHigh ||
               held->geometryFieldsTag != kGeometryFieldsTag) {
      size = kGridBlockSize;
    }
  }
  if (size > 0 && size < kBlockSize) {
    // An older or damaged session's block: grow it, keep the fields it has, default the rest.
    const HandleProcs* suite = record->handleProcs;
    if (suite->setSizeProc(record->parameters, kBlockSize) != noErr ||
        *record->parameters == nullptr) {
      *context->result = memFullErr;
      return;
    }
    FilterParameters defaults{};
    SetParameterDefaults(&defaults);
    std::memcpy(reinterpret_cast<char*>(*record->parameters) + size,
                reinterpret_cast<const char*>(&defaults) + size, size_t(kBlockSize - size));
    // Old blocks had padding at the tags and the mark.
    FilterParameters* grown = ParametersOf(record);
    grown->wideFieldsTag = kWideFieldsTag;
    grown->gridFieldsMark = kGridFieldsTag;
    grown->gridFieldsTag = kGridFieldsTag;
    grown->geometryMarkLow = kGeometryMarkLow;
    grown->geometryMarkHigh = kGeometryMarkHigh;
    grown->geometryFieldsTag = kGeometryFieldsTag;
    // The older block's grid in pixels: ClampParameters takes the lengths from its 16-bit
    // fields, whose mirrors the defaults do not match.
  }
  ClampParameters(ParametersOf(record));
}

FilterParameters* ParametersOf(InvocationContext* context) noexcept {
  return ParametersOf(context->filterRecord);
}

void InitParameters(InvocationContext* context) noexcept {
  FilterRecord* record = context->filterRecord;
  if (record->parameters != nullptr) return;
  record->parameters = HostNewHandle(record->handleProcs, int32_t(sizeof(FilterParameters)));
  FilterParameters* block = ParametersOf(record);
  if (block == nullptr) {
    // A handle whose data address is missing is as good as none.
    if (record->parameters != nullptr) HostDisposeHandle(record->handleProcs, record->parameters);
    record->parameters = nullptr;
    *context->result = memFullErr;
    return;
  }
  SetParameterDefaults(block);
  freshParameters = record->parameters;
}
