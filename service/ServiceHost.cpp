#include "ServiceHost.h"
#include <memory>
#include "WnThread.h"

namespace {

// The host whose services the console control handler stops; set while it runs them.
ServiceHost* volatile g_consoleHost = nullptr;

// One service's console body on its thread, with the result it returned.
struct ConsoleRun : WnThreadCallbackInterface
{
    explicit ConsoleRun(ServiceBase* runService) : service(runService) {}
    DWORD Run() override
    {
        result = service->RunConsole();
        return result;
    }
    ServiceBase* service;
    DWORD result = 0;
};

} // namespace

bool ServiceHost::Add(ServiceBase* service)
{
    m_services.push_back(service);
    return true;
}

void ServiceHost::RequestStopAll()
{
    for (ServiceBase* service : m_services)
        service->RequestStop();
}

BOOL WINAPI ServiceHost::ConsoleControlHandler(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    ServiceHost* host = g_consoleHost;
    if (host != nullptr)
        host->RequestStopAll();
    return TRUE;
}

bool ServiceHost::Run(bool console)
{
    return console ? RunConsoleThreads() : RunDispatcher();
}

bool ServiceHost::RunDispatcher()
{
    std::vector<SERVICE_TABLE_ENTRYW> table;
    for (ServiceBase* service : m_services)
        table.push_back({const_cast<LPWSTR>(service->GetServiceName()), service->GetServiceMain()});
    table.push_back({nullptr, nullptr});
    return StartServiceCtrlDispatcherW(table.data()) != FALSE;
}

bool ServiceHost::RunConsoleThreads()
{
    g_consoleHost = this;
    if (!SetConsoleCtrlHandler(&ServiceHost::ConsoleControlHandler, TRUE)) {
        g_consoleHost = nullptr;
        return false;
    }
    std::vector<std::unique_ptr<ConsoleRun>> runs;
    std::vector<std::unique_ptr<WnThread>> threads;
    for (ServiceBase* service : m_services) {
        runs.emplace_back(new ConsoleRun(service));
        threads.emplace_back(new WnThread());
        threads.back()->Start(runs.back().get());
    }
    bool failed = false;
    for (size_t i = 0; i < threads.size(); ++i) {
        threads[i]->Wait(INFINITE);
        failed |= runs[i]->result == ServiceBase::CONSOLE_RUN_FAILED;
    }
    SetConsoleCtrlHandler(&ServiceHost::ConsoleControlHandler, FALSE);
    g_consoleHost = nullptr;
    return !failed;
}
