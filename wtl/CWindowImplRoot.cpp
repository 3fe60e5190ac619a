#include "CWindowImplRoot.h"
#include <windows.h>
#include <commctrl.h>

CWindowImplRoot::~CWindowImplRoot()
{
    // A window that outlives its object must not reach it any more.
    if (m_hWnd == nullptr || !::IsWindow(m_hWnd))
        return;
    if (m_kind == Kind::Subclassed)
        Unsubclass();
    else if (m_kind == Kind::Dialog)
        ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
    else
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
}

LRESULT CWindowImplRoot::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (m_kind) {
    case Kind::Subclassed:
        return ::DefSubclassProc(m_hWnd, message, wParam, lParam);
    case Kind::Dialog:
        return FALSE;
    default:
        return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
    }
}

LRESULT CWindowImplRoot::DefWindowProc()
{
    const MSG* current = m_currentMessage;
    return current != nullptr ? DefWindowProc(current->message, current->wParam, current->lParam) : 0;
}

LRESULT CWindowImplRoot::Route(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, BOOL* handled)
{
    MSG current = {};
    current.hwnd = hWnd;
    current.message = message;
    current.wParam = wParam;
    current.lParam = lParam;
    const MSG* outer = m_currentMessage;
    m_currentMessage = &current;
    LRESULT result = 0;
    *handled = ProcessWindowMessage(hWnd, message, wParam, lParam, result, 0);
    if (!*handled && m_kind != Kind::Dialog)
        result = DefWindowProc(message, wParam, lParam);
    m_currentMessage = outer;
    if (message == WM_NCDESTROY) {
        Detach(hWnd);
        OnFinalMessage(hWnd); // may delete this
    }
    return result;
}

void CWindowImplRoot::Detach(HWND hWnd)
{
    if (m_kind == Kind::Subclassed)
        ::RemoveWindowSubclass(hWnd, SubclassProc, 0);
    else if (m_kind == Kind::Dialog)
        ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
    else
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
    m_hWnd = nullptr;
}

LRESULT CALLBACK CWindowImplRoot::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWindowImplRoot* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<CWindowImplRoot*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self != nullptr) {
            self->m_hWnd = hWnd;
            ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<CWindowImplRoot*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    }
    if (self == nullptr)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    BOOL handled = FALSE;
    return self->Route(hWnd, message, wParam, lParam, &handled);
}

LRESULT CALLBACK CWindowImplRoot::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR self)
{
    BOOL handled = FALSE;
    return reinterpret_cast<CWindowImplRoot*>(self)->Route(hWnd, message, wParam, lParam, &handled);
}

ATOM CWindowImplRoot::RegisterWndClass(WNDCLASSEXW* wc)
{
    wc->cbSize = sizeof(*wc);
    wc->lpfnWndProc = WindowProc;
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof(existing);
    ATOM atom = static_cast<ATOM>(::GetClassInfoExW(wc->hInstance, wc->lpszClassName, &existing));
    return atom != 0 ? atom : ::RegisterClassExW(wc);
}

BOOL CWindowImplRoot::Subclass(HWND hWnd)
{
    if (m_hWnd != nullptr || hWnd == nullptr)
        return FALSE;
    if (!::SetWindowSubclass(hWnd, SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this)))
        return FALSE;
    m_kind = Kind::Subclassed;
    m_hWnd = hWnd;
    return TRUE;
}

HWND CWindowImplRoot::Unsubclass()
{
    if (m_kind != Kind::Subclassed || m_hWnd == nullptr)
        return nullptr;
    HWND hWnd = m_hWnd;
    ::RemoveWindowSubclass(hWnd, SubclassProc, 0);
    m_hWnd = nullptr;
    return hWnd;
}
