#include "WtlTrayIcon.h"
#include "CAppModule.h"
#include "ModalRun.h"

static_assert(NOTIFYICONDATAW_V2_SIZE == 936, "the icon data ends with dwInfoFlags");

WtlTrayIconBase::WtlTrayIconBase()
{
    ::ZeroMemory(&m_data, sizeof(m_data));
    m_data.cbSize = NOTIFYICONDATAW_V2_SIZE;
}

WtlTrayIconBase::~WtlTrayIconBase()
{
    RemoveTrayIcon();
}

UINT WtlTrayIconBase::TaskbarCreatedMessage()
{
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

bool WtlTrayIconBase::AddTrayIcon(HWND window, const wchar_t* tip, HICON icon, UINT id)
{
    m_data.hWnd = window;
    m_data.uID = id;
    m_data.hIcon = icon;
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_data.uCallbackMessage = WM_TRAYICON;
    lstrcpynW(m_data.szTip, tip != nullptr ? tip : L"", 128);
    m_installed = ::Shell_NotifyIconW(NIM_ADD, &m_data) != FALSE;
    m_wanted = true;
    return m_installed;
}

void WtlTrayIconBase::RemoveTrayIcon()
{
    m_wanted = false;
    if (!m_installed)
        return;
    m_data.uFlags = 0;
    ::Shell_NotifyIconW(NIM_DELETE, &m_data);
    m_installed = false;
}

void WtlTrayIconBase::OnTaskbarCreated()
{
    if (!m_wanted)
        return;
    m_data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    // An icon the shell still holds is only updated (it refuses to add it twice); a lost
    // one is added again.
    m_installed = ::Shell_NotifyIconW(NIM_MODIFY, &m_data) != FALSE || ::Shell_NotifyIconW(NIM_ADD, &m_data) != FALSE;
}

void WtlTrayIconBase::OnTrayMouse(HWND window, UINT mouseMessage)
{
    if (mouseMessage == WM_RBUTTONUP) {
        ShowTrayMenu(window);
    } else if (mouseMessage == WM_LBUTTONDBLCLK) {
        if (::IsIconic(window))
            ::ShowWindow(window, SW_RESTORE);
        ::ShowWindow(window, SW_SHOW);
        ::SetForegroundWindow(window);
    }
}

void WtlTrayIconBase::ShowTrayMenu(HWND window)
{
    HMENU menu = ::LoadMenuW(CAppModule::ResourceInstance(), MAKEINTRESOURCEW(m_data.uID));
    if (menu == nullptr)
        return;
    HMENU popup = ::GetSubMenu(menu, 0);
    POINT cursor = {};
    ::GetCursorPos(&cursor);
    if (popup != nullptr) {
        ::SetForegroundWindow(window);
        ModalRun run;
        ::TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, window, nullptr);
        // The menu closes properly when the user clicks elsewhere.
        ::PostMessageW(window, WM_NULL, 0, 0);
    }
    ::DestroyMenu(menu);
}
