#pragma once
#include <windows.h>

// Window class of the strips' level meters ("QuorvelaLevelMeter" in the dialog templates): a
// bar that fills from the left, or from the bottom with PBS_VERTICAL. It answers the
// progress-bar messages (PBM_SETRANGE32, PBM_SETPOS, PBM_GETPOS, PBM_GETRANGE, PBM_SETSTEP)
// and repaints only the pixels a new position changes. The mixer's tick moves its meters
// through a Canvas instead: no message, and one DC for all meters that changed.
namespace LevelMeter {

extern const wchar_t kClassName[];

// Registers the class once per process (global, so any module's dialogs find it).
bool Register();

// Filled pixels of `length` for a position, after the position is clamped to the range.
int Extent(int position, int minimum, int maximum, int length);

// One tick's drawing of meters. Move stores a meter's new position at once (its own WM_PAINT
// shows it from then on) and fills the pixels it changes through a DC of the meter's
// top-level window, taken at the first change and kept for the following ones; released
// with the canvas. A position whose pixels stay costs no drawing at all.
class Canvas
{
public:
    Canvas() = default;
    ~Canvas() { Release(); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // True when the meter's picture changed. Not a meter: nothing happens.
    bool Move(HWND meter, int position);

private:
    void Release();

    HWND m_window = nullptr; // the top-level window whose DC is taken
    HDC m_dc = nullptr;
};

} // namespace LevelMeter
