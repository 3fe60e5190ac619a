#pragma once
#include "CComboBox.h"
#include "CTrackBarCtrl.h"
#include "FormBaseImpl.h"
#include "FormPluginRes.h"
#include "ZephraDriver.h"
#include "resource.h"

// The echo effect page of one device: per stereo output pair a delay (milliseconds) and an
// amplification (thousandths). Both sliders run upside down, the top is the maximum. The
// page stores nothing: every value shown was read back from the driver.
class FormPlugin : public FormBaseImpl<FormPlugin>
{
public:
    enum { IDD = IDD_PLUGIN, AMPLIFICATION_MAX = 1000 };

    // driver: the program's driver object, whose device list names the device (not owned).
    FormPlugin(ZephraDriver& driver, HWND frame, ZephraDeviceId key) : m_driver(driver), m_frame(frame), m_key(key) {}

    BEGIN_MSG_MAP(FormPlugin)
        MESSAGE_HANDLER(WM_VSCROLL, OnVScroll)
        COMMAND_HANDLER(IDC_ECHO_CHANNELS, CBN_SELCHANGE, OnSelectChannel)
        CHAIN_MSG_MAP(FormBaseImpl<FormPlugin>)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override;
    // The list, then the delay, then the amplification of the selected pair.
    void Refresh() override;

    int GetDelayMaximum() const { return m_delayMax; }

private:
    LRESULT OnVScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnSelectChannel(WORD, WORD, HWND, BOOL&);

    void FillList();
    // parameter: ZEPHRA_PLUGIN_DELAY or ZEPHRA_PLUGIN_AMPLIFICATION.
    void ReadValue(uint32_t parameter);
    int Maximum(uint32_t parameter) const;
    CTrackBarCtrl& Slider(uint32_t parameter);
    // The selected pair's left channel; false with no selection or with the device gone.
    bool SelectedChannel(ZephraDevice** device, uint32_t* channel) const;

    ZephraDriver& m_driver;
    HWND m_frame; // not owned
    ZephraDeviceId m_key;
    int m_delayMax = 100;
    CComboBox m_channels;
    CTrackBarCtrl m_delay;
    CTrackBarCtrl m_amplification;
};
