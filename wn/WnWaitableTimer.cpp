#include "WnWaitableTimer.h"

WnWaitableTimer::~WnWaitableTimer()
{
    Cancel();
}

void CALLBACK WnWaitableTimer::Trampoline(LPVOID callback, DWORD timeLow, DWORD timeHigh)
{
    static_cast<WnWaitableTimerCallbackInterface*>(callback)->OnTimer(timeLow, timeHigh);
}

DWORD WnWaitableTimer::Create(bool manualReset, LPSECURITY_ATTRIBUTES security, LPCWSTR name)
{
    Cancel();
    Close();
    m_handle = CreateWaitableTimerW(security, manualReset ? TRUE : FALSE, name);
    return m_handle ? 0 : GetLastError();
}

DWORD WnWaitableTimer::Set(LONG periodMs, WnWaitableTimerCallbackInterface* callback, bool resume)
{
    if (periodMs <= 0)
        return ERROR_INVALID_PARAMETER;
    // Relative due time of periodMs 100-ns units: the first expiry comes almost at once.
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(periodMs);
    BOOL ok = SetWaitableTimer(m_handle, &due, periodMs, callback ? &WnWaitableTimer::Trampoline : nullptr,
                               callback, resume ? TRUE : FALSE);
    return ok ? 0 : GetLastError();
}

DWORD WnWaitableTimer::Cancel()
{
    if (m_handle == nullptr)
        return 0;
    return CancelWaitableTimer(m_handle) ? 0 : GetLastError();
}
