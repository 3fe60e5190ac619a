#pragma once
#include <windows.h>
#include <string>
#include "MessageMap.h"

// The window placement kept per user under HKEY_CURRENT_USER\keyPath: "PosX", "PosY",
// "Width", "Height", all REG_DWORD, written and read together.
class WtlWindowPlacement
{
public:
    explicit WtlWindowPlacement(const wchar_t* keyPath) : m_keyPath(keyPath != nullptr ? keyPath : L"") {}

    // Pulls a rectangle onto a screen of width by height pixels: the top-left corner at
    // least 50 pixels inside, right and bottom at most the screen's edge; anything smaller
    // than 50 x 50 becomes the 50 x 50 square in the middle.
    static void ClampToScreen(RECT& rect, int screenWidth, int screenHeight);
    // The same on the primary screen.
    static void ClampToScreen(RECT& rect);

    // Writes the window's rectangle (clamped), unless it is minimised. Silent on failure.
    void Save(HWND window) const;
    // Reads the rectangle (clamped) and places the window there, hidden or shown. A missing
    // value or one of another type leaves the window where it is. True when placed.
    bool Load(HWND window, bool keepHidden) const;

    const std::wstring& KeyPath() const { return m_keyPath; }

private:
    std::wstring m_keyPath;
};

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
