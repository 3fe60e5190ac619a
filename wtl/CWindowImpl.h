#pragma once
#include "CAppModule.h"
#include "CWindowImplRoot.h"

// The window class of a CWindowImpl: T may declare one with these, else it gets "WtlWindow".
#define DECLARE_WND_CLASS(name)                                                                             \
    static void GetWndClassInfo(WNDCLASSEXW& wc) { wc.lpszClassName = name; }

#define DECLARE_WND_CLASS_EX(name, classStyle, background)                                                 \
    static void GetWndClassInfo(WNDCLASSEXW& wc)                                                            \
    {                                                                                                       \
        wc.lpszClassName = name;                                                                            \
        wc.style = classStyle;                                                                              \
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>((background) + 1));                \
    }

// A window of T's own class whose messages go to T's message map, or a control of another
// class subclassed into it (SubclassWindow).
template <class T>
class CWindowImpl : public CWindowImplRoot
{
public:
    // Registers T's class on first use and creates the window; null on failure.
    HWND Create(HWND parent, const RECT* rect = nullptr, const wchar_t* windowName = nullptr, DWORD style = 0,
                DWORD exStyle = 0, HMENU menuOrId = nullptr)
    {
        if (m_hWnd != nullptr)
            return nullptr;
        WNDCLASSEXW wc = ClassInfo();
        if (RegisterWndClass(&wc) == 0)
            return nullptr;
        RECT area = rect != nullptr ? *rect : RECT{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
        int width = rect != nullptr ? area.right - area.left : CW_USEDEFAULT;
        int height = rect != nullptr ? area.bottom - area.top : CW_USEDEFAULT;
        m_kind = Kind::Window;
        return ::CreateWindowExW(exStyle, wc.lpszClassName, windowName, style, area.left, area.top, width, height,
                                 parent, menuOrId, wc.hInstance, static_cast<CWindowImplRoot*>(this));
    }

    BOOL SubclassWindow(HWND hWnd) { return Subclass(hWnd); }
    HWND UnsubclassWindow() { return Unsubclass(); }

    // Registers T's class without creating a window, for a class that dialog templates name
    // (their windows get the default processing until SubclassWindow); 0 on failure.
    static ATOM RegisterWindowClass()
    {
        WNDCLASSEXW wc = ClassInfo();
        return RegisterWndClass(&wc);
    }

    static void GetWndClassInfo(WNDCLASSEXW&) {}

private:
    static WNDCLASSEXW ClassInfo()
    {
        WNDCLASSEXW wc = {};
        wc.hInstance = CAppModule::ModuleInstance();
        wc.style = CS_DBLCLKS;
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
        wc.lpszClassName = L"WtlWindow";
        T::GetWndClassInfo(wc);
        return wc;
    }
};
