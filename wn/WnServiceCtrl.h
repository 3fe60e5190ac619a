#pragma once
#include "WnServiceCtrlMgr.h"

// One installed service.
class WnServiceCtrl : public WnServiceCtrlHandle
{
public:
    WnServiceCtrl() = default;
    ~WnServiceCtrl() override = default;

    // Both close a held handle first; 0 or GetLastError().
    DWORD Create(const WnServiceCtrlMgr& manager, LPCWSTR serviceName, LPCWSTR displayName,
                 DWORD desiredAccess, DWORD serviceType, DWORD startType, DWORD errorControl,
                 LPCWSTR binaryPath, LPCWSTR loadOrderGroup, LPDWORD tagId,
                 LPCWSTR dependencies, LPCWSTR account, LPCWSTR password);
    DWORD Open(const WnServiceCtrlMgr& manager, LPCWSTR serviceName, DWORD desiredAccess);
};
