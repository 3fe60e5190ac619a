// Connections of the simulated driver: client types, events, message queues, device binding.
#include <cstring>
#include "ZephraBytes.h"
#include "ZephraSim.h"

namespace {

const size_t kMaxQueue = 256;

struct CountedName
{
    USHORT length; // bytes
    USHORT maximumLength;
    const wchar_t* buffer;
};

// Whether a handle of this process names an event: any other object (a file, a mutex) is
// refused, since the driver could never signal it.
bool IsEvent(HANDLE handle)
{
    typedef LONG(WINAPI * QueryObject)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    const ULONG kObjectTypeInformation = 2;
    FARPROC address = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject");
    if (address == nullptr)
        return false;
    QueryObject query;
    memcpy(&query, &address, sizeof(query));
    union {
        CountedName name;
        uint8_t bytes[1024];
    } info;
    ULONG length = 0;
    if (query(handle, kObjectTypeInformation, &info, sizeof(info), &length) < 0)
        return false;
    const wchar_t kEvent[] = L"Event";
    return info.name.length == sizeof(kEvent) - sizeof(wchar_t) && info.name.buffer != nullptr &&
           memcmp(info.name.buffer, kEvent, info.name.length) == 0;
}

} // namespace

void ZephraSim::CloseEvents(Connection& connection)
{
    if (connection.messageEvent != nullptr)
        CloseHandle(connection.messageEvent);
    if (connection.notificationEvent != nullptr)
        CloseHandle(connection.notificationEvent);
    connection.messageEvent = nullptr;
    connection.notificationEvent = nullptr;
}

ZephraStatus ZephraSim::SetEvents(Connection& connection, const uint8_t* in)
{
    ZephraEventsRecord record;
    memcpy(&record, in, sizeof(record));
    HANDLE duplicates[2] = {nullptr, nullptr};
    const uint64_t values[2] = {record.messageEvent, record.notificationEvent};
    HANDLE client = nullptr;
    ZephraStatus status = 0;
    for (int i = 0; i < 2 && status == 0; ++i) {
        if (values[i] == 0)
            continue;
        if (values[i] > UINTPTR_MAX) {
            status = ZEPHRA_STATUS_INVALID_PARAMETER;
            break;
        }
        if (client == nullptr)
            client = OpenProcess(PROCESS_DUP_HANDLE, FALSE, connection.processId);
        HANDLE source = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(values[i]));
        if (client == nullptr ||
            !DuplicateHandle(client, source, GetCurrentProcess(), &duplicates[i], EVENT_MODIFY_STATE, FALSE, 0) ||
            !IsEvent(duplicates[i]))
            status = ZEPHRA_STATUS_INVALID_PARAMETER;
    }
    if (client != nullptr)
        CloseHandle(client);
    if (status != 0) {
        for (HANDLE duplicate : duplicates) {
            if (duplicate != nullptr)
                CloseHandle(duplicate);
        }
        return status;
    }
    CloseEvents(connection);
    connection.messageEvent = duplicates[0];
    connection.notificationEvent = duplicates[1];
    WelcomeMainClient(connection);
    return 0;
}

ZephraStatus ZephraSim::SetClientType(Connection& connection, uint32_t type)
{
    if (type != ZEPHRA_CLIENT_SERVER && type != ZEPHRA_CLIENT_MAIN && type != ZEPHRA_CLIENT_OBSERVER &&
        type != ZEPHRA_CLIENT_OBSERVER_2)
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    if (connection.clientType >= 0)
        return ZEPHRA_STATUS_ALREADY_DONE;
    if (type == ZEPHRA_CLIENT_SERVER) {
        Connection* server = ServerConnection();
        // A server whose handle was just closed may not have been noticed by its pipe
        // thread yet: its slot is free once the pipe shows it has gone.
        if (server != nullptr && server->pipe != nullptr && !PeekNamedPipe(server->pipe, nullptr, 0, nullptr, nullptr, nullptr) &&
            GetLastError() == ERROR_BROKEN_PIPE)
            Release(*server);
        else if (server != nullptr)
            return ZEPHRA_STATUS_ALREADY_DONE;
    }
    connection.clientType = static_cast<int32_t>(type);
    WelcomeMainClient(connection);
    return 0;
}

void ZephraSim::WelcomeMainClient(Connection& connection)
{
    if (connection.welcomed || connection.clientType != static_cast<int32_t>(ZEPHRA_CLIENT_MAIN) ||
        connection.notificationEvent == nullptr)
        return;
    ZephraMessage record;
    record.Init(ZEPHRA_MSG_KIND_NOTIFICATION, ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED);
    connection.welcomed = Enqueue(connection, true, record);
}

ZephraSim::Connection* ZephraSim::ServerConnection()
{
    for (auto& entry : m_connections) {
        if (entry.second.clientType == static_cast<int32_t>(ZEPHRA_CLIENT_SERVER))
            return &entry.second;
    }
    return nullptr;
}

void ZephraSim::Release(Connection& connection)
{
    CloseEvents(connection);
    connection.messages.clear();
    connection.notifications.clear();
    connection.clientType = -1;
    connection.welcomed = false;
    connection.bound = false;
    // The requesters of what a server leaves unanswered time out, as with a vanished service.
    uint32_t id = connection.id;
    for (auto pending = m_pending.begin(); pending != m_pending.end();) {
        if (pending->requester == id || pending->server == id)
            pending = m_pending.erase(pending);
        else
            ++pending;
    }
}

bool ZephraSim::Enqueue(Connection& connection, bool notification, const ZephraMessage& record)
{
    std::deque<ZephraMessage>& queue = notification ? connection.notifications : connection.messages;
    if (queue.size() >= kMaxQueue)
        return false;
    queue.push_back(record);
    HANDLE event = notification ? connection.notificationEvent : connection.messageEvent;
    if (event != nullptr)
        SetEvent(event);
    return true;
}

ZephraStatus ZephraSim::SendMessageFrom(Connection& connection, const uint8_t* in, uint32_t inSize)
{
    ZephraMessage record;
    record.Init(ZEPHRA_MSG_KIND_NONE, 0);
    memcpy(&record, in, inSize);
    if (record.headerSize != ZEPHRA_MSG_HEADER_SIZE)
        return ZEPHRA_STATUS_INVALID_HD_SIZE;
    if (record.payloadLength > ZEPHRA_MSG_MAX_PAYLOAD || record.WireSize() != inSize)
        return ZEPHRA_STATUS_INVALID_LENGTH;
    // Bytes beyond the payload are not the sender's to pass on.
    memset(record.payload + record.payloadLength, 0, ZEPHRA_MSG_MAX_PAYLOAD - record.payloadLength);

    bool fromServer = connection.clientType == static_cast<int32_t>(ZEPHRA_CLIENT_SERVER);
    switch (record.kind) {
    case ZEPHRA_MSG_KIND_REQUEST: {
        if (fromServer)
            return ZEPHRA_STATUS_NOT_ALLOWED;
        Connection* server = ServerConnection();
        if (server == nullptr)
            return ZEPHRA_STATUS_NO_SERVER;
        if (m_pending.size() >= kMaxQueue)
            return ZEPHRA_STATUS_NO_RESOURCES;
        PendingRequest pending = {connection.id, server->id, m_nextToken,
                                  {record.correlation[0], record.correlation[1], record.correlation[2]}};
        m_nextToken = m_nextToken == 0xFFFFFFFF ? 1 : m_nextToken + 1;
        ZephraMessage relayed = record;
        relayed.correlation[2] = pending.token;
        if (!Enqueue(*server, false, relayed))
            return ZEPHRA_STATUS_NO_RESOURCES;
        m_pending.push_back(pending);
        return 0;
    }
    case ZEPHRA_MSG_KIND_REPLY: {
        if (!fromServer)
            return ZEPHRA_STATUS_NOT_ALLOWED;
        for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
            if (it->server != connection.id || it->token != record.correlation[2] ||
                it->correlation[0] != record.correlation[0] || it->correlation[1] != record.correlation[1])
                continue;
            uint32_t requester = it->requester;
            record.correlation[2] = it->correlation[2];
            m_pending.erase(it);
            auto target = m_connections.find(requester);
            if (target == m_connections.end())
                return 0; // the requester has gone: nobody to tell
            return Enqueue(target->second, false, record) ? 0 : ZEPHRA_STATUS_NO_RESOURCES;
        }
        return ZEPHRA_STATUS_INITIATOR_NOT_FOUND;
    }
    case ZEPHRA_MSG_KIND_NOTIFICATION:
        if (!fromServer)
            return ZEPHRA_STATUS_NOT_ALLOWED;
        for (auto& entry : m_connections) {
            if (entry.first != connection.id && entry.second.notificationEvent != nullptr)
                Enqueue(entry.second, true, record);
        }
        return 0;
    default:
        return ZEPHRA_STATUS_INVALID_MSG_TYPE;
    }
}

void ZephraSim::QueueNotification(int32_t clientType, uint32_t code, const void* payload, uint32_t length)
{
    std::lock_guard<std::mutex> guard(m_lock);
    QueueNotificationLocked(clientType, code, payload, length);
}

void ZephraSim::QueueNotificationLocked(int32_t clientType, uint32_t code, const void* payload, uint32_t length,
                                        uint32_t skip)
{
    ZephraMessage record;
    record.Init(ZEPHRA_MSG_KIND_NOTIFICATION, code);
    if (record.WritePayload(payload, length) != 0)
        return;
    QueueRecordLocked(clientType, true, record, skip);
}

void ZephraSim::QueueRecord(int32_t clientType, bool notification, const ZephraMessage& record)
{
    std::lock_guard<std::mutex> guard(m_lock);
    QueueRecordLocked(clientType, notification, record);
}

void ZephraSim::QueueRecordLocked(int32_t clientType, bool notification, const ZephraMessage& record,
                                  uint32_t skip)
{
    for (auto& entry : m_connections) {
        Connection& connection = entry.second;
        if (connection.id == skip)
            continue;
        HANDLE event = notification ? connection.notificationEvent : connection.messageEvent;
        if (event != nullptr && (clientType < 0 || connection.clientType == clientType))
            Enqueue(connection, notification, record);
    }
}

ZephraStatus ZephraSim::TakeMessage(std::deque<ZephraMessage>& queue, uint8_t* out, uint32_t* returned)
{
    if (queue.empty())
        return ZEPHRA_STATUS_NO_MORE_ITEMS;
    memcpy(out, &queue.front(), sizeof(ZephraMessage));
    queue.pop_front();
    *returned = sizeof(ZephraMessage);
    return 0;
}

ZephraStatus ZephraSim::GetDeviceList(uint8_t* out, uint32_t* returned)
{
    ZephraDeviceList list;
    memset(&list, 0, sizeof(list));
    list.count = static_cast<uint32_t>(m_devices.size());
    for (size_t i = 0; i < m_devices.size() && i < ZEPHRA_MAX_DEVICES; ++i) {
        const SimDevice& device = m_devices[i];
        list.devices[i] = device.Record(m_engine.IsStreamingDevice(device));
    }
    if (m_overrideListCount) {
        // A malformed reply, once: the records are as usual, the count is not.
        m_overrideListCount = false;
        list.count = m_nextListCount;
    }
    memcpy(out, &list, sizeof(list));
    *returned = sizeof(list);
    return 0;
}

ZephraStatus ZephraSim::SelectDevice(Connection& connection, const uint8_t* in)
{
    ZephraDeviceId id;
    memcpy(&id, in, sizeof(id));
    if (FindDevice(id.idFirst, id.idSecond) == nullptr)
        return ZEPHRA_STATUS_NO_DEVICE;
    connection.bound = true;
    connection.boundFirst = id.idFirst;
    connection.boundSecond = id.idSecond;
    return 0;
}

SimDevice* ZephraSim::FindDevice(uint32_t idFirst, uint32_t idSecond)
{
    for (SimDevice& device : m_devices) {
        if (device.idFirst == idFirst && device.idSecond == idSecond)
            return &device;
    }
    return nullptr;
}
