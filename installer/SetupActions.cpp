// Custom actions of the Windows Installer package. Each entry takes the installer's
// session handle and returns ERROR_SUCCESS or ERROR_INSTALL_FAILURE.

#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <string>
#include "LogonTask.h"
#include "SettingsKeys.h"

namespace {

// Main window class of the control panel.
const wchar_t* const kControlPanelClass = L"{81B1E1A2-B8BD-4B1B-B3D2-65B2F4B577E5}";

// A deferred action's data: the value the package gave its CustomActionData property.
std::wstring ActionData(MSIHANDLE install)
{
    DWORD length = 0;
    wchar_t empty[1] = L"";
    if (MsiGetPropertyW(install, L"CustomActionData", empty, &length) != ERROR_MORE_DATA)
        return std::wstring();
    std::wstring value(length + 1, L'\0');
    length = static_cast<DWORD>(value.size());
    if (MsiGetPropertyW(install, L"CustomActionData", &value[0], &length) != ERROR_SUCCESS)
        return std::wstring();
    value.resize(length);
    return value;
}

UINT Result(bool ok)
{
    return ok ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

} // namespace

// Immediate: sets QUORVELACPLRUNNING to 1 while a control panel runs, so that the package
// closes it before replacing the files and starts it again afterwards.
extern "C" UINT WINAPI FindControlPanel(MSIHANDLE install)
{
    if (FindWindowW(kControlPanelClass, nullptr) != nullptr)
        MsiSetPropertyW(install, L"QUORVELACPLRUNNING", L"1");
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
