#include "ZephraService.h"
#include <windows.h>
#include <dbt.h>
#include <cstdio>
#include "CustomServer.h"
#include "ModulePath.h"
#include "WnString.h"

namespace {

const unsigned kVersionMajor = 1;
const unsigned kVersionMinor = 36;
const unsigned kVersionBuild = 1;

} // namespace

ZephraService::ZephraService(LPSERVICE_MAIN_FUNCTIONW serviceMain)
    : m_serviceMain(serviceMain), m_server(new CustomServer())
{
    m_arrival.Create(false);
}

// The notificator goes first: it sets the arrival event. Then the server, which closes its
// device connections while the events still exist.
ZephraService::~ZephraService()
{
    m_notificator.Stop(INFINITE);
    delete m_server;
    m_arrival.Close();
    m_instance.Close();
}

const wchar_t* ZephraService::GetServiceName() const
{
    return m_server->GetServiceName();
}

const wchar_t* ZephraService::GetDisplayName() const
{
    return m_server->GetDisplayName();
}

const wchar_t* ZephraService::GetDescription() const
{
    return m_server->GetDescription();
}

void ZephraService::OnDeviceEvent(DWORD eventType, LPVOID)
{
    if (eventType == DBT_DEVICEARRIVAL)
        m_arrival.Set();
}

DWORD ZephraService::AcquireInstance()
{
    wchar_t name[INSTANCE_NAME_CHARS];
    WnCopy(name, INSTANCE_NAME_CHARS, GetServiceName());
    WnAppend(name, INSTANCE_NAME_CHARS, L"-");
    WnAppend(name, INSTANCE_NAME_CHARS, m_server->GetInterfaceGuidText());
    return m_instance.Create(nullptr, true, name);
}

std::unique_ptr<WnEventLogWriter> ZephraService::NewEventLogWriter()
{
    return std::unique_ptr<WnEventLogWriter>(new WnEventLogWriter());
}

void ZephraService::ServiceMain()
{
    if (m_service.Register(GetServiceName(), &m_controlForwarder) != 0)
        return;
    ResetEvent(m_stop.Get());
    RunUnderManager();
}

void ZephraService::RunUnderManager()
{
    DWORD specific = 0;
    DWORD error = ServiceBody(&specific);
    // The very last act: once STOPPED is reported the dispatcher returns, the process ends
    // and this object is destroyed; nothing of the service may run after it.
    ReportStatus(SERVICE_STOPPED, 0, 0, error, specific);
}

DWORD ZephraService::ServiceBody(DWORD* specificExitCode)
{
    *specificExitCode = 0;
    ReportStatus(SERVICE_START_PENDING, 3000, 0, 0, 0);

    std::unique_ptr<WnEventLogWriter> log = NewEventLogWriter();
    DWORD error = log->Open(GetServiceName());
    if (error != 0) {
        *specificExitCode = error;
        return error;
    }
    ModulePath module;
    error = module.Get(nullptr);
    if (error != 0) {
        log->ReportError(L"Failed to get module name.");
        *specificExitCode = error;
        return error;
    }
    log->ReportInfo(L"%s started\r\nExePath: %s\r\nVersion %u.%u.%u\r\nInterface Version %u.%u", GetServiceName(),
                    module.Path(), kVersionMajor, kVersionMinor, kVersionBuild, 2u, 0u);
    error = AcquireInstance();
    if (error != 0) {
        log->ReportError(L"Unable to start because another instance is already running.");
        *specificExitCode = error;
        return error;
    }
    GUID guid;
    m_server->GetInterfaceGuid(&guid);
    error = RegisterForDevices(guid);
    if (error != 0) {
        log->ReportError(L"Unable to register for PnP notifications.");
        m_instance.Close();
        *specificExitCode = error;
        return error;
    }
    ReportStatus(SERVICE_RUNNING, 0, 0, 0, 0);
    ZephraStatus result = m_server->Run(m_stop.Get(), m_arrival.Get());
    m_instance.Close();
    if (result != 0) {
        wchar_t text[ERROR_TEXT_CHARS];
        WnFormat(text, ERROR_TEXT_CHARS, L"%s stopped on a failure (Status=0x%08X).", GetServiceName(), result);
        log->ReportError(text);
        *specificExitCode = result;
        return ERROR_SERVICE_SPECIFIC_ERROR;
    }
    log->ReportInfo(L"%s terminating.", GetServiceName());
    return 0;
}

DWORD ZephraService::RunConsole()
{
    if (AcquireInstance() != 0) {
        wprintf(L"Cannot start, another instance is already running.\n");
        fflush(stdout);
        return 1;
    }
    GUID guid;
    m_server->GetInterfaceGuid(&guid);
    if (StartDeviceNotificator(guid) != 0) {
        wprintf(L"Failed to register PnP notifications.\n");
        fflush(stdout);
        return 1;
    }
    ZephraStatus result = m_server->Run(m_stop.Get(), m_arrival.Get());
    m_notificator.Stop(INFINITE);
    m_instance.Close();
    if (result != 0) {
        wprintf(L"%ls stopped on a failure (Status=0x%08X).\n", GetServiceName(), result);
        fflush(stdout);
        return CONSOLE_RUN_FAILED;
    }
    return 0;
}
