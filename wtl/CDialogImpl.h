#pragma once
#include "CAppModule.h"
#include "CWindowImplRoot.h"

// The part of CDialogImpl that does not depend on the dialog class: the dialog procedure.
class CDialogImplBase : public CWindowImplRoot
{
public:
    // Ends a modal dialog with that result.
    BOOL EndDialog(int result) { return ::EndDialog(m_hWnd, result); }

protected:
    CDialogImplBase() { m_kind = Kind::Dialog; }

    HWND CreateFromTemplate(int dialogId, HWND parent, LPARAM initParam);
    INT_PTR RunModal(int dialogId, HWND parent, LPARAM initParam);

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    LPARAM m_initParam = 0; // what WM_INITDIALOG hands the map as lParam
};

// A dialog from T's template T::IDD whose messages go to T's message map. Modeless with
// Create (destroy with DestroyWindow), modal with DoModal (end with EndDialog).
template <class T>
class CDialogImpl : public CDialogImplBase
{
public:
    HWND Create(HWND parent, LPARAM initParam = 0) { return CreateFromTemplate(T::IDD, parent, initParam); }
    INT_PTR DoModal(HWND parent = ::GetActiveWindow(), LPARAM initParam = 0)
    {
        return RunModal(T::IDD, parent, initParam);
    }
};
