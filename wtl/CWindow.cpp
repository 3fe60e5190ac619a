#include "CWindow.h"
#include <vector>

BOOL CWindow::DestroyWindow()
{
    if (!::DestroyWindow(m_hWnd))
        return FALSE;
    m_hWnd = nullptr;
    return TRUE;
}

std::wstring CWindow::GetWindowText() const
{
    int length = ::GetWindowTextLengthW(m_hWnd);
    if (length <= 0)
        return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    int copied = ::GetWindowTextW(m_hWnd, buffer.data(), length + 1);
    return std::wstring(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

BOOL CWindow::ScreenToClient(RECT* rect) const
{
    POINT* corners = reinterpret_cast<POINT*>(rect);
    return ::ScreenToClient(m_hWnd, &corners[0]) && ::ScreenToClient(m_hWnd, &corners[1]);
}

BOOL CWindow::CenterWindow(HWND center)
{
    if (center == nullptr)
        center = (GetStyle() & WS_CHILD) != 0 ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);
    RECT area;
    if (center == nullptr || !::IsWindowVisible(center) || ::IsIconic(center)) {
        if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
            return FALSE;
    } else if (!::GetWindowRect(center, &area)) {
        return FALSE;
    }
    RECT window;
    if (!GetWindowRect(&window))
        return FALSE;
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    POINT topLeft = {area.left + (area.right - area.left - width) / 2, area.top + (area.bottom - area.top - height) / 2};
    if ((GetStyle() & WS_CHILD) != 0)
        ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), &topLeft, 1);
    return SetWindowPos(nullptr, topLeft.x, topLeft.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWindow::ModifyLong(int index, DWORD remove, DWORD add, UINT flags)
{
    DWORD before = static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, index));
    DWORD after = (before & ~remove) | add;
    if (after == before)
        return FALSE;
    ::SetWindowLongPtrW(m_hWnd, index, static_cast<LONG_PTR>(after));
    if (flags != 0)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    return TRUE;
}
