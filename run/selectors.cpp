#include "run/selectors.h"

#include <climits>

#include "host/coordinates.h"
#include "params/last_grid.h"
#include "params/parameters.h"
#include "params/scripting.h"
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

// A depth the renderer has no samples for ends the run before any pixel is requested.
bool RefuseUnsupportedDepth(InvocationContext* context) noexcept {
  if (DepthSupported(ImageDepth(context->filterRecord))) return false;
  *context->result = filterBadMode;
  return true;
}

// True when the host delivered a recorded step this module can read; its settings win over a
// remembered grid. A record whose procedures are all null (one host library's) holds none.
bool HoldsRecordedStep(const FilterRecord* record) noexcept {
  return ReadDescriptorSuiteUsable(record->descriptorParameters) &&
         record->descriptorParameters->descriptor != nullptr;
}

}  // namespace

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
