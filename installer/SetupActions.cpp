// Custom actions of the Windows Installer package. Each entry takes the installer's
// session handle and returns ERROR_SUCCESS or ERROR_INSTALL_FAILURE.

#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>
#include "LogonTask.h"
#include "SettingsKeys.h"
#include "WnHandle.h"

namespace {

// Main window class of the control panel.
const wchar_t* const kControlPanelClass = L"{81B1E1A2-B8BD-4B1B-B3D2-65B2F4B577E5}";
const wchar_t* const kServiceName = L"quorvelasvc";
// While an installation runs, a value named by its product code says what it did to the
// service: "created" or "replaced". Its rollback undoes only that.
const wchar_t* const kServiceChangesKey = L"Software\\BRIGHTMOOR\\quorvela\\Setup\\Service";
const wchar_t* const kCreated = L"created";
const wchar_t* const kReplaced = L"replaced";
// How long a program run by an action may take (the service's -install waits for a stop).
const DWORD kProgramBudgetMs = 120000;
const DWORD kControlPanelExitMs = 15000;

// A string of the installer API that asks for its length first: read(buffer, &length).
template <class Read>
std::wstring MsiString(Read read)
{
    DWORD length = 0;
    wchar_t empty[1] = L"";
    if (read(empty, &length) != ERROR_MORE_DATA)
        return std::wstring();
    std::wstring value(length + 1, L'\0');
    length = static_cast<DWORD>(value.size());
    if (read(&value[0], &length) != ERROR_SUCCESS)
        return std::wstring();
    value.resize(length);
    return value;
}

std::wstring Property(MSIHANDLE install, const wchar_t* name)
{
    return MsiString([&](wchar_t* buffer, DWORD* length) { return MsiGetPropertyW(install, name, buffer, length); });
}

// A deferred action's data: the value the package gave its CustomActionData property.
std::wstring ActionData(MSIHANDLE install)
{
    return Property(install, L"CustomActionData");
}

// `text` with the installer's [Property] and [#File] references resolved (immediate actions).
std::wstring Formatted(MSIHANDLE install, const wchar_t* text)
{
    PMSIHANDLE record = MsiCreateRecord(0);
    MsiRecordSetStringW(record, 0, text);
    return MsiString([&](wchar_t* buffer, DWORD* length) { return MsiFormatRecordW(install, record, buffer, length); });
}

// Sends `text` to the installer as a message of `kind`: the log always, a message box for
// an error where the installation has a user interface.
void Report(MSIHANDLE install, INSTALLMESSAGE kind, const std::wstring& text)
{
    PMSIHANDLE record = MsiCreateRecord(0);
    MsiRecordSetStringW(record, 0, text.c_str());
    MsiProcessMessage(install, kind, record);
}

// The fields of "FIRST|SECOND|..." action data ('|' is in no path), at least `count`.
std::vector<std::wstring> Fields(const std::wstring& data, size_t count)
{
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (size_t cut = data.find(L'|'); cut != std::wstring::npos; cut = data.find(L'|', start)) {
        fields.push_back(data.substr(start, cut - start));
        start = cut + 1;
    }
    fields.push_back(data.substr(start));
    fields.resize(std::max(fields.size(), count));
    return fields;
}

UINT Result(bool ok)
{
    return ok ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

// Runs `commandLine` without a window and without any of this process's handles, so that
// nothing it prints reaches the installer's own output and nothing waits for it; what it
// prints goes to the installer's log. Its exit code, or ~0 when it did not start or end.
DWORD RunLogged(MSIHANDLE install, const std::wstring& commandLine)
{
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
        return ~0u;
    WnHandle output(readEnd);
    WnHandle childOutput(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    // The pipe's write end is the one handle the program gets.
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<BYTE> attributes(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size))
        return ~0u;
    UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &writeEnd, sizeof(writeEnd), nullptr,
                              nullptr);
    STARTUPINFOEXW startup = {};
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdOutput = writeEnd;
    startup.StartupInfo.hStdError = writeEnd;
    startup.lpAttributeList = list;
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine;
    BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE,
                                  CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                                  &startup.StartupInfo, &process);
    DeleteProcThreadAttributeList(list);
    childOutput.Close();
    if (!started) {
        Report(install, INSTALLMESSAGE_INFO, commandLine + L": cannot start (" + std::to_wstring(GetLastError()) + L")");
        return ~0u;
    }
    WnHandle processHandle(process.hProcess);
    CloseHandle(process.hThread);

    std::string printed;
    bool ended = false;
    for (DWORD waited = 0; waited <= kProgramBudgetMs && !ended; waited += 50) {
        ended = WaitForSingleObject(processHandle.Get(), 50) == WAIT_OBJECT_0;
        DWORD available = 0;
        while (PeekNamedPipe(output.Get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            char chunk[512];
            DWORD read = 0;
            if (!ReadFile(output.Get(), chunk, sizeof(chunk), &read, nullptr) || read == 0)
                break;
            printed.append(chunk, read);
        }
    }
    DWORD code = ~0u;
    if (!ended || !GetExitCodeProcess(processHandle.Get(), &code))
        code = ~0u;
    std::wstring text(printed.begin(), printed.end());
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    Report(install, INSTALLMESSAGE_INFO,
           commandLine + L": " + (ended ? L"exit code " + std::to_wstring(code) : std::wstring(L"did not end")) +
               (text.empty() ? L"" : L": " + text));
    return code;
}

// Stops the service and waits until it has stopped (its program file is free then).
void StopService()
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceW(manager, kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS status = {};
    if (service != nullptr && ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        for (DWORD waited = 0; waited < kProgramBudgetMs && QueryServiceStatus(service, &status) &&
                               status.dwCurrentState != SERVICE_STOPPED;
             waited += 100)
            Sleep(100);
    }
    if (service != nullptr)
        CloseServiceHandle(service);
    if (manager != nullptr)
        CloseServiceHandle(manager);
}

// The service's current state (SERVICE_RUNNING, ...), 0 when it is not registered.
DWORD ServiceCurrentState()
{
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceW(manager, kServiceName, SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS status = {};
    DWORD state = 0;
    if (service != nullptr) {
        state = QueryServiceStatus(service, &status) ? status.dwCurrentState : SERVICE_STOPPED;
        CloseServiceHandle(service);
    }
    if (manager != nullptr)
        CloseServiceHandle(manager);
    return state;
}

// What the installation `productCode` did to the service, empty when nothing yet.
std::wstring ServiceChange(const std::wstring& productCode)
{
    wchar_t value[32] = L"";
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kServiceChangesKey, productCode.c_str(), RRF_RT_REG_SZ, nullptr, value,
                     &size) != ERROR_SUCCESS)
        return std::wstring();
    return value;
}

void SetServiceChange(const std::wstring& productCode, const wchar_t* change)
{
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kServiceChangesKey, productCode.c_str(), REG_SZ, change,
                    static_cast<DWORD>((wcslen(change) + 1) * sizeof(wchar_t)));
}

// The control panel's process id, 0 when none runs.
DWORD RunningControlPanel()
{
    DWORD processId = 0;
    HWND window = FindWindowW(kControlPanelClass, nullptr);
    if (window != nullptr)
        GetWindowThreadProcessId(window, &processId);
    return processId;
}

} // namespace

// Immediate: while a control panel runs, sets QUORVELACPLRUNNING to the program it runs
// from (which may be another folder than this installation's), so that the package closes
// it before replacing the files and starts it again afterwards.
extern "C" UINT WINAPI FindControlPanel(MSIHANDLE install)
{
    DWORD processId = RunningControlPanel();
    if (processId == 0)
        return ERROR_SUCCESS;
    std::wstring program = L"1";
    WnHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    wchar_t path[MAX_PATH];
    DWORD length = MAX_PATH;
    if (process.IsValid() && QueryFullProcessImageNameW(process.Get(), 0, path, &length))
        program = path;
    MsiSetPropertyW(install, L"QUORVELACPLRUNNING", program.c_str());
    return ERROR_SUCCESS;
}

// Immediate: closes every running control panel with its own "-exit" and waits until the
// one found has ended, so that its file can be replaced.
extern "C" UINT WINAPI CloseControlPanel(MSIHANDLE install)
{
    std::wstring program = Property(install, L"QUORVELACPLRUNNING");
    if (GetFileAttributesW(program.c_str()) == INVALID_FILE_ATTRIBUTES)
        program = Formatted(install, L"[#quorvelacpl.exe]");
    DWORD processId = RunningControlPanel();
    WnHandle process(processId != 0 ? OpenProcess(SYNCHRONIZE, FALSE, processId) : nullptr);
    RunLogged(install, L"\"" + program + L"\" -exit");
    if (process.IsValid())
        WaitForSingleObject(process.Get(), kControlPanelExitMs);
    return ERROR_SUCCESS;
}

// Immediate: starts the installed control panel with "-hide", detached: it gets none of
// the installer's handles, its standard output and error included.
extern "C" UINT WINAPI StartControlPanel(MSIHANDLE install)
{
    std::wstring commandLine = L"\"" + Formatted(install, L"[#quorvelacpl.exe]") + L"\" -hide";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                        &startup, &process)) {
        Report(install, INSTALLMESSAGE_INFO, commandLine + L": cannot start (" + std::to_wstring(GetLastError()) + L")");
        return ERROR_SUCCESS;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ERROR_SUCCESS;
}

// Immediate: sets QUORVELAOTHER to the product code of another installed Quorvela product
// (the one an upgrade installed before it removes this one), which then keeps the service
// and the logon task.
extern "C" UINT WINAPI FindOtherInstallation(MSIHANDLE install)
{
    std::wstring upgradeCode = Property(install, L"UpgradeCode");
    std::wstring productCode = Property(install, L"ProductCode");
    wchar_t related[39];
    for (DWORD index = 0; MsiEnumRelatedProductsW(upgradeCode.c_str(), 0, index, related) == ERROR_SUCCESS; ++index) {
        if (_wcsicmp(related, productCode.c_str()) != 0 && MsiQueryProductStateW(related) == INSTALLSTATE_DEFAULT) {
            MsiSetPropertyW(install, L"QUORVELAOTHER", related);
            break;
        }
    }
    return ERROR_SUCCESS;
}

// Immediate: refuses the installation with the text of the DowngradeRefusal property (a
// newer version is installed), in the log and, with a user interface, in a message box.
extern "C" UINT WINAPI RefuseInstall(MSIHANDLE install)
{
    Report(install, INSTALLMESSAGE_ERROR, Formatted(install, L"[DowngradeRefusal] ([QUORVELANEWER])"));
    return ERROR_INSTALL_FAILURE;
}

// Deferred: runs the command line that is the action data (the service's own options).
extern "C" UINT WINAPI RunProgram(MSIHANDLE install)
{
    std::wstring commandLine = ActionData(install);
    return Result(!commandLine.empty() && RunLogged(install, commandLine) == 0);
}

// Deferred, data "PRODUCTCODE|PROGRAM": registers the service with PROGRAM's "-install",
// noting first whether this installation creates it or replaces one that was there.
extern "C" UINT WINAPI InstallService(MSIHANDLE install)
{
    std::vector<std::wstring> data = Fields(ActionData(install), 2);
    if (data[0].empty() || data[1].empty())
        return ERROR_INSTALL_FAILURE;
    SetServiceChange(data[0], ServiceCurrentState() != 0 ? kReplaced : kCreated);
    return Result(RunLogged(install, data[1] + L" -install") == 0);
}

// Rollback of InstallService, before the files are restored, data "PRODUCTCODE|PROGRAM":
// removes the service if this installation created it.
extern "C" UINT WINAPI RemoveCreatedService(MSIHANDLE install)
{
    std::vector<std::wstring> data = Fields(ActionData(install), 2);
    if (ServiceChange(data[0]) != kCreated)
        return ERROR_SUCCESS;
    RunLogged(install, data[1] + L" -uninstall");
    RemoveSettingsValue(HKEY_LOCAL_MACHINE, kServiceChangesKey, data[0].c_str());
    return ERROR_SUCCESS;
}

// Rollback, after the earlier files are restored, data "PRODUCTCODE|PROGRAM|EARLIER|FOLDER":
// brings back the earlier installation EARLIER that this one was replacing. Windows has
// restored its files and registry values by now: its service is registered and started
// again if this installation replaced it. Wine's rollback deletes what the two share
// instead (the folder value is gone then): the earlier product is repaired from its
// cached package in FOLDER, which registers and starts its service itself.
extern "C" UINT WINAPI RestoreReplacedService(MSIHANDLE install)
{
    std::vector<std::wstring> data = Fields(ActionData(install), 4);
    const std::wstring& productCode = data[0];
    std::wstring earlier = data[2].substr(0, data[2].find(L';')); // the first of them
    std::wstring folder = data[3];
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back(); // a backslash before the closing quote would escape it
    bool repair = !earlier.empty() && RegGetValueW(HKEY_LOCAL_MACHINE, kSetupKey, kInstallDirValue, RRF_RT_REG_SZ,
                                                   nullptr, nullptr, nullptr) != ERROR_SUCCESS;
    if (repair) {
        StopService();
        RunLogged(install, L"msiexec.exe /i " + earlier + L" REINSTALL=ALL REINSTALLMODE=amus INSTALLDIR=\"" + folder +
                               L"\" /qn");
    } else if (ServiceChange(productCode) == kReplaced) {
        RunLogged(install, data[1] + L" -install");
        RunLogged(install, data[1] + L" -start");
    }
    RemoveSettingsValue(HKEY_LOCAL_MACHINE, kServiceChangesKey, productCode.c_str());
    return ERROR_SUCCESS;
}

// Immediate, after the earlier product's removal in an upgrade: a package built before the
// removal left them to the new product deletes the service and the logon task. Registers
// and starts the service again with its own "-install" and "-start" where it is missing or
// stopped, and registers the logon task again where it is missing.
extern "C" UINT WINAPI RestoreServiceAndLogonTask(MSIHANDLE install)
{
    std::wstring service = L"\"" + Formatted(install, L"[#quorvelasvc.exe]") + L"\"";
    bool ok = ServiceCurrentState() != 0 || RunLogged(install, service + L" -install") == 0;
    if (ok && ServiceCurrentState() == SERVICE_STOPPED)
        ok = RunLogged(install, service + L" -start") == 0;
    std::wstring controlPanel = Formatted(install, L"[#quorvelacpl.exe]"); // empty when not packaged
    std::wstring task;
    if (!controlPanel.empty() && FAILED(ReadLogonTask(kLogonTaskName, &task))) {
        Report(install, INSTALLMESSAGE_INFO, L"The logon task is missing: registering it again.");
        ok = SUCCEEDED(RegisterLogonTask(kLogonTaskName, controlPanel)) && ok;
    }
    return Result(ok);
}

// Deferred, last, data PRODUCTCODE: the installation is through; its note about the
// service goes.
extern "C" UINT WINAPI ForgetServiceChange(MSIHANDLE install)
{
    std::wstring productCode = ActionData(install);
    if (!productCode.empty())
        RemoveSettingsValue(HKEY_LOCAL_MACHINE, kServiceChangesKey, productCode.c_str());
    return ERROR_SUCCESS;
}

// Deferred: registers the logon task for the control panel whose path is the action data.
extern "C" UINT WINAPI InstallLogonTask(MSIHANDLE install)
{
    std::wstring program = ActionData(install);
    return Result(!program.empty() && SUCCEEDED(RegisterLogonTask(kLogonTaskName, program)));
}

// Deferred (also as rollback of InstallLogonTask): deletes the logon task.
extern "C" UINT WINAPI UninstallLogonTask(MSIHANDLE)
{
    return Result(SUCCEEDED(RemoveLogonTask(kLogonTaskName)));
}

// Deferred, not impersonated: deletes the per-device settings.
extern "C" UINT WINAPI RemoveDeviceSettings(MSIHANDLE)
{
    return Result(RemoveSettingsKey(HKEY_LOCAL_MACHINE, kDeviceSettingsKey) == ERROR_SUCCESS);
}

// Deferred, impersonated: deletes the window placement of the user who uninstalls.
extern "C" UINT WINAPI RemoveWindowPlacement(MSIHANDLE)
{
    return Result(RemoveSettingsKey(HKEY_CURRENT_USER, kWindowPlacementKey) == ERROR_SUCCESS);
}

// Deferred, not impersonated: deletes the folder named by the action data if it is empty.
extern "C" UINT WINAPI RemoveEmptyFolder(MSIHANDLE install)
{
    std::wstring folder = ActionData(install);
    if (!folder.empty())
        RemoveDirectoryW(folder.c_str());
    return ERROR_SUCCESS;
}
