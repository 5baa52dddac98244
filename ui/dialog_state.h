// The state of the one open parameters dialog, shared by the dialog procedure, the numeric
// fields and the preview pane. Platform-free: window, cursor and procedure handles are kept
// as opaque values that only the Win32 layer interprets.
#pragma once

#include <cstdint>

#include "corvane_records.h"

using WindowRef = void*;

enum class GapDirection : uint8_t { vertical, horizontal };

// The preview image inside the placeholder, in dialog client coordinates.
struct ImageRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

// The sliders: a scroll bar, its numeric field and one gap, thickness or the opacity.
enum Slider : int32_t {
  kVerticalGap,
  kVerticalThickness,
  kHorizontalGap,
  kHorizontalThickness,
  kOpacity,
  kSliderCount
};

// The grid group's fields, none with a scroll bar.
enum GridField : int32_t {
  kRowsField,
  kColumnsField,
  kVerticalOffsetField,
  kHorizontalOffsetField,
  kSubdivisionsField,
  kMinorOpacityField,
  kMinorThicknessField,
  kDashField,
  kDashGapField,
  kGridFieldCount
};

struct DialogState {
  InvocationContext* context;
  WindowRef dialogWindow;

  WindowRef verticalGapBar, verticalThicknessBar, horizontalGapBar, horizontalThicknessBar;
  WindowRef verticalGapEdit, verticalThicknessEdit, horizontalGapEdit, horizontalThicknessEdit;
  WindowRef opacityBar, opacityEdit;
  WindowRef linkBox, ignoreZeroBox, removeBox, alignmentBox;
  WindowRef swatchBrush;  // paints the custom colour's swatch
  WindowRef unitBox, minorColourBox, styleBox, frameBox, heldNote;
  WindowRef gridEdits[kGridFieldCount];  // indexed by GridField
  intptr_t previousGridEditProcs[kGridFieldCount];
  WindowRef minorSwatchBrush;  // paints the minor lines' colour
  uint32_t systemPickerRow[16];  // the system colour dialog's own row of colours, for the process
  intptr_t previousEditProcs[kSliderCount];  // indexed by Slider

  // Thicknesses as stored, one less than shown.
  int32_t workingVerticalGap, workingVerticalThickness;
  int32_t workingHorizontalGap, workingHorizontalThickness;
  int32_t workingOpacity;

  // Put back by Cancel: every setting the dialog can change.
  int16_t savedAmount;
  ColourCode savedColourCode;
  uint8_t savedEntireImage;
  int16_t savedGapsAndThicknesses[kSliderCount];  // indexed by Slider, the opacity included
  uint8_t savedCustomColour[3];
  int16_t savedAlignment;
  uint8_t savedIgnoreZeroPixel;
  uint8_t savedRemoveOthers;
  FilterParameters savedBlock;  // the grid group's settings come back from here

  int32_t typedValue;
  int64_t typedLength;  // what was typed, in thousandths, when it had a fraction
  bool typedFraction;
  bool rewriteFieldText;
  bool partnerTextEnabled = true;  // lives as long as the module
  bool linkOn;
  GapDirection lastChangedGap = GapDirection::horizontal;  // lives as long as the module
  // Of rows and columns, and of the two offsets, the one changed last in this dialog, or
  // kGridFieldCount: checking Link copies it to its partner.
  GridField lastChangedCount, lastChangedOffset;

  bool previewSetUp;  // the preview region was requested at opening
  int32_t panH, panV;
  int32_t panMinH, panMaxH, panMinV, panMaxV;
  int32_t dragAnchorH, dragAnchorV;
  bool dragging;
  ImageRect imageRect;
  WindowRef previewCursor, dragCursor;

  // At 16 bits: the 8-bit copy of the preview region the host displays, made when the preview
  // opens and freed when the dialog ends. A BufferID, or a Handle when the buffer suite is unusable.
  void* displayBuffer;
  bool displayBufferIsHandle;
  uint8_t* displayPixels;
  int32_t displayBytes;
};

// The one dialog of the process.
extern DialogState dialogState;

// Back to the load-time state, including the members that outlive a dialog.
void ResetDialogState() noexcept;
