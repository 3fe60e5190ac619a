#pragma once
#include <windows.h>
#include "WnDeviceNotificationList.h"
#include "WnEvent.h"
#include "WnPnPNotificator.h"
#include "WnService.h"

// The reusable body of a service that follows the arrival of devices of one interface
// class, under the service control manager or in a console.
class ServiceBase
{
public:
    ServiceBase();
    virtual ~ServiceBase();

    ServiceBase(const ServiceBase&) = delete;
    ServiceBase& operator=(const ServiceBase&) = delete;

    virtual const wchar_t* GetServiceName() const = 0;
    virtual const wchar_t* GetDisplayName() const = 0;
    virtual const wchar_t* GetDescription() const = 0;
    virtual LPSERVICE_MAIN_FUNCTIONW GetServiceMain() const = 0;
    // The body in console mode: 0 after a normal stop, 1 on a start-up failure,
    // CONSOLE_RUN_FAILED when the running service ended on a failure.
    enum : DWORD { CONSOLE_RUN_FAILED = 2 };
    virtual DWORD RunConsole() = 0;
    virtual void OnDeviceEvent(DWORD eventType, LPVOID eventData);
    virtual DWORD OnControl(DWORD control, DWORD eventType, LPVOID eventData);

    // Service control operations, each with its own manager connection: 0 or a Win32 error.
    DWORD Install();
    DWORD Uninstall();
    DWORD Start();
    DWORD Stop();

    // Callable from any thread.
    void RequestStop();
    bool ReportStatus(DWORD state, DWORD waitHint, DWORD checkPoint, DWORD win32ExitCode, DWORD specificExitCode);
    DWORD RegisterForDevices(const GUID& guid);
    DWORD StartDeviceNotificator(const GUID& guid);

    HANDLE GetStopEvent() const { return m_stop.Get(); }

protected:
    // Hands a status to the manager: 0 at once without a status handle (console mode).
    virtual DWORD SendStatus(const SERVICE_STATUS& status);

    // Budget of Stop for the service to reach the stopped state.
    enum : DWORD { STOP_BUDGET_MS = 5000, STOP_POLL_MS = 100 };

    WnService m_service;
    WnServiceCallbackForwarderT<ServiceBase> m_controlForwarder;
    WnDeviceNotificationList m_serviceNotifications;
    DWORD m_serviceType;
    DWORD m_controlsAccepted;
    WnEvent m_stop;
    WnPnPNotificator m_notificator;
    WnPnPNotificatorCallbackForwarderT<ServiceBase> m_deviceForwarder;

private:
    void OnNotificatorEvent(WPARAM eventType, const DEV_BROADCAST_HDR* header);
    void StopSteps();
};
