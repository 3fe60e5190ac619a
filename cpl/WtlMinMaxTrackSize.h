#pragma once
#include <windows.h>
#include "MessageMap.h"

// Mix-in of a window T: limits the size the user can drag it to. -1 leaves a limit as the
// system has it.
template <class T>
class WtlMinMaxTrackSize
{
public:
    WtlMinMaxTrackSize(int minWidth, int minHeight, int maxWidth = -1, int maxHeight = -1)
        : m_minWidth(minWidth), m_minHeight(minHeight), m_maxWidth(maxWidth), m_maxHeight(maxHeight)
    {
    }
    virtual ~WtlMinMaxTrackSize() = default;

    int MinTrackWidth() const { return m_minWidth; }
    void SetMinTrackWidth(int width) { m_minWidth = width; }

    BEGIN_MSG_MAP(WtlMinMaxTrackSize)
        MESSAGE_HANDLER(WM_GETMINMAXINFO, OnGetMinMaxInfo)
    END_MSG_MAP()

    LRESULT OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, BOOL&)
    {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (m_minWidth != -1)
            info->ptMinTrackSize.x = m_minWidth;
        if (m_minHeight != -1)
            info->ptMinTrackSize.y = m_minHeight;
        if (m_maxWidth != -1)
            info->ptMaxTrackSize.x = m_maxWidth;
        if (m_maxHeight != -1)
            info->ptMaxTrackSize.y = m_maxHeight;
        return 0;
    }

private:
    int m_minWidth;
    int m_minHeight;
    int m_maxWidth;
    int m_maxHeight;
};
