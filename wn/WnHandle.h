#pragma once
#include <windows.h>

// Owns one kernel handle (null when empty) and closes it on destruction.
class WnHandle
{
public:
    WnHandle() = default;
    explicit WnHandle(HANDLE handle) : m_handle(handle) {}
    virtual ~WnHandle();

    WnHandle(const WnHandle&) = delete;
    WnHandle& operator=(const WnHandle&) = delete;

    // Non-zero on success, GetLastError() on failure, 0 when empty.
    DWORD Close();

    // Closes the current handle and takes ownership of another.
    void Attach(HANDLE handle);
    HANDLE Detach();

    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle != nullptr; }

protected:
    HANDLE m_handle = nullptr;
};
