#include "ZephraDriver.h"
#include <cstring>
#include "WnString.h"

namespace {

// Failures after which nothing more can be read on the connection.
bool IsConnectionGone(ZephraStatus status)
{
    return status == ZEPHRA_STATUS_NOT_OPENED || status == ERROR_BROKEN_PIPE || status == ERROR_NO_DATA ||
           status == ERROR_PIPE_NOT_CONNECTED || status == ERROR_INVALID_HANDLE ||
           status == ERROR_DEVICE_NOT_CONNECTED || status == ERROR_DEVICE_REMOVED;
}

} // namespace

ZephraDriver::ZephraDriver()
{
    memset(m_name, 0, sizeof(m_name));
}

// Devices first: each closes its own connection.
ZephraDriver::~ZephraDriver()
{
    m_devices.clear();
}

ZephraDevice* ZephraDriver::CreateDevice()
{
    return new ZephraDevice();
}

ZephraStatus ZephraDriver::OpenDriver(const wchar_t* name, bool wantMessageEvent, bool wantNotificationEvent)
{
    WnCopy(m_name, ZEPHRA_NAME_CHARS, name);
    ZephraStatus status = Open(m_name);
    if (status != 0)
        return status;
    WnEvent* wanted[2] = {wantMessageEvent ? &m_messageEvent : nullptr,
                          wantNotificationEvent ? &m_notificationEvent : nullptr};
    for (WnEvent* event : wanted) {
        if (event != nullptr && !event->IsValid()) {
            DWORD error = event->Create(false);
            if (error != 0) {
                Close();
                return error;
            }
        }
    }
    // On failure the events are kept for a later attempt.
    status = SetEvents(wantMessageEvent ? m_messageEvent.Get() : nullptr,
                       wantNotificationEvent ? m_notificationEvent.Get() : nullptr);
    if (status != 0)
        Close();
    return status;
}

void ZephraDriver::CloseDriver()
{
    SetEvents(nullptr, nullptr);
    Close();
    m_messageEvent.Close();
    m_notificationEvent.Close();
}

ZephraStatus ZephraDriver::SetEvents(HANDLE messageEvent, HANDLE notificationEvent)
{
    ZephraEventsRecord record;
    record.messageEvent = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(messageEvent));
    record.notificationEvent = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(notificationEvent));
    return DoRequest(IOCTL_ZEPHRA_SET_EVENTS, &record, sizeof(record), nullptr, 0);
}

ZephraStatus ZephraDriver::SetClientType(uint32_t type)
{
    return DoRequest(IOCTL_ZEPHRA_SET_CLIENT_TYPE, &type, sizeof(type), nullptr, 0);
}

ZephraStatus ZephraDriver::OpenTyped(const wchar_t* name, uint32_t type)
{
    if (IsOpened())
        return 0;
    ZephraStatus status = OpenDriver(name, true, true);
    if (status != 0)
        return status;
    status = SetClientType(type);
    if (status != 0)
        CloseDriver();
    return status;
}

ZephraStatus ZephraDriver::OpenAsServer(const wchar_t* name)
{
    return OpenTyped(name, ZEPHRA_CLIENT_SERVER);
}

ZephraStatus ZephraDriver::OpenAsClient(const wchar_t* name)
{
    return OpenTyped(name, ZEPHRA_CLIENT_MAIN);
}

ZephraStatus ZephraDriver::OpenAsObserver(const wchar_t* name, uint32_t type)
{
    if (IsOpened())
        return 0;
    WnCopy(m_name, ZEPHRA_NAME_CHARS, name);
    ZephraStatus status = Open(m_name);
    if (status != 0)
        return status;
    status = SetEvents(nullptr, nullptr);
    if (status != 0) {
        Close();
        return status;
    }
    status = SetClientType(type);
    if (status != 0)
        CloseDriver();
    return status;
}

ZephraStatus ZephraDriver::GetDeviceList(ZephraDeviceList* list)
{
    return ReadFixed(IOCTL_ZEPHRA_GET_DEVICE_LIST, list, sizeof(*list));
}

ZephraStatus ZephraDriver::RefreshDevices(bool* changed)
{
    *changed = false;
    ZephraDeviceList list;
    ZephraStatus status = GetDeviceList(&list);
    // A reply cut short says nothing about the devices: the list stays as it was.
    if (status == ZEPHRA_STATUS_LENGTH_MISMATCH)
        return status;

    std::vector<std::unique_ptr<ZephraDevice>> previous;
    previous.swap(m_devices);
    if (status == 0) {
        // A count beyond the record's capacity is read as a full record, never beyond it.
        uint32_t count = list.count < ZEPHRA_MAX_DEVICES ? list.count : ZEPHRA_MAX_DEVICES;
        for (uint32_t i = 0; i < count; ++i) {
            const ZephraDeviceRecord& record = list.devices[i];
            auto known = previous.begin();
            while (known != previous.end() && !(*known && (*known)->IsSameDevice(record)))
                ++known;
            if (known != previous.end()) {
                std::unique_ptr<ZephraDevice> device = std::move(*known);
                previous.erase(known);
                // Plugged again with new id words: its connection follows them, or it goes.
                bool moved = device->GetIdFirst() != record.idFirst || device->GetIdSecond() != record.idSecond;
                if (moved && device->SelectDevice(record.idFirst, record.idSecond) != 0) {
                    *changed = true;
                    continue;
                }
                device->SetRecord(record);
                m_devices.push_back(std::move(device));
                continue;
            }
            std::unique_ptr<ZephraDevice> device(CreateDevice());
            if (device && device->OpenDevice(m_name, record) == 0) {
                m_devices.push_back(std::move(device));
                *changed = true;
            }
        }
    }
    if (!previous.empty())
        *changed = true;
    previous.clear();
    return status;
}

ZephraStatus ZephraDriver::RereadDeviceRecords()
{
    ZephraDeviceList list;
    ZephraStatus status = GetDeviceList(&list);
    if (status != 0)
        return status;
    uint32_t count = list.count < ZEPHRA_MAX_DEVICES ? list.count : ZEPHRA_MAX_DEVICES;
    for (const auto& device : m_devices) {
        for (uint32_t i = 0; i < count; ++i) {
            const ZephraDeviceRecord& record = list.devices[i];
            if (device->IsSameDevice(record) && device->GetIdFirst() == record.idFirst &&
                device->GetIdSecond() == record.idSecond) {
                device->SetRecord(record);
                break;
            }
        }
    }
    return 0;
}

ZephraDevice* ZephraDriver::FindDevice(uint32_t idFirst, uint32_t idSecond) const
{
    for (const auto& device : m_devices) {
        if (device->GetIdFirst() == idFirst && device->GetIdSecond() == idSecond)
            return device.get();
    }
    return nullptr;
}

ZephraDevice* ZephraDriver::GetDeviceAt(size_t index) const
{
    return index < m_devices.size() ? m_devices[index].get() : nullptr;
}

ZephraStatus ZephraDriver::SendMessageRecord(const ZephraMessage& record)
{
    if (record.payloadLength > ZEPHRA_MSG_MAX_PAYLOAD)
        return ZEPHRA_STATUS_INVALID_LENGTH;
    return DoRequest(IOCTL_ZEPHRA_SEND_MESSAGE, &record, record.WireSize(), nullptr, 0);
}

ZephraStatus ZephraDriver::ReadRecord(uint32_t code, ZephraMessage* record)
{
    record->kind = ZEPHRA_MSG_KIND_NONE;
    record->code = 0;
    uint32_t returned = 0;
    ZephraStatus status = DoRequest(code, nullptr, 0, record, sizeof(*record), &returned);
    if (status != 0)
        return status;
    if (returned < ZEPHRA_MSG_HEADER_SIZE || !record->IsWellFormed() || record->WireSize() > returned) {
        // Never hand on a record whose payload does not fit what was read.
        record->kind = ZEPHRA_MSG_KIND_NONE;
        record->payloadLength = 0;
        return ZEPHRA_STATUS_INVALID_LENGTH;
    }
    return 0;
}

ZephraStatus ZephraDriver::GetMessageRecord(ZephraMessage* record)
{
    return ReadRecord(IOCTL_ZEPHRA_GET_MESSAGE, record);
}

ZephraStatus ZephraDriver::GetNotificationRecord(ZephraMessage* record)
{
    return ReadRecord(IOCTL_ZEPHRA_GET_NOTIFICATION, record);
}

ZephraStatus ZephraDriver::DrainQueue(bool notifications, const RecordHandler& handler)
{
    const uint32_t code = notifications ? IOCTL_ZEPHRA_GET_NOTIFICATION : IOCTL_ZEPHRA_GET_MESSAGE;
    ZephraStatus status = ZEPHRA_STATUS_PENDING;
    uint32_t failures = 0;
    ZephraMessage record;
    for (uint32_t read = 0; read < DRAIN_MAX_RECORDS; ++read) {
        ZephraStatus result = ReadRecord(code, &record);
        if (result == ZEPHRA_STATUS_NO_MORE_ITEMS)
            return result;
        if (result == ZEPHRA_STATUS_INVALID_LENGTH)
            continue; // malformed: it has left the queue all the same

        if (result != 0) {
            status = result;
            if (IsConnectionGone(result) || ++failures > DRAIN_MAX_RETRIES)
                break;
            continue;
        }
        if (!handler(record)) {
            status = 0;
            break;
        }
    }
    if (!IsConnectionGone(status)) {
        WnEvent& event = notifications ? m_notificationEvent : m_messageEvent;
        if (event.IsValid())
            event.Set();
    }
    return status;
}

ZephraStatus ZephraDriver::NextNotification(ZephraMessage* record)
{
    for (;;) {
        ZephraStatus status = GetNotificationRecord(record);
        if (status != 0)
            return status;
        if (record->kind == ZEPHRA_MSG_KIND_NOTIFICATION)
            return 0;
    }
}

ZephraStatus ZephraDriver::ReadFixed(uint32_t code, void* record, uint32_t size)
{
    memset(record, 0, size);
    uint32_t returned = 0;
    ZephraStatus status = DoRequest(code, nullptr, 0, record, size, &returned);
    if (status == 0 && returned != size)
        status = ZEPHRA_STATUS_LENGTH_MISMATCH;
    if (status != 0)
        memset(record, 0, size);
    return status;
}

ZephraStatus ZephraDriver::GetSampleRates(ZephraSampleRates* rates)
{
    ZephraStatus status = ReadFixed(IOCTL_ZEPHRA_GET_SAMPLE_RATES, rates, sizeof(*rates));
    if (rates->count > ZEPHRA_MAX_SAMPLE_RATES)
        rates->count = ZEPHRA_MAX_SAMPLE_RATES;
    return status;
}

ZephraStatus ZephraDriver::GetBufferSizes(ZephraBufferSizes* sizes)
{
    return ReadFixed(IOCTL_ZEPHRA_GET_BUFFER_SIZES, sizes, sizeof(*sizes));
}

ZephraStatus ZephraDriver::GetStreamingStatus(ZephraStreamingStatus* status)
{
    return ReadFixed(IOCTL_ZEPHRA_GET_STREAMING_STATUS, status, sizeof(*status));
}

ZephraStatus ZephraDriver::GetErrorCounters(ZephraErrorCounters* counters)
{
    return ReadFixed(IOCTL_ZEPHRA_GET_ERROR_COUNTERS, counters, sizeof(*counters));
}

ZephraStatus ZephraDriver::GetChannels(uint32_t code, ZephraChannelList* list)
{
    ZephraStatus status = ReadFixed(code, list, sizeof(*list));
    if (list->count > ZEPHRA_MAX_CHANNELS)
        list->count = ZEPHRA_MAX_CHANNELS;
    return status;
}

ZephraStatus ZephraDriver::GetInputChannels(ZephraChannelList* list)
{
    return GetChannels(IOCTL_ZEPHRA_GET_INPUT_CHANNELS, list);
}

ZephraStatus ZephraDriver::GetOutputChannels(ZephraChannelList* list)
{
    return GetChannels(IOCTL_ZEPHRA_GET_OUTPUT_CHANNELS, list);
}

ZephraStatus ZephraDriver::GetChannelInfo(const ZephraChannelKey& key, ZephraChannelInfo* info)
{
    memset(info, 0, sizeof(*info));
    uint32_t returned = 0;
    ZephraStatus status = DoRequest(IOCTL_ZEPHRA_GET_CHANNEL_INFO, &key, sizeof(key), info, sizeof(*info), &returned);
    if (status == 0 && returned != sizeof(*info))
        status = ZEPHRA_STATUS_LENGTH_MISMATCH;
    if (status != 0)
        memset(info, 0, sizeof(*info));
    // The name ends within its field, whatever the driver wrote.
    info->name[ZEPHRA_CHANNEL_NAME_CHARS - 1] = 0;
    return status;
}

ZephraStatus ZephraDriver::StreamingCommand(uint32_t command, uint32_t argument)
{
    ZephraStreamingCommandRecord record = {command, argument};
    return DoRequest(IOCTL_ZEPHRA_STREAMING_COMMAND, &record, sizeof(record), nullptr, 0);
}

ZephraStatus ZephraDriver::SetSampleRate(uint32_t rate)
{
    return DoRequest(IOCTL_ZEPHRA_SET_SAMPLE_RATE, &rate, sizeof(rate), nullptr, 0);
}

ZephraStatus ZephraDriver::PrepareSampleRate(uint32_t rate)
{
    return DoRequest(IOCTL_ZEPHRA_PREPARE_SAMPLE_RATE, &rate, sizeof(rate), nullptr, 0);
}

ZephraStatus ZephraDriver::SetBufferSizes(const ZephraBufferSizeChange& change)
{
    return DoRequest(IOCTL_ZEPHRA_SET_BUFFER_SIZES, &change, sizeof(change), nullptr, 0);
}

ZephraStatus ZephraDriver::SetOptions(uint32_t options)
{
    return DoRequest(IOCTL_ZEPHRA_SET_OPTIONS, &options, sizeof(options), nullptr, 0);
}

ZephraStatus ZephraDriver::GetOptions(uint32_t* options)
{
    return ReadFixed(IOCTL_ZEPHRA_GET_OPTIONS, options, sizeof(*options));
}

ZephraStatus ZephraDriver::SetStreamingDevice(const ZephraStreamingDeviceRecord& selection)
{
    return DoRequest(IOCTL_ZEPHRA_SET_STREAMING_DEVICE, &selection, sizeof(selection), nullptr, 0);
}
