#include "WnEventSource.h"
#include "WnRegKey.h"
#include "WnString.h"

namespace {
const wchar_t kEventLogKey[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\%s";
const wchar_t kSourceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\%s\\%s";
const DWORD kTypesSupported = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
}

DWORD RegisterEventSource(LPCWSTR logName, LPCWSTR sourceName, LPCWSTR messageFile)
{
    wchar_t path[MAX_PATH];
    WnFormat(path, MAX_PATH, kSourceKey, logName, sourceName);
    WnRegKey key;
    DWORD result = key.Create(HKEY_LOCAL_MACHINE, path, KEY_READ | KEY_WRITE);
    if (result == 0)
        result = key.SetString(L"EventMessageFile", messageFile, REG_EXPAND_SZ);
    if (result == 0)
        result = key.SetDword(L"TypesSupported", kTypesSupported);
    return result;
}

DWORD UnregisterEventSource(LPCWSTR logName, LPCWSTR sourceName)
{
    wchar_t path[MAX_PATH];
    WnFormat(path, MAX_PATH, kEventLogKey, logName);
    WnRegKey key;
    DWORD result = key.Open(HKEY_LOCAL_MACHINE, path, KEY_WRITE);
    if (result == 0)
        result = key.DeleteSubKey(sourceName);
    return result;
}
