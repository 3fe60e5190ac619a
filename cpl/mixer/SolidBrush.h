#pragma once
#include <windows.h>

// Owns one solid GDI brush for the life of the object.
class SolidBrush
{
public:
    explicit SolidBrush(COLORREF colour) : m_colour(colour), m_brush(::CreateSolidBrush(colour)) {}
    ~SolidBrush()
    {
        if (m_brush != nullptr)
            ::DeleteObject(m_brush);
    }
    SolidBrush(const SolidBrush&) = delete;
    SolidBrush& operator=(const SolidBrush&) = delete;

    HBRUSH Get() const { return m_brush; }
    COLORREF Colour() const { return m_colour; }
    // The answer to WM_CTLCOLORSTATIC: this colour behind the text, this brush for the rest.
    LRESULT Paint(HDC dc) const
    {
        ::SetBkColor(dc, m_colour);
        return reinterpret_cast<LRESULT>(m_brush);
    }

private:
    COLORREF m_colour;
    HBRUSH m_brush;
};
