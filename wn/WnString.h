#pragma once
#include <windows.h>
#include <stdarg.h>
#include <string>

// Formats into a fixed buffer, truncating. 87 for a null or empty buffer or a null format,
// also when the formatter reports an invalid argument; 111 when the text was truncated or
// formatting failed otherwise; else 0. The buffer always holds a terminated text.
DWORD WnFormat(LPWSTR buffer, size_t capacity, LPCWSTR format, ...);
DWORD WnFormatV(LPWSTR buffer, size_t capacity, LPCWSTR format, va_list args);
// A short text (a label, a read-out) as a string: WnFormat into 64 characters, truncating.
std::wstring WnFormatText(LPCWSTR format, ...);

// Copy and append at most capacity - 1 characters, always terminated. Return the number of
// characters copied; a null source copies nothing, a zero capacity touches nothing.
size_t WnCopy(LPWSTR buffer, size_t capacity, LPCWSTR source);
size_t WnAppend(LPWSTR buffer, size_t capacity, LPCWSTR source);
