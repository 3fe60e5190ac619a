#pragma once
#include "CWindowImpl.h"
#include "FormBaseImpl.h"
#include "FormMixerConnectionRes.h"
#include "SolidBrush.h"
#include "ZephraDriver.h"
#include "resource.h"

class FormMixerConnection;

// A quadrant static of a cell, made a keyboard control: the arrows move to the next
// quadrant in that direction (into the neighbouring cell of the mixer at an edge), Enter
// and Space open its popup, and a focus rectangle shows where the focus is.
class MixerQuadrant : public CWindowImpl<MixerQuadrant>
{
public:
    MixerQuadrant(FormMixerConnection& cell, int quadrant) : m_cell(cell), m_quadrant(quadrant) {}

    BEGIN_MSG_MAP(MixerQuadrant)
        MESSAGE_HANDLER(WM_GETDLGCODE, OnGetDlgCode)
        MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
        MESSAGE_HANDLER(WM_SETFOCUS, OnFocus)
        MESSAGE_HANDLER(WM_KILLFOCUS, OnFocus)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
    END_MSG_MAP()

private:
    LRESULT OnGetDlgCode(UINT, WPARAM, LPARAM lParam, BOOL&);
    LRESULT OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL& bHandled);
    LRESULT OnFocus(UINT, WPARAM, LPARAM, BOOL& bHandled);
    LRESULT OnPaint(UINT message, WPARAM wParam, LPARAM lParam, BOOL&);

    FormMixerConnection& m_cell;
    int m_quadrant;
};

// The quadrant of a mixer window (any of its cells) nearest to from in the direction of
// an arrow key, in the same row or column; null when there is none.
HWND NeighbourQuadrant(HWND mixer, HWND from, UINT key);

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

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override;
    void Refresh() override {}

    // Runs the popup of one quadrant (0 to 3) at its place, then shows the quadrant anew.
    void EditQuadrant(int quadrant);

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
    MixerQuadrant m_quadrants[QUADRANTS] = {{*this, 0}, {*this, 1}, {*this, 2}, {*this, 3}};
};
