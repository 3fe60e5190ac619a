#include "ModalRun.h"
#include <algorithm>
#include <vector>

namespace {

// GUI thread only.
std::vector<ModalRun*> g_runs; // innermost last
HWND g_deferredWindow = nullptr;
UINT g_deferredMessage = 0;

const int kPaintsPerWake = 64; // a window that never validates cannot hold the wait

} // namespace

ModalRun::ModalRun(std::function<void()> cancel) : m_cancel(std::move(cancel))
{
    g_runs.push_back(this);
}

ModalRun::~ModalRun()
{
    g_runs.erase(std::remove(g_runs.begin(), g_runs.end(), this), g_runs.end());
    if (!g_runs.empty() || g_deferredWindow == nullptr)
        return;
    ::PostMessageW(g_deferredWindow, g_deferredMessage, 0, 0);
    g_deferredWindow = nullptr;
}

bool ModalRun::Active()
{
    return !g_runs.empty();
}

void ModalRun::CancelAll()
{
    std::vector<ModalRun*> runs = g_runs;
    for (ModalRun* run : runs) {
        if (run->m_cancel)
            run->m_cancel();
    }
}

void ModalRun::Defer(HWND window, UINT message)
{
    g_deferredWindow = window;
    g_deferredMessage = message;
}

DWORD WaitKeepingWindowsAlive(HANDLE event, DWORD timeoutMs)
{
    ModalRun run; // notifications, rebuilds and a close wait for the reply
    DWORD start = ::GetTickCount();
    for (;;) {
        DWORD elapsed = ::GetTickCount() - start;
        DWORD left = timeoutMs == INFINITE ? INFINITE : (elapsed < timeoutMs ? timeoutMs - elapsed : 0);
        DWORD wait = ::MsgWaitForMultipleObjectsEx(1, &event, left, QS_PAINT | QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (wait != WAIT_OBJECT_0 + 1)
            return wait;
        // Sent messages are handled inside PeekMessage; of the posted ones only paint is.
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        for (int i = 0; i < kPaintsPerWake && ::PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i)
            ::DispatchMessageW(&msg);
    }
}
