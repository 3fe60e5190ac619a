#include "CFrameWindowImpl.h"

void CFrameWindowImplBase::LoadClassIcons(WNDCLASSEXW& wc, UINT resourceId)
{
    // Every Create asks; only the registration needs the pair, which the class then keeps
    // (shared: never destroyed).
    WNDCLASSEXW registered = {};
    registered.cbSize = sizeof(registered);
    if (::GetClassInfoExW(wc.hInstance, wc.lpszClassName, &registered))
        return;
    HINSTANCE instance = CAppModule::ResourceInstance();
    wc.hIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON),
                                               LR_DEFAULTCOLOR | LR_SHARED));
    wc.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                                 LR_DEFAULTCOLOR | LR_SHARED));
}

std::wstring CFrameWindowImplBase::MenuPrompt(UINT commandId)
{
    const wchar_t* text = nullptr;
    int length = ::LoadStringW(CAppModule::ResourceInstance(), commandId, reinterpret_cast<wchar_t*>(&text), 0);
    if (length <= 0 || text == nullptr)
        return std::wstring();
    std::wstring prompt(text, static_cast<size_t>(length));
    size_t lineEnd = prompt.find(L'\n');
    if (lineEnd != std::wstring::npos)
        prompt.resize(lineEnd);
    return prompt;
}

std::wstring CFrameWindowImplBase::IdleText()
{
    std::wstring text = MenuPrompt(ATL_IDS_IDLEMESSAGE);
    return text.empty() ? std::wstring(L"Ready") : text;
}

HWND CFrameWindowImplBase::CreateReBar(HWND frame, DWORD style, UINT id)
{
    return ::CreateWindowExW(0, REBARCLASSNAMEW, nullptr, style, 0, 0, 100, 100, frame,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), CAppModule::ModuleInstance(),
                             nullptr);
}

BOOL CFrameWindowImplBase::AddSimpleReBarBand(HWND child, const wchar_t* title, BOOL newRow)
{
    if (m_hWndToolBar == nullptr || child == nullptr)
        return FALSE;
    RECT childRect = {};
    ::GetWindowRect(child, &childRect);
    SIZE ideal = {childRect.right - childRect.left, childRect.bottom - childRect.top};
    // A tool bar tells its own size.
    ::SendMessageW(child, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&ideal));

    REBARBANDINFOW band = {};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.fStyle = RBBS_CHILDEDGE | RBBS_NOGRIPPER | (newRow ? RBBS_BREAK : 0);
    if (title != nullptr) {
        band.fMask |= RBBIM_TEXT;
        band.lpText = const_cast<wchar_t*>(title);
    }
    band.hwndChild = child;
    band.cxMinChild = 0;
    band.cyMinChild = ideal.cy;
    band.cx = ideal.cx;
    band.cxIdeal = ideal.cx;
    return ::SendMessageW(m_hWndToolBar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band)) != 0;
}

void CFrameWindowImplBase::LayoutFrame(HWND frame, BOOL resizeBars)
{
    RECT area;
    if (!::GetClientRect(frame, &area))
        return;
    if (m_hWndToolBar != nullptr && ::IsWindowVisible(m_hWndToolBar)) {
        if (resizeBars)
            ::SendMessageW(m_hWndToolBar, WM_SIZE, 0, 0);
        RECT bar;
        ::GetWindowRect(m_hWndToolBar, &bar);
        area.top += bar.bottom - bar.top;
    }
    if (m_hWndStatusBar != nullptr && ::IsWindowVisible(m_hWndStatusBar)) {
        if (resizeBars)
            ::SendMessageW(m_hWndStatusBar, WM_SIZE, 0, 0);
        RECT bar;
        ::GetWindowRect(m_hWndStatusBar, &bar);
        area.bottom -= bar.bottom - bar.top;
    }
    if (area.bottom < area.top)
        area.bottom = area.top;
    if (m_hWndClient != nullptr)
        ::SetWindowPos(m_hWndClient, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
}

void CFrameWindowImplBase::ShowMenuPrompt(WPARAM wParam, LPARAM lParam)
{
    if (m_hWndStatusBar == nullptr)
        return;
    UINT flags = HIWORD(wParam);
    std::wstring text;
    if (flags == 0xFFFF && lParam == 0)
        text = IdleText(); // the menu closed
    else if ((flags & (MF_POPUP | MF_SEPARATOR)) == 0)
        text = MenuPrompt(LOWORD(wParam));
    ::SendMessageW(m_hWndStatusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void CFrameWindowImplBase::RememberFocus(HWND frame)
{
    HWND focus = ::GetFocus();
    if (focus != nullptr && ::IsChild(frame, focus))
        m_hWndFocus = focus;
}

void CFrameWindowImplBase::RestoreFocus(HWND frame)
{
    if (m_hWndFocus != nullptr && ::IsWindow(m_hWndFocus) && ::IsChild(frame, m_hWndFocus) &&
        ::IsWindowVisible(m_hWndFocus) && ::IsWindowEnabled(m_hWndFocus)) {
        ::SetFocus(m_hWndFocus);
        return;
    }
    if (m_hWndClient != nullptr)
        ::SetFocus(m_hWndClient);
}
