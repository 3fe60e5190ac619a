#pragma once
#include "CProgressBarCtrl.h"
#include "LevelMeter.h"
#include "ZephraMixerRecords.h"

// The two level meters of a channel strip (controls 1055 left, 1057 right: LevelMeter windows
// driven through the progress-bar messages) and the two level entries they show, which
// belong to the mixer window's level array.
class StripMeters
{
public:
    // Registers the meters' class before the strip's dialog is created.
    StripMeters(ZephraMixerLevel* left, ZephraMixerLevel* right) : m_left(left), m_right(right)
    {
        LevelMeter::Register();
    }

    // Takes the meters of the strip's dialog: range 0 to 6000, step 1.
    void Init(CWindow strip);
    // Straight from the latest reply: no hold, no smoothing.
    void Show();
    // Both at the bottom, after a failed read.
    void Drop();

private:
    ZephraMixerLevel* m_left;
    ZephraMixerLevel* m_right;
    CProgressBarCtrl m_meterLeft;
    CProgressBarCtrl m_meterRight;
};
