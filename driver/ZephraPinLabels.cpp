#include "ZephraPinLabels.h"
#include "WnString.h"

namespace {

struct PinLabel
{
    uint8_t type;
    const wchar_t* source;
    const wchar_t* destination;
};

const wchar_t* const kUnknown = L"unknown";

const PinLabel kLabels[] = {
    {ZEPHRA_PIN_ANALOG, L"Analog In %u/%u", L"Analog Out %u/%u"},
    {ZEPHRA_PIN_SPDIF, L"SPDIF In %u/%u", L"SPDIF Out %u/%u"},
    {ZEPHRA_PIN_PLAYBACK, L"Out %u/%u", kUnknown},
    {ZEPHRA_PIN_PLAYBACK_SPDIF, L"SPDIF %u/%u", kUnknown},
    {ZEPHRA_PIN_VIRTUAL, L"Virtual In %u/%u", L"Virtual In %u/%u"},
};

} // namespace

const wchar_t* ZephraPinLabelFormat(uint8_t type, bool destination)
{
    for (const PinLabel& label : kLabels) {
        if (label.type == type)
            return destination ? label.destination : label.source;
    }
    return kUnknown;
}

std::wstring ZephraPinPairLabel(const ZephraMixerPin& left, const ZephraMixerPin& right, bool destination)
{
    const wchar_t* format = ZephraPinLabelFormat(left.type, destination);
    if (format == kUnknown)
        return kUnknown;
    return WnFormatText(format, static_cast<unsigned>(left.channel) + 1, static_cast<unsigned>(right.channel) + 1);
}
