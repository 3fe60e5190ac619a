#pragma once
#include "WnHandle.h"

class WnWaitableTimerCallbackInterface
{
public:
    virtual void OnTimer(DWORD timeLow, DWORD timeHigh) = 0;

protected:
    ~WnWaitableTimerCallbackInterface() = default;
};

template <class T>
class WnWaitableTimerCallbackForwarderT : public WnWaitableTimerCallbackInterface
{
public:
    typedef void (T::*Member)(DWORD timeLow, DWORD timeHigh);

    WnWaitableTimerCallbackForwarderT(T* object, Member member) : m_object(object), m_member(member) {}
    void OnTimer(DWORD timeLow, DWORD timeHigh) override { (m_object->*m_member)(timeLow, timeHigh); }

private:
    T* m_object;
    Member m_member;
};

// The callback runs as an APC on the thread that called Set, in its alertable waits.
class WnWaitableTimer : public WnHandle
{
public:
    WnWaitableTimer() = default;
    ~WnWaitableTimer() override;

    DWORD Create(bool manualReset, LPSECURITY_ATTRIBUTES security = nullptr, LPCWSTR name = nullptr);
    // periodMs <= 0 gives 87 and changes nothing.
    DWORD Set(LONG periodMs, WnWaitableTimerCallbackInterface* callback, bool resume);
    DWORD Cancel();

private:
    static void CALLBACK Trampoline(LPVOID callback, DWORD timeLow, DWORD timeHigh);
};
