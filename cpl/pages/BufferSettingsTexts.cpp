#include "BufferSettingsTexts.h"
#include "WnString.h"

namespace {

const wchar_t* const kStreamingNames[ZEPHRA_STREAMING_BUFFER_SETTINGS] = {
    L"Minimum", L"ExtraSmall", L"Small", L"Large", L"ExtraLarge", L"Safe"};
const wchar_t* const kAsioNames[ZEPHRA_ASIO_BUFFER_SETTINGS] = {L"Minimum", L"Small", L"Large", L"Maximum"};
const wchar_t kUnknown[] = L"unknown";

} // namespace

const wchar_t* StreamingBufferName(uint32_t setting)
{
    return setting < ZEPHRA_STREAMING_BUFFER_SETTINGS ? kStreamingNames[setting] : kUnknown;
}

const wchar_t* AsioBufferName(uint32_t setting)
{
    return setting < ZEPHRA_ASIO_BUFFER_SETTINGS ? kAsioNames[setting] : kUnknown;
}

std::wstring StreamingBufferText(uint32_t microseconds)
{
    return WnFormatText(L"%u.%1u millisecs\n", microseconds / 1000, microseconds % 1000 / 100);
}

std::wstring AsioBufferText(uint32_t microseconds, uint32_t samples)
{
    wchar_t text[96];
    WnFormat(text, 96, L"%u.%1u millisecs\n%u samples", microseconds / 1000, microseconds % 1000 / 100, samples);
    return text;
}

ZephraBufferSizeChange BufferSizeChangeOf(int streamingChoice, int asioChoice, const ZephraBufferSizes& read)
{
    ZephraBufferSizeChange change;
    change.streamingSetting = streamingChoice == BUFFER_SETTING_NONE ? read.streamingSetting : uint32_t(streamingChoice);
    change.asioSetting = asioChoice == BUFFER_SETTING_NONE ? read.asioSetting : uint32_t(asioChoice);
    change.thirdSetting = read.thirdSetting;
    return change;
}
