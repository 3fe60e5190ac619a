#include "FormPlugin.h"
#include "MixerValues.h"

LRESULT FormPlugin::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    m_channels.Attach(GetDlgItem(IDC_ECHO_CHANNELS));
    m_delay.Attach(GetDlgItem(IDC_ECHO_DELAY));
    m_amplification.Attach(GetDlgItem(IDC_ECHO_AMPLIFICATION));
    ZephraDevice* device = m_driver.FindDevice(m_key.idFirst, m_key.idSecond);
    uint32_t maximum = 0;
    bool answered = device != nullptr && device->GetEchoMaxDelay(&maximum) == 0;
    m_delayMax = EchoMaxDelay(answered, maximum);
    m_delay.SetRange(0, m_delayMax);
    m_delay.SetPos(0);
    m_delay.SetTicFreq(EchoDelayTickFrequency(static_cast<uint32_t>(m_delayMax)));
    m_delay.SetSteps(ECHO_DELAY_LINE, ECHO_DELAY_PAGE);
    m_amplification.SetRange(0, AMPLIFICATION_MAX);
    m_amplification.SetSteps(ECHO_AMPLIFICATION_LINE, ECHO_AMPLIFICATION_PAGE);
    m_amplification.SetPos(0);
    m_amplification.SetTicFreq(100);
    return 0;
}

void FormPlugin::Refresh()
{
    FillList();
    ReadValue(ZEPHRA_PLUGIN_DELAY);
    ReadValue(ZEPHRA_PLUGIN_AMPLIFICATION);
}

void FormPlugin::FillList()
{
    m_channels.ResetContent();
    ZephraDevice* device = m_driver.FindDevice(m_key.idFirst, m_key.idSecond);
    uint32_t count = 0;
    if (device == nullptr || device->GetEchoChannelCount(&count) != 0)
        return;
    // A record carries at most 64 channels: a larger answer is not a channel count.
    if (count > ZEPHRA_PLUGIN_MAX_ENTRIES)
        count = ZEPHRA_PLUGIN_MAX_ENTRIES;
    for (uint32_t pair = 0; pair < count / 2; ++pair) {
        int index = m_channels.AddString(EchoPairLabel(pair).c_str());
        if (index >= 0)
            m_channels.SetItemData(index, 2 * pair);
    }
    m_channels.SetCurSel(0);
}

void FormPlugin::ReadValue(uint32_t parameter)
{
    ZephraDevice* device = nullptr;
    uint32_t channel = 0;
    uint32_t value = 0;
    if (!SelectedChannel(&device, &channel) || device->GetEchoValue(parameter, channel, &value) != 0)
        return;
    int maximum = Maximum(parameter);
    // A value beyond the range puts the thumb at the top; the read-out tells the truth.
    Slider(parameter).SetPos(value >= static_cast<uint32_t>(maximum) ? 0 : maximum - static_cast<int>(value));
    if (parameter == ZEPHRA_PLUGIN_DELAY)
        SetDlgItemText(IDC_ECHO_DELAY_TEXT, EchoDelayText(value).c_str());
    else
        SetDlgItemText(IDC_ECHO_AMPLIFICATION_TEXT, EchoAmplificationText(value).c_str());
}

LRESULT FormPlugin::OnVScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    HWND slider = reinterpret_cast<HWND>(lParam);
    uint32_t parameter = slider == m_delay.m_hWnd ? ZEPHRA_PLUGIN_DELAY : ZEPHRA_PLUGIN_AMPLIFICATION;
    if (!IsSliderMove(LOWORD(wParam)) || (slider != m_delay.m_hWnd && slider != m_amplification.m_hWnd)) {
        bHandled = FALSE;
        return 0;
    }
    int position = Slider(parameter).GetPos();
    int maximum = Maximum(parameter);
    uint32_t value = static_cast<uint32_t>(maximum - (position < 0 ? 0 : position > maximum ? maximum : position));
    ZephraDevice* device = nullptr;
    uint32_t channel = 0;
    if (!SelectedChannel(&device, &channel))
        return 0;
    device->SetEchoPairValue(parameter, channel, value); // a failure shows in the read-back
    ReadValue(parameter);
    return 0;
}

LRESULT FormPlugin::OnSelectChannel(WORD, WORD, HWND, BOOL&)
{
    ReadValue(ZEPHRA_PLUGIN_DELAY);
    ReadValue(ZEPHRA_PLUGIN_AMPLIFICATION);
    return 0;
}

int FormPlugin::Maximum(uint32_t parameter) const
{
    return parameter == ZEPHRA_PLUGIN_DELAY ? m_delayMax : AMPLIFICATION_MAX;
}

CTrackBarCtrl& FormPlugin::Slider(uint32_t parameter)
{
    return parameter == ZEPHRA_PLUGIN_DELAY ? m_delay : m_amplification;
}

bool FormPlugin::SelectedChannel(ZephraDevice** device, uint32_t* channel) const
{
    int selected = m_channels.GetCurSel();
    if (selected < 0)
        return false;
    *channel = static_cast<uint32_t>(m_channels.GetItemData(selected));
    *device = m_driver.FindDevice(m_key.idFirst, m_key.idSecond);
    return *device != nullptr;
}
