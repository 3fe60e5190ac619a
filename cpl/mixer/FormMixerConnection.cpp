#include "FormMixerConnection.h"
#include "FormWeightCtrl.h"
#include "ModalRun.h"
#include "MixerValues.h"

FormMixerConnection::FormMixerConnection(ZephraDriver& driver, ZephraDeviceId key, ZephraMixerWeight* weights)
    : m_driver(driver), m_key(key), m_weights(weights), m_white(RGB(255, 255, 255)), m_green(RGB(0, 255, 0))
{
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

LRESULT FormMixerConnection::OnQuadrant(WORD code, WORD id, HWND control, BOOL& bHandled)
{
    if (code != STN_CLICKED) {
        bHandled = FALSE;
        return 0;
    }
    int quadrant = id - IDC_CELL_LEFT_FROM_LEFT;
    RECT rect = {};
    ::GetWindowRect(control, &rect);
    FormWeightCtrl popup(m_driver, m_key, rect.left, rect.top, &m_weights[quadrant]);
    {
        ModalRun run([&popup] { popup.Cancel(); });
        popup.DoModal(::GetActiveWindow());
    }
    if (popup.IsCancelled())
        return 0; // the grid is rebuilt or the window goes: this cell with it
    ShowQuadrant(quadrant);
    ::InvalidateRect(control, nullptr, TRUE); // its colour may have changed
    return 0;
}
