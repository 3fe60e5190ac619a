#pragma once
// Resource ids of the control panel shared by several parts of it. The control ids of each
// dialog are in that dialog's own header (AboutDlgRes.h, FormStaticTextRes.h, ...).

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Icon, menu, accelerators and toolbar of the main window; also the program icon.
#define IDR_MAINFRAME 128
// String table.
#define IDS_APP_TITLE 128 // "Quorvela Control Panel": window title, tray tip, message box caption

// Dialog templates, one id per page or dialog.
#define IDD_ABOUTBOX 100
#define IDD_DRIVER_INFO 101
#define IDD_SELECTION 103
#define IDD_SAMPLE_RATE 104
#define IDD_DEVICES 106
#define IDD_STATIC_TEXT 208
#define IDD_BUFFER_SETTINGS 247
#define IDD_CHANNELS 248
#define IDD_DEVICE 249
#define IDD_MIXER 251
#define IDD_MIXER_CONNECTION 253
#define IDD_STEREO_OUTPUT 254
#define IDD_STEREO_INPUT 255
#define IDD_WEIGHT 256
#define IDD_STATUS_INFO 257
#define IDD_PLUGIN 258

// Tray icon and its menu.
#define IDR_TRAYMENU 205
// Tree images.
#define IDI_TREE_INFO 232
#define IDI_TREE_CHANNELS 233
#define IDI_TREE_DEVICE 234
#define IDI_TREE_RATE 237
// The menu's pictures at 144 and 192 DPI (24 x 23 and 32 x 30 pixels; IDR_MAINFRAME's
// bitmap has them at 16 x 15).
#define IDB_MENU_144 238
#define IDB_MENU_192 239

// Commands.
#define ID_TRAY_RESTORE 32775
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define IDS_READY 57345
