#pragma once
#include "CDialogImpl.h"
#include "CDialogResize.h"
#include "CWinDataExchange.h"
#include "FormBase.h"

// Joins a page class T to its dialog (T::IDD, created modeless as a child, hidden) and routes
// what every page shares: WM_INITDIALOG (resize list, sunken edge, then T's OnInitDialog),
// WM_TIMER (to OnTimer, not passed on) and WM_SIZE (OnResize, then the resize list of T's
// BEGIN_DLGRESIZE_MAP). T's message map lists its own entries and then
// CHAIN_MSG_MAP(FormBaseImpl<T>); T defines Refresh.
template <class T>
class FormBaseImpl : public CDialogImpl<T>, public FormBase, public CDialogResize<T>, public CWinDataExchange<T>
{
public:
    CWindow GetPageWindow() override { return CWindow(this->m_hWnd); }
    bool CreatePage(HWND parent) override { return this->m_hWnd != nullptr || this->Create(parent) != nullptr; }
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override { return 0; }
    void Show() override
    {
        Refresh();
        this->ShowWindow(SW_SHOW);
    }
    void Hide() override { this->ShowWindow(SW_HIDE); }
    void OnResize() override {}
    void OnTimer(UINT_PTR) override {}
    void Refresh() override = 0;

    BEGIN_MSG_MAP(FormBaseImpl)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialogShared)
        MESSAGE_HANDLER(WM_TIMER, OnTimerShared)
        MESSAGE_HANDLER(WM_SIZE, OnSizeShared)
        CHAIN_MSG_MAP(CDialogResize<T>)
    END_MSG_MAP()

private:
    LRESULT OnInitDialogShared(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
    {
        this->DlgResize_Init(false, true, 0);
        // Drawn from the owner's first placement on; a frame change here would size the
        // page before its own initialisation.
        this->ModifyStyleEx(0, WS_EX_CLIENTEDGE);
        return OnInitDialog(uMsg, wParam, lParam, bHandled);
    }
    LRESULT OnTimerShared(UINT, WPARAM wParam, LPARAM, BOOL&)
    {
        OnTimer(static_cast<UINT_PTR>(wParam));
        return 0;
    }
    LRESULT OnSizeShared(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        OnResize();
        bHandled = FALSE; // on to the resize list
        return 0;
    }
};
