#pragma once
#include "CWindow.h"

// A page as the main frame drives it, without knowing its class.
class FormBase
{
public:
    virtual ~FormBase() = default;

    virtual CWindow GetPageWindow() = 0;
    // Creates the page's dialog as a child of parent unless it exists; true when it does.
    virtual bool CreatePage(HWND parent) = 0;
    // The page's own part of WM_INITDIALOG; its result is the message's (TRUE: the dialog
    // manager sets the focus).
    virtual LRESULT OnInitDialog(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) = 0;
    // Refresh, then show: the page reads the driver before it becomes visible.
    virtual void Show() = 0;
    virtual void Hide() = 0;
    // The page's size changed (before its resize list is applied), or it was placed.
    virtual void OnResize() = 0;
    virtual void OnTimer(UINT_PTR id) = 0;
    // Reads what the page shows.
    virtual void Refresh() = 0;
};
