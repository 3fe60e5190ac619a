#pragma once
#include "WnServiceCtrlHandle.h"

class WnServiceCtrlMgr : public WnServiceCtrlHandle
{
public:
    WnServiceCtrlMgr() = default;
    ~WnServiceCtrlMgr() override = default;

    // Closes a held handle, then OpenSCManagerW. 0 or GetLastError().
    DWORD Open(LPCWSTR machine, LPCWSTR database, DWORD access);
};
