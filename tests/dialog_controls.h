// The parameters dialog's controls as the template must hold them, in tab and z-order (the
// design's 28, then the custom colour's and the opacity's, then the grid group's):
// one table for the native template check and the Windows instantiation check. Styles are
// spelled out here because the native build has no Windows headers.
#pragma once

#include <cstdint>

#include "resources/resource_ids.h"

namespace dialog_controls {

constexpr uint32_t kChild = 0x40000000, kVisible = 0x10000000, kBorder = 0x00800000,
                   kTabStop = 0x00010000, kGroup = 0x00020000, kVScroll = 0x00200000,
                   kAutoHScroll = 0x80, kDefPushButton = 1, kAutoCheckBox = 3, kRadioButton = 4,
                   kNotify = 0x4000, kCentre = 1, kRight = 2, kVertical = 1, kDropDown = 2,
                   kStaticNotify = 0x100, kDropDownList = 3, kGroupBox = 7;
constexpr uint32_t kShown = kChild | kVisible;
constexpr uint32_t kField = kShown | kBorder | kTabStop | kAutoHScroll;
constexpr uint32_t kCheck = kShown | kTabStop | kAutoCheckBox;
constexpr uint32_t kRadio = kShown | kGroup | kRadioButton | kNotify;

struct ControlClass {
  uint16_t ordinal;  // the template's compact form
  const char* name;  // as Windows reports it
};
constexpr ControlClass kButton{0x80, "Button"}, kEdit{0x81, "Edit"}, kStatic{0x82, "Static"},
    kScrollBar{0x84, "ScrollBar"}, kComboBox{0x85, "ComboBox"};

struct Control {
  uint32_t id;
  ControlClass windowClass;
  const char* text;
  int16_t x, y, cx, cy;
  uint32_t style;
};

// The template's size in dialog units.
constexpr int16_t kDialogWidth = 480, kDialogHeight = 271;

constexpr Control kControls[61] = {
    {IDC_HGAP_EDIT, kEdit, "", 222, 11, 26, 12, kField},
    {IDC_HTHICK_EDIT, kEdit, "", 252, 11, 26, 12, kField},
    {IDC_VGAP_EDIT, kEdit, "", 5, 225, 26, 12, kField},
    {IDC_VTHICK_EDIT, kEdit, "", 5, 245, 26, 12, kField},
    {IDC_LINK, kButton, "Link(&L)", 222, 216, 33, 8, kCheck},
    {IDC_RADIO_RED, kButton, "Red(&R)", 41, 12, 35, 8, kRadio},
    {IDC_RADIO_GREEN, kButton, "Green(&G)", 89, 12, 41, 8, kRadio},
    {IDC_RADIO_BLUE, kButton, "Blue(&B)", 134, 12, 37, 8, kRadio},
    {IDC_RADIO_BLACK, kButton, "Black(&K)", 179, 12, 38, 8, kRadio},
    {IDC_OK, kButton, "OK", 240, 227, 31, 14, kShown | kTabStop | kDefPushButton | kNotify},
    {IDC_CANCEL, kButton, "Cancel", 240, 244, 31, 14, kShown | kTabStop | kNotify},
    {IDC_PREVIEW_FRAME, kStatic, "", 33, 56, 167, 143, kChild | kGroup | kCentre},
    {IDC_COLOUR_LABEL, kStatic, "Color:", 12, 12, 19, 8, kShown | kRight},
    {IDC_HTHICK_BAR, kScrollBar, "", 259, 28, 13, 186, kShown | kVertical},
    {IDC_HGAP_BAR, kScrollBar, "", 229, 28, 13, 186, kShown | kVertical},
    {IDC_VTHICK_BAR, kScrollBar, "", 34, 245, 180, 12, kShown},
    {IDC_VGAP_BAR, kScrollBar, "", 34, 225, 180, 12, kShown},
    {IDC_PAN_RIGHT_UP, kButton, "&E", 204, 41, 14, 12, kShown},
    {IDC_PAN_RIGHT_DOWN, kButton, "&C", 204, 201, 14, 12, kShown},
    {IDC_PAN_RIGHT, kButton, "&D", 204, 121, 14, 12, kShown},
    {IDC_PAN_LEFT_UP, kButton, "&Q", 16, 41, 14, 12, kShown},
    {IDC_PAN_LEFT_DOWN, kButton, "&Z", 16, 201, 14, 12, kShown},
    {IDC_PAN_LEFT, kButton, "&A", 16, 121, 14, 12, kShown},
    {IDC_PAN_UP, kButton, "&W", 110, 41, 14, 12, kShown},
    {IDC_PAN_DOWN, kButton, "&X", 110, 201, 14, 12, kShown},
    {IDC_IGNORE_ZERO, kButton, "ignore 0 pixel(&I)", 39, 41, 63, 10, kCheck},
    {IDC_ALIGNMENT, kComboBox, "", 38, 201, 65, 30, kShown | kVScroll | kTabStop | kDropDown},
    {IDC_REMOVE, kButton, "Remove(&O)", 133, 41, 51, 10, kCheck},
    {IDC_RADIO_CUSTOM, kButton, "Custom(&U)", 41, 26, 43, 8, kRadio},
    {IDC_CUSTOM_SWATCH, kStatic, "", 86, 25, 16, 10, kShown | kBorder | kStaticNotify},
    {IDC_OPACITY_LABEL, kStatic, "Opacity(&P):", 110, 26, 44, 8, kShown | kRight},
    {IDC_OPACITY_EDIT, kEdit, "", 156, 24, 20, 12, kField},
    {IDC_OPACITY_BAR, kScrollBar, "", 178, 24, 40, 12, kShown},
    {IDC_GRID_GROUP, kButton, "Grid", 288, 4, 186, 262, kShown | kGroupBox},
    {IDC_UNIT_LABEL, kStatic, "Unit(&N):", 294, 18, 56, 8, kShown | kRight},
    {IDC_UNIT, kComboBox, "", 352, 16, 70, 100, kShown | kVScroll | kTabStop | kDropDownList},
    {IDC_ROWS_LABEL, kStatic, "Rows(&Y):", 294, 36, 56, 8, kShown | kRight},
    {IDC_ROWS_EDIT, kEdit, "", 352, 34, 34, 12, kField},
    {IDC_COLUMNS_LABEL, kStatic, "Columns(&M):", 388, 36, 44, 8, kShown | kRight},
    {IDC_COLUMNS_EDIT, kEdit, "", 434, 34, 34, 12, kField},
    {IDC_FRAME, kButton, "Frame(&T)", 352, 51, 60, 10, kCheck},
    {IDC_VOFFSET_LABEL, kStatic, "Offset down(&V):", 294, 68, 56, 8, kShown | kRight},
    {IDC_VOFFSET_EDIT, kEdit, "", 352, 66, 34, 12, kField},
    {IDC_HOFFSET_LABEL, kStatic, "right:", 388, 68, 44, 8, kShown | kRight},
    {IDC_HOFFSET_EDIT, kEdit, "", 434, 66, 34, 12, kField},
    {IDC_SUBDIVIDE_LABEL, kStatic, "Subdivisions(&S):", 294, 88, 56, 8, kShown | kRight},
    {IDC_SUBDIVIDE_EDIT, kEdit, "", 352, 86, 34, 12, kField},
    {IDC_MINOR_COLOUR_LABEL, kStatic, "Minor color(&H):", 294, 104, 56, 8, kShown | kRight},
    {IDC_MINOR_COLOUR, kComboBox, "", 352, 102, 60, 80, kShown | kVScroll | kTabStop | kDropDownList},
    {IDC_MINOR_SWATCH, kStatic, "", 416, 103, 16, 10, kShown | kBorder | kStaticNotify},
    {IDC_MINOR_OPACITY_LABEL, kStatic, "Opacity:", 294, 120, 56, 8, kShown | kRight},
    {IDC_MINOR_OPACITY_EDIT, kEdit, "", 352, 118, 34, 12, kField},
    {IDC_MINOR_THICK_LABEL, kStatic, "Thickness:", 388, 120, 44, 8, kShown | kRight},
    {IDC_MINOR_THICK_EDIT, kEdit, "", 434, 118, 34, 12, kField},
    {IDC_STYLE_LABEL, kStatic, "Style(&J):", 294, 140, 56, 8, kShown | kRight},
    {IDC_STYLE, kComboBox, "", 352, 138, 60, 60, kShown | kVScroll | kTabStop | kDropDownList},
    {IDC_DASH_LABEL, kStatic, "Dash:", 294, 156, 56, 8, kShown | kRight},
    {IDC_DASH_EDIT, kEdit, "", 352, 154, 34, 12, kField},
    {IDC_DASH_GAP_LABEL, kStatic, "Gap:", 388, 156, 44, 8, kShown | kRight},
    {IDC_DASH_GAP_EDIT, kEdit, "", 434, 154, 34, 12, kField},
    {IDC_HELD_NOTE, kStatic, "", 294, 176, 174, 40, kShown},
};

}  // namespace dialog_controls
