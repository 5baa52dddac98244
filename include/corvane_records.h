// Records shared by the plug-in's subsystems. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host_interface.h"

// The preview pane's rectangle in dialog client coordinates.
struct PreviewFrame {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

// Per-call context, kept in a host handle stored in the host's data slot.
// `result` and `filterRecord` are rewritten at the start of every call.
struct InvocationContext {
  int16_t* result;
  FilterRecord* filterRecord;
  PreviewFrame previewFrame;
};

// Stripe colour as a four-character code; also the values of the scripting enumeration 'mooD'.
using ColourCode = uint32_t;
constexpr ColourCode kColourBlack = FourCC("moD0");
constexpr ColourCode kColourBlue = FourCC("moD1");
constexpr ColourCode kColourRed = FourCC("moD2");
constexpr ColourCode kColourGreen = FourCC("moD3");
// Any colour: the block's customRed, customGreen and customBlue.
constexpr ColourCode kColourCustom = FourCC("moD4");

// The persistent parameter block in the host's `parameters` handle. The host keeps its
// bytes between runs, so the layout must not change between releases.
struct FilterParameters {
  int16_t amount;               // kept for scripting only
  int16_t previewOffsetH;       // preview pan, pixels
  int16_t previewOffsetV;
  int16_t verticalGap;          // 0..30000, 0: no vertical stripes
  int16_t verticalThickness;    // 0..29999, width minus one
  int16_t horizontalGap;        // 0..30000, 0: no horizontal stripes
  int16_t horizontalThickness;  // 0..29999, height minus one
  Rect savedFilterRect;         // the whole filter area while the preview narrows filterRect
  uint8_t showDialog;
  int16_t rowsPerStrip;         // 1 and up
  // Padding in older blocks; kGridFieldsTag once the grid fields at the end exist, so a host
  // that cannot tell the block's size never has it read past its end.
  uint16_t gridFieldsMark;
  ColourCode colourCode;
  uint8_t entireImage;          // kept for scripting only
  uint8_t useAdvanceState;      // whole-area path and live preview available
  uint8_t hostIsPremiere;
  // Padding in older blocks; with geometryMarkHigh, kGeometryFieldsMark once the geometry
  // fields at the end exist.
  uint8_t geometryMarkLow;
  int16_t colourRadioId;        // 7..11
  uint8_t ignoreZeroPixel;
  uint8_t removeOthers;
  int16_t alignment;            // 0 top, 1 centre, 2 bottom
  // Blocks before documents past 32,767 pixels ended here (44 bytes, these two padding).
  uint16_t wideFieldsTag;       // kWideFieldsTag when the fields below exist
  // The pan and the saved area in 32 bits; the 16-bit fields above keep them saturated.
  VRect savedFilterArea;
  int32_t previewPanH;
  int32_t previewPanV;
  // Blocks before any colour and opacity ended here (68 bytes).
  uint16_t gridFieldsTag;       // kGridFieldsTag when the fields below exist
  uint8_t customRed;            // the colour of kColourCustom, 0..255 each
  uint8_t customGreen;
  uint8_t customBlue;
  uint8_t geometryMarkHigh;     // padding in older blocks; see geometryMarkLow
  int16_t opacity;              // 1..100 percent; 100 draws the stripes opaque
  // Blocks before units, cells, offsets, subdivisions and line styles ended here (76 bytes).
  // Lengths below are in thousandths of `unit`. In pixels, the 16-bit gap and thickness fields
  // above mirror them rounded; one that no longer matches was written by a pixel-only writer
  // (an older module, a test) and wins.
  uint16_t geometryFieldsTag;   // kGeometryFieldsTag when the fields below exist
  uint8_t unit;                 // GridUnit, 0..6: px, %, in, cm, mm, pt, pc
  uint8_t frame;                // 0/1: outer edges drawn in the directions by count
  int32_t horizontalGapLength;  // 0..100,000,000; the horizontal stripes' gap; 0: none
  int32_t horizontalThickLength;// 0..100,000,000; drawn rounded, at least 1 px
  int32_t verticalGapLength;    // 0..100,000,000; the vertical stripes' gap; 0: none
  int32_t verticalThickLength;  // 0..100,000,000; drawn rounded, at least 1 px
  int32_t horizontalOffset;     // +-1,000,000,000; moves the vertical stripes right
  int32_t verticalOffset;       // +-1,000,000,000; moves the horizontal stripes down
  int32_t dashLength;           // 0..100,000,000; dashed style: drawn part along a line
  int32_t dashGapLength;        // 0..100,000,000; dashed style: skipped part along a line
  int32_t minorThickLength;     // 0..100,000,000; the minor lines' thickness, at least 1 px
  int16_t rows;                 // 0..1000 horizontal cells by count; 0: spacing (gap) instead
  int16_t columns;              // 0..1000 vertical cells by count; 0: spacing (gap) instead
  int16_t subdivisions;         // 1..100 minor cells per cell; 1: no minor lines
  uint8_t lineStyle;            // LineStyle, 0..2: solid, dashed, dotted
  uint8_t minorRed;             // the minor lines' colour, 0..255 each
  uint8_t minorGreen;
  uint8_t minorBlue;
  uint8_t minorColourChoice;    // the dialog's choice for it: 7..11 as colourRadioId
  int16_t minorOpacity;         // 1..100 percent
};

constexpr uint16_t kWideFieldsTag = 0x5732;
constexpr uint16_t kGridFieldsTag = 0x4733;
constexpr int32_t kNarrowBlockSize = 44;
constexpr uint8_t kGeometryMarkLow = 0x47;
constexpr uint8_t kGeometryMarkHigh = 0x34;
constexpr uint16_t kGeometryFieldsTag = 0x4734;
constexpr int32_t kWideBlockSize = 68;
constexpr int32_t kGridBlockSize = 76;
static_assert(offsetof(FilterParameters, gridFieldsMark) == 26 &&
                  offsetof(FilterParameters, colourCode) == 28 &&
                  offsetof(FilterParameters, alignment) == 40 &&
                  offsetof(FilterParameters, wideFieldsTag) == 42 &&
                  offsetof(FilterParameters, savedFilterArea) == kNarrowBlockSize &&
                  offsetof(FilterParameters, gridFieldsTag) == kWideBlockSize &&
                  offsetof(FilterParameters, customRed) == 70 &&
                  offsetof(FilterParameters, customGreen) == 71 &&
                  offsetof(FilterParameters, customBlue) == 72 &&
                  offsetof(FilterParameters, opacity) == 74 &&
                  offsetof(FilterParameters, geometryMarkLow) == 35 &&
                  offsetof(FilterParameters, geometryMarkHigh) == 73 &&
                  offsetof(FilterParameters, geometryFieldsTag) == kGridBlockSize &&
                  offsetof(FilterParameters, horizontalGapLength) == 80 &&
                  offsetof(FilterParameters, rows) == 116 &&
                  offsetof(FilterParameters, minorOpacity) == 128 &&
                  sizeof(FilterParameters) == 132,
              "stored blocks keep their layout");

// Cached identification of the running host.
struct HostInfo {
  uint32_t hostSignature;
  uint8_t versionMajor;
  uint8_t versionMinor;
  uint8_t versionFix;
  uint8_t releaseStage;
  uint8_t reservedByte;
  uint8_t platformCode;
};

// Stands for a handle when the host's handle suite is unusable. Dereferencing the
// handle (the record's address) yields `data`, as with a host handle.
struct FallbackHandle {
  char* data;
  uint32_t tag;           // 'FOTO' once creation succeeded
  FallbackHandle* next;   // live fallback handles, so a host-made handle is never freed as one
};

constexpr uint32_t kFallbackTag = FourCC("FOTO");

// Reaches the parameter block through the handle without locking it.
inline FilterParameters* ParametersOf(const FilterRecord* record) {
  if (record == nullptr || record->parameters == nullptr) return nullptr;
  return reinterpret_cast<FilterParameters*>(*record->parameters);
}
