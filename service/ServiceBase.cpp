#include "ServiceBase.h"
#include "ModulePath.h"
#include "WnEventSource.h"
#include "WnServiceCtrl.h"
#include "WnServiceCtrlMgr.h"
#include "WnString.h"

namespace {

const wchar_t* const kDatabase = L"ServicesActive";
const size_t kBinaryPathChars = 280;

// Opens the manager; a failure with no error code goes on without a handle, and the
// next call reports its own error.
DWORD OpenManager(WnServiceCtrlMgr* manager)
{
    return manager->Open(nullptr, kDatabase, SC_MANAGER_ALL_ACCESS);
}

} // namespace

ServiceBase::ServiceBase()
    : m_serviceType(SERVICE_WIN32_OWN_PROCESS), m_controlsAccepted(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN)
{
    m_controlForwarder.Bind(this, &ServiceBase::OnControl);
    m_deviceForwarder.Bind(this, &ServiceBase::OnNotificatorEvent);
    m_stop.Create(false);
}

ServiceBase::~ServiceBase()
{
    m_notificator.Stop(INFINITE);
    m_stop.Close();
    m_serviceNotifications.UnregisterAll();
}

void ServiceBase::OnDeviceEvent(DWORD, LPVOID) {}

void ServiceBase::OnNotificatorEvent(WPARAM eventType, const DEV_BROADCAST_HDR* header)
{
    OnDeviceEvent(static_cast<DWORD>(eventType), const_cast<DEV_BROADCAST_HDR*>(header));
}

void ServiceBase::StopSteps()
{
    m_serviceNotifications.UnregisterAll();
    m_notificator.Stop(INFINITE);
    m_stop.Set();
}

DWORD ServiceBase::OnControl(DWORD control, DWORD eventType, LPVOID eventData)
{
    if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN)
        StopSteps();
    else if (control == SERVICE_CONTROL_DEVICEEVENT)
        OnDeviceEvent(eventType, eventData);
    return NO_ERROR;
}

void ServiceBase::RequestStop()
{
    StopSteps();
}

DWORD ServiceBase::SendStatus(const SERVICE_STATUS& status)
{
    return m_service.IsValid() ? m_service.SetStatus(status) : 0;
}

bool ServiceBase::ReportStatus(DWORD state, DWORD waitHint, DWORD checkPoint, DWORD win32ExitCode,
                               DWORD specificExitCode)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = m_serviceType;
    status.dwCurrentState = state;
    status.dwControlsAccepted = m_controlsAccepted;
    status.dwWin32ExitCode = win32ExitCode;
    status.dwServiceSpecificExitCode = specificExitCode;
    status.dwCheckPoint = checkPoint;
    status.dwWaitHint = waitHint;
    return SendStatus(status) == 0;
}

DWORD ServiceBase::RegisterForDevices(const GUID& guid)
{
    if (!m_service.IsValid())
        return 0;
    return m_serviceNotifications.Register(m_service.Get(), guid, DEVICE_NOTIFY_SERVICE_HANDLE);
}

DWORD ServiceBase::StartDeviceNotificator(const GUID& guid)
{
    if (!m_notificator.IsRunning()) {
        if (m_notificator.Start(&m_deviceForwarder, GetModuleHandleW(nullptr)) != 0) {
            DWORD error = GetLastError();
            return error != 0 ? error : ERROR_OPEN_FAILED;
        }
    }
    return m_notificator.RegisterInterface(guid) == 0 ? 0 : ERROR_OPEN_FAILED;
}

DWORD ServiceBase::Install()
{
    ModulePath module;
    DWORD error = module.Get(nullptr);
    if (error != 0)
        return error;
    WnServiceCtrlMgr manager;
    error = OpenManager(&manager);
    if (error != 0)
        return error;

    // Quoted: the manager would otherwise start whatever program sits at the path's first blank.
    wchar_t binaryPath[kBinaryPathChars];
    if (WnFormat(binaryPath, kBinaryPathChars, L"\"%s\" -service", module.Path()) != 0)
        return ERROR_FILENAME_EXCED_RANGE;
    WnServiceCtrl service;
    // A service just deleted stays marked for deletion until its process has gone: when
    // replacing an installation, give it the stop budget to go.
    for (DWORD waited = 0;; waited += STOP_POLL_MS) {
        error = service.Create(manager, GetServiceName(), GetDisplayName(), SERVICE_ALL_ACCESS, m_serviceType,
                               SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, binaryPath, L"PlugPlay", nullptr,
                               L"eventlog\0PlugPlay\0", nullptr, nullptr);
        if (error != ERROR_SERVICE_MARKED_FOR_DELETE || waited >= STOP_BUDGET_MS)
            break;
        Sleep(STOP_POLL_MS);
    }
    if (error != 0)
        return error;
    SERVICE_DESCRIPTIONW description = {const_cast<LPWSTR>(GetDescription())};
    ChangeServiceConfig2W(service.Get(), SERVICE_CONFIG_DESCRIPTION, &description);
    return RegisterEventSource(L"Application", GetServiceName(), module.Path());
}

DWORD ServiceBase::Uninstall()
{
    WnServiceCtrlMgr manager;
    DWORD error = OpenManager(&manager);
    if (error != 0)
        return error;
    WnServiceCtrl service;
    error = service.Open(manager, GetServiceName(), DELETE);
    if (error != 0)
        return error;
    if (!DeleteService(service.Get()))
        return GetLastError();
    UnregisterEventSource(L"Application", GetServiceName());
    return 0;
}

DWORD ServiceBase::Start()
{
    WnServiceCtrlMgr manager;
    DWORD error = OpenManager(&manager);
    if (error != 0)
        return error;
    WnServiceCtrl service;
    error = service.Open(manager, GetServiceName(), SERVICE_START);
    if (error != 0)
        return error;
    return StartServiceW(service.Get(), 0, nullptr) ? 0 : GetLastError();
}

DWORD ServiceBase::Stop()
{
    WnServiceCtrlMgr manager;
    DWORD error = OpenManager(&manager);
    if (error != 0)
        return error;
    WnServiceCtrl service;
    error = service.Open(manager, GetServiceName(), SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (error != 0)
        return error;
    SC_HANDLE handle = service.Get();
    SERVICE_STATUS status = {};
    if (!ControlService(handle, SERVICE_CONTROL_STOP, &status) && GetLastError() != 0)
        return GetLastError();
    for (DWORD budget = STOP_BUDGET_MS; budget > 0; budget -= STOP_POLL_MS) {
        if (!QueryServiceStatus(handle, &status) && GetLastError() != 0)
            return GetLastError();
        if (status.dwCurrentState == SERVICE_STOPPED)
            return 0;
        Sleep(STOP_POLL_MS);
    }
    return ERROR_TIMEOUT;
}
