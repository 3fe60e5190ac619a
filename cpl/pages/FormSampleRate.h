#pragma once
#include <string>
#include "CButton.h"
#include "CComboBox.h"
#include "CStatic.h"
#include "FormBaseImpl.h"
#include "FormSampleRateRes.h"
#include "ZephraClient.h"
#include "resource.h"

// "%u.%03u kHz" of a rate in Hz.
std::wstring FormatSampleRate(uint32_t rate);
// The two DSD rates, which only an ASIO host selects.
bool IsDsdRate(uint32_t rate);

// The page that shows the driver's sample rate and asks the service to change it.
class FormSampleRate : public FormBaseImpl<FormSampleRate>
{
public:
    enum { IDD = IDD_SAMPLE_RATE };

    // client: the program's main client, not owned.
    explicit FormSampleRate(ZephraCplClient& client) : m_client(client) {}

    // How long "Apply" waits for the service.
    void SetRequestTimeout(DWORD timeoutMs) { m_timeoutMs = timeoutMs; }

    BEGIN_MSG_MAP(FormSampleRate)
        COMMAND_HANDLER(IDC_RATE_APPLY, BN_CLICKED, OnApply)
        CHAIN_MSG_MAP(FormBaseImpl<FormSampleRate>)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override;
    void Refresh() override;

private:
    LRESULT OnApply(WORD, WORD, HWND, BOOL&);

    ZephraCplClient& m_client;
    CComboBox m_rates;
    CButton m_apply;
    CStatic m_dsdNote;
    DWORD m_timeoutMs = ZEPHRA_REQUEST_TIMEOUT_MS;
};
