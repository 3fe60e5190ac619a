#include "ModulePath.h"

namespace {

// Copies [begin, end) into a field, truncated to its capacity.
template <size_t N>
void CopyPart(wchar_t (&field)[N], const wchar_t* begin, const wchar_t* end)
{
    size_t length = 0;
    while (begin + length < end && length < N - 1) {
        field[length] = begin[length];
        ++length;
    }
    field[length] = L'\0';
}

}

void ModulePath::Clear()
{
    m_path[0] = m_drive[0] = m_directory[0] = m_fileName[0] = m_extension[0] = L'\0';
}

DWORD ModulePath::Get(HMODULE module)
{
    Clear();
    DWORD length = GetModuleFileNameW(module, m_path, MAX_PATH);
    if (length == 0) {
        DWORD error = GetLastError();
        m_path[0] = L'\0';
        return error ? error : ERROR_INVALID_HANDLE;
    }
    if (length >= MAX_PATH) {
        // Truncated: a path that names another file is no path at all.
        m_path[0] = L'\0';
        return ERROR_INSUFFICIENT_BUFFER;
    }

    // The split of _wsplitpath: "X:", the directory up to its last separator, the file name
    // and the extension from its last dot; a part too long for its field is truncated.
    const wchar_t* p = m_path;
    const wchar_t* end = p + wcslen(p);
    if (end - p >= 2 && p[1] == L':') {
        CopyPart(m_drive, p, p + 2);
        p += 2;
    }
    const wchar_t* name = p;
    for (const wchar_t* c = p; c < end; ++c) {
        if (*c == L'\\' || *c == L'/')
            name = c + 1;
    }
    CopyPart(m_directory, p, name);
    const wchar_t* dot = end;
    for (const wchar_t* c = name; c < end; ++c) {
        if (*c == L'.')
            dot = c;
    }
    CopyPart(m_fileName, name, dot);
    CopyPart(m_extension, dot, end);
    return 0;
}
