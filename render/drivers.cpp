#include "render/drivers.h"

#include <climits>

#include "params/run_control.h"
#include "render/row_renderer.h"

namespace {

constexpr int16_t kPadding = 255;  // what the host fills in outside the image
constexpr int32_t kPreviewWidthMargin = 50;
constexpr int32_t kPreviewHeightMargin = 70;

int32_t Clamp(int32_t value, int32_t low, int32_t high) noexcept {
  return value < low ? low : (value > high ? high : value);
}

void EmptyRects(FilterRecord* record) noexcept {
  record->inRect = Rect{};
  record->outRect = Rect{};
  record->maskRect = Rect{};
}

void SetAllRects(FilterRecord* record, const Rect& rect) noexcept {
  record->inRect = rect;
  record->outRect = rect;
  record->maskRect = rect;
}

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
  const Rect& area = record->filterRect;
  return area.bottom <= area.top || area.right <= area.left;
}

// Rows per strip as the block holds them, kept to 1 .. the area's height: zero or negative
// would never advance, and more than the area only asks the host for rows nobody renders.
int32_t StripHeight(const FilterRecord* record, const FilterParameters* block) noexcept {
  const int32_t height = int32_t(record->filterRect.bottom) - record->filterRect.top;
  return Clamp(block->rowsPerStrip, 1, height > 1 ? height : 1);
}

// A band of rows from `top`, as wide as the filter area; int16 coordinates cannot pass 32767.
Rect StripAt(const FilterRecord* record, int32_t top, int32_t rows) noexcept {
  Rect strip = record->filterRect;
  strip.top = int16_t(top);
  strip.bottom = int16_t(Clamp(top + rows, INT16_MIN, INT16_MAX));
  return strip;
}

// Narrows [*low, *high) to `limit` when it is at least that long: centred, moved by `pan`,
// and kept inside the original span. A shorter span is left alone.
void CropSpan(int16_t* low, int16_t* high, int32_t limit, int32_t pan) noexcept {
  const int32_t length = int32_t(*high) - *low;
  if (length <= 0 || length < limit) return;
  const int32_t kept = Clamp(limit, 1, length);
  const int32_t offset = Clamp((length - kept) / 2 + pan, 0, length - kept);
  const int32_t start = int32_t(*low) + offset;
  *low = int16_t(start);
  *high = int16_t(start + kept);
}

// True when the rectangles hold a strip this module asks for: as wide as the filter area,
// starting on one of its rows, the same for input and output. After the last strip they are
// empty, and a host that calls Continue without a Start may leave anything in them.
bool HoldsRequestedStrip(const FilterRecord* record) noexcept {
  const Rect& area = record->filterRect;
  const Rect& in = record->inRect;
  const Rect& out = record->outRect;
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
  SetAllRects(record, StripAt(record, record->filterRect.top, StripHeight(record, block)));
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
  const int32_t top = int32_t(record->inRect.top) + rows;
  if (top >= record->filterRect.bottom) return false;
  SetAllRects(record, StripAt(record, top, rows));
  return true;
}

void RenderWholeArea(InvocationContext* context) noexcept {
  FilterRecord* record = context->filterRecord;
  FilterParameters* block = ParametersOf(record);
  if (block == nullptr) return;
  RequestAllPlanes(record);
  const Rect area = record->filterRect;
  // In 32 bits: an area from a negative top to near 32767 is taller than an int16 holds.
  const int32_t height = int32_t(area.bottom) - area.top;
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
  int32_t y = area.top;
  while (y < area.bottom) {
    if ((record->abortProc != nullptr && record->abortProc()) || *context->result != noErr) {
      *context->result = userCanceledErr;
      break;
    }
    SetAllRects(record, StripAt(record, y, rows));
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
  block->savedFilterRect = record->filterRect;
  Rect crop = record->filterRect;

  // The crop fits the pane (its right and bottom coordinates less the margins), is centred,
  // and moves by the pan offsets, which are kept so that it never leaves the filter area.
  CropSpan(&crop.left, &crop.right, int32_t(context->previewFrame.right) - kPreviewWidthMargin,
           block->previewOffsetH);
  CropSpan(&crop.top, &crop.bottom, int32_t(context->previewFrame.bottom) - kPreviewHeightMargin,
           block->previewOffsetV);
  record->filterRect = crop;
  SetAllRects(record, crop);
  RequestAllPlanes(record);
  *context->result = errPlugInHostInsufficient;
  if (record->advanceState != nullptr) *context->result = record->advanceState();
}

void RenderPreview(InvocationContext* context, bool reportProgress) noexcept {
  const FilterParameters* block = ParametersOf(context->filterRecord);
  if (block == nullptr || !block->useAdvanceState) return;
  RenderStripes(context, reportProgress);
}
