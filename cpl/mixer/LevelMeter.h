#pragma once
#include <windows.h>
#include <commctrl.h>
#include "CWindowImpl.h"

// A level meter of the channel strips: a bar that fills from the left, or from the bottom
// with PBS_VERTICAL. It answers the progress-bar messages (PBM_SETRANGE32, PBM_SETPOS,
// PBM_GETPOS, PBM_GETRANGE, PBM_SETSTEP) and repaints only the pixels a new position changes.
// The strips' dialog templates name its class: register it before such a dialog is created
// (RegisterWindowClass) and attach the meter with SubclassWindow; or Create one. The mixer's
// tick moves its meters through a Canvas instead of messages: one DC for all meters that
// changed.
class LevelMeter : public CWindowImpl<LevelMeter>
{
public:
    static constexpr wchar_t kClassName[] = L"QuorvelaLevelMeter";
    // Global, so that the dialogs of any module find it.
    DECLARE_WND_CLASS_EX(kClassName, CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW, COLOR_WINDOW)

    BEGIN_MSG_MAP(LevelMeter)
        MESSAGE_HANDLER(WM_CREATE, OnGeometry)
        MESSAGE_HANDLER(WM_SIZE, OnGeometry)
        MESSAGE_HANDLER(WM_STYLECHANGED, OnGeometry)
        MESSAGE_HANDLER(PBM_SETRANGE32, OnSetRange)
        MESSAGE_HANDLER(PBM_GETRANGE, OnGetRange)
        MESSAGE_HANDLER(PBM_SETPOS, OnSetPos)
        MESSAGE_HANDLER(PBM_GETPOS, OnGetPos)
        MESSAGE_HANDLER(PBM_SETSTEP, OnSetStep)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
    END_MSG_MAP()

    // Attaches a meter that a dialog created from its template.
    BOOL SubclassWindow(HWND hWnd);

    // Filled pixels of `length` for a position, after the position is clamped to the range.
    static int Extent(int position, int minimum, int maximum, int length);

    // One tick's drawing of meters. Move stores a meter's new position at once (its own
    // WM_PAINT shows it from then on) and fills the pixels it changes through a DC of the
    // meter's top-level window, taken at the first change and kept for the following ones;
    // released with the canvas. A position whose pixels stay costs no drawing at all.
    class Canvas
    {
    public:
        Canvas() = default;
        ~Canvas() { Release(); }
        Canvas(const Canvas&) = delete;
        Canvas& operator=(const Canvas&) = delete;

        // True when the meter's picture changed. A meter without its window: nothing happens.
        bool Move(LevelMeter& meter, int position);

    private:
        void Release();

        HWND m_window = nullptr; // the top-level window whose DC is taken
        HDC m_dc = nullptr;
    };

private:
    LRESULT OnGeometry(UINT, WPARAM, LPARAM, BOOL& bHandled);
    LRESULT OnSetRange(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnGetRange(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
    LRESULT OnSetPos(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnGetPos(UINT, WPARAM, LPARAM, BOOL&) { return m_position; }
    LRESULT OnSetStep(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; } // WM_PAINT paints every pixel
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);

    // Keeps the geometry from WM_SIZE and WM_STYLECHANGED: a tick reads it without a message
    // or a call to the window manager.
    void Measure();
    // The filled part inside the frame for a position.
    RECT BarRect(int position) const;
    // Stores a position; the pixels between the old and the new bar, and whether they fill.
    // False when no pixel changes.
    bool MoveTo(int position, RECT* change, bool* fills);

    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
    int m_step = 10;
    bool m_vertical = false;
    RECT m_inside = {}; // the client area inside the one-pixel frame
};
