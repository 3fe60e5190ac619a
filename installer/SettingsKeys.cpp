#include "SettingsKeys.h"

#include <string>

const wchar_t* const kDeviceSettingsKey = L"Software\\BRIGHTMOOR\\quorvela";
const wchar_t* const kWindowPlacementKey = L"Software\\BRIGHTMOOR\\quorvela\\cpl";
const wchar_t* const kSetupKey = L"Software\\BRIGHTMOOR\\quorvela\\Setup";
const wchar_t* const kInstallDirValue = L"InstallDir";

namespace {

bool IsEmptyKey(HKEY root, const std::wstring& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    DWORD subkeys = 0;
    DWORD values = 0;
    LONG result = RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                   nullptr, nullptr, nullptr);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

// Deletes `key` and each parent up to (not including) "Software" that is left empty.
void RemoveEmptyKeys(HKEY root, const wchar_t* key)
{
    std::wstring parent = key;
    while (parent.find(L'\\') != std::wstring::npos && IsEmptyKey(root, parent)) {
        RegDeleteKeyW(root, parent.c_str());
        parent.resize(parent.rfind(L'\\'));
    }
}

} // namespace

LONG RemoveSettingsKey(HKEY root, const wchar_t* key)
{
    LONG result = RegDeleteTreeW(root, key);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        return result;
    std::wstring parent = key;
    size_t cut = parent.rfind(L'\\');
    if (cut != std::wstring::npos)
        RemoveEmptyKeys(root, parent.substr(0, cut).c_str());
    return ERROR_SUCCESS;
}

LONG RemoveSettingsValue(HKEY root, const wchar_t* key, const wchar_t* value)
{
    LONG result = RegDeleteKeyValueW(root, key, value);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        return result;
    RemoveEmptyKeys(root, key);
    return ERROR_SUCCESS;
}
