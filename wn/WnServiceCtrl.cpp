#include "WnServiceCtrl.h"

DWORD WnServiceCtrl::Create(const WnServiceCtrlMgr& manager, LPCWSTR serviceName, LPCWSTR displayName,
                            DWORD desiredAccess, DWORD serviceType, DWORD startType, DWORD errorControl,
                            LPCWSTR binaryPath, LPCWSTR loadOrderGroup, LPDWORD tagId,
                            LPCWSTR dependencies, LPCWSTR account, LPCWSTR password)
{
    Close();
    return Take(CreateServiceW(manager.Get(), serviceName, displayName, desiredAccess, serviceType,
                               startType, errorControl, binaryPath, loadOrderGroup, tagId,
                               dependencies, account, password));
}

DWORD WnServiceCtrl::Open(const WnServiceCtrlMgr& manager, LPCWSTR serviceName, DWORD desiredAccess)
{
    Close();
    return Take(OpenServiceW(manager.Get(), serviceName, desiredAccess));
}
