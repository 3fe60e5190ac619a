#pragma once
#include "WnEventLogHandle.h"

// Event ids of the message table the reporting executable carries; each text is "%1\r\n".
const DWORD WN_EVENT_INFO = 0x60070001;
const DWORD WN_EVENT_WARNING = 0xA0070002;
const DWORD WN_EVENT_ERROR = 0xE0070003;

// Longest text of one record, terminator included.
const size_t WN_EVENT_TEXT_CAPACITY = 4096;

class WnEventLogWriter : public WnEventLogHandle
{
public:
    WnEventLogWriter() = default;
    ~WnEventLogWriter() override;

    // Closes a held handle, then RegisterEventSourceW on the local machine. 0 or GetLastError().
    DWORD Open(LPCWSTR sourceName);
    // DeregisterEventSource; the handle is forgotten even when that fails.
    DWORD Close() override;

    // An information record with the formatted text, truncated to 4095 characters.
    DWORD ReportInfo(LPCWSTR format, ...);
    // An error record with the text unchanged.
    DWORD ReportError(LPCWSTR text);

protected:
    // Writes one record with one string: ReportEventW, 0 or GetLastError().
    virtual DWORD Write(WORD type, DWORD eventId, LPCWSTR text);
};
