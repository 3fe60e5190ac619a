#include "StripMeters.h"
#include "MixerStripRes.h"
#include "MixerValues.h"

void StripMeters::Init(CWindow strip)
{
    m_meterLeft.Attach(strip.GetDlgItem(IDC_STRIP_METER_LEFT));
    m_meterRight.Attach(strip.GetDlgItem(IDC_STRIP_METER_RIGHT));
    for (CProgressBarCtrl* meter : {&m_meterLeft, &m_meterRight}) {
        meter->SetRange(0, MIXER_METER_MAX);
        meter->SetStep(1);
    }
}

void StripMeters::Show()
{
    m_meterLeft.SetPos(LevelToMeter(m_left->level));
    m_meterRight.SetPos(LevelToMeter(m_right->level));
}

void StripMeters::Drop()
{
    m_meterLeft.SetPos(0);
    m_meterRight.SetPos(0);
}
