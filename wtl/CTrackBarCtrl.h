#pragma once
#include <windows.h>
#include <commctrl.h>
#include "CWindow.h"

class CTrackBarCtrl : public CWindow
{
public:
    CTrackBarCtrl(HWND hWnd = nullptr) : CWindow(hWnd) {}
    void SetRange(int minimum, int maximum, BOOL redraw = TRUE)
    {
        SendMessage(TBM_SETRANGEMIN, FALSE, minimum);
        SendMessage(TBM_SETRANGEMAX, static_cast<WPARAM>(redraw), maximum);
    }
    int GetRangeMin() const { return static_cast<int>(SendMessage(TBM_GETRANGEMIN)); }
    int GetRangeMax() const { return static_cast<int>(SendMessage(TBM_GETRANGEMAX)); }
    int GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
    void SetPos(int position) { SendMessage(TBM_SETPOS, TRUE, position); }
    void SetTicFreq(int frequency) { SendMessage(TBM_SETTICFREQ, static_cast<WPARAM>(frequency)); }
    int GetNumTics() const { return static_cast<int>(SendMessage(TBM_GETNUMTICS)); }
    // What an arrow key and Page Up/Down move the thumb by.
    void SetSteps(int line, int page)
    {
        SendMessage(TBM_SETLINESIZE, 0, line);
        SendMessage(TBM_SETPAGESIZE, 0, page);
    }
};
