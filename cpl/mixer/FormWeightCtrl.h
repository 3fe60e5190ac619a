#pragma once
#include "CButton.h"
#include "CTrackBarCtrl.h"
#include "FormBaseImpl.h"
#include "FormWeightCtrlRes.h"
#include "ZephraDriver.h"
#include "resource.h"

// The popup that edits one crosspoint weight, run modal at a screen position. Every change
// is sent at once (one entry per request); "Close" only ends the run.
class FormWeightCtrl : public FormBaseImpl<FormWeightCtrl>
{
public:
    enum { IDD = IDD_WEIGHT };

    // weight: an entry of the mixer window's weight array, changed in place (not owned).
    FormWeightCtrl(ZephraDriver& driver, ZephraDeviceId key, int x, int y, ZephraMixerWeight* weight)
        : m_driver(driver), m_key(key), m_x(x), m_y(y), m_weight(weight)
    {
    }

    BEGIN_MSG_MAP(FormWeightCtrl)
        MESSAGE_HANDLER(WM_VSCROLL, OnVScroll)
        COMMAND_HANDLER(IDC_WEIGHT_CONNECTED, BN_CLICKED, OnConnected)
        COMMAND_ID_HANDLER(IDOK, OnClose)
        COMMAND_ID_HANDLER(IDCANCEL, OnClose)
        CHAIN_MSG_MAP(FormBaseImpl<FormWeightCtrl>)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override;
    void Refresh() override {}

    // Ends the run without another write: the weight array is about to be laid out anew.
    void Cancel();
    bool IsCancelled() const { return m_cancelled; }

private:
    LRESULT OnVScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnConnected(WORD, WORD, HWND, BOOL&);
    LRESULT OnClose(WORD, WORD, HWND, BOOL&);

    void ShowWeight();
    void Send();

    ZephraDriver& m_driver;
    ZephraDeviceId m_key;
    int m_x;
    int m_y;
    ZephraMixerWeight* m_weight;
    bool m_connected = false;
    bool m_cancelled = false;
    CTrackBarCtrl m_slider;
    CButton m_check;
};
