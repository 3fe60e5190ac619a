#include "ShowRequestError.h"
#include "ModalRun.h"
#include "ResourceString.h"
#include "resource.h"

namespace {

std::wstring Widen(const char* text)
{
    std::wstring wide;
    for (const char* c = text; c != nullptr && *c != '\0'; ++c)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return wide;
}

void ShowReport(HWND page, const std::wstring& text, UINT icon)
{
    std::wstring caption = LoadResourceString(IDS_APP_TITLE);
    ModalRun run;
    ::MessageBoxW(page, text.c_str(), caption.c_str(), icon | MB_OK);
}

} // namespace

const wchar_t* RequestErrorHint(ZephraStatus status)
{
    switch (status) {
    case ZEPHRA_STATUS_NOT_IN_HIGH_SPEED_MODE:
        return L"The device is not connected to a USB high-speed port.";
    case ZEPHRA_STATUS_NO_DEVICES:
        return L"There are no devices connected.";
    case ZEPHRA_STATUS_NO_STREAMING_DEVICE:
        return L"There is no device selected for streaming.";
    default:
        return nullptr;
    }
}

std::wstring FormatRequestError(const wchar_t* action, ZephraStatus status)
{
    std::wstring text = std::wstring(action) + L" (Status=" + Widen(ZephraStatusName(status)) + L").";
    const wchar_t* hint = RequestErrorHint(status);
    if (hint != nullptr)
        text += std::wstring(L"\n") + hint;
    return text;
}

std::wstring FormatRequestWarning(const wchar_t* action, ZephraStatus status)
{
    std::wstring text = action;
    if (status == ZEPHRA_STATUS_UNSUPPORTED_SAMPLE_RATE)
        text += L"\nIt sample rate can be installed only from ASIO host for DSD mode.";
    return text;
}

void ShowRequestError(HWND page, const wchar_t* action, ZephraStatus status)
{
    ShowReport(page, FormatRequestError(action, status), MB_ICONERROR);
}

void ShowRequestWarning(HWND page, const wchar_t* action, ZephraStatus status)
{
    ShowReport(page, FormatRequestWarning(action, status), MB_ICONWARNING);
}
