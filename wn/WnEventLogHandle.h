#pragma once
#include <windows.h>

// Holds one event-source handle (null when closed); the derived class closes it.
class WnEventLogHandle
{
public:
    WnEventLogHandle() = default;
    virtual ~WnEventLogHandle() = default;

    WnEventLogHandle(const WnEventLogHandle&) = delete;
    WnEventLogHandle& operator=(const WnEventLogHandle&) = delete;

    virtual DWORD Close() = 0;

    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle != nullptr; }

protected:
    HANDLE m_handle = nullptr;
};
