#include "params/run_control.h"

#include <climits>

#include "host/host_identification.h"
#include "params/scripting.h"
#include "params/settings.h"
#include "render/drivers.h"
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
  block->previewOffsetH = 0;
  block->previewOffsetV = 0;
  block->colourRadioId = int16_t(kColourRadioRange.defaultValue);
  block->ignoreZeroPixel = 1;
  block->removeOthers = 0;
  block->alignment = int16_t(kAlignmentRange.defaultValue);
  // Hosts' allocators need not zero-fill; these two have no meaningful default but must
  // not start as garbage.
  block->showDialog = 0;
  block->savedFilterRect = Rect{};
  block->hostIsPremiere = IsPlatformCode(HostGroupVersion(FourCC("PrMr"))) ? 1 : 0;
}

}  // namespace

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
  if (CallAlreadyFailed(context)) return;
  InitParameters(context);
  FilterParameters* block = ParametersOf(context);
  if (block == nullptr) return;

  const Rect& area = record->filterRect;
  const int64_t width = int16_t(area.right - area.left);
  const int64_t height = int16_t(area.bottom - area.top);
  // Input, output and mask bytes of one row, in 64 bits so no host value can overflow it.
  const int64_t rowBytes = width * (2 * int64_t(record->planes) + 1);
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
  if (CallAlreadyFailed(context)) return;
  InitParameters(context);
  FilterParameters* block = ParametersOf(context);
  if (block == nullptr) return;
  FilterRecord* record = context->filterRecord;

  block->useAdvanceState = (record->advanceState != nullptr && record->displayPixels != nullptr &&
                            block->hostIsPremiere == 0)
                               ? 1
                               : 0;
  ReadScriptParameters(context);
  if (dialogRequested) block->showDialog = 1;
  if (block->showDialog) {
    ShowParametersDialog(context);
    block->showDialog = 0;
  }
  if (*context->result != noErr) return;
  if (block->useAdvanceState) {
    RenderWholeArea(context);
  } else {
    SetupFirstStrip(context);
  }
}

void DoFinish(InvocationContext* context) noexcept {
  if (CallAlreadyFailed(context)) return;
  if (ParametersOf(context) == nullptr) {
    *context->result = memFullErr;
    return;
  }
  WriteScriptParameters(context);
}
