#include "WnEventLogWriter.h"
#include "WnString.h"

WnEventLogWriter::~WnEventLogWriter()
{
    Close();
}

DWORD WnEventLogWriter::Open(LPCWSTR sourceName)
{
    Close();
    m_handle = RegisterEventSourceW(nullptr, sourceName);
    return m_handle ? 0 : GetLastError();
}

DWORD WnEventLogWriter::Close()
{
    if (m_handle == nullptr)
        return 0;
    DWORD result = DeregisterEventSource(m_handle) ? 0 : GetLastError();
    m_handle = nullptr;
    return result;
}

DWORD WnEventLogWriter::ReportInfo(LPCWSTR format, ...)
{
    wchar_t text[WN_EVENT_TEXT_CAPACITY];
    va_list args;
    va_start(args, format);
    WnFormatV(text, WN_EVENT_TEXT_CAPACITY, format, args); // a truncated text is still reported
    va_end(args);
    return Write(EVENTLOG_INFORMATION_TYPE, WN_EVENT_INFO, text);
}

DWORD WnEventLogWriter::ReportError(LPCWSTR text)
{
    return Write(EVENTLOG_ERROR_TYPE, WN_EVENT_ERROR, text);
}

DWORD WnEventLogWriter::Write(WORD type, DWORD eventId, LPCWSTR text)
{
    LPCWSTR strings[1] = { text };
    return ReportEventW(m_handle, type, 0, eventId, nullptr, 1, 0, strings, nullptr) ? 0 : GetLastError();
}
