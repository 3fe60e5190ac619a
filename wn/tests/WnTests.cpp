#include <gtest/gtest.h>
#include <string>
#include "WnEvent.h"
#include "WnMutex.h"
#include "WnThread.h"
#include "WnWaitableTimer.h"

namespace {

class GatedWorker
{
public:
    GatedWorker() : forwarder(this, &GatedWorker::Body) { gate.Create(true); }
    DWORD Body()
    {
        WaitForSingleObject(gate.Get(), 10000);
        return exitCode;
    }
    WnEvent gate;
    DWORD exitCode = 42;
    WnThreadCallbackForwarderT<GatedWorker> forwarder;
};

TEST(WnThreadTest, StartWhileHeldIsRefusedAndRestartAfterWait)
{
    GatedWorker worker;
    WnThread thread;
    EXPECT_EQ(0u, thread.Wait(0)) << "never started";
    ASSERT_EQ(0u, thread.Start(&worker.forwarder));
    EXPECT_NE(0u, thread.GetId());
    HANDLE first = thread.Get();

    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), thread.Start(&worker.forwarder));
    EXPECT_EQ(first, thread.Get()) << "the running thread is left alone";
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), thread.Wait(0));
    EXPECT_TRUE(thread.IsValid()) << "a timed-out wait keeps the handle";

    DWORD exitCode = 0;
    worker.gate.Set();
    HANDLE duplicate = nullptr;
    DuplicateHandle(GetCurrentProcess(), first, GetCurrentProcess(), &duplicate, 0, FALSE, DUPLICATE_SAME_ACCESS);
    EXPECT_EQ(0u, thread.Wait(INFINITE));
    EXPECT_FALSE(thread.IsValid());
    EXPECT_EQ(0u, thread.GetId());
    GetExitCodeThread(duplicate, &exitCode);
    CloseHandle(duplicate);
    EXPECT_EQ(42u, exitCode) << "the callback's result is the exit code";

    worker.exitCode = 7;
    EXPECT_EQ(0u, thread.Start(&worker.forwarder));
    EXPECT_EQ(0u, thread.Wait(INFINITE));
}

TEST(WnMutexTest, NamedMutexReportsAnExistingOne)
{
    std::wstring name = L"Local\\WnMutexTest-" + std::to_wstring(GetCurrentProcessId());
    WnMutex first, second, unnamed1, unnamed2;
    EXPECT_EQ(0u, first.Create(nullptr, false, name.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), second.Create(nullptr, false, name.c_str()));
    EXPECT_TRUE(second.IsValid()) << "the handle is still stored";
    EXPECT_EQ(0u, unnamed1.Create(nullptr, false, nullptr));
    EXPECT_EQ(0u, unnamed2.Create(nullptr, true, nullptr));

    // Re-creating closes the previous handle; with no other holder the name is free again.
    second.Close();
    EXPECT_EQ(0u, first.Create(nullptr, false, (name + L"-other").c_str()));
    EXPECT_EQ(0u, second.Create(nullptr, false, name.c_str()));
}

TEST(WnMutexTest, NamedMutexHeldByAnotherProcess)
{
    std::wstring suffix = std::to_wstring(GetCurrentProcessId());
    std::wstring name = L"WnMutexCross-" + suffix;
    std::wstring readyName = L"WnMutexReady-" + suffix, releaseName = L"WnMutexRelease-" + suffix;
    WnEvent ready(CreateEventW(nullptr, TRUE, FALSE, readyName.c_str()));
    WnEvent release(CreateEventW(nullptr, TRUE, FALSE, releaseName.c_str()));

    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    dir = dir.substr(0, dir.find_last_of(L"\\/") + 1);
    std::wstring command = L"\"" + dir + L"wn_test_child.exe\" " + name + L" " + readyName + L" " + releaseName;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WnHandle process(pi.hProcess), childThread(pi.hThread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.Get(), 20000));

    WnMutex mutex;
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), mutex.Create(nullptr, false, name.c_str()));
    EXPECT_TRUE(mutex.IsValid());
    release.Set();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.Get(), 20000));
}

class TimerCounter
{
public:
    TimerCounter() : forwarder(this, &TimerCounter::OnTimer) {}
    void OnTimer(DWORD low, DWORD high)
    {
        ++calls;
        lastThread = GetCurrentThreadId();
        lastTime = (static_cast<ULONGLONG>(high) << 32) | low;
    }
    int calls = 0;
    DWORD lastThread = 0;
    ULONGLONG lastTime = 0;
    WnWaitableTimerCallbackForwarderT<TimerCounter> forwarder;
};

TEST(WnWaitableTimerTest, PeriodMustBePositive)
{
    WnWaitableTimer timer;
    ASSERT_EQ(0u, timer.Create(false));
    TimerCounter counter;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), timer.Set(0, &counter.forwarder, false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), timer.Set(-5, &counter.forwarder, false));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(timer.Get(), 50)) << "nothing was set";
    EXPECT_EQ(0, counter.calls);
}

TEST(WnWaitableTimerTest, RoutineRunsOnlyInAlertableWaitsOnTheSettingThread)
{
    WnWaitableTimer timer;
    ASSERT_EQ(0u, timer.Create(false));
    TimerCounter counter;
    ASSERT_EQ(0u, timer.Set(3000, &counter.forwarder, false));

    // The first expiry comes almost at once, but a non-alertable wait delivers nothing.
    Sleep(30);
    EXPECT_EQ(0, counter.calls);
    EXPECT_EQ(static_cast<DWORD>(WAIT_IO_COMPLETION), SleepEx(1000, TRUE));
    EXPECT_EQ(1, counter.calls);
    EXPECT_EQ(GetCurrentThreadId(), counter.lastThread);
    EXPECT_NE(0u, counter.lastTime);

    // The next expiry is a whole period away, and a cancelled timer delivers no more.
    EXPECT_EQ(0u, SleepEx(100, TRUE));
    EXPECT_EQ(1, counter.calls);
    EXPECT_EQ(0u, timer.Cancel());
    WnWaitableTimer empty;
    EXPECT_EQ(0u, empty.Cancel());
}

TEST(WnHandleTest, EmptyAndOwnedHandles)
{
    WnHandle empty;
    EXPECT_EQ(0u, empty.Close());
    WnEvent event;
    ASSERT_EQ(0u, event.Create(false));
    EXPECT_NE(0u, event.Close()) << "a successful close is non-zero";
    EXPECT_FALSE(event.IsValid());
    EXPECT_EQ(0u, event.Close());
}

} // namespace
