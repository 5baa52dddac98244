#include "render/drivers.h"

#include <climits>

#include "host/coordinates.h"
#include "params/parameters.h"
#include "render/row_renderer.h"

namespace {

constexpr int16_t kPadding = 255;  // what the host fills in outside the image
constexpr int32_t kPreviewWidthMargin = 50;
constexpr int32_t kPreviewHeightMargin = 70;

int32_t Clamp(int64_t value, int32_t low, int32_t high) noexcept {
  return int32_t(value < low ? low : (value > high ? high : value));
}

void EmptyRects(FilterRecord* record) noexcept { RequestArea(record, VRect{}); }

// Asks for every plane at full resolution, padded with white outside the image.
void RequestAllPlanes(FilterRecord* record) noexcept {
  record->inLoPlane = 0;
  record->outLoPlane = 0;
  record->inHiPlane = int16_t(record->planes > 0 ? record->planes - 1 : 0);
  record->outHiPlane = record->inHiPlane;
  record->inputRate = kFixedOne;
  record->maskRate = kFixedOne;
  record->inputPadding = kPadding;
  record->outputPadding = kPadding;
  record->maskPadding = kPadding;
}

bool AreaIsEmpty(const FilterRecord* record) noexcept {
  const VRect area = FilterArea(record);
  return area.bottom <= area.top || area.right <= area.left;
}

// Rows per strip as the block holds them, kept to 1 .. the area's height: zero or negative
// would never advance, and more than the area only asks the host for rows nobody renders.
int32_t StripHeight(const FilterRecord* record, const FilterParameters* block) noexcept {
  const VRect area = FilterArea(record);
  const int64_t height = int64_t(area.bottom) - area.top;
  return Clamp(block->rowsPerStrip, 1, Clamp(height, 1, INT32_MAX));
}

// A band of rows from `top`, as wide as the filter area. Its bottom stops where the host's
// coordinates do (32767 on the 16-bit path, where RequestArea saturates it).
VRect StripAt(const FilterRecord* record, int64_t top, int32_t rows) noexcept {
  VRect strip = FilterArea(record);
  strip.top = Clamp(top, INT32_MIN, INT32_MAX);
  strip.bottom = Clamp(top + rows, INT32_MIN, INT32_MAX);
  return strip;
}

// Narrows [*low, *high) to `limit` when it is at least that long: centred, moved by `pan`,
// and kept inside the original span. A shorter span is left alone.
void CropSpan(int32_t* low, int32_t* high, int32_t limit, int32_t pan) noexcept {
  const int64_t length = int64_t(*high) - *low;
  if (length <= 0 || length < limit) return;
  const int64_t kept = Clamp(limit, 1, Clamp(length, 1, INT32_MAX));
  const int64_t offset = Clamp((length - kept) / 2 + pan, 0, Clamp(length - kept, 0, INT32_MAX));
  const int64_t start = int64_t(*low) + offset;
  *low = int32_t(start);
  *high = int32_t(start + kept);
}

// True when the rectangles hold a strip this module asks for: as wide as the filter area,
// starting on one of its rows, the same for input and output. After the last strip they are
// empty, and a host that calls Continue without a Start may leave anything in them.
bool HoldsRequestedStrip(const FilterRecord* record) noexcept {
  const VRect area = FilterArea(record);
  const VRect in = InArea(record);
  const VRect out = OutArea(record);
  return in.top < in.bottom && in.top >= area.top && in.top < area.bottom &&
         in.left == area.left && in.right == area.right && out.top == in.top &&
         out.left == in.left && out.bottom == in.bottom && out.right == in.right;
}

}  // namespace

void SetupFirstStrip(InvocationContext* context) noexcept {
  FilterRecord* record = context->filterRecord;
  const FilterParameters* block = ParametersOf(record);
  RequestAllPlanes(record);
  if (block == nullptr || AreaIsEmpty(record) || record->planes <= 0) {
    EmptyRects(record);  // nothing to filter: the host calls no Continue
    return;
  }
  RequestArea(record, StripAt(record, FilterArea(record).top, StripHeight(record, block)));
}

void DoContinue(InvocationContext* context) noexcept {
  if (*context->result != noErr) return;
  FilterRecord* record = context->filterRecord;
  const FilterParameters* block = ParametersOf(context);
  if (block == nullptr) {
    *context->result = memFullErr;
    return;
  }
  if (record->abortProc != nullptr && record->abortProc()) {
    *context->result = userCanceledErr;
    return;
  }
  if (block->useAdvanceState) {
    EmptyRects(record);  // the whole area was done inside Start
    return;
  }
  if (!HoldsRequestedStrip(record)) {
    EmptyRects(record);  // the run is over, or never began: nothing to render or ask for
    return;
  }
  RenderStripes(context, true);
  if (!AdvanceStrip(context)) EmptyRects(record);
}

bool AdvanceStrip(InvocationContext* context) noexcept {
  FilterRecord* record = context->filterRecord;
  const FilterParameters* block = ParametersOf(record);
  if (block == nullptr) return false;
  const int32_t rows = StripHeight(record, block);
  const int64_t top = int64_t(InArea(record).top) + rows;
  if (top >= FilterArea(record).bottom) return false;
  RequestArea(record, StripAt(record, top, rows));
  return true;
}

void RenderWholeArea(InvocationContext* context) noexcept {
  FilterRecord* record = context->filterRecord;
  FilterParameters* block = ParametersOf(record);
  if (block == nullptr) return;
  RequestAllPlanes(record);
  const VRect area = FilterArea(record);
  const int32_t height = Clamp(int64_t(area.bottom) - area.top, 0, INT32_MAX);
  const int32_t bandRows = StripHeight(record, block);  // Prepare's, sized to the memory offer
  if (AreaIsEmpty(record) || record->planes <= 0) {
    EmptyRects(record);
    return;
  }
  if (record->advanceState == nullptr) {
    *context->result = errPlugInHostInsufficient;
    EmptyRects(record);
    return;
  }
  int32_t rows = height;
  int64_t y = area.top;
  while (y < area.bottom) {
    if ((record->abortProc != nullptr && record->abortProc()) || *context->result != noErr) {
      *context->result = userCanceledErr;
      break;
    }
    RequestArea(record, StripAt(record, y, rows));
    *context->result = record->advanceState();
    if (*context->result == memFullErr && rows > bandRows) {
      // Hosts that cannot hand over a large area at once answer -108: take it in Prepare's
      // strips instead. The grid is anchored at the area, so the image is the same.
      *context->result = noErr;
      rows = bandRows;
      continue;
    }
    if (*context->result != noErr) break;
    RenderStripes(context, true);
    y += rows;
  }
  // Kept for later runs, which Prepare grows from here: the area's height after one pass,
  // the strip height after strips. A failed run keeps Prepare's, so that the next run can
  // still fall back to strips.
  if (*context->result == noErr) block->rowsPerStrip = int16_t(Clamp(rows, 1, INT16_MAX));
  EmptyRects(record);
}

void SetupPreviewArea(InvocationContext* context) noexcept {
  FilterRecord* record = context->filterRecord;
  FilterParameters* block = ParametersOf(record);
  if (block == nullptr) return;
  VRect crop = FilterArea(record);
  SetSavedFilterArea(*block, crop);

  // The crop fits the pane (its right and bottom coordinates less the margins), is centred,
  // and moves by the pan offsets, which are kept so that it never leaves the filter area.
  CropSpan(&crop.left, &crop.right, int32_t(context->previewFrame.right) - kPreviewWidthMargin,
           PreviewPanH(*block));
  CropSpan(&crop.top, &crop.bottom, int32_t(context->previewFrame.bottom) - kPreviewHeightMargin,
           PreviewPanV(*block));
  SetFilterArea(record, crop);
  RequestArea(record, crop);
  RequestAllPlanes(record);
  *context->result = errPlugInHostInsufficient;
  if (record->advanceState != nullptr) *context->result = record->advanceState();
}

void RenderPreview(InvocationContext* context, bool reportProgress) noexcept {
  const FilterParameters* block = ParametersOf(context->filterRecord);
  if (block == nullptr || !block->useAdvanceState) return;
  RenderStripes(context, reportProgress);
}
