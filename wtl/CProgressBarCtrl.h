#pragma once
#include <windows.h>
#include <commctrl.h>
#include "CWindow.h"

class CProgressBarCtrl : public CWindow
{
public:
    CProgressBarCtrl(HWND hWnd = nullptr) : CWindow(hWnd) {}
    void SetRange(int minimum, int maximum) { SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(minimum), maximum); }
    int SetPos(int position) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(position))); }
    int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
    int SetStep(int step) { return static_cast<int>(SendMessage(PBM_SETSTEP, static_cast<WPARAM>(step))); }
    int GetRangeLimit(BOOL low) const { return static_cast<int>(SendMessage(PBM_GETRANGE, static_cast<WPARAM>(low))); }
};
