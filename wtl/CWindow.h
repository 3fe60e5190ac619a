#pragma once
#include <windows.h>
#include <string>

// A window handle with the usual operations; owns nothing.
class CWindow
{
public:
    CWindow(HWND hWnd = nullptr) : m_hWnd(hWnd) {}

    operator HWND() const { return m_hWnd; }
    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    HWND Detach()
    {
        HWND hWnd = m_hWnd;
        m_hWnd = nullptr;
        return hWnd;
    }

    BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL DestroyWindow();
    BOOL UpdateWindow() { return ::UpdateWindow(m_hWnd); }
    BOOL Invalidate(BOOL erase = TRUE) { return ::InvalidateRect(m_hWnd, nullptr, erase); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }

    CWindow GetParent() const { return CWindow(::GetParent(m_hWnd)); }
    CWindow GetDlgItem(int id) const { return CWindow(::GetDlgItem(m_hWnd, id)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

    BOOL SetWindowText(const wchar_t* text) { return ::SetWindowTextW(m_hWnd, text); }
    std::wstring GetWindowText() const;
    BOOL SetDlgItemText(int id, const wchar_t* text) { return ::SetDlgItemTextW(m_hWnd, id, text); }
    std::wstring GetDlgItemText(int id) const { return GetDlgItem(id).GetWindowText(); }

    BOOL GetClientRect(RECT* rect) const { return ::GetClientRect(m_hWnd, rect); }
    BOOL GetWindowRect(RECT* rect) const { return ::GetWindowRect(m_hWnd, rect); }
    BOOL ScreenToClient(RECT* rect) const;
    BOOL ClientToScreen(POINT* point) const { return ::ClientToScreen(m_hWnd, point); }
    BOOL MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE)
    {
        return ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
    {
        return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags);
    }
    // Centres the window over center, or over its owner (parent) when center is null.
    BOOL CenterWindow(HWND center = nullptr);

    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
    // Remove, then add; flags non-zero: SetWindowPos with them and SWP_FRAMECHANGED etc.
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0) { return ModifyLong(GWL_STYLE, remove, add, flags); }
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0) { return ModifyLong(GWL_EXSTYLE, remove, add, flags); }

    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs) { return ::SetTimer(m_hWnd, id, elapseMs, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void SetFont(HFONT font, BOOL redraw = TRUE) { SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw); }
    HICON SetIcon(HICON icon, BOOL big = TRUE)
    {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }
    void SetRedraw(BOOL redraw = TRUE) { SendMessage(WM_SETREDRAW, redraw); }

    HWND m_hWnd;

private:
    BOOL ModifyLong(int index, DWORD remove, DWORD add, UINT flags);
};
