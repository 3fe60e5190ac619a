#include "WnHandle.h"

WnHandle::~WnHandle()
{
    Close();
}

DWORD WnHandle::Close()
{
    if (m_handle == nullptr)
        return 0;
    DWORD result = CloseHandle(m_handle) ? 1 : GetLastError();
    m_handle = nullptr;
    return result;
}

void WnHandle::Attach(HANDLE handle)
{
    Close();
    m_handle = handle;
}

HANDLE WnHandle::Detach()
{
    HANDLE handle = m_handle;
    m_handle = nullptr;
    return handle;
}
