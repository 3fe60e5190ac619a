#pragma once
// Controls that both channel strips (dialogs 254 and 255) carry.
#define IDC_STRIP_METER_LEFT 1055
#define IDC_STRIP_METER_RIGHT 1057
#define IDC_STRIP_LABEL 1065
