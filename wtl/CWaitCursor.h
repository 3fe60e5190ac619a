#pragma once
#include <windows.h>

// Shows the wait cursor for its lifetime, while the thread is busy and handles no messages.
class CWaitCursor
{
public:
    CWaitCursor() : m_previous(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { ::SetCursor(m_previous); }

    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_previous;
};
