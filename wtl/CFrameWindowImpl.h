#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "CWindowImpl.h"

// Ids and styles of the frame's bars, as Win32 programmers know them.
enum : UINT {
    ATL_IDW_TOOLBAR = 0xE800,
    ATL_IDW_STATUS_BAR = 0xE801,
    ATL_IDW_COMMAND_BAR = 0xE802,
    ATL_IDS_IDLEMESSAGE = 0xE001, // "Ready"
};
enum : DWORD {
    // child, visible, clipping, variable height, band borders, auto-size, no divider
    ATL_SIMPLE_REBAR_NOBORDER_STYLE = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                      RBS_BANDBORDERS | RBS_AUTOSIZE | CCS_NODIVIDER,
    ATL_FRAME_STYLE = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
    ATL_FRAME_EX_STYLE = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE,
};

// A frame's class: its name, the resource id of its icon, menu, accelerators and title,
// the class style and the background colour index.
#define DECLARE_FRAME_WND_CLASS_EX(name, resourceId, classStyle, background)                                \
    static void GetWndClassInfo(WNDCLASSEXW& wc)                                                            \
    {                                                                                                       \
        wc.lpszClassName = name;                                                                            \
        wc.style = classStyle;                                                                              \
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>((background) + 1));                \
        CFrameWindowImplBase::LoadClassIcons(wc, resourceId);                                               \
    }                                                                                                       \
    static UINT GetWndResourceId() { return resourceId; }

// What every frame has, independent of its class: the bars, the client window, the
// accelerators, the layout and the menu prompts in the status bar.
class CFrameWindowImplBase
{
public:
    HWND m_hWndToolBar = nullptr;   // the rebar (or tool bar) along the top
    HWND m_hWndStatusBar = nullptr; // the status bar along the bottom
    HWND m_hWndClient = nullptr;    // fills what the bars leave
    HACCEL m_hAccel = nullptr;      // loaded from the frame's resource id

    // Large and small icon of a resource id (of the resource instance) for a window class
    // that is not registered yet (wc names it); nothing for a registered one.
    static void LoadClassIcons(WNDCLASSEXW& wc, UINT resourceId);
    // The first line of a command's prompt string (string resource of the command's id).
    static std::wstring MenuPrompt(UINT commandId);
    // The default pane's text when no menu item is highlighted (string 0xE001, "Ready").
    static std::wstring IdleText();

    // Adds a band holding child to the rebar of m_hWndToolBar.
    BOOL AddSimpleReBarBand(HWND child, const wchar_t* title = nullptr, BOOL newRow = FALSE);

protected:
    CFrameWindowImplBase() = default;
    ~CFrameWindowImplBase() = default;

    HWND CreateReBar(HWND frame, DWORD style, UINT id);
    // Bars first (they size themselves), the client window takes the rest of frame.
    void LayoutFrame(HWND frame, BOOL resizeBars);
    // WM_MENUSELECT: the highlighted item's prompt, or the idle text when the menu closed.
    void ShowMenuPrompt(WPARAM wParam, LPARAM lParam);
    // Focus kept across deactivation: the child that had it gets it back.
    void RememberFocus(HWND frame);
    void RestoreFocus(HWND frame);

private:
    HWND m_hWndFocus = nullptr;
};

// A top-level frame window of class T with a rebar, a status bar and a client window.
// T declares its class with DECLARE_FRAME_WND_CLASS_EX and chains CHAIN_MSG_MAP(CFrameWindowImpl<T>)
// after its own entries.
template <class T>
class CFrameWindowImpl : public CWindowImpl<T>, public CFrameWindowImplBase
{
public:
    BEGIN_MSG_MAP(CFrameWindowImpl)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        MESSAGE_HANDLER(WM_MENUSELECT, OnMenuSelect)
        MESSAGE_HANDLER(WM_ACTIVATE, OnActivate)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
    END_MSG_MAP()

    // Creates the frame with the title, menu and accelerators of T's resource id.
    HWND CreateEx(HWND parent = nullptr, const RECT* rect = nullptr, DWORD style = ATL_FRAME_STYLE,
                  DWORD exStyle = ATL_FRAME_EX_STYLE)
    {
        UINT id = T::GetWndResourceId();
        HINSTANCE instance = CAppModule::ResourceInstance();
        wchar_t title[256] = {};
        ::LoadStringW(instance, id, title, 256);
        HMENU menu = ::LoadMenuW(instance, MAKEINTRESOURCEW(id));
        m_hAccel = ::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(id));
        HWND hWnd = this->Create(parent, rect, title, style, exStyle, menu);
        if (hWnd == nullptr && menu != nullptr)
            ::DestroyMenu(menu);
        return hWnd;
    }

    BOOL CreateSimpleReBar(DWORD style = ATL_SIMPLE_REBAR_NOBORDER_STYLE, UINT id = ATL_IDW_TOOLBAR)
    {
        m_hWndToolBar = CreateReBar(this->m_hWnd, style, id);
        return m_hWndToolBar != nullptr;
    }

    void UpdateLayout(BOOL resizeBars = TRUE) { LayoutFrame(this->m_hWnd, resizeBars); }

    // The frame's part of a message filter (T's CMessageFilter::PreTranslateMessage calls it
    // first): the accelerators of m_hAccel, their commands sent to the frame. TRUE: translated.
    BOOL PreTranslateMessage(MSG* msg)
    {
        return m_hAccel != nullptr && ::TranslateAcceleratorW(this->m_hWnd, m_hAccel, msg);
    }

    LRESULT OnSize(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        if (wParam != SIZE_MINIMIZED)
            static_cast<T*>(this)->UpdateLayout();
        bHandled = FALSE;
        return 0;
    }
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        // The client window covers everything the bars leave.
        if (m_hWndClient == nullptr)
            bHandled = FALSE;
        return 1;
    }
    LRESULT OnMenuSelect(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
    {
        ShowMenuPrompt(wParam, lParam);
        return 0;
    }
    LRESULT OnActivate(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        if (LOWORD(wParam) == WA_INACTIVE)
            RememberFocus(this->m_hWnd);
        bHandled = FALSE;
        return 0;
    }
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&)
    {
        RestoreFocus(this->m_hWnd);
        return 0;
    }
};
