/* Ids of the module's resources and of the parameters dialog's controls. Plain macros, so
   the resource compiler, the plug-in and the tests read the same numbers. */
#ifndef CORVANE_RESOURCE_IDS_H
#define CORVANE_RESOURCE_IDS_H

/* Strings loaded by the About box. */
#define IDS_ABOUT_TEXT 16000
#define IDS_ABOUT_CAPTION 16001

/* Hand cursors over the preview: open while pointing, closed while dragging. */
#define IDC_PREVIEW_HAND 104
#define IDC_DRAG_HAND 105

/* Dialog template "CORVANEPARAM". */
#define IDC_OK 1
#define IDC_CANCEL 2
#define IDC_PREVIEW_FRAME 5
#define IDC_COLOUR_LABEL 6
#define IDC_RADIO_BLACK 7
#define IDC_RADIO_BLUE 8
#define IDC_RADIO_RED 9
#define IDC_RADIO_GREEN 10
#define IDC_HTHICK_BAR 1003
#define IDC_HGAP_BAR 1004
#define IDC_VTHICK_BAR 1005
#define IDC_HGAP_EDIT 1006
#define IDC_VGAP_BAR 1007
#define IDC_HTHICK_EDIT 1008
#define IDC_VGAP_EDIT 1009
#define IDC_VTHICK_EDIT 1010
#define IDC_LINK 1012
#define IDC_PAN_RIGHT_UP 1013
#define IDC_PAN_RIGHT_DOWN 1014
#define IDC_PAN_RIGHT 1015
#define IDC_PAN_LEFT_UP 1016
#define IDC_PAN_LEFT_DOWN 1017
#define IDC_PAN_LEFT 1018
#define IDC_PAN_UP 1019
#define IDC_PAN_DOWN 1020
#define IDC_IGNORE_ZERO 1021
#define IDC_ALIGNMENT 1022
#define IDC_REMOVE 1023
/* Added beside the controls above: the custom colour and the opacity. */
#define IDC_RADIO_CUSTOM 11
#define IDC_CUSTOM_SWATCH 1024
#define IDC_OPACITY_LABEL 1025
#define IDC_OPACITY_EDIT 1026
#define IDC_OPACITY_BAR 1027
/* The second group: the grid in the picture's own terms. */
#define IDC_GRID_GROUP 1028
#define IDC_UNIT_LABEL 1029
#define IDC_UNIT 1030
#define IDC_ROWS_LABEL 1031
#define IDC_ROWS_EDIT 1032
#define IDC_COLUMNS_LABEL 1033
#define IDC_COLUMNS_EDIT 1034
#define IDC_FRAME 1035
#define IDC_VOFFSET_LABEL 1036
#define IDC_VOFFSET_EDIT 1037
#define IDC_HOFFSET_LABEL 1038
#define IDC_HOFFSET_EDIT 1039
#define IDC_SUBDIVIDE_LABEL 1040
#define IDC_SUBDIVIDE_EDIT 1041
#define IDC_MINOR_COLOUR_LABEL 1042
#define IDC_MINOR_COLOUR 1043
#define IDC_MINOR_SWATCH 1044
#define IDC_MINOR_OPACITY_LABEL 1045
#define IDC_MINOR_OPACITY_EDIT 1046
#define IDC_MINOR_THICK_LABEL 1047
#define IDC_MINOR_THICK_EDIT 1048
#define IDC_STYLE_LABEL 1049
#define IDC_STYLE 1050
#define IDC_DASH_LABEL 1051
#define IDC_DASH_EDIT 1052
#define IDC_DASH_GAP_LABEL 1053
#define IDC_DASH_GAP_EDIT 1054
#define IDC_HELD_NOTE 1055

#endif
