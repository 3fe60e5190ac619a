#include "FormStereoOutputCtrl.h"
#include "MixerValues.h"

namespace {

const WtlToolText kToolTexts[] = {
    {IDC_STRIP_LINK, L"Link L and R"},
    {IDC_STRIP_MUTE, L"Mute"},
    {IDC_STRIP_ZERO_DB, L"Set gain to 0dB"},
};

} // namespace

FormStereoOutputCtrl::FormStereoOutputCtrl(ZephraDriver& driver, ZephraDeviceId key, const std::wstring& label,
                                           ZephraMixerGain* leftGain, ZephraMixerGain* rightGain,
                                           ZephraMixerLevel* leftLevel, ZephraMixerLevel* rightLevel)
    : m_driver(driver), m_key(key), m_label(label), m_leftGain(leftGain), m_rightGain(rightGain),
      m_meters(leftLevel, rightLevel)
{
}

LRESULT FormStereoOutputCtrl::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    m_sliderLeft.Attach(GetDlgItem(IDC_STRIP_SLIDER_LEFT));
    m_sliderRight.Attach(GetDlgItem(IDC_STRIP_SLIDER_RIGHT));
    m_linkButton.Attach(GetDlgItem(IDC_STRIP_LINK));
    m_muteButton.Attach(GetDlgItem(IDC_STRIP_MUTE));
    for (CTrackBarCtrl* slider : {&m_sliderLeft, &m_sliderRight}) {
        slider->SetRange(0, MIXER_SLIDER_MAX);
        slider->SetSteps(MIXER_SLIDER_LINE, MIXER_SLIDER_PAGE);
    }
    m_meters.Init(*this);
    SetDlgItemText(IDC_STRIP_LABEL, m_label.c_str());
    ToolTip_Init(kToolTexts, sizeof(kToolTexts) / sizeof(kToolTexts[0]));
    ShowToggles();
    return 0;
}

void FormStereoOutputCtrl::ShowGains()
{
    m_sliderLeft.SetPos(ValueToSlider(m_leftGain->gain));
    m_sliderRight.SetPos(ValueToSlider(m_rightGain->gain));
    ShowReadouts();
    m_mute = ((m_leftGain->flags | m_rightGain->flags) & ZEPHRA_GAIN_FLAG_MUTED) != 0;
    ShowToggles();
    EnableSliders();
}

void FormStereoOutputCtrl::ShowUnavailable()
{
    m_sliderLeft.SetPos(0);
    m_sliderRight.SetPos(0);
    SetDlgItemText(IDC_STRIP_READOUT_LEFT, L"n/a");
    SetDlgItemText(IDC_STRIP_READOUT_RIGHT, L"n/a");
}

LRESULT FormStereoOutputCtrl::OnVScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    HWND slider = reinterpret_cast<HWND>(lParam);
    bool left = slider == m_sliderLeft.m_hWnd;
    if (!IsSliderMove(LOWORD(wParam)) || (!left && slider != m_sliderRight.m_hWnd)) {
        bHandled = FALSE;
        return 0;
    }
    int16_t gain = SliderToValue(CTrackBarCtrl(slider).GetPos());
    if (m_link) {
        SetBoth(gain);
        Send(m_leftGain, m_rightGain);
    } else {
        ZephraMixerGain* entry = left ? m_leftGain : m_rightGain;
        entry->gain = gain;
        Send(entry);
    }
    ShowReadouts();
    return 0;
}

LRESULT FormStereoOutputCtrl::OnLink(WORD, WORD, HWND, BOOL&)
{
    ReadToggles();
    if (!m_link)
        return 0;
    SetBoth(LinkedGain(SliderToValue(m_sliderLeft.GetPos()), SliderToValue(m_sliderRight.GetPos())));
    Send(m_leftGain, m_rightGain);
    ShowReadouts();
    return 0;
}

LRESULT FormStereoOutputCtrl::OnMute(WORD, WORD, HWND, BOOL&)
{
    ReadToggles();
    for (ZephraMixerGain* entry : {m_leftGain, m_rightGain}) {
        if (m_mute)
            entry->flags |= ZEPHRA_GAIN_FLAG_MUTED;
        else
            entry->flags &= static_cast<uint8_t>(~ZEPHRA_GAIN_FLAG_MUTED);
    }
    EnableSliders();
    Send(m_leftGain, m_rightGain);
    ShowReadouts();
    return 0;
}

LRESULT FormStereoOutputCtrl::OnZeroDb(WORD, WORD, HWND, BOOL&)
{
    ReadToggles();
    m_leftGain->gain = 0;
    m_rightGain->gain = 0;
    Send(m_leftGain, m_rightGain);
    ShowGains();
    return 0;
}

void FormStereoOutputCtrl::ReadToggles()
{
    m_link = m_linkButton.GetCheck() == BST_CHECKED;
    m_mute = m_muteButton.GetCheck() == BST_CHECKED;
}

void FormStereoOutputCtrl::ShowToggles()
{
    m_linkButton.SetCheck(m_link ? BST_CHECKED : BST_UNCHECKED);
    m_muteButton.SetCheck(m_mute ? BST_CHECKED : BST_UNCHECKED);
}

void FormStereoOutputCtrl::ShowReadouts()
{
    SetDlgItemText(IDC_STRIP_READOUT_LEFT, GainReadout(*m_leftGain).c_str());
    SetDlgItemText(IDC_STRIP_READOUT_RIGHT, GainReadout(*m_rightGain).c_str());
}

void FormStereoOutputCtrl::EnableSliders()
{
    m_sliderLeft.EnableWindow(!m_mute);
    m_sliderRight.EnableWindow(!m_mute);
}

void FormStereoOutputCtrl::SetBoth(int16_t gain)
{
    m_leftGain->gain = gain;
    m_rightGain->gain = gain;
    m_sliderLeft.SetPos(ValueToSlider(gain));
    m_sliderRight.SetPos(ValueToSlider(gain));
}

void FormStereoOutputCtrl::Send(ZephraMixerGain* first, ZephraMixerGain* second)
{
    ZephraDevice* device = m_driver.FindDevice(m_key.idFirst, m_key.idSecond);
    if (device == nullptr)
        return;
    // Fire and forget: the display keeps what was sent.
    device->SetMixerOutputGains(first, 1);
    if (second != nullptr)
        device->SetMixerOutputGains(second, 1);
}
