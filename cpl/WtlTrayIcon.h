#pragma once
#include <windows.h>
#include <shellapi.h>
#include "MessageMap.h"

// The notification-area icon of a window: added, removed, re-added when the shell's
// notification area is recreated ("TaskbarCreated"), and its mouse actions: double-click
// shows the window, right-click shows the tray menu.
class WtlTrayIconBase
{
public:
    enum : UINT { WM_TRAYICON = WM_USER + 100 };

    WtlTrayIconBase();
    virtual ~WtlTrayIconBase();

    WtlTrayIconBase(const WtlTrayIconBase&) = delete;
    WtlTrayIconBase& operator=(const WtlTrayIconBase&) = delete;

    // Adds the icon for window (tip: at most 127 characters); true when the shell took it.
    // The identifier is also the id of the menu resource shown on a right-click.
    bool AddTrayIcon(HWND window, const wchar_t* tip, HICON icon, UINT id);
    void RemoveTrayIcon();
    bool IsInstalled() const { return m_installed; }
    const NOTIFYICONDATAW& IconData() const { return m_data; }
    // The registered "TaskbarCreated" message.
    static UINT TaskbarCreatedMessage();

protected:
    // The callback message for our icon: lParam is the mouse message.
    void OnTrayMouse(HWND window, UINT mouseMessage);
    // The notification area was recreated: the icon goes back.
    void OnTaskbarCreated();
    // Shows the tray menu at the cursor; the chosen command reaches window as WM_COMMAND.
    void ShowTrayMenu(HWND window);

private:
    NOTIFYICONDATAW m_data;
    bool m_installed = false;
    bool m_wanted = false; // added and not removed: comes back with a new notification area
};

// Mix-in of a frame T (chained after the frame's own map): while the icon is installed, the
// close box hides the window instead of closing it.
template <class T>
class WtlTrayIcon : public WtlTrayIconBase
{
public:
    BEGIN_MSG_MAP(WtlTrayIcon)
        MESSAGE_HANDLER(WM_TRAYICON, OnTrayIcon)
        MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(TaskbarCreatedMessage(), OnTaskbarCreatedMessage)
    END_MSG_MAP()

    bool AddTrayIcon(const wchar_t* tip, HICON icon, UINT id)
    {
        return WtlTrayIconBase::AddTrayIcon(static_cast<T*>(this)->m_hWnd, tip, icon, id);
    }

    LRESULT OnTrayIcon(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
    {
        if (!IsInstalled() || wParam != IconData().uID) {
            bHandled = FALSE;
            return 0;
        }
        OnTrayMouse(static_cast<T*>(this)->m_hWnd, static_cast<UINT>(lParam));
        return 0;
    }
    LRESULT OnSysCommand(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        if ((wParam & 0xFFF0) != SC_CLOSE || !IsInstalled()) {
            bHandled = FALSE;
            return 0;
        }
        ::ShowWindow(static_cast<T*>(this)->m_hWnd, SW_HIDE);
        return 0;
    }
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        RemoveTrayIcon();
        bHandled = FALSE;
        return 0;
    }
    LRESULT OnTaskbarCreatedMessage(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        OnTaskbarCreated();
        bHandled = FALSE;
        return 0;
    }
};
