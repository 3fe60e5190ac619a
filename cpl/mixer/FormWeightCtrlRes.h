#pragma once
// Weight popup (dialog 256); "Close" is IDOK.
#define IDC_WEIGHT_CONNECTED 1073
#define IDC_WEIGHT_SLIDER 1074
#define IDC_WEIGHT_READOUT 1076
