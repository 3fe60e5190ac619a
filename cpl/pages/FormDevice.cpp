#include "FormDevice.h"
#include "FormMixer.h"
#include "RunServiceRequest.h"
#include "ShowRequestError.h"

std::wstring DeviceInfoText(const ZephraDevice& device)
{
    const wchar_t* line = L"This device is not streaming.";
    if (!device.IsHighSpeed())
        line = L"Connected to USB 1.1 port. CANNOT stream audio!";
    else if (device.IsStreamingDevice())
        line = L"This device is selected for streaming.";
    return L"Quorvela\nSerial: " + device.GetSerialNumber() + L"\n\n" + line;
}

void FormDevice::Refresh()
{
    m_client.RereadDeviceRecords(); // streaming and port flags as the driver has them now
    ZephraDevice* device = m_client.FindDevice(m_idFirst, m_idSecond);
    if (device != nullptr) {
        m_info = DeviceInfoText(*device);
        bool bypass = false;
        if (device->GetVolumeBypass(&bypass) == 0)
            m_volumeBypass = bypass;
        uint32_t options = 0;
        if (m_client.GetOptions(&options) == 0)
            m_forbidRateChange = (options & ZEPHRA_OPTION_FORBID_RATE_CHANGE) != 0;
    } else {
        m_info.clear();
    }
    WriteFields();
}

void FormDevice::OnMixerPinsChanged()
{
    m_softwareOutputs->Rebuild();
    m_hardwareInputs->Rebuild();
}

void FormDevice::OnMixerGainsChanged()
{
    m_softwareOutputs->RefreshGains();
    m_hardwareInputs->RefreshGains();
}

void FormDevice::OnMixerWeightsChanged()
{
    m_softwareOutputs->RefreshWeights();
    m_hardwareInputs->RefreshWeights();
}

LRESULT FormDevice::OnHardwareInputsMixer(WORD, WORD, HWND, BOOL&)
{
    m_hardwareInputs->ShowMixer();
    return 0;
}

LRESULT FormDevice::OnSoftwareOutputsMixer(WORD, WORD, HWND, BOOL&)
{
    m_softwareOutputs->ShowMixer();
    return 0;
}

LRESULT FormDevice::OnVolumeBypass(WORD, WORD, HWND, BOOL&)
{
    ReadFields();
    ZephraDevice* device = m_client.FindDevice(m_idFirst, m_idSecond);
    if (device == nullptr)
        return 0;
    ZephraStatus status = device->SetVolumeBypass(m_volumeBypass);
    if (status != 0) {
        ShowRequestError(m_hWnd, L"Set Bypass volume failed.", status);
        m_volumeBypass = false;
        WriteFields();
    }
    return 0;
}

LRESULT FormDevice::OnForbidRateChange(WORD, WORD, HWND, BOOL&)
{
    ReadFields();
    uint32_t options = 0;
    if (m_client.GetOptions(&options) != 0)
        options = 0;
    if (m_forbidRateChange)
        options |= ZEPHRA_OPTION_FORBID_RATE_CHANGE;
    else
        options &= ~static_cast<uint32_t>(ZEPHRA_OPTION_FORBID_RATE_CHANGE);
    ZephraStatus status = RunServiceRequest(m_hWnd, L"Changing the policy failed.",
                                            [&] { return m_client.RequestSetOptions(options, m_timeoutMs); });
    if (status != 0) {
        m_forbidRateChange = false;
        WriteFields();
    }
    return 0;
}

void FormDevice::ReadFields()
{
    m_volumeBypass = IsDlgButtonChecked(m_hWnd, IDC_DEVICE_BYPASS) == BST_CHECKED;
    m_forbidRateChange = IsDlgButtonChecked(m_hWnd, IDC_DEVICE_FORBID_RATE) == BST_CHECKED;
}

void FormDevice::WriteFields()
{
    SetDlgItemText(IDC_DEVICE_INFO, m_info.c_str());
    CheckDlgButton(m_hWnd, IDC_DEVICE_BYPASS, m_volumeBypass ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(m_hWnd, IDC_DEVICE_FORBID_RATE, m_forbidRateChange ? BST_CHECKED : BST_UNCHECKED);
}
