#include "ZephraDevice.h"
#include <cstring>
#include "WnString.h"
#include "ZephraRequestIndex.h"

std::wstring ZephraFieldText(const wchar_t* field, size_t chars)
{
    size_t length = 0;
    while (length < chars && field[length] != 0)
        ++length;
    return std::wstring(field, length);
}

ZephraDevice::ZephraDevice()
{
    memset(&m_record, 0, sizeof(m_record));
    memset(m_name, 0, sizeof(m_name));
}

ZephraDevice::~ZephraDevice() = default;

ZephraStatus ZephraDevice::OpenDevice(const wchar_t* name, const ZephraDeviceRecord& record)
{
    WnCopy(m_name, ZEPHRA_NAME_CHARS, name);
    m_record = record;
    ZephraStatus status = Open(m_name);
    if (status != 0)
        return status;
    status = SelectDevice(record.idFirst, record.idSecond);
    if (status == 0)
        status = OnOpened();
    if (status != 0)
        Close();
    return status;
}

ZephraStatus ZephraDevice::OnOpened()
{
    return 0;
}

ZephraStatus ZephraDevice::SelectDevice(uint32_t idFirst, uint32_t idSecond)
{
    ZephraDeviceId id = {idFirst, idSecond};
    return DoRequest(IOCTL_ZEPHRA_SELECT_DEVICE, &id, sizeof(id), nullptr, 0);
}

std::wstring ZephraDevice::GetSerialNumber() const
{
    return ZephraFieldText(m_record.serialNumber, ZEPHRA_SERIAL_CHARS);
}

std::wstring ZephraDevice::GetDeviceName() const
{
    return ZephraFieldText(m_record.deviceName, ZEPHRA_DEVICE_NAME_CHARS);
}

bool ZephraDevice::IsSameDevice(const ZephraDeviceRecord& record) const
{
    return m_record.vendorId == record.vendorId && m_record.productId == record.productId &&
           GetSerialNumber() == ZephraFieldText(record.serialNumber, ZEPHRA_SERIAL_CHARS);
}

ZephraStatus ZephraDevice::EntryRequest(uint32_t code, void* entries, uint32_t n, uint32_t entrySize, bool read)
{
    if (n > ZEPHRA_MAX_FRAME_DATA / entrySize || (entries == nullptr && n != 0))
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    uint32_t size = n * entrySize;
    uint32_t returned = 0;
    ZephraStatus status = DoRequest(code, entries, size, entries, size, &returned);
    if (status == 0 && read && returned != size)
        return ZEPHRA_STATUS_LENGTH_MISMATCH;
    return status;
}

ZephraStatus ZephraDevice::GetMixerPins(ZephraPinClass pinClass, ZephraMixerPin* buffer, uint32_t capacity,
                                        uint32_t* count)
{
    *count = 0;
    const uint32_t pinSize = sizeof(ZephraMixerPin);
    if (capacity > ZEPHRA_MAX_FRAME_DATA / pinSize || (buffer == nullptr && capacity != 0))
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    uint32_t classWord = pinClass;
    uint32_t returned = 0;
    ZephraStatus status =
        DoRequest(IOCTL_ZEPHRA_MIXER_GET_PINS, &classWord, sizeof(classWord), buffer, capacity * pinSize, &returned);
    if (status != 0)
        return status;
    uint32_t listed = returned / pinSize;
    *count = listed < capacity ? listed : capacity;
    return 0;
}

ZephraStatus ZephraDevice::GetMixerInputLevels(ZephraMixerLevel* entries, uint32_t n)
{
    return EntryRequest(IOCTL_ZEPHRA_MIXER_GET_INPUT_LEVELS, entries, n, sizeof(*entries), true);
}

ZephraStatus ZephraDevice::GetMixerOutputLevels(ZephraMixerLevel* entries, uint32_t n)
{
    return EntryRequest(IOCTL_ZEPHRA_MIXER_GET_OUTPUT_LEVELS, entries, n, sizeof(*entries), true);
}

ZephraStatus ZephraDevice::GetMixerOutputGains(ZephraMixerGain* entries, uint32_t n)
{
    return EntryRequest(IOCTL_ZEPHRA_MIXER_GET_OUTPUT_GAINS, entries, n, sizeof(*entries), true);
}

ZephraStatus ZephraDevice::SetMixerOutputGains(ZephraMixerGain* entries, uint32_t n)
{
    return EntryRequest(IOCTL_ZEPHRA_MIXER_SET_OUTPUT_GAINS, entries, n, sizeof(*entries), false);
}

ZephraStatus ZephraDevice::GetMixerWeights(ZephraMixerWeight* entries, uint32_t n)
{
    return EntryRequest(IOCTL_ZEPHRA_MIXER_GET_WEIGHTS, entries, n, sizeof(*entries), true);
}

ZephraStatus ZephraDevice::SetMixerWeights(ZephraMixerWeight* entries, uint32_t n)
{
    return EntryRequest(IOCTL_ZEPHRA_MIXER_SET_WEIGHTS, entries, n, sizeof(*entries), false);
}

ZephraStatus ZephraDevice::SetVolumeBypass(bool on)
{
    uint8_t value = on ? 1 : 0;
    return DoRequest(IOCTL_ZEPHRA_SET_VOLUME_BYPASS, &value, sizeof(value), nullptr, 0);
}

ZephraStatus ZephraDevice::GetVolumeBypass(bool* on)
{
    *on = false;
    uint8_t value = 0;
    uint32_t returned = 0;
    ZephraStatus status = DoRequest(IOCTL_ZEPHRA_GET_VOLUME_BYPASS, nullptr, 0, &value, sizeof(value), &returned);
    if (status == 0 && returned != sizeof(value))
        return ZEPHRA_STATUS_LENGTH_MISMATCH;
    if (status == 0)
        *on = value != 0;
    return status;
}

ZephraStatus ZephraDevice::SetPluginParameters(const ZephraPluginRecord& record)
{
    if (record.count > ZEPHRA_PLUGIN_MAX_ENTRIES)
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    return DoRequest(IOCTL_ZEPHRA_PLUGIN_SET, &record, sizeof(record), nullptr, 0);
}

ZephraStatus ZephraDevice::GetPluginParameters(ZephraPluginRecord* record)
{
    if (record->count > ZEPHRA_PLUGIN_MAX_ENTRIES)
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    uint32_t returned = 0;
    ZephraStatus status = DoRequest(IOCTL_ZEPHRA_PLUGIN_GET, record, sizeof(*record), record, sizeof(*record), &returned);
    if (status == 0 && returned != sizeof(*record))
        return ZEPHRA_STATUS_LENGTH_MISMATCH;
    return status;
}

ZephraStatus ZephraDevice::GetEchoAnswer(uint32_t parameter, uint32_t* answer)
{
    *answer = 0;
    ZephraPluginRecord record;
    memset(&record, 0, sizeof(record));
    record.parameter = parameter;
    ZephraStatus status = GetPluginParameters(&record);
    if (status == 0)
        *answer = record.count;
    return status;
}

ZephraStatus ZephraDevice::GetEchoChannelCount(uint32_t* count)
{
    ZephraStatus status = GetEchoAnswer(ZEPHRA_PLUGIN_CHANNEL_COUNT, count);
    if (*count > ZEPHRA_PLUGIN_MAX_ENTRIES)
        *count = ZEPHRA_PLUGIN_MAX_ENTRIES;
    return status;
}

ZephraStatus ZephraDevice::GetEchoMaxDelay(uint32_t* ms)
{
    ZephraStatus status = GetEchoAnswer(ZEPHRA_PLUGIN_MAX_DELAY, ms);
    if (*ms > ZEPHRA_ECHO_MAX_DELAY_LIMIT)
        *ms = ZEPHRA_ECHO_MAX_DELAY_LIMIT;
    return status;
}

ZephraStatus ZephraDevice::GetEchoValue(uint32_t parameter, uint32_t channel, uint32_t* value)
{
    *value = 0;
    ZephraPluginRecord record;
    memset(&record, 0, sizeof(record));
    record.parameter = parameter;
    record.count = 1;
    record.entries[0].channel = channel;
    ZephraStatus status = GetPluginParameters(&record);
    if (status != 0)
        return status;
    // The reply must answer for the channel that was asked.
    if (record.count != 1 || record.entries[0].channel != channel)
        return ZEPHRA_STATUS_LENGTH_MISMATCH;
    *value = record.entries[0].value;
    return 0;
}

ZephraStatus ZephraDevice::SetEchoPairValue(uint32_t parameter, uint32_t leftChannel, uint32_t value)
{
    ZephraPluginRecord record;
    memset(&record, 0, sizeof(record));
    record.parameter = parameter;
    record.count = 2;
    record.entries[0] = {leftChannel, value};
    record.entries[1] = {leftChannel + 1, value};
    return SetPluginParameters(record);
}
