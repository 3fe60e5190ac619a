#pragma once
#include "WnEvent.h"
#include "WnThread.h"

// Turns an event into a window message: each signal posts the message to the window.
// The receiver drains all pending work per message, since signals may merge.
class WnPostWindowMessageThread : public WnThreadCallbackInterface
{
public:
    WnPostWindowMessageThread();
    virtual ~WnPostWindowMessageThread();

    WnPostWindowMessageThread(const WnPostWindowMessageThread&) = delete;
    WnPostWindowMessageThread& operator=(const WnPostWindowMessageThread&) = delete;

    // watchedEvent is not owned: keep it open until Stop has returned.
    DWORD Start(HWND window, HANDLE watchedEvent, UINT message);
    // Signals the stop event and joins the thread.
    void Stop();
    bool IsRunning() const { return m_thread.IsValid(); }

    DWORD Run() override;

private:
    WnThread m_thread;
    HWND m_window = nullptr;
    HANDLE m_watched = nullptr;
    WnEvent m_stop;
    UINT m_message = 0;
};
