#pragma once
#include <string>
#include "CButton.h"
#include "CTrackBarCtrl.h"
#include "FormBaseImpl.h"
#include "FormStereoOutputCtrlRes.h"
#include "StripMeters.h"
#include "WtlToolTip.h"
#include "ZephraDriver.h"
#include "resource.h"

// The destination strip of one stereo destination pair: two gain sliders with meters and
// read-outs, "Link", "M" (mute) and "0dB". Gain writes go one entry per request, left first.
class FormStereoOutputCtrl : public FormBaseImpl<FormStereoOutputCtrl>, public WtlToolTip<FormStereoOutputCtrl>
{
public:
    enum { IDD = IDD_STEREO_OUTPUT };

    // driver: the program's driver object, whose device list names the device (not owned).
    // The gain and level entries belong to the mixer window's arrays (not owned).
    FormStereoOutputCtrl(ZephraDriver& driver, ZephraDeviceId key, const std::wstring& label,
                         ZephraMixerGain* leftGain, ZephraMixerGain* rightGain, ZephraMixerLevel* leftLevel,
                         ZephraMixerLevel* rightLevel);

    BEGIN_MSG_MAP(FormStereoOutputCtrl)
        CHAIN_MSG_MAP(WtlToolTip<FormStereoOutputCtrl>)
        MESSAGE_HANDLER(WM_VSCROLL, OnVScroll)
        COMMAND_HANDLER(IDC_STRIP_LINK, BN_CLICKED, OnLink)
        COMMAND_HANDLER(IDC_STRIP_MUTE, BN_CLICKED, OnMute)
        COMMAND_HANDLER(IDC_STRIP_ZERO_DB, BN_CLICKED, OnZeroDb)
        CHAIN_MSG_MAP(FormBaseImpl<FormStereoOutputCtrl>)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override;
    void Refresh() override {}

    // Through the mixer's canvas of this tick.
    void ShowLevels(LevelMeter::Canvas& canvas) { m_meters.Show(canvas); }
    void DropMeters(LevelMeter::Canvas& canvas) { m_meters.Drop(canvas); }
    // After a successful gain read.
    void ShowGains();
    // After a failed gain read: sliders at the top, read-outs "n/a".
    void ShowUnavailable();

    bool IsLinked() const { return m_link; }
    bool IsMuted() const { return m_mute; }

private:
    LRESULT OnVScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnLink(WORD, WORD, HWND, BOOL&);
    LRESULT OnMute(WORD, WORD, HWND, BOOL&);
    LRESULT OnZeroDb(WORD, WORD, HWND, BOOL&);

    void ReadToggles();
    void ShowToggles();
    void ShowReadouts();
    void EnableSliders();
    // Both entries set to gain, both sliders moved to it.
    void SetBoth(int16_t gain);
    // One SetMixerOutputGains per entry, left first; nothing when the device is gone.
    void Send(ZephraMixerGain* first, ZephraMixerGain* second = nullptr);

    ZephraDriver& m_driver;
    ZephraDeviceId m_key;
    std::wstring m_label;
    ZephraMixerGain* m_leftGain;
    ZephraMixerGain* m_rightGain;
    StripMeters m_meters;
    bool m_link = true;
    bool m_mute = false;
    CTrackBarCtrl m_sliderLeft;
    CTrackBarCtrl m_sliderRight;
    CButton m_linkButton;
    CButton m_muteButton;
};
