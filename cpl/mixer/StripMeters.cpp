#include "StripMeters.h"
#include <commctrl.h>
#include "MixerStripRes.h"
#include "MixerValues.h"

void StripMeters::Init(CWindow strip)
{
    m_meterLeft = strip.GetDlgItem(IDC_STRIP_METER_LEFT);
    m_meterRight = strip.GetDlgItem(IDC_STRIP_METER_RIGHT);
    for (HWND meter : {m_meterLeft, m_meterRight}) {
        ::SendMessageW(meter, PBM_SETRANGE32, 0, MIXER_METER_MAX);
        ::SendMessageW(meter, PBM_SETSTEP, 1, 0);
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
