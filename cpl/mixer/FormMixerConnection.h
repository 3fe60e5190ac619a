#pragma once
#include "FormBaseImpl.h"
#include "FormMixerConnectionRes.h"
#include "SolidBrush.h"
#include "ZephraDriver.h"
#include "resource.h"

// One crosspoint cell: the four weights of a stereo source pair and a stereo destination
// pair in a 2 by 2 square, green where connected. A click on a quadrant opens its popup.
class FormMixerConnection : public FormBaseImpl<FormMixerConnection>
{
public:
    enum { IDD = IDD_MIXER_CONNECTION, QUADRANTS = 4 };

    // weights: four consecutive entries of the mixer window's weight array, in the order
    // (dL, sL), (dR, sL), (dL, sR), (dR, sR) (not owned).
    FormMixerConnection(ZephraDriver& driver, ZephraDeviceId key, ZephraMixerWeight* weights);

    BEGIN_MSG_MAP(FormMixerConnection)
        MESSAGE_HANDLER(WM_CTLCOLORSTATIC, OnCtlColorStatic)
        COMMAND_RANGE_HANDLER(IDC_CELL_LEFT_FROM_LEFT, IDC_CELL_RIGHT_FROM_RIGHT, OnQuadrant)
        CHAIN_MSG_MAP(FormBaseImpl<FormMixerConnection>)
    END_MSG_MAP()

    void Refresh() override {}

    // After a successful weight read.
    void ShowWeights();
    // After a failed weight read: "n/a" everywhere; the colours still follow the entries.
    void ShowUnavailable();

private:
    LRESULT OnCtlColorStatic(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnQuadrant(WORD code, WORD id, HWND control, BOOL& bHandled);
    void ShowQuadrant(int quadrant);

    ZephraDriver& m_driver;
    ZephraDeviceId m_key;
    ZephraMixerWeight* m_weights;
    SolidBrush m_white;
    SolidBrush m_green;
};
