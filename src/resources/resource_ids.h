/* Ids of the codec's resources and of the controls in its dialogs. Plain preprocessor
   definitions: the resource script and the C++ code both read this file. */
#ifndef KVTC_RESOURCES_RESOURCE_IDS_H
#define KVTC_RESOURCES_RESOURCE_IDS_H

/* The codec's icon. */
#define IDI_KVTC 1

/* Controls that the dialog procedures never address (labels, frames, group boxes). */
#define IDC_UNUSED (-1)

/* Configure dialog. OK and Cancel are the system's IDOK (1) and IDCANCEL (2). */
#define IDC_PRESET_MODEM 1019
#define IDC_PRESET_ISDN 1020
#define IDC_PRESET_LAN 1021
#define IDC_OPEN_COMPRESSOR 1022
#define IDC_OPEN_DECOMPRESSOR 1023

/* Compressor dialog. */
#define IDC_REFRESH_SLIDER 102
#define IDC_REFRESH_VALUE 105
#define IDC_FILTER_NONE 10001
#define IDC_FILTER_MEDIAN 10002
#define IDC_FILTER_SMOOTH 10003
#define IDC_LOSSLESS_LUMA 1006
#define IDC_LOSSLESS_CHROMA 1007
#define IDC_SEARCH_RADIUS 1008
#define IDC_CHROMA_CHANGE 1009

/* Compressor ("Send Video In") and Decompressor ("Display Video In") dialogs. */
#define IDC_VIDEO_COLOR 10106
#define IDC_VIDEO_GRAY 10107

/* Decompressor dialog. */
#define IDC_GAMMA_SLIDER 103
#define IDC_GAMMA_VALUE 106

#endif
