#pragma once
#include <string>
#include "FormBaseImpl.h"
#include "MixerStripRes.h"
#include "StripMeters.h"
#include "resource.h"

// The source strip of one stereo source pair: label and two level meters.
class FormStereoInputCtrl : public FormBaseImpl<FormStereoInputCtrl>
{
public:
    enum { IDD = IDD_STEREO_INPUT };

    // The two level entries belong to the mixer window's level array (not owned).
    FormStereoInputCtrl(const std::wstring& label, ZephraMixerLevel* left, ZephraMixerLevel* right)
        : m_label(label), m_meters(left, right)
    {
    }

    BEGIN_MSG_MAP(FormStereoInputCtrl)
        CHAIN_MSG_MAP(FormBaseImpl<FormStereoInputCtrl>)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override
    {
        m_meters.Init(*this);
        SetDlgItemText(IDC_STRIP_LABEL, m_label.c_str());
        return 0;
    }
    void Refresh() override {}

    // Through the mixer's canvas of this tick.
    void ShowLevels(LevelMeter::Canvas& canvas) { m_meters.Show(canvas); }
    void DropMeters(LevelMeter::Canvas& canvas) { m_meters.Drop(canvas); }

private:
    std::wstring m_label;
    StripMeters m_meters;
};
