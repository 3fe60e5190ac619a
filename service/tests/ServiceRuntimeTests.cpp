#include <gtest/gtest.h>
#include <windows.h>
#include <dbt.h>
#include <memory>
#include <string>
#include <vector>
#include "ServiceTestSupport.h"
#include "WnThread.h"
#include "ZephraDriver.h"
#include "ZephraService.h"
#include "ZephraSim.h"

namespace {

struct LogRecord
{
    WORD type;
    std::wstring text;
};

// Keeps what the service hands the event log, which Wine does not store.
class RecordingWriter : public WnEventLogWriter
{
public:
    RecordingWriter(std::vector<LogRecord>* records, std::vector<std::wstring>* journal)
        : m_records(records), m_journal(journal)
    {
    }
    ~RecordingWriter() override { m_journal->push_back(L"writer closed"); }

protected:
    DWORD Write(WORD type, DWORD, LPCWSTR text) override
    {
        m_records->push_back({type, text});
        m_journal->push_back(L"record " + std::wstring(text));
        return 0;
    }

private:
    std::vector<LogRecord>* m_records;
    std::vector<std::wstring>* m_journal;
};

class ObservedService : public ZephraService
{
public:
    ObservedService() : ZephraService(nullptr) {}
    void OnDeviceEvent(DWORD eventType, LPVOID eventData) override
    {
        if (eventType == DBT_DEVICEARRIVAL)
            InterlockedIncrement(&arrivals);
        ZephraService::OnDeviceEvent(eventType, eventData);
    }
    std::vector<LogRecord> records;
    // Records, the writer's end and the states reported, in order; a STOPPED report notes
    // whether the instance was free by then.
    std::vector<std::wstring> journal;
    volatile LONG arrivals = 0;

protected:
    std::unique_ptr<WnEventLogWriter> NewEventLogWriter() override
    {
        return std::unique_ptr<WnEventLogWriter>(new RecordingWriter(&records, &journal));
    }
    DWORD SendStatus(const SERVICE_STATUS& status) override
    {
        std::wstring line = L"status " + std::to_wstring(status.dwCurrentState);
        if (status.dwCurrentState == SERVICE_STOPPED) {
            ZephraService probe(nullptr);
            line += probe.AcquireInstance() == 0 ? L", instance free" : L", instance held";
            line += L", exit " + std::to_wstring(status.dwWin32ExitCode) + L"/" +
                    std::to_wstring(status.dwServiceSpecificExitCode);
        }
        journal.push_back(line);
        return 0;
    }
};

std::wstring ExePath()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

TEST(ServiceRuntimeTest, StopBeforeAnyDeviceLogsStartAndTermination)
{
    ObservedService service;
    SetEvent(service.GetStopEvent());
    DWORD specific = 1;
    EXPECT_EQ(0u, service.ServiceBody(&specific));
    EXPECT_EQ(0u, specific);
    ASSERT_EQ(2u, service.records.size());
    EXPECT_EQ(EVENTLOG_INFORMATION_TYPE, service.records[0].type);
    EXPECT_EQ(L"quorvelasvc started\r\nExePath: " + ExePath() + L"\r\nVersion 1.36.1\r\nInterface Version 2.0",
              service.records[0].text);
    EXPECT_EQ(L"quorvelasvc terminating.", service.records[1].text);
    EXPECT_EQ(0u, service.AcquireInstance()) << "the instance was released";
}

// Once STOPPED is reported the process may end at any moment: everything else is done by then.
TEST(ServiceRuntimeTest, StoppedIsReportedAsTheVeryLastAct)
{
    struct Row { const char* what; bool otherServer; std::vector<std::wstring> tail; };
    const Row rows[] = {
        {"normal stop", false,
         {L"record quorvelasvc terminating.", L"writer closed", L"status 1, instance free, exit 0/0"}},
        {"server failure", true,
         {L"record quorvelasvc stopped on a failure (Status=0xE0000021).", L"writer closed",
          L"status 1, instance free, exit 1066/3758096417"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ZephraSim sim;
        ASSERT_EQ(0u, sim.Start());
        ZephraDriver holder;
        if (row.otherServer)
            ASSERT_EQ(0u, holder.OpenAsServer(ZEPHRA_CONTROL_DEVICE_NAME));
        ObservedService service;
        SetEvent(service.GetStopEvent());
        service.RunUnderManager();
        ASSERT_GE(service.journal.size(), 3u);
        EXPECT_EQ(L"status 2", service.journal.front());
        EXPECT_EQ(row.tail, std::vector<std::wstring>(service.journal.end() - 3, service.journal.end()));
    }
}

TEST(ServiceRuntimeTest, SecondInstanceLogsStartThenRefusal)
{
    ObservedService first, second;
    ASSERT_EQ(0u, first.AcquireInstance());
    SetEvent(second.GetStopEvent());
    DWORD specific = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), second.ServiceBody(&specific));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), specific);
    ASSERT_EQ(2u, second.records.size());
    EXPECT_EQ(0u, second.records[0].text.find(L"quorvelasvc started\r\n"));
    EXPECT_EQ(EVENTLOG_ERROR_TYPE, second.records[1].type);
    EXPECT_EQ(L"Unable to start because another instance is already running.", second.records[1].text);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), second.AcquireInstance());
    first.ReleaseInstance();
    second.ReleaseInstance();
    EXPECT_EQ(0u, second.AcquireInstance());
}

TEST(ServiceRuntimeTest, AServerThatCannotRunIsAFailureNotANormalStop)
{
    ZephraSim sim;
    ASSERT_EQ(0u, sim.Start());
    ZephraDriver holder;
    ASSERT_EQ(0u, holder.OpenAsServer(ZEPHRA_CONTROL_DEVICE_NAME)) << "another server holds the driver";

    ObservedService service;
    DWORD specific = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR), service.ServiceBody(&specific));
    EXPECT_EQ(ZEPHRA_STATUS_ALREADY_DONE, specific);
    ASSERT_EQ(2u, service.records.size());
    EXPECT_EQ(EVENTLOG_ERROR_TYPE, service.records[1].type);
    EXPECT_EQ(L"quorvelasvc stopped on a failure (Status=0xE0000021).", service.records[1].text);
    EXPECT_EQ(0u, service.AcquireInstance()) << "the instance was released";
    service.ReleaseInstance();

    ChildResult console = RunChild(L"quorvelasvc.exe", L"-console", 20000);
    ASSERT_TRUE(console.finished);
    EXPECT_NE(0u, console.exitCode);
    EXPECT_NE(std::string::npos, console.output.find("quorvelasvc stopped on a failure (Status=0xE0000021).")) << console.output;
}

TEST(ServiceRuntimeTest, ControlsAnsweredWithNoError)
{
    ObservedService service;
    EXPECT_EQ(0u, service.OnControl(SERVICE_CONTROL_INTERROGATE, 0, nullptr));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(service.GetStopEvent(), 0));
    EXPECT_EQ(0u, service.OnControl(SERVICE_CONTROL_DEVICEEVENT, DBT_DEVICEREMOVECOMPLETE, nullptr));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(service.GetArrivalEvent(), 0));
    EXPECT_EQ(0u, service.OnControl(SERVICE_CONTROL_DEVICEEVENT, DBT_DEVICEARRIVAL, nullptr));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(service.GetArrivalEvent(), 0));
    EXPECT_EQ(0u, service.OnControl(SERVICE_CONTROL_SHUTDOWN, 0, nullptr));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(service.GetStopEvent(), 0));
}

struct ConsoleRunner : WnThreadCallbackInterface
{
    ZephraService* service = nullptr;
    DWORD result = 0xFFFFFFFF;
    DWORD Run() override
    {
        result = service->RunConsole();
        return 0;
    }
};

TEST(ServiceRuntimeTest, ConsoleModeHearsArrivalsThroughItsHiddenWindow)
{
    DeviceKeysCleanup cleanup({L"QVRUN1"});
    ZephraSim sim;
    ASSERT_EQ(0u, sim.Start());
    ObservedService service;
    ConsoleRunner runner;
    runner.service = &service;
    WnThread thread;
    ASSERT_EQ(0u, thread.Start(&runner));

    // Plugged again until the notificator, started on the service thread, hears one.
    DWORD start = GetTickCount();
    while (service.arrivals == 0 && GetTickCount() - start < 5000) {
        sim.Execute("plug QVRUN1");
        Sleep(200);
        sim.Execute("unplug QVRUN1");
    }
    EXPECT_GT(service.arrivals, 0);

    service.RequestStop();
    EXPECT_EQ(0u, thread.Wait(10000));
    EXPECT_EQ(0u, runner.result);
}

// Ctrl+C in the service's console ends the console run normally: exit code 0.
TEST(ServiceRuntimeTest, ConsoleCtrlCEndsWithExitCodeZero)
{
    ZephraSim sim;
    ASSERT_EQ(0u, sim.Start());
    ChildProcess child;
    ASSERT_TRUE(child.Start(L"quorvelasvc.exe", L"-console", CREATE_NEW_CONSOLE));
    for (int i = 0; i < 500 && sim.ConnectionCount() == 0; ++i)
        Sleep(10);
    ASSERT_NE(0u, sim.ConnectionCount()) << "the service opened its server connection";
    // Into the child's console for a moment, deaf to the Ctrl+C sent to everyone in it.
    FreeConsole();
    ASSERT_TRUE(AttachConsole(child.Id())) << GetLastError();
    SetConsoleCtrlHandler(nullptr, TRUE);
    BOOL sent = GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
    DWORD error = GetLastError();
    FreeConsole();
    ASSERT_TRUE(sent) << error;
    ASSERT_TRUE(child.Wait(10000)) << child.Output();
    EXPECT_EQ(0u, child.ExitCode()) << child.Output();
}

TEST(ServiceRuntimeTest, SecondConsoleInstanceIsRefused)
{
    ObservedService first;
    ASSERT_EQ(0u, first.AcquireInstance());
    ChildResult result = RunChild(L"quorvelasvc.exe", L"-console", 20000);
    ASSERT_TRUE(result.finished);
    EXPECT_NE(std::string::npos, result.output.find("Cannot start, another instance is already running.")) << result.output;
    EXPECT_EQ(0u, result.exitCode) << "the host ran; its thread ended";
}

} // namespace
