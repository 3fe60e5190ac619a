#include "ServiceCommandLine.h"
#include <cstdio>
#include <cwchar>

namespace {

const int kVersionMajor = 1;
const int kVersionMinor = 36;

// Prints the line for a control operation's result and returns the result as exit code.
int Report(DWORD result, const wchar_t* success, const wchar_t* failure)
{
    wprintf(L"%ls", result == 0 ? success : failure);
    return static_cast<int>(result);
}

int RunHost(ServiceBase& service, ServiceHost& host, bool console)
{
    host.Add(&service);
    return host.Run(console) ? 0 : -1;
}

} // namespace

int RunServiceCommandLine(int argc, wchar_t** argv, ServiceBase& service, ServiceHost& host)
{
    if (argc < 2) {
        wprintf(L"No arguments given, use -h.\n");
        return 1;
    }
    const wchar_t* option = argv[1];
    if (wcscmp(option, L"-install") == 0) {
        service.Stop();
        service.Uninstall();
        return Report(service.Install(), L"Service installed successfully.\n", L"Error installing service.\n");
    }
    if (wcscmp(option, L"-uninstall") == 0) {
        service.Stop();
        return Report(service.Uninstall(), L"Service uninstalled successfully.\n",
                      L"Error uninstalling service.\n");
    }
    if (wcscmp(option, L"-start") == 0)
        return Report(service.Start(), L"Service started successfully.\n", L"Error starting service.\n");
    if (wcscmp(option, L"-stop") == 0)
        return Report(service.Stop(), L"Service stopped successfully.\n", L"Error stopping service.\n");
    if (wcscmp(option, L"-h") == 0 || wcscmp(option, L"-?") == 0) {
        wprintf(L"\n%ls V%d.%02d\n%ls Service\n\nSupported command line options:\n"
                L" -install    Install the service.\n"
                L" -uninstall  Uninstall the service.\n"
                L" -start      Start the service.\n"
                L" -stop       Stop the service.\n"
                L" -console    Start service in console mode.\n"
                L" -h, -?      Print this help message.\n\n",
                service.GetServiceName(), kVersionMajor, kVersionMinor, service.GetDisplayName());
        return 0;
    }
    if (wcscmp(option, L"-console") == 0)
        return RunHost(service, host, true);
    if (wcscmp(option, L"-service") == 0)
        return RunHost(service, host, false);
    wprintf(L"Unknown argument %ls, use -h.\n", option);
    return 1;
}
