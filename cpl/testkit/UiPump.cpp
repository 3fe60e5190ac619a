#include "UiPump.h"

namespace {

void DispatchQueued()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

} // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD limitMs)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        DispatchQueued();
        if (done())
            return true;
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= limitMs)
            return false;
        // Wakes for any message; the short cap rechecks conditions that other threads change.
        DWORD wait = limitMs - elapsed < 20 ? limitMs - elapsed : 20;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
}

void PumpPending(DWORD limitMs)
{
    DWORD start = ::GetTickCount();
    MSG msg;
    while (::GetTickCount() - start < limitMs && ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
        DispatchQueued();
}
