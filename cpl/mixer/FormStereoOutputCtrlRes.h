#pragma once
#include "MixerStripRes.h"
// Destination strip (dialog 254), besides the shared strip controls.
#define IDC_STRIP_SLIDER_RIGHT 1059
#define IDC_STRIP_SLIDER_LEFT 1061
#define IDC_STRIP_LINK 1062
#define IDC_STRIP_MUTE 1063
#define IDC_STRIP_READOUT_LEFT 1066
#define IDC_STRIP_READOUT_RIGHT 1068
#define IDC_STRIP_ZERO_DB 1080
