#include "LevelMeter.h"
#include <algorithm>

namespace {

int Clamp(int position, int minimum, int maximum)
{
    return maximum > minimum ? std::min(std::max(position, minimum), maximum) : minimum;
}

HBRUSH BarBrush(bool filled)
{
    return ::GetSysColorBrush(filled ? COLOR_HIGHLIGHT : COLOR_WINDOW);
}

} // namespace

BOOL LevelMeter::SubclassWindow(HWND hWnd)
{
    if (!CWindowImpl<LevelMeter>::SubclassWindow(hWnd))
        return FALSE;
    Measure();
    return TRUE;
}

int LevelMeter::Extent(int position, int minimum, int maximum, int length)
{
    if (maximum <= minimum || length <= 0)
        return 0;
    long long filled = static_cast<long long>(Clamp(position, minimum, maximum)) - minimum;
    return static_cast<int>(filled * length / (static_cast<long long>(maximum) - minimum));
}

void LevelMeter::Measure()
{
    m_vertical = (GetStyle() & PBS_VERTICAL) != 0;
    GetClientRect(&m_inside);
    ::InflateRect(&m_inside, -1, -1);
}

RECT LevelMeter::BarRect(int position) const
{
    RECT rect = m_inside;
    if (m_vertical)
        rect.top = rect.bottom - Extent(position, m_minimum, m_maximum, rect.bottom - rect.top);
    else
        rect.right = rect.left + Extent(position, m_minimum, m_maximum, rect.right - rect.left);
    return rect;
}

bool LevelMeter::MoveTo(int position, RECT* change, bool* fills)
{
    int before = m_position;
    m_position = Clamp(position, m_minimum, m_maximum);
    RECT a = BarRect(before), b = BarRect(m_position);
    if (::EqualRect(&a, &b))
        return false;
    *change = a;
    if (m_vertical) {
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

LRESULT LevelMeter::OnGeometry(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    Measure();
    bHandled = FALSE; // the default processing too
    return 0;
}

LRESULT LevelMeter::OnSetRange(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
{
    LRESULT previous = MAKELONG(m_minimum, m_maximum);
    m_minimum = static_cast<int>(wParam);
    m_maximum = static_cast<int>(lParam);
    m_position = Clamp(m_position, m_minimum, m_maximum);
    Invalidate(FALSE);
    return previous;
}

LRESULT LevelMeter::OnGetRange(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
{
    if (lParam != 0) {
        reinterpret_cast<PBRANGE*>(lParam)->iLow = m_minimum;
        reinterpret_cast<PBRANGE*>(lParam)->iHigh = m_maximum;
    }
    return wParam != 0 ? m_minimum : m_maximum;
}

LRESULT LevelMeter::OnSetPos(UINT, WPARAM wParam, LPARAM, BOOL&)
{
    int previous = m_position;
    RECT change;
    bool fills;
    if (MoveTo(static_cast<int>(wParam), &change, &fills))
        ::InvalidateRect(m_hWnd, &change, FALSE);
    return previous;
}

LRESULT LevelMeter::OnSetStep(UINT, WPARAM wParam, LPARAM, BOOL&)
{
    int previous = m_step;
    m_step = static_cast<int>(wParam);
    return previous;
}

LRESULT LevelMeter::OnPaint(UINT, WPARAM, LPARAM, BOOL&)
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_hWnd, &ps);
    RECT client, bar = BarRect(m_position), rest = m_inside;
    GetClientRect(&client);
    if (m_vertical)
        rest.bottom = bar.top;
    else
        rest.left = bar.right;
    ::FrameRect(dc, &client, ::GetSysColorBrush(COLOR_BTNSHADOW));
    ::FillRect(dc, &bar, BarBrush(true));
    ::FillRect(dc, &rest, BarBrush(false));
    ::EndPaint(m_hWnd, &ps);
    return 0;
}

bool LevelMeter::Canvas::Move(LevelMeter& meter, int position)
{
    RECT change;
    bool fills;
    if (meter.m_hWnd == nullptr || !meter.MoveTo(position, &change, &fills))
        return false;
    if (!meter.IsWindowVisible())
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

void LevelMeter::Canvas::Release()
{
    if (m_dc != nullptr)
        ::ReleaseDC(m_window, m_dc);
    m_dc = nullptr;
    m_window = nullptr;
}
