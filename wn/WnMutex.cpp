#include "WnMutex.h"

DWORD WnMutex::Create(LPSECURITY_ATTRIBUTES security, bool initialOwner, LPCWSTR name)
{
    Close();
    m_handle = CreateMutexW(security, initialOwner ? TRUE : FALSE, name);
    if (m_handle == nullptr)
        return GetLastError();
    if (name == nullptr)
        return 0;
    return GetLastError() == ERROR_ALREADY_EXISTS ? ERROR_ALREADY_EXISTS : 0;
}
