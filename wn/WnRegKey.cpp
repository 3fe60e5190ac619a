#include "WnRegKey.h"

WnRegKey::~WnRegKey()
{
    Close();
}

DWORD WnRegKey::Create(HKEY parent, LPCWSTR subKey, REGSAM access)
{
    Close();
    return RegCreateKeyExW(parent, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &m_key, nullptr);
}

DWORD WnRegKey::Open(HKEY parent, LPCWSTR subKey, REGSAM access)
{
    Close();
    return RegOpenKeyExW(parent, subKey, 0, access, &m_key);
}

DWORD WnRegKey::QueryDword(LPCWSTR name, DWORD& value) const
{
    DWORD data = 0, type = 0, size = sizeof(data);
    LONG result = RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    // A longer value of any type comes back as ERROR_MORE_DATA: it is not a DWORD either.
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA)
        return result;
    if (type != REG_DWORD || size != sizeof(data))
        return ERROR_BAD_FORMAT;
    value = data;
    return 0;
}

DWORD WnRegKey::SetDword(LPCWSTR name, DWORD value) const
{
    return RegSetValueExW(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

DWORD WnRegKey::SetString(LPCWSTR name, LPCWSTR text, DWORD type) const
{
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ERROR_BAD_FORMAT;
    if (text == nullptr)
        return ERROR_INVALID_PARAMETER;
    DWORD bytes = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    return RegSetValueExW(m_key, name, 0, type, reinterpret_cast<const BYTE*>(text), bytes);
}

DWORD WnRegKey::DeleteSubKey(LPCWSTR name) const
{
    return RegDeleteKeyW(m_key, name);
}

DWORD WnRegKey::Close()
{
    if (m_key == nullptr)
        return 0;
    DWORD result = RegCloseKey(m_key);
    m_key = nullptr;
    return result;
}
