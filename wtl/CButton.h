#pragma once
#include "CWindow.h"

class CButton : public CWindow
{
public:
    CButton(HWND hWnd = nullptr) : CWindow(hWnd) {}
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
    void Click() { SendMessage(BM_CLICK); }
};
