#pragma once
#include <vector>
#include "ServiceBase.h"

// Runs its services under the service control dispatcher or, in console mode, each on a
// thread of its own until Ctrl+C or Ctrl+Break stops them.
class ServiceHost
{
public:
    ServiceHost() = default;
    ServiceHost(const ServiceHost&) = delete;
    ServiceHost& operator=(const ServiceHost&) = delete;

    bool Add(ServiceBase* service); // not owned
    bool Run(bool console);
    // What the console control handler does for Ctrl+C and Ctrl+Break.
    void RequestStopAll();

private:
    static BOOL WINAPI ConsoleControlHandler(DWORD event);
    bool RunDispatcher();
    bool RunConsoleThreads();

    std::vector<ServiceBase*> m_services;
};
