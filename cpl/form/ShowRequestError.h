#pragma once
#include <windows.h>
#include <string>
#include "ZephraStatus.h"

// The line that explains a status to the user, or null when it has none.
const wchar_t* RequestErrorHint(ZephraStatus status);
// "ACTION (Status=NAME)." and, for a status with a hint, a line break and the hint.
std::wstring FormatRequestError(const wchar_t* action, ZephraStatus status);
// The action text alone and, for ZEPHRA_STATUS_UNSUPPORTED_SAMPLE_RATE, a line break and
// the line about the ASIO host.
std::wstring FormatRequestWarning(const wchar_t* action, ZephraStatus status);

// The report of a failed request that the user started: a message box owned by page with
// the program's title, the error icon and OK; returns when the user has closed it.
void ShowRequestError(HWND page, const wchar_t* action, ZephraStatus status);
// The same for a request the page refuses to send, with the warning icon.
void ShowRequestWarning(HWND page, const wchar_t* action, ZephraStatus status);
