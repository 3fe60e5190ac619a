#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "CWindow.h"

// A tool-tip control; owns its window (a popup that is not a child of its owner).
class CToolTipCtrl : public CWindow
{
public:
    CToolTipCtrl() = default;
    ~CToolTipCtrl();
    CToolTipCtrl(const CToolTipCtrl&) = delete;
    CToolTipCtrl& operator=(const CToolTipCtrl&) = delete;

    HWND Create(HWND owner, DWORD style = TTS_ALWAYSTIP);
    // A tool for the child window tool of owner (its whole area); text may be null. Only a
    // tool with text subclasses its window.
    BOOL AddTool(HWND owner, HWND tool, const wchar_t* text);
    // Text of the tool of that child, empty when it has none.
    std::wstring GetToolText(HWND owner, HWND tool) const;
    int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }
    void RelayEvent(MSG* msg) { SendMessage(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
};
