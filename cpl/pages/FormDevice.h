#pragma once
#include <string>
#include "FormBaseImpl.h"
#include "FormDeviceRes.h"
#include "ZephraClient.h"
#include "resource.h"

class FormMixer;

// The page of one connected device: serial number and streaming line, the buttons that open
// its two mixer windows, the volume bypass and the driver-wide "Forbid sample rate change".
class FormDevice : public FormBaseImpl<FormDevice>
{
public:
    enum { IDD = IDD_DEVICE };

    // client: the program's main client (not owned); the mixers belong to the main frame.
    FormDevice(ZephraCplClient& client, HWND frame, uint32_t idFirst, uint32_t idSecond, FormMixer* hardwareInputs,
               FormMixer* softwareOutputs)
        : m_client(client), m_frame(frame), m_idFirst(idFirst), m_idSecond(idSecond), m_hardwareInputs(hardwareInputs),
          m_softwareOutputs(softwareOutputs)
    {
    }

    // How long the option change waits for the service.
    void SetRequestTimeout(DWORD timeoutMs) { m_timeoutMs = timeoutMs; }

    BEGIN_MSG_MAP(FormDevice)
        COMMAND_HANDLER(IDC_DEVICE_HW_MIXER, BN_CLICKED, OnHardwareInputsMixer)
        COMMAND_HANDLER(IDC_DEVICE_SW_MIXER, BN_CLICKED, OnSoftwareOutputsMixer)
        COMMAND_HANDLER(IDC_DEVICE_BYPASS, BN_CLICKED, OnVolumeBypass)
        COMMAND_HANDLER(IDC_DEVICE_FORBID_RATE, BN_CLICKED, OnForbidRateChange)
        CHAIN_MSG_MAP(FormBaseImpl<FormDevice>)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override
    {
        Refresh();
        return 0;
    }
    void Refresh() override;

    // Driver notifications for this device, software-outputs mixer first.
    void OnMixerPinsChanged();    // 3050
    void OnMixerGainsChanged();   // 3051
    void OnMixerWeightsChanged(); // 3052

    const std::wstring& GetInfoText() const { return m_info; }

private:
    LRESULT OnHardwareInputsMixer(WORD, WORD, HWND, BOOL&);
    LRESULT OnSoftwareOutputsMixer(WORD, WORD, HWND, BOOL&);
    LRESULT OnVolumeBypass(WORD, WORD, HWND, BOOL&);
    LRESULT OnForbidRateChange(WORD, WORD, HWND, BOOL&);

    void ReadFields();
    void WriteFields();

    ZephraCplClient& m_client;
    HWND m_frame; // not owned
    uint32_t m_idFirst;
    uint32_t m_idSecond;
    FormMixer* m_hardwareInputs;  // not owned
    FormMixer* m_softwareOutputs; // not owned
    std::wstring m_info;
    bool m_volumeBypass = false;
    bool m_forbidRateChange = false;
    DWORD m_timeoutMs = ZEPHRA_REQUEST_TIMEOUT_MS;
};

// "Quorvela\nSerial: SERIAL\n\nLINE", the streaming line from the record's flags.
std::wstring DeviceInfoText(const ZephraDevice& device);
