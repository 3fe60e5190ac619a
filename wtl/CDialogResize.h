#pragma once
#include <windows.h>
#include <vector>
#include "MessageMap.h"

// How a control of the resize list follows a change of the dialog's client size. On one
// axis a size flag wins over a move flag: the control grows and stays where it is.
enum : DWORD {
    DLSZ_SIZE_X = 0x1, // grows in width by the change of the width
    DLSZ_SIZE_Y = 0x2, // grows in height by the change of the height
    DLSZ_MOVE_X = 0x4, // moves right by the change of the width
    DLSZ_MOVE_Y = 0x8, // moves down by the change of the height
};

// Control id of the size grip that DlgResize_Init adds (the value of a frame's status bar id:
// a dialog has no status bar).
enum : int { DLGRESIZE_GRIPPER_ID = 0xE801 };

struct DlgResizeEntry
{
    int id; // -1 ends the list
    DWORD flags;
};

#define BEGIN_DLGRESIZE_MAP(theClass)                                                                       \
    static const DlgResizeEntry* GetDlgResizeMap()                                                          \
    {                                                                                                       \
        static const DlgResizeEntry entries[] = {
#define DLGRESIZE_CONTROL(id, flags) {(id), (flags)},
#define END_DLGRESIZE_MAP()                                                                                 \
    {-1, 0}                                                                                                 \
    }                                                                                                       \
    ;                                                                                                       \
    return entries;                                                                                         \
    }

// The layout state of one dialog: the sizes at initialisation and the listed controls'
// rectangles in the dialog's resource layout.
class DlgResizeLayout
{
public:
    // Records the dialog's current client and window size and the listed controls; with
    // addGripper, first adds the size grip at the bottom right unless it is there already.
    // A grip moves with the bottom right corner.
    void Init(HWND dialog, const DlgResizeEntry* entries, bool addGripper, bool useMinTrackSize);
    // Places every listed control for a client area of cx by cy.
    void Update(HWND dialog, int cx, int cy) const;
    // Sets the minimum tracking size to the initial window size when asked to.
    void ApplyMinTrackSize(MINMAXINFO* info) const;
    bool IsInitialised() const { return m_initialised; }

private:
    struct Control
    {
        int id;
        DWORD flags;
        RECT rect; // in the dialog's client coordinates at initialisation
    };

    std::vector<Control> m_controls;
    SIZE m_client = {0, 0};
    SIZE m_window = {0, 0};
    bool m_useMinTrackSize = false;
    bool m_initialised = false;
};

// Mix-in of a dialog T: moves and grows the controls of T's resize list (BEGIN_DLGRESIZE_MAP)
// with the client size, relative to the layout at DlgResize_Init, and keeps a size grip in the
// bottom right corner when asked for one.
template <class T>
class CDialogResize
{
public:
    BEGIN_MSG_MAP(CDialogResize)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_GETMINMAXINFO, OnGetMinMaxInfo)
    END_MSG_MAP()

    // addGripper: a size grip (control DLGRESIZE_GRIPPER_ID) in the bottom right corner.
    // useMinTrackSize: the initial window size becomes the minimum tracking size.
    // forceStyle: added to the dialog's style.
    void DlgResize_Init(bool addGripper = true, bool useMinTrackSize = true, DWORD forceStyle = WS_CLIPCHILDREN)
    {
        T* dialog = static_cast<T*>(this);
        if (forceStyle != 0)
            dialog->ModifyStyle(0, forceStyle);
        m_layout.Init(dialog->m_hWnd, T::GetDlgResizeMap(), addGripper, useMinTrackSize);
    }

    void DlgResize_UpdateLayout(int cx, int cy) { m_layout.Update(static_cast<T*>(this)->m_hWnd, cx, cy); }

    // The default list: no control moves.
    static const DlgResizeEntry* GetDlgResizeMap()
    {
        static const DlgResizeEntry none[] = {{-1, 0}};
        return none;
    }

    LRESULT OnSize(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
    {
        if (wParam != SIZE_MINIMIZED && m_layout.IsInitialised())
            DlgResize_UpdateLayout(LOWORD(lParam), HIWORD(lParam));
        bHandled = FALSE; // others may want the size too
        return 0;
    }

    LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL&)
    {
        m_layout.ApplyMinTrackSize(reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    }

private:
    DlgResizeLayout m_layout;
};
