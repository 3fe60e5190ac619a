#include "FormBufferSettings.h"
#include <cstring>
#include "BufferSettingsTexts.h"
#include "RunServiceRequest.h"

namespace {

void FillSettings(CComboBox& combo, uint32_t count, const wchar_t* (*name)(uint32_t))
{
    combo.ResetContent();
    for (uint32_t value = 0; value < count; ++value) {
        int item = combo.AddString(name(value));
        if (item >= 0)
            combo.SetItemData(item, value);
    }
}

// Selects the item with that name; a name no item carries leaves the selection as it is.
void SelectSetting(CComboBox& combo, const wchar_t* name)
{
    int item = combo.FindStringExact(-1, name);
    if (item != CB_ERR)
        combo.SetCurSel(item);
}

int ChosenSetting(const CComboBox& combo)
{
    int item = combo.GetCurSel();
    return item == CB_ERR ? int(BUFFER_SETTING_NONE) : int(combo.GetItemData(item));
}

} // namespace

LRESULT FormBufferSettings::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    m_streaming.Attach(GetDlgItem(IDC_STREAMING_BUFFER_LIST));
    m_streamingText.Attach(GetDlgItem(IDC_STREAMING_BUFFER_TEXT));
    m_asio.Attach(GetDlgItem(IDC_ASIO_BUFFER_LIST));
    m_asioText.Attach(GetDlgItem(IDC_ASIO_BUFFER_TEXT));
    m_apply.Attach(GetDlgItem(IDC_BUFFER_APPLY));
    FillSettings(m_streaming, ZEPHRA_STREAMING_BUFFER_SETTINGS, StreamingBufferName);
    FillSettings(m_asio, ZEPHRA_ASIO_BUFFER_SETTINGS, AsioBufferName);
    return 0;
}

void FormBufferSettings::EnableControls(bool enable)
{
    m_streaming.EnableWindow(enable);
    m_streamingText.EnableWindow(enable);
    m_asio.EnableWindow(enable);
    m_asioText.EnableWindow(enable);
    m_apply.EnableWindow(enable);
}

void FormBufferSettings::Refresh()
{
    ZephraBufferSizes sizes;
    memset(&sizes, 0, sizeof(sizes));
    if (!m_client.IsOpened() || m_client.GetBufferSizes(&sizes) != 0) {
        EnableControls(false); // texts and selections stay
        return;
    }
    SelectSetting(m_streaming, StreamingBufferName(sizes.streamingSetting));
    SelectSetting(m_asio, AsioBufferName(sizes.asioSetting));
    EnableControls(true);
    m_streamingText.SetWindowText(StreamingBufferText(sizes.streamingDuration).c_str());
    m_asioText.SetWindowText(AsioBufferText(sizes.asioDuration, sizes.asioSamples).c_str());
}

LRESULT FormBufferSettings::OnApply(WORD, WORD, HWND, BOOL&)
{
    if (!m_client.IsOpened())
        return 0;
    ZephraBufferSizes read;
    memset(&read, 0, sizeof(read));
    ZephraStatus status = m_client.GetBufferSizes(&read);
    if (status != 0) {
        ShowRequestError(m_hWnd, L"Get the buffer sizes failed.", status);
    } else {
        ZephraBufferSizeChange change = BufferSizeChangeOf(ChosenSetting(m_streaming), ChosenSetting(m_asio), read);
        RunServiceRequest(m_hWnd, L"Changing the buffer sizes failed.",
                          [&] { return m_client.RequestSetBufferSizes(&change, m_timeoutMs); });
    }
    Refresh();
    return 0;
}
