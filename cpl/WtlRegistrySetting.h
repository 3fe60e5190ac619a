#pragma once
#include <windows.h>
#include "MessageMap.h"
#include "WtlWindowPlacement.h"

// Mix-in of a frame T: loads the placement when asked and saves it on WM_CLOSE and when the
// window is minimised with the minimise command.
template <class T>
class WtlRegistrySetting
{
public:
    explicit WtlRegistrySetting(const wchar_t* keyPath) : m_placement(keyPath) {}
    virtual ~WtlRegistrySetting() = default;

    BEGIN_MSG_MAP(WtlRegistrySetting)
        MESSAGE_HANDLER(WM_CLOSE, OnClose)
        MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    END_MSG_MAP()

    void Load(bool keepHidden) { m_placement.Load(static_cast<T*>(this)->m_hWnd, keepHidden); }
    void Save() { m_placement.Save(static_cast<T*>(this)->m_hWnd); }
    static void ClampToScreen(RECT& rect) { WtlWindowPlacement::ClampToScreen(rect); }

    LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        Save();
        bHandled = FALSE;
        return 0;
    }
    LRESULT OnSysCommand(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        if (wParam == SC_MINIMIZE)
            Save(); // before the window becomes an icon
        bHandled = FALSE;
        return 0;
    }

private:
    WtlWindowPlacement m_placement;
};
