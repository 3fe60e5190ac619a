#include "FormMixerConnection.h"
#include "FormWeightCtrl.h"
#include "ModalRun.h"
#include "MixerValues.h"

FormMixerConnection::FormMixerConnection(ZephraDriver& driver, ZephraDeviceId key, ZephraMixerWeight* weights)
    : m_driver(driver), m_key(key), m_weights(weights), m_white(RGB(255, 255, 255)), m_green(RGB(0, 255, 0))
{
}

LRESULT MixerQuadrant::OnGetDlgCode(UINT, WPARAM, LPARAM lParam, BOOL&)
{
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    bool opens = msg != nullptr && msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_SPACE);
    return DLGC_WANTARROWS | (opens ? DLGC_WANTMESSAGE : 0);
}

LRESULT MixerQuadrant::OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    switch (wParam) {
    case VK_RETURN:
    case VK_SPACE:
        m_cell.EditQuadrant(m_quadrant);
        return 0;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: {
        HWND next = NeighbourQuadrant(m_cell.GetParent(), m_hWnd, static_cast<UINT>(wParam));
        if (next != nullptr)
            ::SetFocus(next);
        return 0;
    }
    default:
        bHandled = FALSE;
        return 0;
    }
}

LRESULT MixerQuadrant::OnFocus(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    Invalidate();
    bHandled = FALSE;
    return 0;
}

LRESULT MixerQuadrant::OnPaint(UINT message, WPARAM wParam, LPARAM lParam, BOOL&)
{
    LRESULT result = DefWindowProc(message, wParam, lParam);
    if (::GetFocus() == m_hWnd) {
        RECT rect = {};
        GetClientRect(&rect);
        ::InflateRect(&rect, -1, -1);
        HDC dc = ::GetDC(m_hWnd);
        ::DrawFocusRect(dc, &rect);
        ::ReleaseDC(m_hWnd, dc);
    }
    return result;
}

HWND NeighbourQuadrant(HWND mixer, HWND from, UINT key)
{
    RECT origin = {};
    ::GetWindowRect(from, &origin);
    const int dx = key == VK_RIGHT ? 1 : key == VK_LEFT ? -1 : 0;
    const int dy = key == VK_DOWN ? 1 : key == VK_UP ? -1 : 0;
    const int cx = (origin.left + origin.right) / 2, cy = (origin.top + origin.bottom) / 2;
    const int halfWidth = (origin.right - origin.left) / 2, halfHeight = (origin.bottom - origin.top) / 2;
    HWND best = nullptr;
    int bestDistance = 0;
    for (HWND cell = ::GetWindow(mixer, GW_CHILD); cell != nullptr; cell = ::GetWindow(cell, GW_HWNDNEXT)) {
        for (int id = IDC_CELL_LEFT_FROM_LEFT; id <= IDC_CELL_RIGHT_FROM_RIGHT; ++id) {
            HWND quadrant = ::GetDlgItem(cell, id);
            RECT rect = {};
            if (quadrant == nullptr || quadrant == from || !::IsWindowVisible(quadrant) ||
                !::GetWindowRect(quadrant, &rect))
                continue;
            int along = dx * ((rect.left + rect.right) / 2 - cx) + dy * ((rect.top + rect.bottom) / 2 - cy);
            int across = dx != 0 ? (rect.top + rect.bottom) / 2 - cy : (rect.left + rect.right) / 2 - cx;
            if (along <= 0 || (across < 0 ? -across : across) > (dx != 0 ? halfHeight : halfWidth))
                continue;
            if (best == nullptr || along < bestDistance) {
                best = quadrant;
                bestDistance = along;
            }
        }
    }
    return best;
}

LRESULT FormMixerConnection::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    // One tab stop per cell, on its first quadrant; the arrows reach the others.
    for (int quadrant = 0; quadrant < QUADRANTS; ++quadrant)
        m_quadrants[quadrant].SubclassWindow(GetDlgItem(IDC_CELL_LEFT_FROM_LEFT + quadrant));
    m_quadrants[0].ModifyStyle(0, WS_TABSTOP | WS_GROUP);
    return 0;
}

void FormMixerConnection::ShowWeights()
{
    for (int quadrant = 0; quadrant < QUADRANTS; ++quadrant)
        ShowQuadrant(quadrant);
}

void FormMixerConnection::ShowUnavailable()
{
    for (int quadrant = 0; quadrant < QUADRANTS; ++quadrant)
        SetDlgItemText(IDC_CELL_LEFT_FROM_LEFT + quadrant, L"n/a");
}

void FormMixerConnection::ShowQuadrant(int quadrant)
{
    SetDlgItemText(IDC_CELL_LEFT_FROM_LEFT + quadrant, QuadrantText(m_weights[quadrant]).c_str());
}

LRESULT FormMixerConnection::OnCtlColorStatic(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    int quadrant = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) - IDC_CELL_LEFT_FROM_LEFT;
    if (quadrant < 0 || quadrant >= QUADRANTS) {
        bHandled = FALSE;
        return 0;
    }
    bool connected = (m_weights[quadrant].flags & ZEPHRA_WEIGHT_FLAG_CONNECTED) != 0;
    return (connected ? m_green : m_white).Paint(reinterpret_cast<HDC>(wParam));
}

LRESULT FormMixerConnection::OnQuadrant(WORD code, WORD id, HWND, BOOL& bHandled)
{
    if (code != STN_CLICKED) {
        bHandled = FALSE;
        return 0;
    }
    EditQuadrant(id - IDC_CELL_LEFT_FROM_LEFT);
    return 0;
}

void FormMixerConnection::EditQuadrant(int quadrant)
{
    HWND control = GetDlgItem(IDC_CELL_LEFT_FROM_LEFT + quadrant);
    RECT rect = {};
    ::GetWindowRect(control, &rect);
    FormWeightCtrl popup(m_driver, m_key, rect.left, rect.top, &m_weights[quadrant]);
    {
        ModalRun run([&popup] { popup.Cancel(); });
        popup.DoModal(::GetActiveWindow());
    }
    if (popup.IsCancelled())
        return; // the grid is rebuilt or the window goes: this cell with it
    ShowQuadrant(quadrant);
    ::InvalidateRect(control, nullptr, TRUE); // its colour may have changed
}
