#pragma once
#include <windows.h>

// Window class of the strips' level meters ("QuorvelaLevelMeter" in the dialog templates): a
// bar that fills from the left, or from the bottom with PBS_VERTICAL. It answers the
// progress-bar messages the strips send (PBM_SETRANGE32, PBM_SETPOS, PBM_GETPOS, PBM_GETRANGE,
// PBM_SETSTEP), shows each position at once, and repaints only the pixels a new position
// changes: a progress bar repaints itself whole, which costs too much at 50 Hz.
namespace LevelMeter {

extern const wchar_t kClassName[];

// Registers the class once per process (global, so any module's dialogs find it).
bool Register();

// Filled pixels of `length` for a position, after the position is clamped to the range.
int Extent(int position, int minimum, int maximum, int length);

} // namespace LevelMeter
