#pragma once
#include <windows.h>

// Owns one registry key (null when closed).
class WnRegKey
{
public:
    WnRegKey() = default;
    ~WnRegKey();

    WnRegKey(const WnRegKey&) = delete;
    WnRegKey& operator=(const WnRegKey&) = delete;

    // Both close a held key first and return the registry's result.
    DWORD Create(HKEY parent, LPCWSTR subKey, REGSAM access);
    DWORD Open(HKEY parent, LPCWSTR subKey, REGSAM access);

    // 11 unless the value is a REG_DWORD of 4 bytes; the output changes only on success.
    DWORD QueryDword(LPCWSTR name, DWORD& value) const;
    DWORD SetDword(LPCWSTR name, DWORD value) const;
    // REG_SZ or REG_EXPAND_SZ only (else 11), written with its terminating zero.
    DWORD SetString(LPCWSTR name, LPCWSTR text, DWORD type) const;
    DWORD DeleteSubKey(LPCWSTR name) const;
    // RegCloseKey when held; 0 when nothing was held.
    DWORD Close();

    HKEY Get() const { return m_key; }
    bool IsValid() const { return m_key != nullptr; }

private:
    HKEY m_key = nullptr;
};
