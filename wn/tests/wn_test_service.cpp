// A service for the service tests, run under whatever name it was installed with. It writes
// the last control it got as "LastControl" under HKLM\Software\NAME, and carries the service's
// event message table. Installed under a name containing "SlowStop", it takes 8 s to stop.
#include <windows.h>
#include <string>
#include "WnEvent.h"
#include "WnRegKey.h"
#include "WnService.h"

namespace {

class TestService
{
public:
    void Main(LPCWSTR name)
    {
        m_forwarder.Bind(this, &TestService::OnControl);
        if (m_stop.Create(false) != 0 || m_service.Register(name, &m_forwarder) != 0)
            return;
        m_results.Create(HKEY_LOCAL_MACHINE, (std::wstring(L"Software\\") + name).c_str(), KEY_READ | KEY_WRITE);
        Report(SERVICE_RUNNING);
        WaitForSingleObject(m_stop.Get(), INFINITE);
        if (std::wstring(name).find(L"SlowStop") != std::wstring::npos) {
            Report(SERVICE_STOP_PENDING);
            Sleep(8000);
        }
        Report(SERVICE_STOPPED);
    }

private:
    DWORD OnControl(DWORD control, DWORD, LPVOID)
    {
        m_results.SetDword(L"LastControl", control);
        if (control == SERVICE_CONTROL_STOP)
            m_stop.Set();
        return NO_ERROR;
    }

    void Report(DWORD state)
    {
        SERVICE_STATUS status = {};
        status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
        status.dwCurrentState = state;
        status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
        m_service.SetStatus(status);
    }

    WnService m_service;
    WnServiceCallbackForwarderT<TestService> m_forwarder;
    WnEvent m_stop;
    WnRegKey m_results;
};

TestService g_service;

void WINAPI ServiceMain(DWORD argc, LPWSTR* argv)
{
    if (argc >= 1)
        g_service.Main(argv[0]);
}

}

int main()
{
    // An own-process service runs under its installed name whatever the table says.
    wchar_t any[] = L"";
    SERVICE_TABLE_ENTRYW table[] = { { any, &ServiceMain }, { nullptr, nullptr } };
    return StartServiceCtrlDispatcherW(table) ? 0 : static_cast<int>(GetLastError());
}
