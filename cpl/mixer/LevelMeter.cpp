#include "LevelMeter.h"
#include <commctrl.h>
#include <algorithm>
#include "CAppModule.h"

namespace LevelMeter {

const wchar_t kClassName[] = L"QuorvelaLevelMeter";

namespace {

// The meter's state, in the window's extra bytes.
enum Slot { SlotMinimum, SlotMaximum, SlotPosition, SlotStep, SlotCount };

int Get(HWND hwnd, Slot slot)
{
    return static_cast<int>(::GetWindowLongW(hwnd, slot * static_cast<int>(sizeof(LONG))));
}

void Set(HWND hwnd, Slot slot, int value)
{
    ::SetWindowLongW(hwnd, slot * static_cast<int>(sizeof(LONG)), value);
}

int Clamp(int position, int minimum, int maximum)
{
    return maximum > minimum ? std::min(std::max(position, minimum), maximum) : minimum;
}

bool IsVertical(HWND hwnd)
{
    return (::GetWindowLongW(hwnd, GWL_STYLE) & PBS_VERTICAL) != 0;
}

// The client area inside the one-pixel frame.
RECT Inside(HWND hwnd)
{
    RECT rect;
    ::GetClientRect(hwnd, &rect);
    ::InflateRect(&rect, -1, -1);
    return rect;
}

// The filled part inside the frame for a position.
RECT BarRect(HWND hwnd, int position)
{
    RECT rect = Inside(hwnd);
    int minimum = Get(hwnd, SlotMinimum), maximum = Get(hwnd, SlotMaximum);
    if (IsVertical(hwnd))
        rect.top = rect.bottom - Extent(position, minimum, maximum, rect.bottom - rect.top);
    else
        rect.right = rect.left + Extent(position, minimum, maximum, rect.right - rect.left);
    return rect;
}

// Invalidates the pixels between the bars of two positions, nothing when they are the same.
void InvalidateChange(HWND hwnd, int before, int after)
{
    RECT a = BarRect(hwnd, before), b = BarRect(hwnd, after);
    if (EqualRect(&a, &b))
        return;
    RECT change = a;
    if (IsVertical(hwnd)) {
        change.top = std::min(a.top, b.top);
        change.bottom = std::max(a.top, b.top);
    } else {
        change.left = std::min(a.right, b.right);
        change.right = std::max(a.right, b.right);
    }
    ::InvalidateRect(hwnd, &change, FALSE);
}

void Paint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    RECT client, bar = BarRect(hwnd, Get(hwnd, SlotPosition)), rest = Inside(hwnd);
    ::GetClientRect(hwnd, &client);
    if (IsVertical(hwnd))
        rest.bottom = bar.top;
    else
        rest.left = bar.right;
    ::FrameRect(dc, &client, ::GetSysColorBrush(COLOR_BTNSHADOW));
    ::FillRect(dc, &bar, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    ::FillRect(dc, &rest, ::GetSysColorBrush(COLOR_WINDOW));
    ::EndPaint(hwnd, &ps);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        Set(hwnd, SlotMaximum, 100);
        Set(hwnd, SlotStep, 10);
        return 0;
    case PBM_SETRANGE32: {
        LRESULT previous = MAKELONG(Get(hwnd, SlotMinimum), Get(hwnd, SlotMaximum));
        Set(hwnd, SlotMinimum, static_cast<int>(wParam));
        Set(hwnd, SlotMaximum, static_cast<int>(lParam));
        Set(hwnd, SlotPosition, Clamp(Get(hwnd, SlotPosition), static_cast<int>(wParam), static_cast<int>(lParam)));
        ::InvalidateRect(hwnd, nullptr, FALSE);
        return previous;
    }
    case PBM_GETRANGE: {
        int minimum = Get(hwnd, SlotMinimum), maximum = Get(hwnd, SlotMaximum);
        if (lParam != 0) {
            reinterpret_cast<PBRANGE*>(lParam)->iLow = minimum;
            reinterpret_cast<PBRANGE*>(lParam)->iHigh = maximum;
        }
        return wParam != 0 ? minimum : maximum;
    }
    case PBM_SETPOS: {
        int previous = Get(hwnd, SlotPosition);
        int position = Clamp(static_cast<int>(wParam), Get(hwnd, SlotMinimum), Get(hwnd, SlotMaximum));
        Set(hwnd, SlotPosition, position);
        InvalidateChange(hwnd, previous, position);
        return previous;
    }
    case PBM_GETPOS:
        return Get(hwnd, SlotPosition);
    case PBM_SETSTEP: {
        int previous = Get(hwnd, SlotStep);
        Set(hwnd, SlotStep, static_cast<int>(wParam));
        return previous;
    }
    case WM_ERASEBKGND:
        return 1; // WM_PAINT paints every pixel
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    default:
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

bool Register()
{
    static const bool registered = [] {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = WindowProc;
        wc.cbWndExtra = SlotCount * sizeof(LONG);
        wc.hInstance = CAppModule::ModuleInstance();
        wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return ::RegisterClassExW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
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

} // namespace LevelMeter
