#pragma once
#include <functional>
#include "WnPostWindowMessageThread.h"
#include "ZephraClient.h"

// Posted to the main window when the driver queued notifications for the main client.
enum : UINT { WM_DRIVER_NOTIFICATION = WM_APP + 10 };

// The control panel's process-wide link to the driver: the main client and the thread
// that turns its notification event into WM_DRIVER_NOTIFICATION on the GUI thread.
class CplDriverLink
{
public:
    // The client's service requests wait with WaitKeepingWindowsAlive.
    CplDriverLink();
    ~CplDriverLink();

    CplDriverLink(const CplDriverLink&) = delete;
    CplDriverLink& operator=(const CplDriverLink&) = delete;

    // Opens the main client (type 2) and starts the notification thread for window.
    ZephraStatus Start(HWND window, const wchar_t* name = ZEPHRA_CONTROL_DEVICE_NAME);
    // Stops and joins the thread, then closes the client (which closes the watched event).
    void Stop();

    // Reads the pending notifications and hands each to handler; returns the status that
    // ended the pass (normally ZEPHRA_STATUS_NO_MORE_ITEMS). A pass cut short sets the
    // notification event again, so the thread posts another message for the rest.
    ZephraStatus Drain(const std::function<void(const ZephraMessage&)>& handler);

    ZephraCplClient& Client() { return m_client; }
    bool IsRunning() const { return m_thread.IsRunning(); }

private:
    ZephraCplClient m_client;
    WnPostWindowMessageThread m_thread;
};
