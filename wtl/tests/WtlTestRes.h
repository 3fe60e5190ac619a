#pragma once

#define IDD_WTL_RESIZE 200
#define IDD_WTL_RADIO 201
#define IDD_WTL_LINK 202

#define IDC_GROW 1001
#define IDC_MOVE_DOWN 1002
#define IDC_WIDEN_DOWN 1003
#define IDC_FIXED 1004
#define IDC_RADIO_A 1010
#define IDC_RADIO_B 1011
#define IDC_RADIO_C 1012
#define IDC_RADIO_OTHER 1013
#define IDC_LINK 1020

// Frame: title, menu, accelerators, tool bar images and prompts share this id.
#define IDR_WTL_FRAME 300
#define ID_WTL_EXIT 40001
#define ID_WTL_ABOUT 40002
#define ID_WTL_NOPICTURE 40003
