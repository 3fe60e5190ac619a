#include "WnPostWindowMessageThread.h"

namespace {

// After a failed wait (a handle gone bad) the loop pauses this long before it tries
// again, so that it cannot burn a core; the stop event still ends it at once.
const DWORD kRetryPauseMs = 100;

} // namespace

WnPostWindowMessageThread::WnPostWindowMessageThread()
{
    m_stop.Create(false);
}

WnPostWindowMessageThread::~WnPostWindowMessageThread()
{
    m_stop.Close();
    m_thread.Close();
}

DWORD WnPostWindowMessageThread::Start(HWND window, HANDLE watchedEvent, UINT message)
{
    if (m_thread.IsValid())
        return ERROR_ALREADY_EXISTS;
    m_window = window;
    m_watched = watchedEvent;
    m_message = message;
    return m_thread.Start(this);
}

void WnPostWindowMessageThread::Stop()
{
    if (!m_thread.IsValid())
        return;
    m_stop.Set();
    m_thread.Wait(INFINITE);
}

DWORD WnPostWindowMessageThread::Run()
{
    HANDLE handles[2] = {m_stop.Get(), m_watched};
    for (;;) {
        DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0 + 1) {
            PostMessageW(m_window, m_message, 0, 0);
        } else if (result == WAIT_FAILED) {
            if (WaitForSingleObject(m_stop.Get(), kRetryPauseMs) != WAIT_TIMEOUT)
                break; // stopped, or even the stop event is unusable
        } else {
            break;
        }
    }
    return 0;
}
