#include "params/run_control.h"

#include <climits>
#include <cstring>

#include "host/coordinates.h"
#include "host/host_identification.h"
#include "params/last_grid.h"
#include "params/scripting.h"
#include "params/settings.h"
#include "render/drivers.h"
#include "render/sample_depth.h"
#include "shell/handles.h"
#include "shell/module_state.h"
#include "ui/dialog.h"

namespace {

// True when an earlier step of this call (a failed block creation) has already decided it.
bool CallAlreadyFailed(const InvocationContext* context) noexcept {
  return *context->result != noErr;
}

void SetDefaults(FilterParameters* block) noexcept {
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
}

// A depth the renderer has no samples for ends the run before any pixel is requested.
bool RefuseUnsupportedDepth(InvocationContext* context) noexcept {
  if (DepthSupported(ImageDepth(context->filterRecord))) return false;
  *context->result = filterBadMode;
  return true;
}

uint8_t Flag(uint8_t value) noexcept { return value != 0 ? 1 : 0; }

int16_t Clamped(int16_t value, const SettingRange& range) noexcept {
  return int16_t(ClampSetting(value, range));
}

// An index outside its list has no nearest entry: it falls back to the default.
int16_t Indexed(int16_t value, const SettingRange& range) noexcept {
  return (value < range.minimum || value > range.maximum) ? int16_t(range.defaultValue) : value;
}

// True when the host delivered a recorded step this module can read; its settings win over a
// remembered grid. A record whose procedures are all null (one host library's) holds none.
bool HoldsRecordedStep(const FilterRecord* record) noexcept {
  return ReadDescriptorSuiteUsable(record->descriptorParameters) &&
         record->descriptorParameters->descriptor != nullptr;
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
    SetDefaults(&defaults);
    std::memcpy(reinterpret_cast<char*>(*record->parameters) + size,
                reinterpret_cast<const char*>(&defaults) + size, size_t(kBlockSize - size));
    // Old blocks had padding at the tags and the mark.
    FilterParameters* grown = ParametersOf(record);
    grown->wideFieldsTag = kWideFieldsTag;
    grown->gridFieldsMark = kGridFieldsTag;
    grown->gridFieldsTag = kGridFieldsTag;
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
  SetDefaults(block);
  freshParameters = record->parameters;
}

void DoParameters(InvocationContext* context) noexcept {
  if (CallAlreadyFailed(context)) return;
  InitParameters(context);
  FilterParameters* block = ParametersOf(context);
  if (block == nullptr) return;
  block->showDialog = 1;
  dialogRequested = 1;
}

void DoPrepare(InvocationContext* context) noexcept {
  FilterRecord* record = context->filterRecord;
  record->bufferSpace = 0;
  if (CallAlreadyFailed(context) || RefuseUnsupportedDepth(context)) return;
  InitParameters(context);
  FilterParameters* block = ParametersOf(context);
  if (block == nullptr) return;

  const VRect area = FilterArea(record);
  const int64_t width = int64_t(area.right) - area.left;
  const int64_t height = int64_t(area.bottom) - area.top;
  // Input, output and mask bytes of one row, in 64 bits so no host value can overflow it; the
  // mask has one byte per pixel at every depth.
  const int64_t sampleBytes = ImageDepth(record) / 8;
  const int64_t rowBytes = width * (2 * int64_t(record->planes) * sampleBytes + 1);
  const int64_t offered = record->maxSpace;

  int64_t rows = block->rowsPerStrip;
  if (rows < 1) rows = 1;  // a zero or negative strip height would never advance
  if (rows * rowBytes < offered) {
    while (rows < height && rows < INT16_MAX) {
      ++rows;
      if (rows * rowBytes >= offered) break;
    }
  }
  block->rowsPerStrip = int16_t(rows);
  int64_t space = rows * rowBytes;
  if (space > INT32_MAX) space = INT32_MAX;
  if (space < 0) space = 0;
  record->maxSpace = int32_t(space);
}

void DoStart(InvocationContext* context) noexcept {
  if (CallAlreadyFailed(context) || RefuseUnsupportedDepth(context)) return;
  InitParameters(context);
  FilterParameters* block = ParametersOf(context);
  if (block == nullptr) return;
  FilterRecord* record = context->filterRecord;
  // Only the block made for this very run is fresh; one the host kept is used as it is.
  const bool freshBlock = freshParameters != nullptr && freshParameters == record->parameters;
  freshParameters = nullptr;
  runEndedWell = 0;

  block->useAdvanceState = (record->advanceState != nullptr && record->displayPixels != nullptr &&
                            block->hostIsPremiere == 0)
                               ? 1
                               : 0;
  const bool recordedStep = HoldsRecordedStep(record);
  ReadScriptParameters(context);
  if (dialogRequested) block->showDialog = 1;
  // A host that forgets the block would open the dialog at the defaults at every use.
  if (block->showDialog && freshBlock && !recordedStep && *context->result == noErr)
    RecallLastGrid(block);
  // After a failed scripting read Start renders nothing; a dialog would only hide the
  // failure, since its preview request rewrites the result.
  if (block->showDialog && *context->result == noErr) ShowParametersDialog(context);
  block->showDialog = 0;
  if (*context->result != noErr) return;
  if (block->useAdvanceState) {
    RenderWholeArea(context);
  } else {
    SetupFirstStrip(context);
  }
  runEndedWell = *context->result == noErr ? 1 : 0;
}

void DoFinish(InvocationContext* context) noexcept {
  if (CallAlreadyFailed(context)) return;
  if (ParametersOf(context) == nullptr) {
    *context->result = memFullErr;
    return;
  }
  WriteScriptParameters(context);
  if (runEndedWell) RememberLastGrid(*ParametersOf(context));
  runEndedWell = 0;
}
