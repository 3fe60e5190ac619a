#include "CHyperLink.h"
#include <shellapi.h>

// The base gives the control back to its own procedure.
CHyperLink::~CHyperLink()
{
    if (m_font != nullptr)
        ::DeleteObject(m_font);
}

BOOL CHyperLink::SubclassWindow(HWND hWnd)
{
    if (!CWindowImpl<CHyperLink>::SubclassWindow(hWnd))
        return FALSE;
    std::wstring text = GetWindowText();
    if (m_label.empty())
        m_label = text;
    if (m_target.empty())
        m_target = m_label;
    ModifyStyle(0, SS_NOTIFY | WS_TABSTOP);
    MakeLinkFont(GetFont());
    Invalidate();
    return TRUE;
}

void CHyperLink::SetLabel(const wchar_t* label)
{
    m_label = label != nullptr ? label : L"";
    if (m_hWnd != nullptr) {
        SetWindowText(m_label.c_str()); // for readers of the control's text and for accessibility
        Invalidate();
    }
}

bool CHyperLink::Navigate()
{
    if (m_target.empty())
        return false;
    HINSTANCE result = ::ShellExecuteW(m_hWnd, L"open", m_target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

void CHyperLink::MakeLinkFont(HFONT font)
{
    LOGFONTW logFont = {};
    if (font == nullptr)
        font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    if (::GetObjectW(font, sizeof(logFont), &logFont) == 0)
        return;
    logFont.lfUnderline = TRUE;
    HFONT created = ::CreateFontIndirectW(&logFont);
    if (created == nullptr)
        return;
    if (m_font != nullptr)
        ::DeleteObject(m_font);
    m_font = created;
}

RECT CHyperLink::LabelRect(HDC dc) const
{
    RECT client = {};
    GetClientRect(&client);
    RECT text = client;
    ::DrawTextW(dc, m_label.c_str(), static_cast<int>(m_label.size()), &text, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
    if (text.right > client.right)
        text.right = client.right;
    return text;
}

LRESULT CHyperLink::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    RECT client = {};
    GetClientRect(&client);
    // The parent chooses the background, as it does for its other statics.
    HBRUSH background = reinterpret_cast<HBRUSH>(
        ::SendMessageW(::GetParent(m_hWnd), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(m_hWnd)));
    ::FillRect(dc, &client, background != nullptr ? background : ::GetSysColorBrush(COLOR_BTNFACE));
    HGDIOBJ oldFont = m_font != nullptr ? ::SelectObject(dc, m_font) : nullptr;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, kLinkColour);
    RECT label = LabelRect(dc);
    ::DrawTextW(dc, m_label.c_str(), static_cast<int>(m_label.size()), &label, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS);
    if (::GetFocus() == m_hWnd)
        ::DrawFocusRect(dc, &label);
    if (oldFont != nullptr)
        ::SelectObject(dc, oldFont);
    ::EndPaint(m_hWnd, &paint);
    return 0;
}

LRESULT CHyperLink::OnSetCursor(UINT, WPARAM, LPARAM, BOOL&)
{
    ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
}

LRESULT CHyperLink::OnLButtonDown(UINT, WPARAM, LPARAM, BOOL&)
{
    SetFocus();
    ::SetCapture(m_hWnd);
    return 0;
}

LRESULT CHyperLink::OnLButtonUp(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    if (::GetCapture() != m_hWnd)
        return 0;
    ::ReleaseCapture();
    POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    RECT client = {};
    GetClientRect(&client);
    if (::PtInRect(&client, point))
        Navigate();
    return 0;
}

LRESULT CHyperLink::OnGetDlgCode(UINT, WPARAM, LPARAM, BOOL&)
{
    return DLGC_WANTCHARS; // the space bar reaches the link
}

LRESULT CHyperLink::OnChar(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    if (wParam != L' ') {
        bHandled = FALSE;
        return 0;
    }
    Navigate();
    return 0;
}

LRESULT CHyperLink::OnFocus(UINT, WPARAM, LPARAM, BOOL&)
{
    Invalidate();
    return 0;
}

LRESULT CHyperLink::OnSetFont(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    MakeLinkFont(reinterpret_cast<HFONT>(wParam));
    bHandled = FALSE; // the static keeps the plain font for its own use
    return 0;
}
