#include "SimEngine.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include "WnString.h"
#include "ZephraIoctl.h"
#include "ZephraMessage.h"

namespace {

const uint32_t kDefaultRates[] = {44100, 48000, 88200, 96000, 176400, 192000, 2822400, 5644800};
const uint32_t kLowestRate = 8000;
const uint32_t kHighestRate = 5644800;
// Streaming buffer per setting, in USB microframes of 125 us.
const uint32_t kStreamingFrames[ZEPHRA_STREAMING_BUFFER_SETTINGS] = {8, 16, 32, 64, 128, 256};
// ASIO buffer per setting, in samples at 44.1 or 48 kHz; higher rates scale it.
const uint32_t kAsioSamples[ZEPHRA_ASIO_BUFFER_SETTINGS] = {64, 128, 256, 512};
const uint32_t kChannelsPerDevice = 16;
const uint32_t kOutputKeyFlag = 0x10000;

const char* const kStateNames[] = {"undefined", "down", "ready", "prepared", "running", "error", "not possible"};

// The rate as a multiple of its base rate, 44100 or 48000.
uint32_t RateMultiple(uint32_t rate)
{
    if (rate % 44100 == 0)
        return rate / 44100;
    if (rate % 48000 == 0)
        return rate / 48000;
    return 1;
}

template <class T> void PutRecord(uint8_t* out, uint32_t* returned, const T& record)
{
    memcpy(out, &record, sizeof(record));
    *returned = sizeof(record);
}

template <class T> T GetRecord(const uint8_t* in)
{
    T record;
    memcpy(&record, in, sizeof(record));
    return record;
}

} // namespace

SimEngine::SimEngine(const SimStreamingSelection& selection)
    : m_selection(selection), m_rates(std::begin(kDefaultRates), std::end(kDefaultRates))
{
}

bool SimEngine::IsStreamingDevice(const SimDevice& device) const
{
    return m_selection.allDevices || (device.idFirst == m_selection.first && device.idSecond == m_selection.second);
}

std::vector<uint32_t> SimEngine::Usb11Devices() const
{
    std::vector<uint32_t> ids;
    for (const SimDevice& device : m_selection.devices) {
        if (!device.highSpeed && IsStreamingDevice(device))
            ids.push_back(device.idFirst);
    }
    return ids;
}

bool SimEngine::AnyStreamWanted() const
{
    // The third count holds streams that do not need the engine running.
    return m_counts[0] != 0 || m_counts[1] != 0 || m_counts[3] != 0 || m_counts[4] != 0;
}

void SimEngine::Settle()
{
    bool blocked = !Usb11Devices().empty();
    if (!blocked)
        m_resetFor.clear();
    bool up = m_state == ZEPHRA_STREAM_READY || m_state == ZEPHRA_STREAM_PREPARED || m_state == ZEPHRA_STREAM_RUNNING;
    if (up && (m_selection.devices.empty() || blocked))
        m_state = ZEPHRA_STREAM_DOWN;
}

uint32_t SimEngine::State()
{
    Settle();
    // Reported until command 1 acknowledges these very devices.
    std::vector<uint32_t> usb11 = Usb11Devices();
    if (m_state != ZEPHRA_STREAM_UNDEFINED && !usb11.empty() && usb11 != m_resetFor)
        return ZEPHRA_STREAM_NOT_POSSIBLE;
    return m_state;
}

ZephraStatus SimEngine::Command(uint32_t command, uint32_t argument)
{
    m_commands.push_back({command, argument});
    uint32_t state = State();
    bool allowed = false;
    uint32_t next = state;
    switch (command) {
    case ZEPHRA_STREAM_CMD_RESET:
        allowed = state == ZEPHRA_STREAM_ERROR || state == ZEPHRA_STREAM_NOT_POSSIBLE;
        next = ZEPHRA_STREAM_DOWN;
        break;
    case ZEPHRA_STREAM_CMD_OPEN:
        allowed = state == ZEPHRA_STREAM_DOWN;
        next = ZEPHRA_STREAM_READY;
        break;
    case ZEPHRA_STREAM_CMD_CLOSE:
        allowed = state == ZEPHRA_STREAM_READY;
        next = ZEPHRA_STREAM_DOWN;
        break;
    case ZEPHRA_STREAM_CMD_PREPARE:
        allowed = state == ZEPHRA_STREAM_READY;
        next = ZEPHRA_STREAM_PREPARED;
        break;
    case ZEPHRA_STREAM_CMD_START:
        allowed = state == ZEPHRA_STREAM_PREPARED;
        next = ZEPHRA_STREAM_RUNNING;
        break;
    case ZEPHRA_STREAM_CMD_STOP:
        allowed = state == ZEPHRA_STREAM_PREPARED || state == ZEPHRA_STREAM_RUNNING;
        next = ZEPHRA_STREAM_READY;
        break;
    default:
        return ZEPHRA_STATUS_INVALID_COMMAND;
    }
    bool takesArgument = command == ZEPHRA_STREAM_CMD_OPEN || command == ZEPHRA_STREAM_CMD_CLOSE;
    if (!takesArgument && argument != 0)
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    if (!allowed)
        return ZEPHRA_STATUS_INVALID_STATE;
    if (command == ZEPHRA_STREAM_CMD_OPEN) {
        if (m_selection.devices.empty())
            return ZEPHRA_STATUS_NO_DEVICES;
        bool any = false;
        for (const SimDevice& device : m_selection.devices)
            any = any || IsStreamingDevice(device);
        if (!any)
            return ZEPHRA_STATUS_NO_STREAMING_DEVICE;
        if (!Usb11Devices().empty()) {
            m_resetFor.clear(); // back to "not possible"
            return ZEPHRA_STATUS_NOT_IN_HIGH_SPEED_MODE;
        }
    }
    if (state == ZEPHRA_STREAM_NOT_POSSIBLE && !m_stuck)
        m_resetFor = Usb11Devices();
    if (takesArgument)
        m_lastArgument = argument;
    if (!m_stuck)
        m_state = next;
    return 0;
}

bool SimEngine::IsSupportedRate(uint32_t rate) const
{
    for (uint32_t supported : m_rates) {
        if (supported == rate)
            return true;
    }
    return false;
}

ZephraStatus SimEngine::SetSampleRate(uint32_t rate)
{
    if (State() != ZEPHRA_STREAM_DOWN)
        return ZEPHRA_STATUS_INVALID_STATE;
    if (!IsSupportedRate(rate))
        return ZEPHRA_STATUS_UNSUPPORTED_SAMPLE_RATE;
    m_rate = rate;
    return 0;
}

ZephraStatus SimEngine::SetBufferSizes(const ZephraBufferSizeChange& change)
{
    if (State() != ZEPHRA_STREAM_DOWN)
        return ZEPHRA_STATUS_INVALID_STATE;
    if (change.streamingSetting >= ZEPHRA_STREAMING_BUFFER_SETTINGS || change.asioSetting >= ZEPHRA_ASIO_BUFFER_SETTINGS)
        return ZEPHRA_STATUS_INVALID_BUFFER_SIZE;
    m_streamingBuffer = change.streamingSetting;
    m_asioBuffer = change.asioSetting;
    m_thirdSetting = change.thirdSetting;
    return 0;
}

ZephraStatus SimEngine::SetStreamingDevice(const ZephraStreamingDeviceRecord& selection)
{
    if (State() != ZEPHRA_STREAM_DOWN)
        return ZEPHRA_STATUS_INVALID_STATE;
    if (selection.allDevices > 1)
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    if (selection.idFirst != 0 || selection.idSecond != 0) {
        bool found = false;
        for (const SimDevice& device : m_selection.devices)
            found = found || (device.idFirst == selection.idFirst && device.idSecond == selection.idSecond);
        if (!found)
            return ZEPHRA_STATUS_NO_DEVICE;
        m_selection.first = selection.idFirst;
        m_selection.second = selection.idSecond;
    } else if (m_selection.first == 0 && m_selection.second == 0 && !m_selection.devices.empty()) {
        m_selection.first = m_selection.devices.front().idFirst;
        m_selection.second = m_selection.devices.front().idSecond;
    }
    m_selection.allDevices = selection.allDevices != 0;
    return 0;
}

ZephraStreamingStatus SimEngine::StreamingStatus()
{
    ZephraStreamingStatus status;
    memset(&status, 0, sizeof(status));
    status.state = State();
    status.mode = m_selection.allDevices ? uint32_t(ZEPHRA_STREAM_MODE_ALL_DEVICES) : uint32_t(ZEPHRA_STREAM_MODE_ONE_DEVICE);
    status.sampleRate = m_rate;
    memcpy(status.streamCounts, m_counts, sizeof(m_counts));
    return status;
}

ZephraBufferSizes SimEngine::BufferSizes() const
{
    ZephraBufferSizes sizes;
    memset(&sizes, 0, sizeof(sizes));
    sizes.streamingSetting = m_streamingBuffer;
    sizes.asioSetting = m_asioBuffer;
    sizes.thirdSetting = m_thirdSetting;
    sizes.streamingDuration = kStreamingFrames[m_streamingBuffer] * 125;
    sizes.asioSamples = kAsioSamples[m_asioBuffer] * RateMultiple(m_rate);
    sizes.asioDuration = static_cast<uint32_t>(uint64_t(sizes.asioSamples) * 1000000 / m_rate);
    return sizes;
}

ZephraChannelList SimEngine::Channels(bool output) const
{
    ZephraChannelList list;
    memset(&list, 0, sizeof(list));
    for (const SimDevice& device : m_selection.devices) {
        if (!IsStreamingDevice(device))
            continue;
        for (uint32_t i = 0; i < kChannelsPerDevice && list.count < ZEPHRA_MAX_CHANNELS; ++i) {
            list.keys[list.count].words[0] = device.idFirst;
            list.keys[list.count].words[1] = (output ? kOutputKeyFlag : 0) | i;
            ++list.count;
        }
    }
    return list;
}

ZephraStatus SimEngine::ChannelInfo(const ZephraChannelKey& key, ZephraChannelInfo* info) const
{
    uint32_t index = key.words[1] & ~kOutputKeyFlag;
    bool output = (key.words[1] & kOutputKeyFlag) != 0;
    for (const SimDevice& device : m_selection.devices) {
        if (device.idFirst != key.words[0] || index >= kChannelsPerDevice)
            continue;
        memset(info, 0, sizeof(*info));
        info->idFirst = device.idFirst;
        info->idSecond = device.idSecond;
        WnFormat(info->name, ZEPHRA_CHANNEL_NAME_CHARS, output ? L"Out %u" : L"Analog In %u", index + 1);
        return 0;
    }
    return ZEPHRA_STATUS_OBJECT_NOT_FOUND;
}

bool SimEngine::Serve(uint32_t code, const uint8_t* in, uint8_t* out, uint32_t* returned, ZephraStatus* status)
{
    *status = 0;
    switch (code) {
    case IOCTL_ZEPHRA_GET_STREAMING_STATUS:
        PutRecord(out, returned, StreamingStatus());
        return true;
    case IOCTL_ZEPHRA_GET_SAMPLE_RATES: {
        ZephraSampleRates rates;
        memset(&rates, 0, sizeof(rates));
        rates.current = m_rate;
        for (uint32_t rate : m_rates)
            rates.rates[rates.count++] = rate;
        PutRecord(out, returned, rates);
        return true;
    }
    case IOCTL_ZEPHRA_GET_BUFFER_SIZES:
        PutRecord(out, returned, BufferSizes());
        return true;
    case IOCTL_ZEPHRA_GET_ERROR_COUNTERS:
        PutRecord(out, returned, m_errors);
        return true;
    case IOCTL_ZEPHRA_GET_INPUT_CHANNELS:
    case IOCTL_ZEPHRA_GET_OUTPUT_CHANNELS:
        PutRecord(out, returned, Channels(code == IOCTL_ZEPHRA_GET_OUTPUT_CHANNELS));
        return true;
    case IOCTL_ZEPHRA_GET_CHANNEL_INFO: {
        ZephraChannelInfo info;
        *status = ChannelInfo(GetRecord<ZephraChannelKey>(in), &info);
        if (*status == 0)
            PutRecord(out, returned, info);
        return true;
    }
    case IOCTL_ZEPHRA_STREAMING_COMMAND: {
        ZephraStreamingCommandRecord record = GetRecord<ZephraStreamingCommandRecord>(in);
        *status = Command(record.command, record.argument);
        return true;
    }
    case IOCTL_ZEPHRA_SET_SAMPLE_RATE:
        *status = SetSampleRate(GetRecord<uint32_t>(in));
        return true;
    case IOCTL_ZEPHRA_PREPARE_SAMPLE_RATE: {
        uint32_t rate = GetRecord<uint32_t>(in);
        if (!IsSupportedRate(rate))
            *status = ZEPHRA_STATUS_UNSUPPORTED_SAMPLE_RATE;
        else
            m_preparedRate = rate;
        return true;
    }
    case IOCTL_ZEPHRA_SET_BUFFER_SIZES:
        *status = SetBufferSizes(GetRecord<ZephraBufferSizeChange>(in));
        return true;
    case IOCTL_ZEPHRA_SET_OPTIONS:
        m_options = GetRecord<uint32_t>(in);
        return true;
    case IOCTL_ZEPHRA_GET_OPTIONS:
        PutRecord(out, returned, m_options);
        return true;
    case IOCTL_ZEPHRA_SET_STREAMING_DEVICE:
        *status = SetStreamingDevice(GetRecord<ZephraStreamingDeviceRecord>(in));
        return true;
    default:
        return false;
    }
}

bool SimEngine::IsCommand(const std::string& command)
{
    return command == "streams" || command == "errors" || command == "state";
}

bool SimEngine::Execute(const std::string& command, const std::vector<uint32_t>& values, std::string* text,
                        uint32_t* notify)
{
    *notify = 0;
    if (command == "streams") {
        if (values.size() != ZEPHRA_STREAM_COUNTS) {
            *text = "usage: streams C1 C2 C3 C4 C5\n";
            return false;
        }
        bool wanted = AnyStreamWanted();
        std::copy(values.begin(), values.end(), m_counts);
        if (AnyStreamWanted() != wanted)
            *notify = wanted ? ZEPHRA_NOTIFY_STREAM_RELEASE : ZEPHRA_NOTIFY_STREAM_DEMAND;
        *text = "streams set\n";
        return true;
    }
    if (command == "errors") {
        if (values.size() != 5) {
            *text = "usage: errors E1 E2 E3 E4 E5\n";
            return false;
        }
        std::copy(values.begin(), values.end(), m_errors);
        *text = "errors set\n";
        return true;
    }
    if (values.size() != 1 || values[0] > ZEPHRA_STREAM_ERROR) {
        *text = "usage: state 0..5 (6 comes from a streaming device on a USB 1.1 port)\n";
        return false;
    }
    m_state = values[0];
    m_resetFor.clear();
    *text = std::string("state ") + kStateNames[m_state] + "\n";
    return true;
}

bool SimEngine::SetRates(const std::vector<uint32_t>& rates, std::string* error)
{
    if (rates.empty() || rates.size() > ZEPHRA_MAX_SAMPLE_RATES) {
        *error = "1 to 12 rates\n";
        return false;
    }
    for (size_t i = 0; i < rates.size(); ++i) {
        if (rates[i] < kLowestRate || rates[i] > kHighestRate) {
            *error = "rates run from 8000 to 5644800 Hz: " + std::to_string(rates[i]) + "\n";
            return false;
        }
        if (std::find(rates.begin(), rates.begin() + i, rates[i]) != rates.begin() + i) {
            *error = "rate given twice: " + std::to_string(rates[i]) + "\n";
            return false;
        }
    }
    m_rates = rates;
    return true;
}

bool SimEngine::HostSetRate(uint32_t rate, std::string* error)
{
    if (!IsSupportedRate(rate)) {
        *error = "not a supported rate: " + std::to_string(rate) + "\n";
        return false;
    }
    m_rate = rate;
    return true;
}

bool SimEngine::HostSetBuffers(uint32_t streamingSetting, uint32_t asioSetting, std::string* error)
{
    if (streamingSetting >= ZEPHRA_STREAMING_BUFFER_SETTINGS || asioSetting >= ZEPHRA_ASIO_BUFFER_SETTINGS) {
        *error = "streaming setting 0..5, ASIO setting 0..3\n";
        return false;
    }
    m_streamingBuffer = streamingSetting;
    m_asioBuffer = asioSetting;
    return true;
}

std::string SimEngine::StatusText()
{
    uint32_t state = State();
    ZephraBufferSizes sizes = BufferSizes();
    char text[600];
    snprintf(text, sizeof(text),
             "streaming state %lu (%s), mode %s, rate %lu Hz, prepared rate %lu, last argument %lu\n"
             "buffers: streaming %lu (%lu us), asio %lu (%lu samples, %lu us), third %lu\n"
             "options 0x%08lx\n"
             "streams %lu %lu %lu %lu %lu\n"
             "errors %lu %lu %lu %lu %lu\n",
             static_cast<unsigned long>(state), kStateNames[state], m_selection.allDevices ? "all devices" : "one device",
             static_cast<unsigned long>(m_rate), static_cast<unsigned long>(m_preparedRate),
             static_cast<unsigned long>(m_lastArgument), static_cast<unsigned long>(sizes.streamingSetting),
             static_cast<unsigned long>(sizes.streamingDuration), static_cast<unsigned long>(sizes.asioSetting),
             static_cast<unsigned long>(sizes.asioSamples), static_cast<unsigned long>(sizes.asioDuration),
             static_cast<unsigned long>(sizes.thirdSetting), static_cast<unsigned long>(m_options),
             static_cast<unsigned long>(m_counts[0]), static_cast<unsigned long>(m_counts[1]),
             static_cast<unsigned long>(m_counts[2]), static_cast<unsigned long>(m_counts[3]),
             static_cast<unsigned long>(m_counts[4]), static_cast<unsigned long>(m_errors[0]),
             static_cast<unsigned long>(m_errors[1]), static_cast<unsigned long>(m_errors[2]),
             static_cast<unsigned long>(m_errors[3]), static_cast<unsigned long>(m_errors[4]));
    std::string rates = "rates";
    for (uint32_t rate : m_rates)
        rates += " " + std::to_string(rate);
    return text + rates + "\n";
}
