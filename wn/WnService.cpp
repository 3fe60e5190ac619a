#include "WnService.h"

DWORD WnService::Register(LPCWSTR serviceName, WnServiceCallbackInterface* callback)
{
    m_status = RegisterServiceCtrlHandlerExW(serviceName, &WnService::ControlHandler, callback);
    if (m_status != nullptr)
        return 0;
    DWORD error = GetLastError();
    return error ? error : ERROR_INVALID_HANDLE;
}

DWORD WnService::SetStatus(const SERVICE_STATUS& status) const
{
    if (m_status == nullptr)
        return ERROR_INVALID_HANDLE;
    SERVICE_STATUS copy = status;
    return SetServiceStatus(m_status, &copy) ? 0 : GetLastError();
}

DWORD WINAPI WnService::ControlHandler(DWORD control, DWORD eventType, LPVOID eventData, LPVOID context)
{
    if (context == nullptr)
        return ERROR_CALL_NOT_IMPLEMENTED;
    return static_cast<WnServiceCallbackInterface*>(context)->Call(control, eventType, eventData);
}
