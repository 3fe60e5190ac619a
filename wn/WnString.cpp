#include "WnString.h"
#define STRSAFE_NO_DEPRECATE
#include <strsafe.h>

DWORD WnFormat(LPWSTR buffer, size_t capacity, LPCWSTR format, ...)
{
    va_list args;
    va_start(args, format);
    DWORD result = WnFormatV(buffer, capacity, format, args);
    va_end(args);
    return result;
}

std::wstring WnFormatText(LPCWSTR format, ...)
{
    wchar_t text[64];
    va_list args;
    va_start(args, format);
    WnFormatV(text, 64, format, args);
    va_end(args);
    return text;
}

DWORD WnFormatV(LPWSTR buffer, size_t capacity, LPCWSTR format, va_list args)
{
    if (buffer == nullptr || capacity == 0)
        return ERROR_INVALID_PARAMETER;
    if (format == nullptr) {
        buffer[0] = L'\0';
        return ERROR_INVALID_PARAMETER;
    }
    HRESULT hr = StringCchVPrintfW(buffer, capacity, format, args);
    if (SUCCEEDED(hr))
        return 0;
    if (hr == STRSAFE_E_INVALID_PARAMETER) {
        buffer[0] = L'\0';
        return ERROR_INVALID_PARAMETER;
    }
    return ERROR_BUFFER_OVERFLOW;
}

size_t WnCopy(LPWSTR buffer, size_t capacity, LPCWSTR source)
{
    if (buffer == nullptr || capacity == 0)
        return 0;
    buffer[0] = L'\0';
    return WnAppend(buffer, capacity, source);
}

size_t WnAppend(LPWSTR buffer, size_t capacity, LPCWSTR source)
{
    if (buffer == nullptr || capacity == 0)
        return 0;
    size_t length = 0;
    while (length < capacity - 1 && buffer[length] != L'\0')
        ++length;
    size_t copied = 0;
    if (source != nullptr) {
        while (length + copied < capacity - 1 && source[copied] != L'\0') {
            buffer[length + copied] = source[copied];
            ++copied;
        }
    }
    buffer[length + copied] = L'\0';
    return copied;
}
