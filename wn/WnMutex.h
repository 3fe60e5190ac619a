#pragma once
#include "WnHandle.h"

class WnMutex : public WnHandle
{
public:
    WnMutex() = default;
    ~WnMutex() override = default;

    // Closes any previous handle, then CreateMutexW. For a named mutex that already
    // existed the result is 183 (ERROR_ALREADY_EXISTS) and the handle is still held.
    DWORD Create(LPSECURITY_ATTRIBUTES security, bool initialOwner, LPCWSTR name);
};
