#pragma once
#define IDC_STATIC_TEXT 1030
