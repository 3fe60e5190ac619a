#pragma once
#include "CWindow.h"
#include "MessageMap.h"

// What windows, subclassed controls and dialogs with a message map share: the routing of
// each message through the map, the default processing of what the map leaves, and the
// detach on WM_NCDESTROY. The object is found from the window through its user data
// (GWLP_USERDATA, DWLP_USER) or the subclass reference; it must outlive its window or be
// deleted in OnFinalMessage.
class CWindowImplRoot : public CWindow, public CMessageMap
{
public:
    CWindowImplRoot() = default;
    virtual ~CWindowImplRoot();

    CWindowImplRoot(const CWindowImplRoot&) = delete;
    CWindowImplRoot& operator=(const CWindowImplRoot&) = delete;

    // The message being handled, or null outside a handler.
    const MSG* GetCurrentMessage() const { return m_currentMessage; }
    // The default processing: DefWindowProcW, the control's own procedure, or (dialogs) none.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefWindowProc();

    // Called after the window's last message; the object is detached by then.
    virtual void OnFinalMessage(HWND) {}

protected:
    enum class Kind { Window, Subclassed, Dialog };

    // Routes one message; handled tells whether the map took it.
    LRESULT Route(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, BOOL* handled);

    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);

    // Registers the class once per process (module instance, name); lpfnWndProc is filled in.
    static ATOM RegisterWndClass(WNDCLASSEXW* wc);

    BOOL Subclass(HWND hWnd);
    HWND Unsubclass();

    Kind m_kind = Kind::Window;

private:
    void Detach(HWND hWnd);

    const MSG* m_currentMessage = nullptr;
};
