#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "CWindowImpl.h"

// The pane that takes what the others leave; it also shows menu prompts and "Ready".
enum : int { ID_DEFAULT_PANE = 0 };

// The status bar's usual style: child, visible, clipping, size grip.
enum : DWORD { ATL_SIMPLE_STATUSBAR_STYLE = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | SBARS_SIZEGRIP };

// A status bar whose panes are named by ids: the default pane (ID_DEFAULT_PANE) stretches,
// every other pane has a fixed width. The parts are laid out again on every size change.
class CMultiPaneStatusBarCtrl : public CWindowImpl<CMultiPaneStatusBarCtrl>
{
public:
    BEGIN_MSG_MAP(CMultiPaneStatusBarCtrl)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
    END_MSG_MAP()

    // Creates the control with text in its one part.
    HWND Create(HWND parent, const wchar_t* text, DWORD style = ATL_SIMPLE_STATUSBAR_STYLE,
                UINT id = 0xE801 /* ATL_IDW_STATUS_BAR */);
    // Replaces the panes (ids in order); new fixed panes start 100 pixels wide.
    BOOL SetPanes(const int* ids, int count);
    int GetPaneCount() const { return static_cast<int>(m_panes.size()); }
    // Index of the pane with that id, or -1.
    int GetPaneIndexFromID(int id) const;
    BOOL SetPaneWidth(int id, int width);
    int GetPaneWidth(int id) const;
    BOOL SetPaneText(int id, const wchar_t* text);
    std::wstring GetPaneText(int id) const;
    // The parts' right edges for a client width: the default pane takes what the fixed
    // panes and the size grip leave.
    std::vector<int> PartEdges(int clientWidth) const;

    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL& bHandled);

private:
    void UpdatePanesLayout();

    struct Pane
    {
        int id;
        int width; // fixed panes only
    };
    std::vector<Pane> m_panes;
};
