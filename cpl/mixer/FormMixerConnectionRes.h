#pragma once
// Crosspoint cell (dialog 253): columns destination left/right, rows source left/right.
#define IDC_CELL_LEFT_FROM_LEFT 1069
#define IDC_CELL_RIGHT_FROM_LEFT 1070
#define IDC_CELL_LEFT_FROM_RIGHT 1071
#define IDC_CELL_RIGHT_FROM_RIGHT 1072
