#pragma once
#define IDC_RATE_GROUP 1032
#define IDC_RATE_APPLY 1038
#define IDC_RATE_LIST 1040
#define IDC_DSD_NOTE 1094
