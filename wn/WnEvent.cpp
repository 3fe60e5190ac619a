#include "WnEvent.h"

DWORD WnEvent::Create(bool manualReset)
{
    Close();
    m_handle = CreateEventW(nullptr, manualReset ? TRUE : FALSE, FALSE, nullptr);
    return m_handle ? 0 : GetLastError();
}

DWORD WnEvent::Set() const
{
    return SetEvent(m_handle) ? 0 : GetLastError();
}

DWORD WnEvent::Reset() const
{
    return ResetEvent(m_handle) ? 0 : GetLastError();
}
