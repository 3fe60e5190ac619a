#pragma once
#define IDC_ABOUT_TEXT 1006
#define IDC_ABOUT_LINK 1028
