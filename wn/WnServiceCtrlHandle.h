#pragma once
#include <windows.h>

// Owns one service control manager or service handle (null when closed).
class WnServiceCtrlHandle
{
public:
    WnServiceCtrlHandle() = default;
    virtual ~WnServiceCtrlHandle();

    WnServiceCtrlHandle(const WnServiceCtrlHandle&) = delete;
    WnServiceCtrlHandle& operator=(const WnServiceCtrlHandle&) = delete;

    // 0 when nothing was held or the close succeeded, else GetLastError(); the handle is
    // forgotten in either case.
    DWORD Close();

    SC_HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle != nullptr; }

protected:
    // Takes a handle returned by the system: 0, or GetLastError() for a null one.
    DWORD Take(SC_HANDLE handle);

    SC_HANDLE m_handle = nullptr;
};
