#pragma once
#include <windows.h>

// The full file name of a module and its parts.
class ModulePath
{
public:
    ModulePath() { Clear(); }

    // A null module means the executable. 0 or GetLastError(); ERROR_INSUFFICIENT_BUFFER for
    // a path longer than MAX_PATH - 1. On failure all fields are empty.
    DWORD Get(HMODULE module);

    LPCWSTR Path() const { return m_path; }
    LPCWSTR Drive() const { return m_drive; }
    LPCWSTR Directory() const { return m_directory; }
    LPCWSTR FileName() const { return m_fileName; }
    LPCWSTR Extension() const { return m_extension; }

private:
    void Clear();

    wchar_t m_path[MAX_PATH];
    wchar_t m_drive[3];
    wchar_t m_directory[256];
    wchar_t m_fileName[256];
    wchar_t m_extension[256];
};
