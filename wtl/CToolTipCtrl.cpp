#include "CToolTipCtrl.h"
#include "CAppModule.h"

CToolTipCtrl::~CToolTipCtrl()
{
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

HWND CToolTipCtrl::Create(HWND owner, DWORD style)
{
    if (m_hWnd != nullptr)
        return nullptr;
    m_hWnd = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                               CAppModule::ModuleInstance(), nullptr);
    return m_hWnd;
}

BOOL CToolTipCtrl::AddTool(HWND owner, HWND tool, const wchar_t* text)
{
    TTTOOLINFOW info = {};
    info.cbSize = sizeof(info);
    // A tool without text shows nothing: its window is not subclassed (every message to a
    // subclassed window costs a property lookup).
    info.uFlags = TTF_IDISHWND | (text != nullptr && *text != L'\0' ? TTF_SUBCLASS : 0);
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = const_cast<wchar_t*>(text != nullptr ? text : L"");
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
}

std::wstring CToolTipCtrl::GetToolText(HWND owner, HWND tool) const
{
    wchar_t buffer[80] = {}; // TTM_GETTEXTW copies at most 80 characters
    TTTOOLINFOW info = {};
    info.cbSize = sizeof(info);
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(tool);
    info.lpszText = buffer;
    SendMessage(TTM_GETTEXTW, sizeof(buffer) / sizeof(buffer[0]), reinterpret_cast<LPARAM>(&info));
    return std::wstring(buffer);
}
