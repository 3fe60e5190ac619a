#include "FormSampleRate.h"
#include <algorithm>
#include <cstring>
#include "RunServiceRequest.h"
#include "ShowRequestError.h"
#include "WnString.h"

std::wstring FormatSampleRate(uint32_t rate)
{
    wchar_t text[32] = {};
    WnFormat(text, 32, L"%u.%03u kHz", static_cast<unsigned>(rate / 1000), static_cast<unsigned>(rate % 1000));
    return text;
}

bool IsDsdRate(uint32_t rate)
{
    return rate == 2822400 || rate == 5644800;
}

LRESULT FormSampleRate::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    m_rates.Attach(GetDlgItem(IDC_RATE_LIST));
    m_apply.Attach(GetDlgItem(IDC_RATE_APPLY));
    m_dsdNote.Attach(GetDlgItem(IDC_DSD_NOTE));
    return 0;
}

void FormSampleRate::Refresh()
{
    ZephraSampleRates rates;
    memset(&rates, 0, sizeof(rates));
    bool read = m_client.IsOpened() && m_client.GetSampleRates(&rates) == 0;
    m_rates.ResetContent();
    m_rates.EnableWindow(read);
    m_apply.EnableWindow(read);
    if (!read)
        return; // the note keeps its state
    uint32_t count = std::min<uint32_t>(rates.count, ZEPHRA_MAX_SAMPLE_RATES);
    for (uint32_t i = 0; i < count; ++i) {
        int item = m_rates.AddString(FormatSampleRate(rates.rates[i]).c_str());
        if (item >= 0)
            m_rates.SetItemData(item, rates.rates[i]);
    }
    m_rates.SetCurSel(m_rates.FindStringExact(-1, FormatSampleRate(rates.current).c_str()));
    m_dsdNote.ShowWindow(IsDsdRate(rates.current) ? SW_SHOW : SW_HIDE);
}

LRESULT FormSampleRate::OnApply(WORD, WORD, HWND, BOOL&)
{
    if (!m_client.IsOpened())
        return 0;
    int item = m_rates.GetCurSel();
    if (item == CB_ERR)
        return 0;
    uint32_t rate = static_cast<uint32_t>(m_rates.GetItemData(item));
    if (IsDsdRate(rate)) {
        ShowRequestWarning(m_hWnd, L"Changing to this the sample rate prohibited.",
                           ZEPHRA_STATUS_UNSUPPORTED_SAMPLE_RATE);
    } else {
        RunServiceRequest(m_hWnd, L"Changing the sample rate failed.",
                          [&] { return m_client.RequestSetSampleRate(rate, m_timeoutMs); });
    }
    Refresh();
    return 0;
}
