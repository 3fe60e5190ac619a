#include "StripMeters.h"
#include <commctrl.h>
#include "MixerStripRes.h"
#include "MixerValues.h"

void StripMeters::Init(CWindow strip)
{
    m_meterLeft.SubclassWindow(strip.GetDlgItem(IDC_STRIP_METER_LEFT));
    m_meterRight.SubclassWindow(strip.GetDlgItem(IDC_STRIP_METER_RIGHT));
    for (LevelMeter* meter : {&m_meterLeft, &m_meterRight}) {
        meter->SendMessage(PBM_SETRANGE32, 0, MIXER_METER_MAX);
        meter->SendMessage(PBM_SETSTEP, 1);
    }
}

void StripMeters::Show(LevelMeter::Canvas& canvas)
{
    canvas.Move(m_meterLeft, LevelToMeter(m_left->level));
    canvas.Move(m_meterRight, LevelToMeter(m_right->level));
}

void StripMeters::Drop(LevelMeter::Canvas& canvas)
{
    canvas.Move(m_meterLeft, 0);
    canvas.Move(m_meterRight, 0);
}
