#include "CSplitterWindow.h"

namespace {

const int kProportionScale = 1000000;

} // namespace

void CSplitterWindow::SetSplitterPanes(HWND left, HWND right, bool update)
{
    m_panes[SPLIT_PANE_LEFT] = left;
    m_panes[SPLIT_PANE_RIGHT] = right;
    if (update)
        UpdateSplitterLayout();
}

BOOL CSplitterWindow::SetSplitterPane(int pane, HWND window, bool update)
{
    if (pane != SPLIT_PANE_LEFT && pane != SPLIT_PANE_RIGHT)
        return FALSE;
    m_panes[pane] = window;
    if (update)
        UpdateSplitterLayout();
    return TRUE;
}

HWND CSplitterWindow::GetSplitterPane(int pane) const
{
    return pane == SPLIT_PANE_LEFT || pane == SPLIT_PANE_RIGHT ? m_panes[pane] : nullptr;
}

int CSplitterWindow::ClientWidth() const
{
    RECT client = {};
    GetClientRect(&client);
    return client.right - client.left;
}

BOOL CSplitterWindow::SetSplitterPos(int pos, bool update)
{
    int width = ClientWidth();
    if (pos == -1)
        pos = (width - m_barWidth) / 2;
    int limit = width - m_barWidth;
    if (pos > limit)
        pos = limit;
    if (pos < 0)
        pos = 0;
    m_pos = pos;
    m_width = width;
    m_proportion = width > 0 ? static_cast<int>((static_cast<long long>(pos) * kProportionScale + width / 2) / width) : -1;
    if (update)
        UpdateSplitterLayout();
    return TRUE;
}

void CSplitterWindow::MoveBar(int pos)
{
    SetSplitterPos(pos, true);
    // Full drag: the panes are painted at their new places while the bar moves.
    for (HWND pane : m_panes) {
        if (pane != nullptr)
            ::UpdateWindow(pane);
    }
    UpdateWindow();
}

RECT CSplitterWindow::PaneRect(int pane) const
{
    RECT client = {};
    GetClientRect(&client);
    if (pane == SPLIT_PANE_LEFT)
        client.right = m_pos;
    else
        client.left = m_pos + m_barWidth;
    return client;
}

void CSplitterWindow::UpdateSplitterLayout()
{
    if (m_hWnd == nullptr)
        return;
    if (m_pos < 0)
        SetSplitterPos(-1, false);
    for (int i = 0; i < 2; ++i) {
        if (m_panes[i] == nullptr)
            continue;
        RECT r = PaneRect(i);
        ::SetWindowPos(m_panes[i], nullptr, r.left, r.top, r.right > r.left ? r.right - r.left : 0, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Invalidate(TRUE);
}

int CSplitterWindow::GetActivePane() const
{
    HWND focus = ::GetFocus();
    for (int i = 0; i < 2; ++i) {
        if (m_panes[i] != nullptr && (focus == m_panes[i] || ::IsChild(m_panes[i], focus)))
            return i;
    }
    return SPLIT_PANE_NONE;
}

void CSplitterWindow::ActivateNextPane()
{
    int next = GetActivePane() == SPLIT_PANE_LEFT ? SPLIT_PANE_RIGHT : SPLIT_PANE_LEFT;
    if (m_panes[next] == nullptr || !::IsWindowVisible(m_panes[next]) || !::IsWindowEnabled(m_panes[next]))
        next = 1 - next;
    if (m_panes[next] != nullptr)
        ::SetFocus(m_panes[next]);
}

LRESULT CSplitterWindow::OnCreate(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    int frame = ::GetSystemMetrics(SM_CXSIZEFRAME);
    m_barWidth = frame > 4 ? frame : 4;
    bHandled = FALSE;
    return 0;
}

LRESULT CSplitterWindow::OnSize(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
{
    if (wParam == SIZE_MINIMIZED)
        return 0;
    int width = LOWORD(lParam);
    if (m_proportion >= 0 && width > 0 && width != m_width) {
        // Proportional: the bar keeps its share of the width.
        int pos = static_cast<int>((static_cast<long long>(m_proportion) * width + kProportionScale / 2) / kProportionScale);
        int keep = m_proportion;
        SetSplitterPos(pos, false);
        m_proportion = keep;
    }
    m_width = width;
    UpdateSplitterLayout();
    return 0;
}

LRESULT CSplitterWindow::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    RECT client;
    GetClientRect(&client);
    RECT bar = {m_pos, 0, m_pos + m_barWidth, client.bottom};
    ::FillRect(dc, &bar, ::GetSysColorBrush(COLOR_BTNFACE));
    // An empty pane shows the face colour.
    for (int i = 0; i < 2; ++i) {
        if (m_panes[i] != nullptr)
            continue;
        RECT pane = PaneRect(i);
        ::FillRect(dc, &pane, ::GetSysColorBrush(COLOR_BTNFACE));
    }
    ::EndPaint(m_hWnd, &ps);
    return 0;
}

LRESULT CSplitterWindow::OnSetCursor(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    POINT cursor;
    if (reinterpret_cast<HWND>(wParam) == m_hWnd && LOWORD(lParam) == HTCLIENT && ::GetCursorPos(&cursor)) {
        ::ScreenToClient(m_hWnd, &cursor);
        if (IsOverBar(cursor.x)) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
            return TRUE;
        }
    }
    bHandled = FALSE;
    return 0;
}

LRESULT CSplitterWindow::OnLButtonDown(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    int x = static_cast<short>(LOWORD(lParam));
    if (IsOverBar(x)) {
        m_dragging = true;
        m_dragOffset = x - m_pos;
        ::SetCapture(m_hWnd);
        ::SetCursor(::LoadCursorW(nullptr, IDC_SIZEWE));
    }
    return 0;
}

LRESULT CSplitterWindow::OnMouseMove(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    if (m_dragging && ::GetCapture() == m_hWnd) {
        int pos = static_cast<short>(LOWORD(lParam)) - m_dragOffset;
        if (pos != m_pos)
            MoveBar(pos);
    }
    return 0;
}

LRESULT CSplitterWindow::OnLButtonUp(UINT, WPARAM, LPARAM, BOOL&)
{
    if (m_dragging) {
        m_dragging = false;
        ::ReleaseCapture();
    }
    return 0;
}

LRESULT CSplitterWindow::OnCaptureChanged(UINT, WPARAM, LPARAM, BOOL&)
{
    m_dragging = false;
    return 0;
}

LRESULT CSplitterWindow::OnSetFocus(UINT, WPARAM, LPARAM, BOOL&)
{
    // The splitter itself takes no input: the left pane gets the focus.
    HWND target = m_panes[SPLIT_PANE_LEFT] != nullptr ? m_panes[SPLIT_PANE_LEFT] : m_panes[SPLIT_PANE_RIGHT];
    if (target != nullptr)
        ::SetFocus(target);
    return 0;
}
