// The one reading and writing of the host's rectangles and sizes. A host that offers
// `bigDocumentData` is told at every call that the module uses its 32-bit fields, which are
// then the ones read; every rectangle the module writes goes to the 16-bit field too, as far
// as it fits, so hosts without the record keep the path they always had.
#pragma once

#include "corvane_records.h"

// Sets PluginUsing32BitCoordinates when the host offers the record; before any other access.
void ClaimWideCoordinates(FilterRecord* record) noexcept;
bool UsesWideCoordinates(const FilterRecord* record) noexcept;

VRect FilterArea(const FilterRecord* record) noexcept;
VRect InArea(const FilterRecord* record) noexcept;
VRect OutArea(const FilterRecord* record) noexcept;
VRect MaskArea(const FilterRecord* record) noexcept;
VPoint ImageSize(const FilterRecord* record) noexcept;
VPoint WholeSize(const FilterRecord* record) noexcept;
VPoint FloatCoord(const FilterRecord* record) noexcept;

void SetFilterArea(FilterRecord* record, const VRect& area) noexcept;
// Asks for `area` as input, output and mask at once.
void RequestArea(FilterRecord* record, const VRect& area) noexcept;

// A value as a 16-bit field holds it: saturated to -32768..32767.
int16_t Narrow(int64_t value) noexcept;
Rect NarrowRect(const VRect& rect) noexcept;
VRect WideRect(const Rect& rect) noexcept;

// The block's values that can pass 32,767. Each lives in its old 16-bit field (saturated)
// and in a 32-bit field at the block's end; the wide one counts only while the narrow one
// still agrees with it, so a block an older module wrote last is read as that module meant.
VRect SavedFilterArea(const FilterParameters& block) noexcept;
void SetSavedFilterArea(FilterParameters& block, const VRect& area) noexcept;
int32_t PreviewPanH(const FilterParameters& block) noexcept;
int32_t PreviewPanV(const FilterParameters& block) noexcept;
void SetPreviewPan(FilterParameters& block, int32_t h, int32_t v) noexcept;
