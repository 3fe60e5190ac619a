#pragma once
#include <windows.h>
#include "CWindowImpl.h"

enum : int {
    SPLIT_PANE_LEFT = 0,
    SPLIT_PANE_RIGHT = 1,
    SPLIT_PANE_NONE = -1,
};

// A window split vertically into a left and a right pane by a bar that the user drags.
// Proportional: when the splitter is resized, the bar keeps its share of the width. Full
// drag: the panes follow the bar while it is dragged. Notifications and commands of the
// panes go on to the parent.
class CSplitterWindow : public CWindowImpl<CSplitterWindow>
{
public:
    DECLARE_WND_CLASS_EX(L"WtlSplitterWindow", CS_DBLCLKS, COLOR_BTNFACE)

    BEGIN_MSG_MAP(CSplitterWindow)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
        MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
        MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
        MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
        FORWARD_NOTIFICATIONS()
    END_MSG_MAP()

    // Puts windows into the panes (null empties one); the splitter does not own them.
    void SetSplitterPanes(HWND left, HWND right, bool update = true);
    BOOL SetSplitterPane(int pane, HWND window, bool update = true);
    HWND GetSplitterPane(int pane) const;

    // The bar's left edge in client pixels; -1 puts it in the middle. Clamped to the client.
    BOOL SetSplitterPos(int pos = -1, bool update = true);
    int GetSplitterPos() const { return m_pos; }
    int GetSplitterBarWidth() const { return m_barWidth; }
    // Places the panes beside the bar.
    void UpdateSplitterLayout();
    // Moves the focus to the pane that does not have it (F6).
    void ActivateNextPane();
    // The pane that holds the focus, or SPLIT_PANE_NONE.
    int GetActivePane() const;

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCaptureChanged(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&);

private:
    int ClientWidth() const;
    // A pane's rectangle beside the bar, in client coordinates (layout and paint).
    RECT PaneRect(int pane) const;
    bool IsOverBar(int x) const { return x >= m_pos && x < m_pos + m_barWidth; }
    // Moves the bar while keeping its proportion for later resizes.
    void MoveBar(int pos);

    HWND m_panes[2] = {nullptr, nullptr};
    int m_pos = -1;               // -1 until the first layout
    int m_proportion = -1;        // bar position in millionths of the width, -1 until known
    int m_width = 0;              // client width the position was computed for
    int m_barWidth = 4;
    int m_dragOffset = 0;         // cursor x minus bar position while dragging
    bool m_dragging = false;
};
