#pragma once
#include "CWindow.h"
#include "LevelMeter.h"
#include "ZephraMixerRecords.h"

// The two level meters of a channel strip (controls 1055 left, 1057 right: LevelMeter windows)
// and the two level entries they show, which belong to the mixer window's level array. The
// meters are moved through the tick's canvas: no message, no drawing when a pixel stays.
class StripMeters
{
public:
    // Registers the meters' class before the strip's dialog is created.
    StripMeters(ZephraMixerLevel* left, ZephraMixerLevel* right) : m_left(left), m_right(right)
    {
        LevelMeter::RegisterWindowClass();
    }

    // Attaches the meters of the strip's dialog: range 0 to 6000, step 1.
    void Init(CWindow strip);
    // Straight from the latest reply: no hold, no smoothing.
    void Show(LevelMeter::Canvas& canvas);
    // Both at the bottom, after a failed read.
    void Drop(LevelMeter::Canvas& canvas);

private:
    ZephraMixerLevel* m_left;
    ZephraMixerLevel* m_right;
    LevelMeter m_meterLeft;  // child of the strip
    LevelMeter m_meterRight; // child of the strip
};
