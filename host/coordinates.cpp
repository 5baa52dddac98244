#include "host/coordinates.h"

namespace {

BigDocumentStruct* WideFields(const FilterRecord* record) noexcept {
  BigDocumentStruct* big = record->bigDocumentData;
  return (big != nullptr && big->PluginUsing32BitCoordinates != 0) ? big : nullptr;
}

VRect Pick(const FilterRecord* record, const Rect& narrow, VRect BigDocumentStruct::*wide) noexcept {
  const BigDocumentStruct* big = WideFields(record);
  return big != nullptr ? big->*wide : WideRect(narrow);
}

VPoint Pick(const FilterRecord* record, const Point& narrow, VPoint BigDocumentStruct::*wide) noexcept {
  const BigDocumentStruct* big = WideFields(record);
  return big != nullptr ? big->*wide : VPoint{narrow.v, narrow.h};
}

int32_t Reconciled(int16_t narrow, int32_t wide) noexcept {
  return Narrow(wide) == narrow ? wide : narrow;
}

}  // namespace

void ClaimWideCoordinates(FilterRecord* record) noexcept {
  if (record->bigDocumentData != nullptr) record->bigDocumentData->PluginUsing32BitCoordinates = 1;
}

bool UsesWideCoordinates(const FilterRecord* record) noexcept { return WideFields(record) != nullptr; }

VRect FilterArea(const FilterRecord* r) noexcept { return Pick(r, r->filterRect, &BigDocumentStruct::filterRect32); }
VRect InArea(const FilterRecord* r) noexcept { return Pick(r, r->inRect, &BigDocumentStruct::inRect32); }
VRect OutArea(const FilterRecord* r) noexcept { return Pick(r, r->outRect, &BigDocumentStruct::outRect32); }
VRect MaskArea(const FilterRecord* r) noexcept { return Pick(r, r->maskRect, &BigDocumentStruct::maskRect32); }
VPoint ImageSize(const FilterRecord* r) noexcept { return Pick(r, r->imageSize, &BigDocumentStruct::imageSize32); }
VPoint WholeSize(const FilterRecord* r) noexcept { return Pick(r, r->wholeSize, &BigDocumentStruct::wholeSize32); }
VPoint FloatCoord(const FilterRecord* r) noexcept { return Pick(r, r->floatCoord, &BigDocumentStruct::floatCoord32); }

void SetFilterArea(FilterRecord* record, const VRect& area) noexcept {
  record->filterRect = NarrowRect(area);
  if (BigDocumentStruct* big = WideFields(record)) big->filterRect32 = area;
}

void RequestArea(FilterRecord* record, const VRect& area) noexcept {
  record->inRect = record->outRect = record->maskRect = NarrowRect(area);
  if (BigDocumentStruct* big = WideFields(record)) big->inRect32 = big->outRect32 = big->maskRect32 = area;
}

int16_t Narrow(int64_t value) noexcept {
  return int16_t(value < INT16_MIN ? INT16_MIN : (value > INT16_MAX ? INT16_MAX : value));
}

Rect NarrowRect(const VRect& r) noexcept {
  return Rect{Narrow(r.top), Narrow(r.left), Narrow(r.bottom), Narrow(r.right)};
}

VRect WideRect(const Rect& r) noexcept { return VRect{r.top, r.left, r.bottom, r.right}; }

VRect SavedFilterArea(const FilterParameters& block) noexcept {
  const Rect& narrow = block.savedFilterRect;
  const VRect& wide = block.savedFilterArea;
  return VRect{Reconciled(narrow.top, wide.top), Reconciled(narrow.left, wide.left),
               Reconciled(narrow.bottom, wide.bottom), Reconciled(narrow.right, wide.right)};
}

void SetSavedFilterArea(FilterParameters& block, const VRect& area) noexcept {
  block.savedFilterRect = NarrowRect(area);
  block.savedFilterArea = area;
}

int32_t PreviewPanH(const FilterParameters& block) noexcept {
  return Reconciled(block.previewOffsetH, block.previewPanH);
}

int32_t PreviewPanV(const FilterParameters& block) noexcept {
  return Reconciled(block.previewOffsetV, block.previewPanV);
}

void SetPreviewPan(FilterParameters& block, int32_t h, int32_t v) noexcept {
  block.previewOffsetH = Narrow(h);
  block.previewOffsetV = Narrow(v);
  block.previewPanH = h;
  block.previewPanV = v;
}
