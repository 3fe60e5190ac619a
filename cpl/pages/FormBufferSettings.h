#pragma once
#include "CButton.h"
#include "CComboBox.h"
#include "CStatic.h"
#include "FormBaseImpl.h"
#include "FormBufferSettingsRes.h"
#include "ZephraClient.h"
#include "resource.h"

// The page that shows the streaming and ASIO buffer settings with what they come to, and asks
// the service to change them.
class FormBufferSettings : public FormBaseImpl<FormBufferSettings>
{
public:
    enum { IDD = IDD_BUFFER_SETTINGS };

    // client: the program's main client, not owned.
    explicit FormBufferSettings(ZephraCplClient& client) : m_client(client) {}

    // How long "Apply" waits for the service.
    void SetRequestTimeout(DWORD timeoutMs) { m_timeoutMs = timeoutMs; }

    BEGIN_MSG_MAP(FormBufferSettings)
        COMMAND_HANDLER(IDC_BUFFER_APPLY, BN_CLICKED, OnApply)
        CHAIN_MSG_MAP(FormBaseImpl<FormBufferSettings>)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override;
    void Refresh() override;

private:
    LRESULT OnApply(WORD, WORD, HWND, BOOL&);
    void EnableControls(bool enable);

    ZephraCplClient& m_client;
    CComboBox m_streaming;
    CStatic m_streamingText;
    CComboBox m_asio;
    CStatic m_asioText;
    CButton m_apply;
    DWORD m_timeoutMs = ZEPHRA_REQUEST_TIMEOUT_MS;
};
