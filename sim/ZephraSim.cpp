#include "ZephraSim.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include "ZephraBytes.h"
#include "ZephraRequestIndex.h"

namespace {

const uint32_t kRequestHeader = 12;
const uint32_t kResponseHeader = 8;
const uint32_t kMaxFrame = kRequestHeader + ZEPHRA_MAX_FRAME_DATA;
const uint32_t kControlMessage = 65536;
const size_t kMaxLog = 20000;
// Connections at once: the driver has a fixed number of handles too.
const uint32_t kConnectionLimit = 200;
const uint32_t kControlConnectionLimit = 16;

} // namespace

ZephraSim::ZephraSim()
    : m_controlHandler(this), m_engine({m_devices, m_streamingFirst, m_streamingSecond, m_streamingAll})
{
    m_version = {ZEPHRA_INTERFACE_VERSION_MAJOR, 0, 1, 4, 117, 0};
    m_connectionLimit = kConnectionLimit;
    m_quit.Create(true);
    m_answering.Create(true);
    m_answering.Set();
}

ZephraSim::~ZephraSim()
{
    Stop();
}

DWORD ZephraSim::Start(const wchar_t* name, bool controlPipe)
{
    if (m_running)
        return ERROR_ALREADY_EXISTS;
    std::wstring base = std::wstring(L"\\\\.\\pipe\\") + name;
    DWORD error = m_devicePipe.Start(base.c_str(), kMaxFrame, m_connectionLimit, this);
    if (error != 0)
        return error;
    if (controlPipe) {
        std::wstring control = base + L".control";
        error = m_controlPipe.Start(control.c_str(), kControlMessage, kControlConnectionLimit, &m_controlHandler);
        if (error != 0) {
            m_devicePipe.Stop();
            return error;
        }
    }
    m_running = true;
    return 0;
}

void ZephraSim::Stop()
{
    if (!m_running)
        return;
    m_controlPipe.WaitIdle(1000);
    m_controlPipe.Stop();
    m_devicePipe.Stop();
    m_running = false;
}

void ZephraSim::SetInterfaceVersion(uint32_t major, uint32_t minor)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_version.interfaceMajor = major;
    m_version.interfaceMinor = minor;
}

void ZephraSim::SetDriverVersion(uint32_t major, uint32_t minor, uint32_t build, bool debug)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_version.driverMajor = major;
    m_version.driverMinor = minor;
    m_version.driverBuild = build;
    m_version.buildFlags = debug ? uint32_t(ZEPHRA_BUILD_FLAG_DEBUG) : 0u;
}

void ZephraSim::SetResponseDelay(DWORD ms)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_delayMs = ms;
}

void ZephraSim::SetAnswering(bool answering)
{
    if (answering)
        m_answering.Set();
    else
        m_answering.Reset();
}

void ZephraSim::SetNextReplyWord(uint32_t code, uint32_t offset, uint32_t value)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_replyWords[code] = {offset, value};
}

bool ZephraSim::SetSupportedRates(const std::vector<uint32_t>& rates)
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::string error;
    return m_engine.SetRates(rates, &error);
}

void ZephraSim::SetConnectionLimit(uint32_t limit)
{
    m_connectionLimit = limit;
}

void ZephraSim::SetStreamingStuck(bool stuck)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_engine.SetStuck(stuck);
}

std::vector<SimLogEntry> ZephraSim::Log() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return std::vector<SimLogEntry>(m_log.begin(), m_log.end());
}

std::vector<SimLogEntry> ZephraSim::Logged(uint32_t code) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<SimLogEntry> found;
    for (const SimLogEntry& entry : m_log) {
        if (entry.code == code)
            found.push_back(entry);
    }
    return found;
}

std::vector<SimLogEntry> ZephraSim::Logged(uint32_t code, int32_t clientType) const
{
    std::vector<SimLogEntry> found = Logged(code);
    found.erase(std::remove_if(found.begin(), found.end(),
                               [clientType](const SimLogEntry& entry) { return entry.clientType != clientType; }),
                found.end());
    return found;
}

void ZephraSim::ClearLog()
{
    std::lock_guard<std::mutex> guard(m_lock);
    ClearLogLocked();
}

void ZephraSim::ClearLogLocked()
{
    m_log.clear();
    m_engine.ClearCommands();
    for (SimDevice& device : m_devices)
        device.wdm.ClearSwitches();
}

bool ZephraSim::SetWdmState(const std::wstring& serial, const WdmStateRecord& state)
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (SimDevice& device : m_devices) {
        if (device.serial == serial) {
            device.wdm.SetState(state);
            return true;
        }
    }
    return false;
}

std::vector<SimStreamingCommand> ZephraSim::StreamingCommands() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_engine.Commands();
}

void ZephraSim::SetNextDeviceListCount(uint32_t count)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_overrideListCount = true;
    m_nextListCount = count;
}

void ZephraSim::SetRequestFailure(uint32_t code, ZephraStatus status)
{
    std::lock_guard<std::mutex> guard(m_lock);
    SetFailure({code, status, std::wstring(), false, {{0, 0}}, false});
}

size_t ZephraSim::DeviceCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_devices.size();
}

std::vector<SimDevice> ZephraSim::Devices() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_devices;
}

uint32_t ZephraSim::ConnectionCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<uint32_t>(m_connections.size());
}

uint32_t ZephraSim::OnConnect(HANDLE pipe, DWORD clientProcessId)
{
    std::lock_guard<std::mutex> guard(m_lock);
    Connection connection;
    connection.id = m_nextConnection++;
    connection.processId = clientProcessId;
    connection.pipe = pipe;
    m_connections[connection.id] = connection;
    return connection.id;
}

void ZephraSim::OnDisconnect(uint32_t id)
{
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_connections.find(id);
    if (it == m_connections.end())
        return;
    Release(it->second);
    m_connections.erase(it);
}

void ZephraSim::OnRefused(const uint8_t*, uint32_t, std::vector<uint8_t>* reply)
{
    reply->assign(kResponseHeader, 0);
    ZephraPutU32(reply->data(), ZEPHRA_STATUS_NO_RESOURCES);
}

void ZephraSim::OnMessage(uint32_t id, const uint8_t* data, uint32_t size, bool oversized,
                          std::vector<uint8_t>* reply, HANDLE stop)
{
    ZephraStatus status = ZEPHRA_STATUS_INVALID_LENGTH;
    uint32_t returned = 0;
    uint32_t outSize = 0;
    if (!oversized && size >= kRequestHeader) {
        uint32_t code = ZephraGetU32(data);
        uint32_t inSize = ZephraGetU32(data + 4);
        outSize = ZephraGetU32(data + 8);
        bool frameOk = inSize <= ZEPHRA_MAX_FRAME_DATA && outSize <= ZEPHRA_MAX_FRAME_DATA &&
                       size == kRequestHeader + inSize;
        if (!frameOk)
            outSize = 0;
        if (frameOk && Intercept(id, code, outSize, reply)) {
            WaitBeforeAnswer(stop);
            return;
        }
        reply->assign(kResponseHeader + outSize, 0);
        std::lock_guard<std::mutex> guard(m_lock);
        auto it = m_connections.find(id);
        if (it != m_connections.end()) {
            if (frameOk)
                status = Dispatch(it->second, code, data + kRequestHeader, inSize, reply->data() + kResponseHeader,
                                  outSize, &returned);
            else
                AddLog(it->second, code, inSize, outSize, status);
        }
    }
    if (returned > outSize)
        returned = outSize;
    reply->resize(kResponseHeader + returned);
    ZephraPutU32(reply->data(), status);
    ZephraPutU32(reply->data() + 4, returned);
    WaitBeforeAnswer(stop);
}

bool ZephraSim::Intercept(uint32_t id, uint32_t code, uint32_t outSize, std::vector<uint8_t>* reply)
{
    int32_t clientType;
    Interceptor interceptor;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        auto it = m_connections.find(id);
        if (!m_interceptor || it == m_connections.end())
            return false;
        clientType = it->second.clientType;
        interceptor = m_interceptor;
    }
    return interceptor(clientType, code, outSize, reply);
}

void ZephraSim::SetInterceptor(const Interceptor& interceptor)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_interceptor = interceptor;
}

void ZephraSim::WaitBeforeAnswer(HANDLE stop)
{
    DWORD delay;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        delay = m_delayMs;
    }
    HANDLE handles[2] = {stop, m_answering.Get()};
    WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (delay != 0)
        WaitForSingleObject(stop, delay);
}

ZephraStatus ZephraSim::Dispatch(Connection& connection, uint32_t code, const uint8_t* in, uint32_t inSize,
                                 uint8_t* out, uint32_t outSize, uint32_t* returned)
{
    *returned = 0;
    ZephraStatus status;
    const ZephraRequestInfo* info = ZephraFindRequest(code);
    if (info == nullptr)
        status = ZEPHRA_STATUS_INVALID_IOCTL;
    else if (!ZephraSizeAllowed(info->in, inSize))
        status = ZEPHRA_STATUS_INVALID_INBUFFER_SIZE;
    else if (!ZephraSizeAllowed(info->out, outSize))
        status = ZEPHRA_STATUS_INVALID_OUTBUFFER_SIZE;
    else if ((status = ForcedFailure(connection, code, in, inSize)) == 0)
        status = Serve(connection, code, in, inSize, out, outSize, returned);
    if (status != 0)
        *returned = 0;
    auto word = m_replyWords.find(code);
    if (status == 0 && word != m_replyWords.end() && word->second.first <= *returned &&
        *returned - word->second.first >= 4) {
        ZephraPutU32(out + word->second.first, word->second.second);
        m_replyWords.erase(word);
    }
    if (status == 0 && *returned != 0 && m_shortReplies.erase(code) != 0)
        --*returned;
    AddLog(connection, code, inSize, outSize, status);
    return status;
}

void ZephraSim::SetFailure(const FailureRule& rule)
{
    for (auto it = m_failures.begin(); it != m_failures.end();) {
        bool same = it->code == rule.code && it->serial == rule.serial && it->keyed == rule.keyed &&
                    (!rule.keyed || memcmp(&it->key, &rule.key, sizeof(rule.key)) == 0);
        it = same ? m_failures.erase(it) : it + 1;
    }
    if (rule.status != 0)
        m_failures.push_back(rule);
}

ZephraStatus ZephraSim::ForcedFailure(const Connection& connection, uint32_t code, const uint8_t* in,
                                      uint32_t inSize)
{
    for (auto it = m_failures.begin(); it != m_failures.end(); ++it) {
        if (it->code != code)
            continue;
        if (!it->serial.empty()) {
            // The device a bind names, or the one the connection is bound to.
            ZephraDeviceId id = {connection.boundFirst, connection.boundSecond};
            if (code == IOCTL_ZEPHRA_SELECT_DEVICE)
                memcpy(&id, in, sizeof(id));
            else if (!connection.bound)
                continue;
            const SimDevice* device = FindDevice(id.idFirst, id.idSecond);
            if (device == nullptr || device->serial != it->serial)
                continue;
        }
        if (it->keyed && (inSize != sizeof(it->key) || memcmp(in, &it->key, sizeof(it->key)) != 0))
            continue;
        ZephraStatus status = it->status;
        if (it->once)
            m_failures.erase(it);
        return status;
    }
    return 0;
}

ZephraStatus ZephraSim::Serve(Connection& connection, uint32_t code, const uint8_t* in, uint32_t inSize,
                              uint8_t* out, uint32_t outSize, uint32_t* returned)
{
    // Device requests: the select itself and everything from 0x80882c00 on.
    if (code >= IOCTL_ZEPHRA_GET_WDM_STATE) {
        if (!connection.bound)
            return ZEPHRA_STATUS_NO_DEVICE;
        SimDevice* device = FindDevice(connection.boundFirst, connection.boundSecond);
        if (device == nullptr)
            return ZEPHRA_STATUS_DEVICE_REMOVED;
        return ServeDevice(connection, *device, code, in, inSize, out, outSize, returned);
    }
    switch (code) {
    case IOCTL_ZEPHRA_GET_VERSION:
        memcpy(out, &m_version, sizeof(m_version));
        *returned = sizeof(m_version);
        return 0;
    case IOCTL_ZEPHRA_SET_EVENTS:
        return SetEvents(connection, in);
    case IOCTL_ZEPHRA_SET_CLIENT_TYPE:
        return SetClientType(connection, ZephraGetU32(in));
    case IOCTL_ZEPHRA_SEND_MESSAGE:
        return SendMessageFrom(connection, in, inSize);
    case IOCTL_ZEPHRA_GET_MESSAGE:
        return TakeMessage(connection.messages, out, returned);
    case IOCTL_ZEPHRA_GET_NOTIFICATION:
        return TakeMessage(connection.notifications, out, returned);
    case IOCTL_ZEPHRA_GET_DEVICE_LIST:
        return GetDeviceList(out, returned);
    case IOCTL_ZEPHRA_SELECT_DEVICE:
        return SelectDevice(connection, in);
    default: {
        // A new streaming selection shows on the device pages of the devices it changes.
        std::vector<std::pair<ZephraDeviceId, bool>> before = StreamingFlags();
        ZephraStatus status = 0;
        if (!m_engine.Serve(code, in, out, returned, &status))
            return ZEPHRA_STATUS_NOT_SUPPORTED;
        if (code == IOCTL_ZEPHRA_SET_STREAMING_DEVICE && status == 0)
            NotifyStreamingChanges(before);
        return status;
    }
    }
}

ZephraStatus ZephraSim::ServeDevice(Connection& connection, SimDevice& device, uint32_t code, const uint8_t* in,
                                    uint32_t inSize, uint8_t* out, uint32_t outSize, uint32_t* returned)
{
    if (SimMixer::Serves(code)) {
        uint32_t change = 0;
        ZephraStatus status =
            device.mixer.Serve(code, in, inSize, out, outSize, returned, device.echo, GetTickCount(), &change);
        // The other connections hear of the change; the one that made it knows.
        if (status == 0 && change == ZEPHRA_NOTIFY_DEVICE_STATE) {
            NotifyDeviceState(device, connection.id);
        } else if (status == 0 && change != 0) {
            ZephraDeviceId id = {device.idFirst, device.idSecond};
            QueueNotificationLocked(-1, change, &id, sizeof(id), connection.id);
        }
        return status;
    }
    if (SimWdm::Serves(code))
        return device.wdm.Serve(code, in, out, returned);
    return ZEPHRA_STATUS_NOT_SUPPORTED;
}

void ZephraSim::AddLog(const Connection& connection, uint32_t code, uint32_t inSize, uint32_t outSize,
                       ZephraStatus status)
{
    if (m_log.size() >= kMaxLog)
        m_log.pop_front();
    m_log.push_back({connection.id, connection.clientType, code, inSize, outSize, status});
}

std::string ZephraSim::FormatLogEntry(const SimLogEntry& entry)
{
    const ZephraRequestInfo* info = ZephraFindRequest(entry.code);
    char line[200];
    char unknown[16];
    snprintf(unknown, sizeof(unknown), "0x%08lx", static_cast<unsigned long>(entry.code));
    snprintf(line, sizeof(line), "conn=%lu type=%ld %s in=%lu out=%lu status=%s",
             static_cast<unsigned long>(entry.connection), static_cast<long>(entry.clientType),
             info ? info->name : unknown, static_cast<unsigned long>(entry.inSize),
             static_cast<unsigned long>(entry.outSize), ZephraStatusName(entry.status));
    return line;
}

void ZephraSim::ControlPipe::OnRefused(const uint8_t*, uint32_t, std::vector<uint8_t>* reply)
{
    const char text[] = "too many control connections\n";
    reply->assign(4 + sizeof(text) - 1, 0);
    ZephraPutU32(reply->data(), 2);
    memcpy(reply->data() + 4, text, sizeof(text) - 1);
}

// Control pipe message: the command line as text; reply: u32 0 (done) or 2 (refused), then text.
void ZephraSim::ControlPipe::OnMessage(uint32_t, const uint8_t* data, uint32_t size, bool oversized,
                                       std::vector<uint8_t>* reply, HANDLE)
{
    SimCommandResult result = {false, "command too long\n"};
    if (!oversized)
        result = m_sim->Execute(std::string(reinterpret_cast<const char*>(data), size));
    reply->assign(4 + result.text.size(), 0);
    ZephraPutU32(reply->data(), result.done ? 0 : 2);
    memcpy(reply->data() + 4, result.text.data(), result.text.size());
}
