#include "WnServiceCtrlHandle.h"

WnServiceCtrlHandle::~WnServiceCtrlHandle()
{
    Close();
}

DWORD WnServiceCtrlHandle::Close()
{
    if (m_handle == nullptr)
        return 0;
    DWORD result = CloseServiceHandle(m_handle) ? 0 : GetLastError();
    m_handle = nullptr;
    return result;
}

DWORD WnServiceCtrlHandle::Take(SC_HANDLE handle)
{
    m_handle = handle;
    return handle ? 0 : GetLastError();
}
