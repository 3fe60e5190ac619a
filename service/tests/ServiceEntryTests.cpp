#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "ServiceBase.h"
#include "ServiceTestSupport.h"

namespace {

const wchar_t* const kExe = L"quorvelasvc.exe";
const char* const kHelp =
    "\nquorvelasvc V1.36\nQuorvela control Service\n\nSupported command line options:\n"
    " -install    Install the service.\n"
    " -uninstall  Uninstall the service.\n"
    " -start      Start the service.\n"
    " -stop       Stop the service.\n"
    " -console    Start service in console mode.\n"
    " -h, -?      Print this help message.\n\n";

// Text mode output turns "\n" into "\r\n"; compare in the program's own terms.
std::string Lines(std::string text)
{
    std::string out;
    for (char c : text) {
        if (c != '\r')
            out += c;
    }
    return out;
}

TEST(ServiceCommandLineTest, OptionsWithoutTheServiceManager)
{
    struct Row { const wchar_t* args; const char* output; DWORD exitCode; };
    const Row rows[] = {
        {L"", "No arguments given, use -h.\n", 1},
        {L"-INSTALL", "Unknown argument -INSTALL, use -h.\n", 1},
        {L"/install", "Unknown argument /install, use -h.\n", 1},
        {L"--start extra", "Unknown argument --start, use -h.\n", 1},
        {L"-h", kHelp, 0},
        {L"-? -install", kHelp, 0},
        {L"-h -uninstall", kHelp, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "args: '" << std::string(row.args, row.args + wcslen(row.args)) << "'");
        ChildResult result = RunChild(kExe, row.args, 20000);
        ASSERT_TRUE(result.finished);
        EXPECT_EQ(row.output, Lines(result.output));
        EXPECT_EQ(row.exitCode, result.exitCode);
    }
}

// What the installed program carries: the event log's message table and the manifest.
TEST(ServiceResourcesTest, MessageTableAndManifestOfTheProgram)
{
    HMODULE module = LoadLibraryExW(BinPath(kExe).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    struct Row { DWORD id; };
    for (Row row : {Row{0x60070001}, Row{0xA0070002}, Row{0xE0070003}}) {
        SCOPED_TRACE(row.id);
        DWORD_PTR strings[] = {reinterpret_cast<DWORD_PTR>(L"quorvelasvc terminating.")};
        wchar_t text[64] = {};
        FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, row.id, 0, text, 64,
                       reinterpret_cast<va_list*>(strings));
        EXPECT_STREQ(L"quorvelasvc terminating.\r\n", text);
    }
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
    ASSERT_NE(nullptr, found);
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(nullptr, data);
    std::string manifest(data, SizeofResource(module, found));
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\"")) << manifest;
    EXPECT_NE(std::string::npos, manifest.find("version=\"1.36.1.0\""));
    FreeLibrary(module);
}

TEST(ServiceCommandLineTest, ServiceOptionFromAConsoleFailsWithoutOutput)
{
    // The dispatcher refuses a process the manager did not start (Wine takes about 10 s).
    ChildResult result = RunChild(kExe, L"-service", 30000);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(static_cast<DWORD>(-1), result.exitCode);
    EXPECT_EQ("", Lines(result.output));
}

// Install, start, stop and uninstall through Wine's service manager. The service is
// removed again in TearDown whatever happened: left installed, it would start with every
// later Wine start of this prefix and serve the other tests' simulators.
class ServiceManagerTest : public ::testing::Test
{
protected:
    void SetUp() override { Cleanup(); }
    void TearDown() override { Cleanup(); }

    static void Cleanup()
    {
        RunChild(kExe, L"-uninstall", 20000);
        for (int i = 0; i < 200; ++i) {
            SC_HANDLE manager = OpenSCManagerW(nullptr, L"ServicesActive", SC_MANAGER_ALL_ACCESS);
            if (manager == nullptr)
                return;
            SC_HANDLE service = OpenServiceW(manager, L"quorvelasvc", SERVICE_ALL_ACCESS);
            if (service != nullptr) {
                SERVICE_STATUS status;
                ControlService(service, SERVICE_CONTROL_STOP, &status);
                DeleteService(service);
                CloseServiceHandle(service);
            }
            CloseServiceHandle(manager);
            if (service == nullptr)
                return;
            Sleep(50);
        }
    }

    static bool EventSourceExists()
    {
        HKEY key = nullptr;
        LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                                    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\quorvelasvc", 0,
                                    KEY_READ, &key);
        if (key != nullptr)
            RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }

    static ChildResult Run(const wchar_t* args) { return RunChild(kExe, args, 30000); }

    // Wine's manager refuses starts for a while after the prefix's services came up
    // (1055, 1053); the service's own start is what counts.
    static ChildResult Start()
    {
        ChildResult started;
        for (int attempt = 0; attempt < 30; ++attempt) {
            started = Run(L"-start");
            if (started.exitCode != ERROR_SERVICE_DATABASE_LOCKED && started.exitCode != ERROR_SERVICE_REQUEST_TIMEOUT)
                break;
            Sleep(2000);
        }
        return started;
    }

    static void Expect(const wchar_t* args, const char* output, DWORD exitCode)
    {
        SCOPED_TRACE(std::string(args, args + wcslen(args)));
        ChildResult result = Run(args);
        ASSERT_TRUE(result.finished);
        EXPECT_EQ(output, Lines(result.output));
        EXPECT_EQ(exitCode, result.exitCode);
    }
};

TEST_F(ServiceManagerTest, InstallStartStopUninstall)
{
    Expect(L"-stop", "Error stopping service.\n", ERROR_SERVICE_DOES_NOT_EXIST);
    Expect(L"-install", "Service installed successfully.\n", 0);
    EXPECT_TRUE(EventSourceExists());

    SC_HANDLE manager = OpenSCManagerW(nullptr, L"ServicesActive", SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(nullptr, manager);
    SC_HANDLE service = OpenServiceW(manager, L"quorvelasvc", SERVICE_QUERY_CONFIG);
    ASSERT_NE(nullptr, service) << GetLastError();
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    ASSERT_TRUE(QueryServiceConfigW(service, reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data()),
                                    static_cast<DWORD>(buffer.size()), &needed));
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    EXPECT_EQ(L"\"" + BinPath(kExe) + L"\" -service", std::wstring(config->lpBinaryPathName));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config->dwStartType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config->dwServiceType);
    EXPECT_EQ(std::wstring(L"Quorvela control"), config->lpDisplayName);
    ASSERT_TRUE(QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, buffer.data(),
                                     static_cast<DWORD>(buffer.size()), &needed));
    EXPECT_EQ(std::wstring(L"Quorvela control service"),
              reinterpret_cast<SERVICE_DESCRIPTIONW*>(buffer.data())->lpDescription);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);

    Expect(L"-stop", "Error stopping service.\n", ERROR_SERVICE_NOT_ACTIVE);

    ChildResult started = Start();
    EXPECT_EQ("Service started successfully.\n", Lines(started.output));
    EXPECT_EQ(0u, started.exitCode);
    Expect(L"-start", "Error starting service.\n", ERROR_SERVICE_ALREADY_RUNNING);

    // Installing over a running installation stops, deletes and creates it again.
    Expect(L"-install", "Service installed successfully.\n", 0);
    Expect(L"-stop", "Error stopping service.\n", ERROR_SERVICE_NOT_ACTIVE);
    Expect(L"-start", "Service started successfully.\n", 0);
    Expect(L"-stop", "Service stopped successfully.\n", 0);

    Expect(L"-uninstall", "Service uninstalled successfully.\n", 0);
    EXPECT_FALSE(EventSourceExists());
    Expect(L"-uninstall", "Error uninstalling service.\n", ERROR_SERVICE_DOES_NOT_EXIST);
}

// The service's process while it runs, opened to read its exit code later.
HANDLE OpenServiceProcess()
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, L"ServicesActive", SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = manager ? OpenServiceW(manager, L"quorvelasvc", SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    HANDLE process = nullptr;
    if (service != nullptr &&
        QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof(status),
                             &needed) &&
        status.dwProcessId != 0)
        process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, status.dwProcessId);
    if (service != nullptr)
        CloseServiceHandle(service);
    if (manager != nullptr)
        CloseServiceHandle(manager);
    return process;
}

// Installed from a folder with a blank, stopped and started again: the registered path is
// quoted, every stop ends the process cleanly (a crash shows as an exception exit code),
// and the second start works.
TEST_F(ServiceManagerTest, StopAndStartAgainFromAFolderWithABlank)
{
    std::wstring folder = BinPath(L"with blank");
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring copy = folder + L"\\quorvelasvc.exe";
    ASSERT_TRUE(CopyFileW(BinPath(kExe).c_str(), copy.c_str(), FALSE)) << GetLastError();
    struct Removal
    {
        std::wstring file, folder;
        ~Removal()
        {
            for (int i = 0; i < 50 && !DeleteFileW(file.c_str()) && GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; ++i)
                Sleep(100);
            RemoveDirectoryW(folder.c_str());
        }
    } removal = {copy, folder};

    ChildResult installed = RunChild(L"with blank\\quorvelasvc.exe", L"-install", 30000);
    ASSERT_EQ(0u, installed.exitCode) << installed.output;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\quorvelasvc", 0,
                                           KEY_READ, &key));
    wchar_t image[600] = {};
    DWORD size = sizeof(image) - sizeof(wchar_t);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"ImagePath", nullptr, nullptr, reinterpret_cast<BYTE*>(image), &size));
    RegCloseKey(key);
    EXPECT_EQ(L"\"" + copy + L"\" -service", std::wstring(image));

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ChildResult started = Start();
        ASSERT_EQ(0u, started.exitCode) << started.output;
        HANDLE process = OpenServiceProcess();
        ASSERT_NE(nullptr, process);
        Expect(L"-stop", "Service stopped successfully.\n", 0);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 10000));
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
        EXPECT_EQ(0u, code) << "the service process ended on an exception";
    }
    Expect(L"-uninstall", "Service uninstalled successfully.\n", 0);
}

} // namespace

namespace {

// A service that takes longer to stop than the budget of Stop.
class SlowStopService : public ServiceBase
{
public:
    const wchar_t* GetServiceName() const override { return L"QuorvelaTestSlowStop"; }
    const wchar_t* GetDisplayName() const override { return L"QuorvelaTestSlowStop"; }
    const wchar_t* GetDescription() const override { return L""; }
    LPSERVICE_MAIN_FUNCTIONW GetServiceMain() const override { return nullptr; }
    DWORD RunConsole() override { return 0; }
};

class SlowStopTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        manager = OpenSCManagerW(nullptr, L"ServicesActive", SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(nullptr, manager);
        std::wstring path = L"\"" + BinPath(L"wn_test_service.exe") + L"\"";
        service = CreateServiceW(manager, L"QuorvelaTestSlowStop", L"QuorvelaTestSlowStop", SERVICE_ALL_ACCESS,
                                 SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, path.c_str(),
                                 nullptr, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, service) << GetLastError();
    }
    void TearDown() override
    {
        if (service != nullptr) {
            SERVICE_STATUS status = {};
            for (int i = 0; i < 200 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED;
                 ++i)
                Sleep(50);
            DeleteService(service);
            CloseServiceHandle(service);
        }
        HKEY software = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_ALL_ACCESS, &software) == ERROR_SUCCESS) {
            RegDeleteKeyW(software, L"QuorvelaTestSlowStop");
            RegCloseKey(software);
        }
        if (manager != nullptr)
            CloseServiceHandle(manager);
    }

    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
};

TEST_F(SlowStopTest, StopGivesUpAfterItsBudget)
{
    SlowStopService slow;
    ASSERT_TRUE(StartServiceW(service, 0, nullptr)) << GetLastError();
    SERVICE_STATUS status = {};
    for (int i = 0; i < 100 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_RUNNING; ++i)
        Sleep(50);
    ASSERT_EQ(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState);
    EXPECT_EQ(static_cast<DWORD>(ERROR_TIMEOUT), slow.Stop());
}

} // namespace
