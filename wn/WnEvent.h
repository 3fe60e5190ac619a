#pragma once
#include "WnHandle.h"

class WnEvent : public WnHandle
{
public:
    WnEvent() = default;
    explicit WnEvent(HANDLE handle) : WnHandle(handle) {}
    ~WnEvent() override = default;

    // Unnamed, initially non-signalled; closes any previous handle. 0 or GetLastError().
    DWORD Create(bool manualReset);
    DWORD Set() const;
    DWORD Reset() const;
};
