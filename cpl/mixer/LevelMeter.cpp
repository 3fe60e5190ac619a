#include "LevelMeter.h"
#include <commctrl.h>
#include <algorithm>
#include "CAppModule.h"

namespace LevelMeter {

const wchar_t kClassName[] = L"QuorvelaLevelMeter";

namespace {

// The meter's state, owned by its window (pointer in the extra bytes), with its geometry
// kept from WM_SIZE and WM_STYLECHANGED: a tick reads and writes it without a message or a
// call to the window manager.
struct State
{
    int minimum = 0;
    int maximum = 100;
    int position = 0;
    int step = 10;
    bool vertical = false;
    RECT inside = {}; // the client area inside the one-pixel frame
};

State* StateOf(HWND hwnd)
{
    return reinterpret_cast<State*>(::GetWindowLongPtrW(hwnd, 0));
}

int Clamp(int position, int minimum, int maximum)
{
    return maximum > minimum ? std::min(std::max(position, minimum), maximum) : minimum;
}

void Measure(HWND hwnd, State& state)
{
    state.vertical = (::GetWindowLongW(hwnd, GWL_STYLE) & PBS_VERTICAL) != 0;
    ::GetClientRect(hwnd, &state.inside);
    ::InflateRect(&state.inside, -1, -1);
}

// The filled part inside the frame for a position.
RECT BarRect(const State& state, int position)
{
    RECT rect = state.inside;
    if (state.vertical)
        rect.top = rect.bottom - Extent(position, state.minimum, state.maximum, rect.bottom - rect.top);
    else
        rect.right = rect.left + Extent(position, state.minimum, state.maximum, rect.right - rect.left);
    return rect;
}

// Stores a position; the pixels between the old and the new bar, and whether they fill.
// False when no pixel changes.
bool MoveState(State& state, int position, RECT* change, bool* fills)
{
    int before = state.position;
    state.position = Clamp(position, state.minimum, state.maximum);
    RECT a = BarRect(state, before), b = BarRect(state, state.position);
    if (EqualRect(&a, &b))
        return false;
    *change = a;
    if (state.vertical) {
        change->top = std::min(a.top, b.top);
        change->bottom = std::max(a.top, b.top);
        *fills = b.top < a.top;
    } else {
        change->left = std::min(a.right, b.right);
        change->right = std::max(a.right, b.right);
        *fills = b.right > a.right;
    }
    return true;
}

HBRUSH BarBrush(bool filled)
{
    return ::GetSysColorBrush(filled ? COLOR_HIGHLIGHT : COLOR_WINDOW);
}

void Paint(HWND hwnd, const State& state)
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    RECT client, bar = BarRect(state, state.position), rest = state.inside;
    ::GetClientRect(hwnd, &client);
    if (state.vertical)
        rest.bottom = bar.top;
    else
        rest.left = bar.right;
    ::FrameRect(dc, &client, ::GetSysColorBrush(COLOR_BTNSHADOW));
    ::FillRect(dc, &bar, BarBrush(true));
    ::FillRect(dc, &rest, BarBrush(false));
    ::EndPaint(hwnd, &ps);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        ::SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(new State));
    State* state = StateOf(hwnd);
    if (state == nullptr)
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_CREATE:
    case WM_SIZE:
    case WM_STYLECHANGED:
        Measure(hwnd, *state);
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_NCDESTROY:
        ::SetWindowLongPtrW(hwnd, 0, 0);
        delete state;
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    case PBM_SETRANGE32: {
        LRESULT previous = MAKELONG(state->minimum, state->maximum);
        state->minimum = static_cast<int>(wParam);
        state->maximum = static_cast<int>(lParam);
        state->position = Clamp(state->position, state->minimum, state->maximum);
        ::InvalidateRect(hwnd, nullptr, FALSE);
        return previous;
    }
    case PBM_GETRANGE:
        if (lParam != 0) {
            reinterpret_cast<PBRANGE*>(lParam)->iLow = state->minimum;
            reinterpret_cast<PBRANGE*>(lParam)->iHigh = state->maximum;
        }
        return wParam != 0 ? state->minimum : state->maximum;
    case PBM_SETPOS: {
        int previous = state->position;
        RECT change;
        bool fills;
        if (MoveState(*state, static_cast<int>(wParam), &change, &fills))
            ::InvalidateRect(hwnd, &change, FALSE);
        return previous;
    }
    case PBM_GETPOS:
        return state->position;
    case PBM_SETSTEP: {
        int previous = state->step;
        state->step = static_cast<int>(wParam);
        return previous;
    }
    case WM_ERASEBKGND:
        return 1; // WM_PAINT paints every pixel
    case WM_PAINT:
        Paint(hwnd, *state);
        return 0;
    default:
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

ATOM g_class = 0;

bool IsMeter(HWND hwnd)
{
    return hwnd != nullptr && g_class != 0 && ::GetClassLongPtrW(hwnd, GCW_ATOM) == g_class;
}

} // namespace

bool Register()
{
    static const bool registered = [] {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = WindowProc;
        wc.cbWndExtra = sizeof(LONG_PTR);
        wc.hInstance = CAppModule::ModuleInstance();
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        g_class = ::RegisterClassExW(&wc);
        if (g_class == 0 && ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
            g_class = static_cast<ATOM>(::GetClassInfoExW(wc.hInstance, kClassName, &wc));
        return g_class != 0;
    }();
    return registered;
}

int Extent(int position, int minimum, int maximum, int length)
{
    if (maximum <= minimum || length <= 0)
        return 0;
    long long filled = static_cast<long long>(Clamp(position, minimum, maximum)) - minimum;
    return static_cast<int>(filled * length / (static_cast<long long>(maximum) - minimum));
}

bool Canvas::Move(HWND meter, int position)
{
    State* state = IsMeter(meter) ? StateOf(meter) : nullptr;
    RECT change;
    bool fills;
    if (state == nullptr || !MoveState(*state, position, &change, &fills))
        return false;
    if (!::IsWindowVisible(meter))
        return true; // painted whole when it is shown
    HWND window = ::GetAncestor(meter, GA_ROOT);
    if (window != m_window) {
        Release();
        m_window = window;
        // The top-level window's own DC, its children not clipped: the meters are among them.
        m_dc = ::GetDCEx(window, nullptr, DCX_CACHE);
    }
    if (m_dc == nullptr) {
        ::InvalidateRect(meter, &change, FALSE);
        return true;
    }
    ::MapWindowPoints(meter, m_window, reinterpret_cast<POINT*>(&change), 2);
    ::FillRect(m_dc, &change, BarBrush(fills));
    return true;
}

void Canvas::Release()
{
    if (m_dc != nullptr)
        ::ReleaseDC(m_window, m_dc);
    m_dc = nullptr;
    m_window = nullptr;
}

} // namespace LevelMeter
