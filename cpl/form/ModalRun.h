#pragma once
#include <windows.h>
#include <functional>

// One modal loop of the GUI thread: a message box, a popup, the About box, the wait for the
// service. While one runs, no window or page whose code is on the stack below it may be
// destroyed: the main window notes such work (Defer) and is told by one message when the
// last loop has ended.
class ModalRun
{
public:
    // cancel: ends the loop early and without effect (a popup whose data is going away);
    // null for a loop that only ends by itself.
    explicit ModalRun(std::function<void()> cancel = nullptr);
    ~ModalRun();

    ModalRun(const ModalRun&) = delete;
    ModalRun& operator=(const ModalRun&) = delete;

    static bool Active();
    // Ends every loop that can be ended early.
    static void CancelAll();
    // While a loop runs: message is posted to window once the last one has ended.
    static void Defer(HWND window, UINT message);

private:
    std::function<void()> m_cancel;
};

// How the control panel's main client waits for a service reply (a WaitForSingleObject
// result): its windows go on painting and answering sent messages; input, timers and other
// posted messages wait in the queue until the reply or the time-out has come.
DWORD WaitKeepingWindowsAlive(HANDLE event, DWORD timeoutMs);
