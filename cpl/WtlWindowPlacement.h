#pragma once
#include <windows.h>
#include <string>

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
