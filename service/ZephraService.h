#pragma once
#include <memory>
#include "ServiceBase.h"
#include "WnEventLogWriter.h"
#include "WnMutex.h"

class CustomServer;

// The device control service: runs the product's server on a stop and an arrival event.
class ZephraService : public ServiceBase
{
public:
    // serviceMain: the process's ServiceMain entry, which calls ServiceMain() on this object.
    explicit ZephraService(LPSERVICE_MAIN_FUNCTIONW serviceMain);
    ~ZephraService() override;

    const wchar_t* GetServiceName() const override;
    const wchar_t* GetDisplayName() const override;
    const wchar_t* GetDescription() const override;
    LPSERVICE_MAIN_FUNCTIONW GetServiceMain() const override { return m_serviceMain; }
    DWORD RunConsole() override;
    void OnDeviceEvent(DWORD eventType, LPVOID eventData) override;

    // The service body under the service control manager.
    void ServiceMain();
    // ServiceMain once the control handler is registered: the body, then SERVICE_STOPPED
    // with its exit codes as the last act.
    void RunUnderManager();
    // The body: logs, claims the instance,
    // registers for devices and runs the server until the stop event. Returns the Win32
    // exit code to report with SERVICE_STOPPED, and the service-specific one; the log
    // writer and the instance are released when it returns.
    DWORD ServiceBody(DWORD* specificExitCode);
    // 0 when this is the only instance, 183 when another holds the mutex.
    DWORD AcquireInstance();
    void ReleaseInstance() { m_instance.Close(); }

    CustomServer& Server() { return *m_server; }
    HANDLE GetArrivalEvent() const { return m_arrival.Get(); }

protected:
    // The writer of the Application log records; tests observe what it is given.
    virtual std::unique_ptr<WnEventLogWriter> NewEventLogWriter();

private:
    // Mutex name capacity, in characters.
    enum : size_t { INSTANCE_NAME_CHARS = 500, ERROR_TEXT_CHARS = 200 };

    LPSERVICE_MAIN_FUNCTIONW m_serviceMain;
    CustomServer* m_server; // owned
    WnMutex m_instance;
    WnEvent m_arrival;
};
