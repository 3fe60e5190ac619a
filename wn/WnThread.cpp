#include "WnThread.h"
#include <process.h>

unsigned __stdcall WnThread::Entry(void* callback)
{
    return static_cast<WnThreadCallbackInterface*>(callback)->Run();
}

DWORD WnThread::Start(WnThreadCallbackInterface* callback, unsigned stackSize, unsigned flags)
{
    if (m_handle != nullptr)
        return ERROR_ALREADY_EXISTS;
    unsigned id = 0;
    uintptr_t handle = _beginthreadex(nullptr, stackSize, &WnThread::Entry, callback, flags, &id);
    if (handle == 0) {
        DWORD error = GetLastError();
        m_id = 0;
        return error ? error : ERROR_NOT_ENOUGH_MEMORY;
    }
    m_handle = reinterpret_cast<HANDLE>(handle);
    m_id = id;
    return 0;
}

DWORD WnThread::Wait(DWORD timeoutMs)
{
    if (m_handle == nullptr)
        return 0;
    DWORD result = WaitForSingleObject(m_handle, timeoutMs);
    if (result != WAIT_OBJECT_0)
        return result;
    Close();
    m_id = 0;
    return 0;
}
