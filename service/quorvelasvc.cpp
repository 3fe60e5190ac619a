// quorvelasvc: installs, controls and runs the device control service.
#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include "ServiceCommandLine.h"
#include "ServiceHost.h"
#include "ZephraService.h"

namespace {

void WINAPI ServiceMainEntry(DWORD, LPWSTR*);

// The process's service, its host; the driver is opened only when the service runs.
ZephraService g_service(&ServiceMainEntry);
ServiceHost g_host;

void WINAPI ServiceMainEntry(DWORD, LPWSTR*)
{
    g_service.ServiceMain();
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr)
        return 1;
    int result = RunServiceCommandLine(argc, argv, g_service, g_host);
    fflush(stdout);
    LocalFree(argv);
    return result;
}
