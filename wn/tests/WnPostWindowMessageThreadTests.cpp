#include <gtest/gtest.h>
#include "WnEvent.h"
#include "WnHandle.h"
#include "WnPostWindowMessageThread.h"

namespace {

const UINT kMessage = WM_APP + 10;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kMessage) {
        ++*reinterpret_cast<int*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class PostThreadTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = CountingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"WnPostThreadTest";
        RegisterClassW(&wc);
        window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                 nullptr);
        ASSERT_NE(nullptr, window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&received));
        ASSERT_EQ(0u, watched.Create(false));
    }
    void TearDown() override { DestroyWindow(window); }

    // Dispatches messages until count reaches at least want or the time is up.
    void Pump(int want, DWORD limitMs)
    {
        DWORD start = GetTickCount();
        while (received < want && GetTickCount() - start < limitMs) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
        }
    }

    HWND window = nullptr;
    int received = 0;
    WnEvent watched;
};

TEST_F(PostThreadTest, SignalsWhileTheReceiverIsBusyPostOneToThreeMessages)
{
    WnPostWindowMessageThread thread;
    ASSERT_EQ(0u, thread.Start(window, watched.Get(), kMessage));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), thread.Start(window, watched.Get(), kMessage));
    for (int i = 0; i < 3; ++i)
        watched.Set();
    Pump(1, 2000);
    Pump(3, 200); // anything still on its way
    EXPECT_GE(received, 1);
    EXPECT_LE(received, 3);
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
}

TEST_F(PostThreadTest, StopWinsOverASignalledWatchedEvent)
{
    WnEvent manual;
    ASSERT_EQ(0u, manual.Create(true));
    manual.Set(); // stays signalled: the thread would post for ever
    WnPostWindowMessageThread thread;
    ASSERT_EQ(0u, thread.Start(window, manual.Get(), kMessage));
    Pump(5, 2000);
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    int afterStop = received;
    Pump(afterStop + 1, 100);
    EXPECT_EQ(afterStop, received) << "nothing is posted once stopped";
}

TEST_F(PostThreadTest, BadWatchedHandleNeitherSpinsNorBlocksStop)
{
    // A handle without SYNCHRONIZE access: every wait on it fails, and unlike a closed
    // handle its value cannot be handed to the thread's own stop event meanwhile.
    HANDLE event = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    HANDLE closed = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &closed, EVENT_MODIFY_STATE, FALSE, 0));
    WnHandle eventOwner(event), closedOwner(closed);
    ASSERT_EQ(WAIT_FAILED, WaitForSingleObject(closed, 0)) << "the wait fails although the event is set";
    WnPostWindowMessageThread thread;
    FILETIME created, exited, kernelBefore, userBefore, kernelAfter, userAfter;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernelBefore, &userBefore);
    ASSERT_EQ(0u, thread.Start(window, closed, kMessage));
    Sleep(300);
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernelAfter, &userAfter);
    thread.Stop();
    auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    ULONGLONG busy = ticks(kernelAfter) - ticks(kernelBefore) + ticks(userAfter) - ticks(userBefore);
    EXPECT_LT(busy, 1500000u) << "CPU time in 100-ns units while the wait kept failing";
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(0, received);
}

} // namespace
