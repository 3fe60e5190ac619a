#pragma once
#include "CWindow.h"

class CStatic : public CWindow
{
public:
    CStatic(HWND hWnd = nullptr) : CWindow(hWnd) {}
    HICON SetIcon(HICON icon) { return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(icon))); }
};
