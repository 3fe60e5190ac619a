#pragma once
#define IDC_CHANNEL_LIST 1051
