#pragma once
#include "WnHandle.h"

class WnThreadCallbackInterface
{
public:
    virtual DWORD Run() = 0;

protected:
    ~WnThreadCallbackInterface() = default;
};

// Calls one member of an object it does not own.
template <class T>
class WnThreadCallbackForwarderT : public WnThreadCallbackInterface
{
public:
    typedef DWORD (T::*Member)();

    WnThreadCallbackForwarderT(T* object, Member member) : m_object(object), m_member(member) {}
    DWORD Run() override { return (m_object->*m_member)(); }

private:
    T* m_object;
    Member m_member;
};

// Destruction closes the handle only; the owner stops and waits for the thread first.
class WnThread : public WnHandle
{
public:
    WnThread() = default;
    ~WnThread() override = default;

    // 183 while a thread handle is held; otherwise 0 or GetLastError().
    DWORD Start(WnThreadCallbackInterface* callback, unsigned stackSize = 0, unsigned flags = 0);
    // 0 at once without a thread; 0 and the handle closed once the thread ended;
    // otherwise the wait result (258 time-out, 0xFFFFFFFF failed) with the handle kept.
    DWORD Wait(DWORD timeoutMs);

    DWORD GetId() const { return m_id; }

private:
    static unsigned __stdcall Entry(void* callback);

    DWORD m_id = 0;
};
