#include "ZephraServer.h"
#include <cstring>
#include "ZephraIoctl.h"

namespace {

// Status reads of one pass of the state machine: the longest path, error to running, needs
// five. A driver that does not move on is not asked for ever.
const int kMaxSteps = 8;

// Counts of the streaming status that refuse a change while non-zero.
bool RateChangeBlocked(const ZephraStreamingStatus& status)
{
    return status.streamCounts[1] != 0 || status.streamCounts[2] != 0;
}

bool OptionChangeBlocked(const ZephraStreamingStatus& status)
{
    return status.streamCounts[1] != 0;
}

// A later failure is reported only when the first step succeeded.
ZephraStatus FirstError(ZephraStatus first, ZephraStatus second)
{
    return first != 0 ? first : second;
}

} // namespace

ZephraDevice* ZephraServer::CreateDevice()
{
    return new ZephraDeviceCtrl();
}

const wchar_t* ZephraServer::GetServiceName() const
{
    return L"quorvelasvc";
}

const wchar_t* ZephraServer::GetDisplayName() const
{
    return L"Quorvela control";
}

const wchar_t* ZephraServer::GetDescription() const
{
    return L"Quorvela control service";
}

void ZephraServer::GetInterfaceGuid(GUID* guid) const
{
    const GUID interfaceGuid = ZEPHRA_INTERFACE_GUID_INIT;
    *guid = interfaceGuid;
}

const wchar_t* ZephraServer::GetInterfaceGuidText() const
{
    return ZEPHRA_CONTROL_DEVICE_NAME;
}

const wchar_t* ZephraServer::GetRegistryKey() const
{
    return L"Software\\BRIGHTMOOR\\quorvela";
}

ZephraDeviceCtrl* ZephraServer::ControllerAt(size_t index) const
{
    return dynamic_cast<ZephraDeviceCtrl*>(GetDeviceAt(index));
}

ZephraDeviceCtrl* ZephraServer::FindController(uint32_t idFirst, uint32_t idSecond) const
{
    return dynamic_cast<ZephraDeviceCtrl*>(FindDevice(idFirst, idSecond));
}

ZephraStatus ZephraServer::Run(HANDLE stopEvent, HANDLE arrivalEvent)
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    const wchar_t* name = GetInterfaceGuidText();
    if (!IsOpened() && OpenAsServer(name) == ZEPHRA_STATUS_ALREADY_DONE)
        return ZEPHRA_STATUS_ALREADY_DONE;
    if (IsOpened()) {
        bool changed = false;
        RefreshDevices(&changed);
        OnDeviceListChanged();
    }
    ZephraStatus result = 0;
    for (bool running = true; running;) {
        HANDLE handles[4] = {stopEvent, arrivalEvent, GetMessageEvent(), GetNotificationEvent()};
        DWORD count = IsOpened() ? 4 : 2;
        DWORD wait = WaitForMultipleObjectsEx(count, handles, FALSE, INFINITE, TRUE);
        switch (wait) {
        case WAIT_OBJECT_0:
            running = false;
            break;
        case WAIT_OBJECT_0 + 1:
            OnArrival(name);
            break;
        case WAIT_OBJECT_0 + 2:
            ProcessRequests();
            break;
        case WAIT_OBJECT_0 + 3:
            ProcessNotifications();
            break;
        case WAIT_IO_COMPLETION: // a controller's timer routine ran
            break;
        default:
            // A failed wait fails again at once: leave rather than spin.
            result = wait == WAIT_FAILED ? GetLastError() : ZEPHRA_STATUS_FAILED;
            if (result == 0)
                result = ZEPHRA_STATUS_FAILED;
            running = false;
            break;
        }
        if (m_closePending) {
            // Requests queued meanwhile are answered before the queue goes with the connection.
            m_closePending = false;
            ProcessRequests();
            CloseDriver();
            ++m_closes;
        }
    }
    return result;
}

void ZephraServer::OnArrival(const wchar_t* name)
{
    if (!IsOpened())
        OpenAsServer(name); // a failure waits for the next arrival
    if (!IsOpened())
        return;
    bool changed = false;
    RefreshDevices(&changed);
    if (changed)
        OnDeviceListChanged();
}

void ZephraServer::ProcessRequests()
{
    DrainQueue(false, [this](const ZephraMessage& request) {
        if (request.kind != ZEPHRA_MSG_KIND_REQUEST)
            return true;
        ZephraMessage reply;
        reply.Init(ZEPHRA_MSG_KIND_REPLY, ZEPHRA_MSG_REPLY);
        memcpy(reply.correlation, request.correlation, sizeof(reply.correlation));
        reply.status = ZEPHRA_STATUS_INVALID_COMMAND;
        ZephraStatus status = OnRequest(request, &reply);
        if (status != ZEPHRA_STATUS_PENDING) {
            reply.status = status;
            SendMessageRecord(reply);
        }
        return true;
    });
}

void ZephraServer::ProcessNotifications()
{
    DrainQueue(true, [this](const ZephraMessage& record) {
        if (record.kind == ZEPHRA_MSG_KIND_NOTIFICATION)
            OnNotification(record);
        return true;
    });
}

ZephraStatus ZephraServer::SendNotification(uint32_t code)
{
    ZephraMessage record;
    record.Init(ZEPHRA_MSG_KIND_NOTIFICATION, code);
    return SendMessageRecord(record);
}

ZephraStatus ZephraServer::OnRequest(const ZephraMessage& request, ZephraMessage* reply)
{
    ZephraStatus status;
    switch (request.code) {
    case ZEPHRA_MSG_SET_SAMPLE_RATE: {
        uint32_t rate = 0;
        status = request.ReadU32(&rate);
        return status != 0 ? status : OnSetSampleRate(rate);
    }
    case ZEPHRA_MSG_SET_BUFFER_SIZES: {
        ZephraBufferSizeChange change;
        status = request.ReadExact(&change, sizeof(change));
        return status != 0 ? status : OnSetBufferSizes(change);
    }
    case ZEPHRA_MSG_SET_STREAMING_DEVICE: {
        ZephraStreamingDeviceRecord selection;
        status = request.ReadExact(&selection, sizeof(selection));
        return status != 0 ? status : OnSetStreamingDevice(selection);
    }
    case ZEPHRA_MSG_SET_DEVICE_BYTE: {
        uint8_t value = 0;
        status = request.ReadExact(&value, sizeof(value));
        return status != 0 ? status : OnSetDeviceByte(value);
    }
    case ZEPHRA_MSG_SET_OPTIONS: {
        uint32_t options = 0;
        status = request.ReadU32(&options);
        return status != 0 ? status : OnSetOptions(options);
    }
    default:
        return OnCustomRequest(request, reply);
    }
}

ZephraStatus ZephraServer::OnCustomRequest(const ZephraMessage&, ZephraMessage*)
{
    return ZEPHRA_STATUS_INVALID_COMMAND;
}

ZephraStatus ZephraServer::OnSetSampleRate(uint32_t rate)
{
    ZephraStreamingStatus status;
    ZephraStatus result = GetStreamingStatus(&status);
    if (result != 0)
        return result;
    if (rate == status.sampleRate)
        return 0;
    if (RateChangeBlocked(status))
        return ZEPHRA_STATUS_SOUND_DEVICE_IN_USE;
    PrepareSampleRate(rate); // a rate the driver cannot take fails below, when it is set
    uint32_t options = 0;
    uint32_t argument = GetOptions(&options) == 0 && (options & ZEPHRA_OPTION_FORBID_RATE_CHANGE) != 0 ? 1 : 0;
    result = StopStreaming(argument);
    if (result != 0) {
        SendNotification(ZEPHRA_NOTIFY_STREAMING_RECONFIGURED);
        return result;
    }
    result = SetSampleRate(rate);
    result = FirstError(result, StartStreaming(argument));
    SendNotification(ZEPHRA_NOTIFY_STREAMING_RECONFIGURED);
    SendNotification(ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED);
    return result;
}

template <class Change> ZephraStatus ZephraServer::ChangeWhileDown(Change change)
{
    ZephraStreamingStatus status;
    ZephraStatus result = GetStreamingStatus(&status);
    if (result != 0)
        return result;
    if (RateChangeBlocked(status))
        return ZEPHRA_STATUS_SOUND_DEVICE_IN_USE;
    result = StopStreaming(0);
    if (result != 0) {
        SendNotification(ZEPHRA_NOTIFY_STREAMING_RECONFIGURED);
        return result;
    }
    result = change();
    result = FirstError(result, StartStreaming(0));
    SendNotification(ZEPHRA_NOTIFY_STREAMING_RECONFIGURED);
    return result;
}

ZephraStatus ZephraServer::OnSetBufferSizes(const ZephraBufferSizeChange& change)
{
    return ChangeWhileDown([&]() { return SetBufferSizes(change); });
}

ZephraStatus ZephraServer::OnSetStreamingDevice(const ZephraStreamingDeviceRecord& selection)
{
    return ChangeWhileDown([&]() { return SetStreamingDevice(selection); });
}

ZephraStatus ZephraServer::OnSetDeviceByte(uint8_t value)
{
    for (size_t i = 0; i < GetDeviceCount(); ++i) {
        ZephraDeviceCtrl* controller = ControllerAt(i);
        ZephraStatus status = controller != nullptr ? controller->OnByte(value) : 0;
        if (status != 0)
            return status;
    }
    return 0;
}

// The option word is written while streaming is down; both the write and the restart
// are reported, as for the other changes.
ZephraStatus ZephraServer::OnSetOptions(uint32_t options)
{
    uint32_t current = 0;
    ZephraStatus result = GetOptions(&current);
    if (result != 0)
        return result;
    if (options == current)
        return 0;
    ZephraStreamingStatus status;
    result = GetStreamingStatus(&status);
    if (result != 0)
        return result;
    if (OptionChangeBlocked(status))
        return ZEPHRA_STATUS_SOUND_DEVICE_IN_USE;
    result = StopStreaming(1);
    if (result != 0)
        return result;
    result = SetOptions(options);
    return FirstError(result, StartStreaming(1));
}

void ZephraServer::OnNotification(const ZephraMessage& record)
{
    uint32_t first = 0, second = 0;
    switch (record.code) {
    case ZEPHRA_NOTIFY_STREAM_DEMAND:
        OnStreamDemand();
        break;
    case ZEPHRA_NOTIFY_STREAM_RELEASE:
        OnStreamRelease();
        break;
    case ZEPHRA_NOTIFY_DEVICE_LIST:
        OnDeviceListNotification();
        break;
    case ZEPHRA_NOTIFY_STREAM_RESUME:
        OnStreamResume();
        break;
    case ZEPHRA_NOTIFY_DEVICE_STREAM_DEMAND:
        if (record.ReadU32Pair(&first, &second) == 0)
            OnDeviceStreamDemand(first, second);
        break;
    case ZEPHRA_NOTIFY_DEVICE_STREAM_RELEASE:
        if (record.ReadU32Pair(&first, &second) == 0)
            OnDeviceStreamRelease(first, second);
        break;
    case ZEPHRA_NOTIFY_DEVICE_LIST_QUERY:
        OnDeviceListQuery();
        break;
    case ZEPHRA_NOTIFY_IGNORED:
        break;
    case ZEPHRA_NOTIFY_MIXER_GAINS_CHANGED:
        if (record.ReadU32Pair(&first, &second) == 0)
            OnDeviceChanged(first, second);
        break;
    case ZEPHRA_NOTIFY_DEVICE_VALUE: {
        DeviceValueRecord value;
        if (record.ReadExact(&value, sizeof(value)) == 0)
            OnDeviceValue(value);
        break;
    }
    default:
        OnOtherNotification(record);
        break;
    }
}

void ZephraServer::OnOtherNotification(const ZephraMessage&) {}

void ZephraServer::OnStreamDemand()
{
    StartStreaming(0);
}

void ZephraServer::OnStreamRelease()
{
    ReleaseStreaming();
}

void ZephraServer::OnStreamResume()
{
    StartStreaming(0);
}

void ZephraServer::OnDeviceListNotification()
{
    bool changed = false;
    RefreshDevices(&changed);
    OnDeviceListChanged();
}

void ZephraServer::OnDeviceStreamDemand(uint32_t, uint32_t)
{
    StartStreaming(0);
}

void ZephraServer::OnDeviceStreamRelease(uint32_t, uint32_t)
{
    ReleaseStreaming();
}

void ZephraServer::OnDeviceListQuery()
{
    SendNotification(ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED);
}

void ZephraServer::OnDeviceChanged(uint32_t idFirst, uint32_t idSecond)
{
    ZephraDeviceCtrl* controller = FindController(idFirst, idSecond);
    if (controller != nullptr)
        controller->OnDeviceUpdate();
}

void ZephraServer::OnDeviceValue(const DeviceValueRecord& record)
{
    ZephraDeviceCtrl* controller = FindController(record.idFirst, record.idSecond);
    if (controller == nullptr)
        return;
    if (record.kind == ZEPHRA_VALUE_KIND_1)
        controller->OnValue1(record.value);
    else if (record.kind == ZEPHRA_VALUE_KIND_WDM_VOLUME)
        controller->OnValue2(record.value);
}

// A device back before the pending close withdraws it: the connection stays open.
void ZephraServer::OnDeviceListChanged()
{
    m_closePending = GetDeviceCount() == 0;
    if (!m_closePending)
        StartStreaming(0);
    SendNotification(ZEPHRA_NOTIFY_STREAMING_RECONFIGURED);
    SendNotification(ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED);
}

bool ZephraServer::IsStreamingWanted(const ZephraStreamingStatus& status)
{
    // The third count does not ask for a running stream.
    const uint32_t* counts = status.streamCounts;
    return counts[0] != 0 || counts[1] != 0 || counts[3] != 0 || counts[4] != 0;
}

ZephraStatus ZephraServer::BeforeTransition(uint32_t state, uint32_t target, uint32_t rate)
{
    for (size_t i = 0; i < GetDeviceCount(); ++i) {
        ZephraDeviceCtrl* controller = ControllerAt(i);
        ZephraStatus status = controller != nullptr ? controller->BeforeTransition(state, target, rate) : 0;
        if (status != 0)
            return status;
    }
    return 0;
}

void ZephraServer::AfterTransition(uint32_t state, uint32_t target, uint32_t rate)
{
    for (size_t i = 0; i < GetDeviceCount(); ++i) {
        if (ZephraDeviceCtrl* controller = ControllerAt(i))
            controller->AfterTransition(state, target, rate);
    }
}

void ZephraServer::TransitionFailed(uint32_t state, uint32_t target, ZephraStatus status)
{
    for (size_t i = 0; i < GetDeviceCount(); ++i) {
        if (ZephraDeviceCtrl* controller = ControllerAt(i))
            controller->TransitionFailed(state, target, status);
    }
}

ZephraStatus ZephraServer::PrepareDevices()
{
    for (size_t i = 0; i < GetDeviceCount(); ++i) {
        ZephraDeviceCtrl* controller = ControllerAt(i);
        ZephraStatus status = controller != nullptr ? controller->Prepare() : 0;
        if (status != 0)
            return status;
    }
    return 0;
}

ZephraStatus ZephraServer::Step(uint32_t state, uint32_t target, uint32_t rate, uint32_t command, uint32_t argument,
                                bool hookRefuses)
{
    ZephraStatus status = BeforeTransition(state, target, rate);
    if (status != 0 && hookRefuses)
        return status;
    status = StreamingCommand(command, argument);
    if (status != 0) {
        // Opening and closing have no failure hook.
        if (command != ZEPHRA_STREAM_CMD_OPEN && command != ZEPHRA_STREAM_CMD_CLOSE)
            TransitionFailed(state, target, status);
        return status;
    }
    AfterTransition(state, target, rate);
    return 0;
}

ZephraStatus ZephraServer::StartStreaming(uint32_t argument)
{
    ZephraStatus result = PrepareDevices();
    if (result != 0)
        return result;
    for (int step = 0; step < kMaxSteps; ++step) {
        ZephraStreamingStatus status;
        result = GetStreamingStatus(&status);
        if (result != 0)
            return result;
        const uint32_t rate = status.sampleRate;
        switch (status.state) {
        case ZEPHRA_STREAM_DOWN:
            result = Step(ZEPHRA_STREAM_DOWN, ZEPHRA_STREAM_READY, rate, ZEPHRA_STREAM_CMD_OPEN, argument, true);
            break;
        case ZEPHRA_STREAM_READY:
            if (!IsStreamingWanted(status))
                return 0;
            result = Step(ZEPHRA_STREAM_READY, ZEPHRA_STREAM_PREPARED, rate, ZEPHRA_STREAM_CMD_PREPARE, 0, true);
            break;
        case ZEPHRA_STREAM_PREPARED:
            result = Step(ZEPHRA_STREAM_PREPARED, ZEPHRA_STREAM_RUNNING, rate, ZEPHRA_STREAM_CMD_START, 0, true);
            break;
        case ZEPHRA_STREAM_RUNNING:
            return 0;
        case ZEPHRA_STREAM_ERROR:
        case ZEPHRA_STREAM_NOT_POSSIBLE:
            result = StreamingCommand(ZEPHRA_STREAM_CMD_RESET, 0);
            break;
        default:
            return ZEPHRA_STATUS_INVALID_STATE;
        }
        if (result != 0)
            return result;
    }
    return ZEPHRA_STATUS_INVALID_STATE;
}

ZephraStatus ZephraServer::StopStreaming(uint32_t argument)
{
    for (int step = 0; step < kMaxSteps; ++step) {
        ZephraStreamingStatus status;
        ZephraStatus result = GetStreamingStatus(&status);
        if (result != 0)
            return result;
        const uint32_t rate = status.sampleRate;
        switch (status.state) {
        case ZEPHRA_STREAM_DOWN:
            return 0;
        case ZEPHRA_STREAM_READY:
            result = Step(ZEPHRA_STREAM_READY, ZEPHRA_STREAM_DOWN, rate, ZEPHRA_STREAM_CMD_CLOSE, argument, false);
            break;
        case ZEPHRA_STREAM_PREPARED:
        case ZEPHRA_STREAM_RUNNING:
            result = Step(status.state, ZEPHRA_STREAM_READY, rate, ZEPHRA_STREAM_CMD_STOP, 0, false);
            break;
        case ZEPHRA_STREAM_ERROR:
        case ZEPHRA_STREAM_NOT_POSSIBLE:
            result = StreamingCommand(ZEPHRA_STREAM_CMD_RESET, 0);
            break;
        default:
            return ZEPHRA_STATUS_INVALID_STATE;
        }
        if (result != 0)
            return result;
    }
    return ZEPHRA_STATUS_INVALID_STATE;
}

ZephraStatus ZephraServer::ReleaseStreaming()
{
    ZephraStreamingStatus status;
    ZephraStatus result = GetStreamingStatus(&status);
    if (result != 0)
        return result;
    bool up = status.state == ZEPHRA_STREAM_PREPARED || status.state == ZEPHRA_STREAM_RUNNING;
    if (!up || IsStreamingWanted(status))
        return 0;
    return Step(status.state, ZEPHRA_STREAM_READY, status.sampleRate, ZEPHRA_STREAM_CMD_STOP, 0, false);
}
