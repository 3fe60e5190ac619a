#include "SettingsKeys.h"

#include <string>

const wchar_t* const kDeviceSettingsKey = L"Software\\BRIGHTMOOR\\quorvela";
const wchar_t* const kWindowPlacementKey = L"Software\\BRIGHTMOOR\\quorvela\\cpl";

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

} // namespace

LONG RemoveSettingsKey(HKEY root, const wchar_t* key)
{
    LONG result = RegDeleteTreeW(root, key);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        return result;
    std::wstring parent = key;
    for (size_t cut = parent.rfind(L'\\'); cut != std::wstring::npos; cut = parent.rfind(L'\\')) {
        parent.resize(cut);
        if (parent.find(L'\\') == std::wstring::npos || !IsEmptyKey(root, parent))
            break;
        RegDeleteKeyW(root, parent.c_str());
    }
    return ERROR_SUCCESS;
}
