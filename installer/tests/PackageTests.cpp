// The release package, installed silently into the test prefix, upgraded by a later build
// of the same version while the programs run (also in a folder of its own, failing, and over
// a build of the earlier style), refused over a newer version, and removed again.

#include <gtest/gtest.h>
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <shlobj.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include "LogonTask.h"
#include "SettingsKeys.h"
#include "WnHandle.h"

namespace {

const wchar_t* const kServiceName = L"quorvelasvc";
const wchar_t* const kServicesKey = L"SYSTEM\\CurrentControlSet\\Services\\quorvelasvc";
const wchar_t* const kEventSourceKey = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\quorvelasvc";
const wchar_t* const kControlPanelClass = L"{81B1E1A2-B8BD-4B1B-B3D2-65B2F4B577E5}";
// Settings the programs would have written: a device's under HKLM, the placement under HKCU.
const wchar_t* const kTestDeviceKey = L"Software\\BRIGHTMOOR\\quorvela\\Devices\\QVPACKAGE";
const wchar_t* const kTestPlacementValue = L"QuorvelaPackageTest";
// Takes the service's display name, so that the service's registration fails.
const wchar_t* const kBlockerService = L"QuorvelaTestBlocker";
const wchar_t* const kCustomParent = L"C:\\My Audio Tools";
const wchar_t* const kCustomDir = L"C:\\My Audio Tools\\Quorvela";
const char* const kDowngradeRefusal = "A newer version of Quorvela is already installed.";

std::wstring Version()
{
    return std::to_wstring(QUORVELA_VERSION_MAJOR) + L"." + std::to_wstring(QUORVELA_VERSION_MINOR) + L"." +
           std::to_wstring(QUORVELA_VERSION_PATCH);
}

// A path below the build folder, the parent of this program's folder.
std::wstring BuildPath(const std::wstring& relative)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    dir.resize(dir.find_last_of(L"\\/"));
    dir.resize(dir.find_last_of(L"\\/") + 1);
    return dir + relative;
}

std::wstring PackagePath()
{
    return BuildPath(L"quorvela-" + Version() + L".msi");
}

std::wstring ShellFolder(int csidl)
{
    wchar_t path[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
    return path;
}

std::wstring MakerDir()
{
    return ShellFolder(CSIDL_PROGRAM_FILESX86) + L"\\Brightmoor";
}

std::wstring InstallDir()
{
    return MakerDir() + L"\\Quorvela";
}

bool IsWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// Wine's installer puts the shortcuts of a per-machine package into the user's menu.
std::wstring MenuEntry()
{
    return ShellFolder(IsWine() ? CSIDL_PROGRAMS : CSIDL_COMMON_PROGRAMS) + L"\\Quorvela Control Panel.lnk";
}

bool PathExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<char> FileBytes(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

// Starts a program; the handle of its process, null on failure.
HANDLE Start(std::wstring commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Runs the installer with `arguments` as a script does that reads its output: standard
// output and error go to a pipe, read until every holder of its write end has closed it.
// The exit code, or ~0 when the installer did not end or its output did not close in 120 s.
DWORD Msiexec(const std::wstring& arguments, std::string* printed = nullptr)
{
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
        return ~0u;
    WnHandle output(readEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info = {};
    std::wstring commandLine = L"msiexec.exe " + arguments;
    BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    CloseHandle(writeEnd);
    if (!started)
        return ~0u;
    CloseHandle(info.hThread);
    WnHandle process(info.hProcess);
    std::string text;
    bool closed = false;
    for (DWORD waited = 0; !closed && waited < 120000; waited += 50) {
        DWORD available = 0;
        if (!PeekNamedPipe(output.Get(), nullptr, 0, nullptr, &available, nullptr)) {
            closed = true;
        } else if (available == 0) {
            Sleep(50);
        } else {
            std::vector<char> chunk(available);
            DWORD read = 0;
            if (ReadFile(output.Get(), chunk.data(), available, &read, nullptr))
                text.append(chunk.data(), read);
        }
    }
    if (printed != nullptr)
        *printed = text;
    DWORD code = ~0u;
    if (closed && WaitForSingleObject(process.Get(), 10000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.Get(), &code);
    return code;
}

template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs = 10000)
{
    for (DWORD waited = 0; !condition(); waited += 50) {
        if (waited >= timeoutMs)
            return false;
        Sleep(50);
    }
    return true;
}

std::wstring NewGuid()
{
    GUID guid;
    CoCreateGuid(&guid);
    wchar_t text[40];
    StringFromGUID2(guid, text, 40);
    return text;
}

// Owner of an installer database handle.
class MsiDb
{
public:
    MsiDb(const std::wstring& path, LPCWSTR mode) { MsiOpenDatabaseW(path.c_str(), mode, &m_handle); }
    ~MsiDb() { MsiCloseHandle(m_handle); }
    MsiDb(const MsiDb&) = delete;
    MsiDb& operator=(const MsiDb&) = delete;
    MSIHANDLE Get() const { return m_handle; }

private:
    MSIHANDLE m_handle = 0;
};

std::wstring ProductCode(const std::wstring& package)
{
    MsiDb db(package, MSIDBOPEN_READONLY);
    MSIHANDLE view = 0;
    MSIHANDLE record = 0;
    std::wstring code;
    if (MsiDatabaseOpenViewW(db.Get(), L"SELECT `Value` FROM `Property` WHERE `Property` = 'ProductCode'", &view) ==
            ERROR_SUCCESS &&
        MsiViewExecute(view, 0) == ERROR_SUCCESS && MsiViewFetch(view, &record) == ERROR_SUCCESS) {
        wchar_t text[40] = L"";
        DWORD length = 40;
        MsiRecordGetStringW(record, 1, text, &length);
        code = text;
    }
    MsiCloseHandle(record);
    MsiCloseHandle(view);
    return code;
}

// Summary information property that holds the package code.
const UINT kPidRevisionNumber = 9;

bool Execute(MSIHANDLE db, const std::wstring& query)
{
    MSIHANDLE view = 0;
    bool ok = MsiDatabaseOpenViewW(db, query.c_str(), &view) == ERROR_SUCCESS && MsiViewExecute(view, 0) == ERROR_SUCCESS;
    MsiCloseHandle(view);
    return ok;
}

// Another build of the package: new product and package codes, and `changes` (queries).
bool MakeLaterBuild(const std::wstring& package, const std::wstring& later,
                    const std::vector<std::wstring>& changes = {})
{
    if (!CopyFileW(package.c_str(), later.c_str(), FALSE))
        return false;
    MsiDb db(later, MSIDBOPEN_TRANSACT);
    bool ok = Execute(db.Get(), L"UPDATE `Property` SET `Value` = '" + NewGuid() + L"' WHERE `Property` = 'ProductCode'");
    for (const std::wstring& change : changes)
        ok = ok && Execute(db.Get(), change);
    MSIHANDLE summary = 0;
    ok = ok && MsiGetSummaryInformationW(db.Get(), nullptr, 1, &summary) == ERROR_SUCCESS &&
         MsiSummaryInfoSetPropertyW(summary, kPidRevisionNumber, VT_LPSTR, 0, nullptr, NewGuid().c_str()) ==
             ERROR_SUCCESS &&
         MsiSummaryInfoPersist(summary) == ERROR_SUCCESS;
    MsiCloseHandle(summary);
    return ok && MsiDatabaseCommit(db.Get()) == ERROR_SUCCESS;
}

std::string FileText(const std::wstring& path)
{
    std::vector<char> bytes = FileBytes(path);
    std::string text;
    // The installer's log is UTF-16 under Wine and ANSI on Windows: keep the low bytes.
    for (char c : bytes)
        if (c != '\0')
            text += c;
    return text;
}

bool ProductInstalled(const std::wstring& code)
{
    return MsiQueryProductStateW(code.c_str()) == INSTALLSTATE_DEFAULT;
}

std::wstring FileVersion(const std::wstring& path)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || info == nullptr)
        return L"";
    return std::to_wstring(HIWORD(info->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(info->dwFileVersionMS)) +
           L"." + std::to_wstring(HIWORD(info->dwFileVersionLS));
}

bool KeyExists(HKEY root, const wchar_t* key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

bool ValueExists(HKEY root, const wchar_t* key, const wchar_t* value)
{
    return RegGetValueW(root, key, value, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void SetValue(HKEY root, const wchar_t* key, const wchar_t* value)
{
    DWORD data = 1;
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(root, key, value, REG_DWORD, &data, sizeof(data)));
}

// The service manager's view of the service; `exists` false when it is not installed.
struct ServiceState {
    bool exists = false;
    std::wstring path;
    DWORD startType = 0;
    std::wstring group;
    std::wstring displayName;
    std::wstring description;
    DWORD state = 0;
    DWORD processId = 0;
};

ServiceState QueryService()
{
    ServiceState result;
    SC_HANDLE manager = OpenSCManagerW(nullptr, L"ServicesActive", SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceW(manager, kServiceName, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS)
                                : nullptr;
    if (service != nullptr) {
        result.exists = true;
        std::vector<BYTE> buffer(8192);
        DWORD needed = 0;
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        if (QueryServiceConfigW(service, config, static_cast<DWORD>(buffer.size()), &needed)) {
            result.path = config->lpBinaryPathName;
            result.startType = config->dwStartType;
            result.group = config->lpLoadOrderGroup ? config->lpLoadOrderGroup : L"";
            result.displayName = config->lpDisplayName;
        }
        if (QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, buffer.data(),
                                 static_cast<DWORD>(buffer.size()), &needed)) {
            auto* description = reinterpret_cast<SERVICE_DESCRIPTIONW*>(buffer.data());
            result.description = description->lpDescription ? description->lpDescription : L"";
        }
        SERVICE_STATUS_PROCESS status = {};
        if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof(status),
                                 &needed)) {
            result.state = status.dwCurrentState;
            result.processId = status.dwProcessId;
        }
        CloseServiceHandle(service);
    }
    if (manager != nullptr)
        CloseServiceHandle(manager);
    return result;
}

// Wine's manager stores the dependencies but does not return them: read the registry.
std::wstring Dependencies()
{
    wchar_t data[128] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kServicesKey, L"DependOnService", RRF_RT_REG_MULTI_SZ, nullptr, data,
                     &size) != ERROR_SUCCESS)
        return L"";
    return std::wstring(data, size / sizeof(wchar_t));
}

void DeleteServiceNamed(const wchar_t* name)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, L"ServicesActive", SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = manager ? OpenServiceW(manager, name, SERVICE_ALL_ACCESS) : nullptr;
    if (service != nullptr) {
        SERVICE_STATUS status;
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        DeleteService(service);
        CloseServiceHandle(service);
    }
    if (manager != nullptr)
        CloseServiceHandle(manager);
}

#ifdef QUORVELA_PACKAGE_HAS_CPL
DWORD ControlPanelProcess()
{
    DWORD processId = 0;
    HWND window = FindWindowW(kControlPanelClass, nullptr);
    if (window != nullptr)
        GetWindowThreadProcessId(window, &processId);
    return processId;
}

// The program file the control panel's process runs, empty when unknown.
std::wstring ControlPanelProgram()
{
    WnHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ControlPanelProcess()));
    wchar_t path[MAX_PATH] = L"";
    DWORD length = MAX_PATH;
    if (!process.IsValid() || !QueryFullProcessImageNameW(process.Get(), 0, path, &length))
        return L"";
    return path;
}
#endif

std::wstring RememberedFolder()
{
    wchar_t data[MAX_PATH] = L"";
    DWORD size = sizeof(data) - sizeof(wchar_t);
    RegGetValueW(HKEY_LOCAL_MACHINE, kSetupKey, kInstallDirValue, RRF_RT_REG_SZ, nullptr, data, &size);
    return data;
}

// Every test starts and ends with nothing of the package installed and none of its settings.
class PackageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_placementExisted = KeyExists(HKEY_CURRENT_USER, kWindowPlacementKey);
        Cleanup();
        ASSERT_TRUE(PathExists(m_package)) << "no package at " << std::string(m_package.begin(), m_package.end());
        m_productCode = ProductCode(m_package);
        ASSERT_FALSE(m_productCode.empty());
    }
    void TearDown() override { Cleanup(); }

    void Cleanup()
    {
        for (HWND window = FindWindowW(kControlPanelClass, nullptr); window != nullptr;
             window = FindWindowW(kControlPanelClass, nullptr)) {
            PostMessageW(window, WM_CLOSE, 0, 0);
            if (!WaitFor([window] { return !IsWindow(window); }))
                break;
        }
        if (PathExists(m_later))
            Msiexec(L"/x " + Quoted(m_later) + L" /qn");
        Msiexec(L"/x " + Quoted(m_package) + L" /qn");
        DeleteFileW(m_later.c_str());
        DeleteFileW(m_log.c_str());
        // Files an installation into the custom folder may have left.
        for (const wchar_t* program : {L"quorvelasvc.exe", L"quorvelacpl.exe"})
            DeleteFileW((std::wstring(kCustomDir) + L"\\" + program).c_str());
        RemoveDirectoryW(kCustomDir);
        RemoveDirectoryW(kCustomParent);
        // An AUTO_START service left installed would start with every later start of the prefix.
        DeleteServiceNamed(kServiceName);
        DeleteServiceNamed(kBlockerService);
        RemoveLogonTask(kLogonTaskName);
        RemoveSettingsKey(HKEY_LOCAL_MACHINE, kTestDeviceKey);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kWindowPlacementKey, kTestPlacementValue);
        // A control panel closed here saves its placement: drop it unless it was there before.
        if (!m_placementExisted)
            RemoveSettingsKey(HKEY_CURRENT_USER, kWindowPlacementKey);
    }

    // What an installation of `productCode` into `dir` leaves on the machine.
    void ExpectInstalled(const std::wstring& productCode, const std::wstring& dir = InstallDir())
    {
        EXPECT_TRUE(ProductInstalled(productCode));
        std::vector<std::wstring> programs = {L"quorvelasvc.exe"};
#ifdef QUORVELA_PACKAGE_HAS_CPL
        programs.push_back(L"quorvelacpl.exe");
#endif
        for (const std::wstring& program : programs) {
            SCOPED_TRACE(std::string(program.begin(), program.end()));
            std::wstring installed = dir + L"\\" + program;
            ASSERT_TRUE(PathExists(installed));
            EXPECT_TRUE(FileBytes(installed) == FileBytes(BuildPath(L"release\\bin\\" + program)));
            EXPECT_EQ(Version(), FileVersion(installed));
        }

        ServiceState service = QueryService();
        ASSERT_TRUE(service.exists);
        EXPECT_EQ(Quoted(dir + L"\\quorvelasvc.exe") + L" -service", service.path);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), service.startType);
        EXPECT_EQ(L"PlugPlay", service.group);
        EXPECT_EQ(L"Quorvela control", service.displayName);
        EXPECT_EQ(L"Quorvela control service", service.description);
        EXPECT_EQ(std::wstring(L"eventlog\0PlugPlay\0\0", 19), Dependencies());
        EXPECT_TRUE(WaitFor([] { return QueryService().state == SERVICE_RUNNING; }));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kEventSourceKey));
        EXPECT_EQ(dir + L"\\", RememberedFolder());

#ifdef QUORVELA_PACKAGE_HAS_CPL
        EXPECT_TRUE(PathExists(MenuEntry()));
        std::wstring task;
        EXPECT_EQ(S_OK, ReadLogonTask(kLogonTaskName, &task));
        EXPECT_NE(std::wstring::npos, task.find(L"Starts the Quorvela control panel"));
        // Wine's Task Scheduler keeps only the registration and settings of a definition.
        if (!IsWine()) {
            EXPECT_NE(std::wstring::npos, task.find(L"<Arguments>-hide</Arguments>"));
            EXPECT_NE(std::wstring::npos, task.find(L"HighestAvailable"));
        }
#endif
    }

    // Nothing of an installation of `productCode` into `dir` is left (settings aside).
    void ExpectRemoved(const std::wstring& productCode, const std::wstring& dir = InstallDir())
    {
        EXPECT_FALSE(ProductInstalled(productCode));
        EXPECT_FALSE(PathExists(dir));
        EXPECT_FALSE(PathExists(MakerDir()));
        EXPECT_FALSE(QueryService().exists);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kEventSourceKey));
        EXPECT_EQ(L"", RememberedFolder());
        EXPECT_FALSE(PathExists(MenuEntry()));
        std::wstring task;
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), ReadLogonTask(kLogonTaskName, &task));
        EXPECT_TRUE(WaitFor([] { return FindWindowW(kControlPanelClass, nullptr) == nullptr; }));
    }

    void WriteSettings()
    {
        SetValue(HKEY_LOCAL_MACHINE, kTestDeviceKey, L"WdmRenderSoundDeviceConfiguration");
        SetValue(HKEY_CURRENT_USER, kWindowPlacementKey, kTestPlacementValue);
    }

    void ExpectSettings(bool kept)
    {
        EXPECT_EQ(kept, ValueExists(HKEY_LOCAL_MACHINE, kTestDeviceKey, L"WdmRenderSoundDeviceConfiguration"));
        EXPECT_EQ(kept, ValueExists(HKEY_CURRENT_USER, kWindowPlacementKey, kTestPlacementValue));
    }

    std::wstring m_package = PackagePath();
    std::wstring m_later = BuildPath(L"quorvela-later-build.msi");
    std::wstring m_log = BuildPath(L"quorvela-package-test.log");
    std::wstring m_productCode;
    bool m_placementExisted = false;
};

TEST_F(PackageTest, InstallUpgradeWhileRunningAndUninstall)
{
    ASSERT_EQ(0u, Msiexec(L"/i " + Quoted(m_package) + L" /qn"));
    {
        SCOPED_TRACE("installed");
        ExpectInstalled(m_productCode);
    }
    WriteSettings();
    DWORD servicePid = QueryService().processId;
    EXPECT_NE(0u, servicePid);
#ifdef QUORVELA_PACKAGE_HAS_CPL
    WnHandle controlPanel(Start(Quoted(InstallDir() + L"\\quorvelacpl.exe") + L" -hide"));
    ASSERT_TRUE(controlPanel.IsValid());
    ASSERT_TRUE(WaitFor([] { return ControlPanelProcess() != 0; }));
    DWORD controlPanelPid = ControlPanelProcess();
#endif

    ASSERT_TRUE(MakeLaterBuild(m_package, m_later));
    std::wstring laterCode = ProductCode(m_later);
    ASSERT_NE(m_productCode, laterCode);
    // Read as a script reads it: the restarted control panel holds none of the output.
    std::string printed = "none";
    ASSERT_EQ(0u, Msiexec(L"/i " + Quoted(m_later) + L" /qn", &printed));
    EXPECT_EQ("", printed);
    {
        SCOPED_TRACE("upgraded");
        ExpectInstalled(laterCode);
        EXPECT_FALSE(ProductInstalled(m_productCode));
        ExpectSettings(true);
        EXPECT_NE(servicePid, QueryService().processId);
#ifdef QUORVELA_PACKAGE_HAS_CPL
        // Closed with -exit before its file was replaced, and started again afterwards.
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(controlPanel.Get(), 10000));
        EXPECT_TRUE(WaitFor([controlPanelPid] {
            DWORD pid = ControlPanelProcess();
            return pid != 0 && pid != controlPanelPid;
        }));
#endif
    }

    ASSERT_EQ(0u, Msiexec(L"/x " + Quoted(m_later) + L" /qn"));
    SCOPED_TRACE("uninstalled");
    ExpectRemoved(laterCode);
    ExpectSettings(true);
}

// Installed products named Quorvela. (Wine's removal of an earlier product deletes the
// upgrade code's whole entry, the new product's too: related products are not found.)
int InstalledProducts()
{
    int count = 0;
    wchar_t product[39];
    for (DWORD index = 0; MsiEnumProductsW(index, product) == ERROR_SUCCESS; ++index) {
        wchar_t name[64] = L"";
        DWORD length = 64;
        if (MsiGetProductInfoW(product, INSTALLPROPERTY_PRODUCTNAME, name, &length) == ERROR_SUCCESS &&
            wcscmp(name, L"Quorvela") == 0)
            ++count;
    }
    return count;
}

TEST_F(PackageTest, UpgradeFromAnEarlierStyleBuildKeepsServiceAndLogonTask)
{
    // A build as administrators have it installed: its removal deletes the service and the
    // logon task whatever else is installed, and it removed an earlier product before itself.
    ASSERT_TRUE(MakeLaterBuild(
        m_package, m_later,
        {L"UPDATE `InstallExecuteSequence` SET `Condition` = 'REMOVE~=\"ALL\"' WHERE `Action` = 'ServiceUninstallData' "
         L"OR `Action` = 'ServiceUninstall' OR `Action` = 'UninstallLogonTask'",
         L"UPDATE `InstallExecuteSequence` SET `Sequence` = 1401 WHERE `Action` = 'RemoveExistingProducts'",
         L"DELETE FROM `InstallExecuteSequence` WHERE `Action` = 'FindOtherInstallation' OR `Action` = "
         L"'RestoreAfterEarlierRemoval'"}));
    std::wstring earlierCode = ProductCode(m_later);
    ASSERT_EQ(0u, Msiexec(L"/i " + Quoted(m_later) + L" /qn"));
    ASSERT_TRUE(ProductInstalled(earlierCode));

    ASSERT_EQ(0u, Msiexec(L"/i " + Quoted(m_package) + L" /qn"));
    EXPECT_FALSE(ProductInstalled(earlierCode));
    EXPECT_EQ(1, InstalledProducts());
    ExpectInstalled(m_productCode);
}

TEST_F(PackageTest, UninstallRemovesSettingsOnlyWhenAsked)
{
    ASSERT_EQ(0u, Msiexec(L"/i " + Quoted(m_package) + L" /qn"));
    WriteSettings();
    ASSERT_EQ(0u, Msiexec(L"/x " + Quoted(m_package) + L" /qn REMOVESETTINGS=1"));
    ExpectRemoved(m_productCode);
    ExpectSettings(false);
}

TEST_F(PackageTest, FailedInstallReturnsErrorAndLeavesNothing)
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, L"ServicesActive", SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(nullptr, manager);
    SC_HANDLE blocker = CreateServiceW(manager, kBlockerService, L"Quorvela control", SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       L"C:\\none.exe", nullptr, nullptr, nullptr, nullptr, nullptr);
    DWORD created = blocker ? 0 : GetLastError();
    if (blocker != nullptr)
        CloseServiceHandle(blocker);
    CloseServiceHandle(manager);
    ASSERT_EQ(0u, created);

    DWORD result = Msiexec(L"/i " + Quoted(m_package) + L" /qn");
    EXPECT_NE(0u, result);
    EXPECT_NE(~0u, result);
    ExpectRemoved(m_productCode);
}

TEST_F(PackageTest, UpgradeStaysInTheCustomFolder)
{
    ASSERT_EQ(0u, Msiexec(L"/i " + Quoted(m_package) + L" /qn INSTALLDIR=" + Quoted(kCustomDir)));
    {
        SCOPED_TRACE("installed");
        ExpectInstalled(m_productCode, kCustomDir);
    }
#ifdef QUORVELA_PACKAGE_HAS_CPL
    WnHandle controlPanel(Start(Quoted(std::wstring(kCustomDir) + L"\\quorvelacpl.exe") + L" -hide"));
    ASSERT_TRUE(controlPanel.IsValid());
    ASSERT_TRUE(WaitFor([] { return ControlPanelProcess() != 0; }));
#endif
    ASSERT_TRUE(MakeLaterBuild(m_package, m_later));
    std::wstring laterCode = ProductCode(m_later);
    ASSERT_EQ(0u, Msiexec(L"/i " + Quoted(m_later) + L" /qn"));
    {
        SCOPED_TRACE("upgraded");
        ExpectInstalled(laterCode, kCustomDir);
        EXPECT_FALSE(ProductInstalled(m_productCode));
        EXPECT_FALSE(PathExists(InstallDir()));
#ifdef QUORVELA_PACKAGE_HAS_CPL
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(controlPanel.Get(), 10000));
        EXPECT_TRUE(WaitFor([] { return ControlPanelProcess() != 0; }));
        EXPECT_EQ(0, _wcsicmp((std::wstring(kCustomDir) + L"\\quorvelacpl.exe").c_str(), ControlPanelProgram().c_str()));
#endif
    }
    ASSERT_EQ(0u, Msiexec(L"/x " + Quoted(m_later) + L" /qn"));
    SCOPED_TRACE("uninstalled");
    ExpectRemoved(laterCode, kCustomDir);
}

TEST_F(PackageTest, FailedUpgradeRollsBackToTheEarlierVersion)
{
    ASSERT_EQ(0u, Msiexec(L"/i " + Quoted(m_package) + L" /qn"));
    // The upgrade fails at its end, after its files, service and logon task are in place:
    // the service's program refuses an unknown option (deferred, return checked).
    ASSERT_TRUE(MakeLaterBuild(
        m_package, m_later,
        {L"INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('FailLate', 3090, "
         L"'quorvelasvc.exe', '-nosuchoption')",
         L"INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('FailLate', '', 6580)"}));
    std::wstring laterCode = ProductCode(m_later);
    DWORD result = Msiexec(L"/i " + Quoted(m_later) + L" /qn");
    EXPECT_NE(0u, result);
    EXPECT_NE(~0u, result);
    EXPECT_FALSE(ProductInstalled(laterCode));
    SCOPED_TRACE("rolled back");
    ExpectInstalled(m_productCode);
}

TEST_F(PackageTest, RollbackKeepsAServiceItDidNotCreate)
{
    // As with two installations at once: a second one finds the first one's service
    // registered and fails; its rollback must not delete that service.
    ASSERT_EQ(0u, Msiexec(L"/i " + Quoted(m_package) + L" /qn"));
    ASSERT_TRUE(MakeLaterBuild(
        m_package, m_later,
        {L"UPDATE `Property` SET `Value` = '" + NewGuid() + L"' WHERE `Property` = 'UpgradeCode'",
         L"INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('FailLate', 3090, "
         L"'quorvelasvc.exe', '-nosuchoption')",
         L"INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('FailLate', '', 6580)"}));
    DWORD result = Msiexec(L"/i " + Quoted(m_later) + L" /qn");
    EXPECT_NE(0u, result);
    EXPECT_NE(~0u, result);
    EXPECT_TRUE(ProductInstalled(m_productCode));
    ServiceState service = QueryService();
    EXPECT_TRUE(service.exists);
    EXPECT_EQ(Quoted(InstallDir() + L"\\quorvelasvc.exe") + L" -service", service.path);
}

TEST_F(PackageTest, DowngradeIsRefusedWithItsReasonInTheLog)
{
    std::wstring newer = std::to_wstring(QUORVELA_VERSION_MAJOR) + L"." + std::to_wstring(QUORVELA_VERSION_MINOR + 1) + L".0";
    ASSERT_TRUE(MakeLaterBuild(m_package, m_later,
                               {L"UPDATE `Property` SET `Value` = '" + newer + L"' WHERE `Property` = 'ProductVersion'"}));
    std::wstring newerCode = ProductCode(m_later);
    ASSERT_EQ(0u, Msiexec(L"/i " + Quoted(m_later) + L" /qn"));

    DWORD result = Msiexec(L"/i " + Quoted(m_package) + L" /qn /l*v " + Quoted(m_log));
    EXPECT_NE(0u, result);
    EXPECT_NE(~0u, result);
    // The reason names the installed product (the log also lists the package's properties).
    std::string reason = kDowngradeRefusal + std::string(" (") + std::string(newerCode.begin(), newerCode.end()) + ")";
    EXPECT_NE(std::string::npos, FileText(m_log).find(reason)) << reason;
    EXPECT_FALSE(ProductInstalled(m_productCode));
    EXPECT_TRUE(ProductInstalled(newerCode));
    EXPECT_TRUE(WaitFor([] { return QueryService().state == SERVICE_RUNNING; }));
}

} // namespace
