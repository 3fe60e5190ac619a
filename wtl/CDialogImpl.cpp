#include "CDialogImpl.h"

HWND CDialogImplBase::CreateFromTemplate(int dialogId, HWND parent, LPARAM initParam)
{
    if (m_hWnd != nullptr)
        return nullptr;
    m_initParam = initParam;
    return ::CreateDialogParamW(CAppModule::ResourceInstance(), MAKEINTRESOURCEW(dialogId), parent, DialogProc,
                                reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialogImplBase::RunModal(int dialogId, HWND parent, LPARAM initParam)
{
    if (m_hWnd != nullptr)
        return -1;
    m_initParam = initParam;
    return ::DialogBoxParamW(CAppModule::ResourceInstance(), MAKEINTRESOURCEW(dialogId), parent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CDialogImplBase::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialogImplBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialogImplBase*>(lParam);
        self->m_hWnd = hWnd;
        ::SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
        lParam = self->m_initParam;
    } else {
        self = reinterpret_cast<CDialogImplBase*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    }
    if (self == nullptr)
        return FALSE; // messages before WM_INITDIALOG get the default processing
    BOOL handled = FALSE;
    LRESULT result = self->Route(hWnd, message, wParam, lParam, &handled);
    if (!handled)
        return FALSE;
    switch (message) {
    // These return their result directly instead of through DWLP_MSGRESULT.
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return static_cast<INT_PTR>(result);
    default:
        if (message != WM_NCDESTROY)
            ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
}
