#include "DpiScale.h"

int ScaleToDpi(int pixelsAt96)
{
    HDC screen = ::GetDC(nullptr);
    int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen != nullptr)
        ::ReleaseDC(nullptr, screen);
    return ::MulDiv(pixelsAt96, dpi > 0 ? dpi : 96, 96);
}

int WidestText(HWND window, const std::vector<std::wstring>& texts)
{
    HDC dc = ::GetDC(window);
    if (dc == nullptr)
        return 0;
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(window, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (const std::wstring& text : texts) {
        SIZE size = {};
        if (::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size) && size.cx > widest)
            widest = size.cx;
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(window, dc);
    return widest;
}

int FittingWidth(HWND window, int pixelsAt96, const std::vector<std::wstring>& texts, int marginAt96)
{
    int scaled = ScaleToDpi(pixelsAt96);
    int text = WidestText(window, texts) + ScaleToDpi(marginAt96);
    return text > scaled ? text : scaled;
}
