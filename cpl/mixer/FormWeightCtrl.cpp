#include "FormWeightCtrl.h"
#include "MixerValues.h"

LRESULT FormWeightCtrl::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    m_slider.Attach(GetDlgItem(IDC_WEIGHT_SLIDER));
    m_check.Attach(GetDlgItem(IDC_WEIGHT_CONNECTED));
    m_slider.SetRange(0, MIXER_SLIDER_MAX);
    m_slider.SetSteps(MIXER_SLIDER_LINE, MIXER_SLIDER_PAGE);
    ShowWindow(SW_SHOW);
    SetWindowPos(nullptr, m_x, m_y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_connected = (m_weight->flags & ZEPHRA_WEIGHT_FLAG_CONNECTED) != 0;
    ShowWeight();
    if (m_cancelled)
        EndDialog(IDCANCEL);
    return TRUE;
}

void FormWeightCtrl::Cancel()
{
    m_cancelled = true;
    if (m_hWnd != nullptr)
        EndDialog(IDCANCEL);
}

LRESULT FormWeightCtrl::OnVScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    if (!IsSliderMove(LOWORD(wParam)) || reinterpret_cast<HWND>(lParam) != m_slider.m_hWnd || m_cancelled) {
        bHandled = FALSE;
        return 0;
    }
    m_weight->weight = SliderToValue(m_slider.GetPos());
    Send();
    SetDlgItemText(IDC_WEIGHT_READOUT, WeightReadout(m_weight->weight).c_str());
    return 0;
}

LRESULT FormWeightCtrl::OnConnected(WORD, WORD, HWND, BOOL&)
{
    if (m_cancelled)
        return 0;
    m_connected = m_check.GetCheck() == BST_CHECKED;
    if (m_connected) {
        // Connecting starts at 0 dB.
        m_weight->flags |= ZEPHRA_WEIGHT_FLAG_CONNECTED;
        m_weight->weight = 0;
    } else {
        m_weight->flags &= static_cast<uint8_t>(~ZEPHRA_WEIGHT_FLAG_CONNECTED);
    }
    ShowWeight();
    Send();
    return 0;
}

LRESULT FormWeightCtrl::OnClose(WORD, WORD, HWND, BOOL&)
{
    EndDialog(IDOK);
    return 0;
}

void FormWeightCtrl::ShowWeight()
{
    SetDlgItemText(IDC_WEIGHT_READOUT, WeightReadout(m_weight->weight).c_str());
    m_slider.SetPos(ValueToSlider(m_weight->weight));
    m_check.SetCheck(m_connected ? BST_CHECKED : BST_UNCHECKED);
    m_slider.EnableWindow(m_connected);
}

void FormWeightCtrl::Send()
{
    ZephraDevice* device = m_driver.FindDevice(m_key.idFirst, m_key.idSecond);
    if (device != nullptr)
        device->SetMixerWeights(m_weight, 1); // fire and forget
}
