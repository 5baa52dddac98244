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
  int16_t opacity;              // 1..100 percent; 100 draws the stripes opaque
};

constexpr uint16_t kWideFieldsTag = 0x5732;
constexpr uint16_t kGridFieldsTag = 0x4733;
constexpr int32_t kNarrowBlockSize = 44;
constexpr int32_t kWideBlockSize = 68;
static_assert(offsetof(FilterParameters, gridFieldsMark) == 26 &&
                  offsetof(FilterParameters, colourCode) == 28 &&
                  offsetof(FilterParameters, alignment) == 40 &&
                  offsetof(FilterParameters, wideFieldsTag) == 42 &&
                  offsetof(FilterParameters, savedFilterArea) == kNarrowBlockSize &&
                  offsetof(FilterParameters, gridFieldsTag) == kWideBlockSize &&
                  offsetof(FilterParameters, customRed) == 70 &&
                  offsetof(FilterParameters, customGreen) == 71 &&
                  offsetof(FilterParameters, customBlue) == 72 &&
                  offsetof(FilterParameters, opacity) == 74 && sizeof(FilterParameters) == 76,
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
