#include "SimPipeServer.h"

struct SimPipeServer::Connection : WnThreadCallbackInterface
{
    SimPipeServer* server = nullptr;
    HANDLE pipe = INVALID_HANDLE_VALUE;
    WnThread thread;
    volatile LONG finished = 0;
    bool refused = false; // beyond the limit: every request is refused

    DWORD Run() override { return server->ServeConnection(this); }
};

namespace {

// Pipe instances beyond the limit, for answering refused clients.
const uint32_t kRefusalInstances = 8;
// Enough of a refused client's message to tell what it asked.
const DWORD kRefusalBuffer = 64;

// Waits for an overlapped operation or for stop; false when stopped or failed.
bool Complete(HANDLE file, BOOL ok, OVERLAPPED* ov, HANDLE stop, DWORD* bytes, DWORD* error)
{
    *error = 0;
    if (!ok) {
        *error = GetLastError();
        if (*error != ERROR_IO_PENDING)
            return false;
        HANDLE handles[2] = {stop, ov->hEvent};
        DWORD wait = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        if (wait != WAIT_OBJECT_0 + 1) {
            CancelIo(file);
            GetOverlappedResult(file, ov, bytes, TRUE);
            *error = ERROR_OPERATION_ABORTED;
            return false;
        }
    }
    if (!GetOverlappedResult(file, ov, bytes, FALSE)) {
        *error = GetLastError();
        return false;
    }
    *error = 0;
    return true;
}

} // namespace

SimPipeServer::SimPipeServer() : m_acceptForwarder(this, &SimPipeServer::AcceptLoop) {}

SimPipeServer::~SimPipeServer()
{
    Stop();
}

HANDLE SimPipeServer::CreateInstance()
{
    DWORD instances = PIPE_UNLIMITED_INSTANCES;
    if (m_maxConnections != 0 && m_maxConnections < PIPE_UNLIMITED_INSTANCES - kRefusalInstances)
        instances = m_maxConnections + kRefusalInstances;
    return CreateNamedPipeW(m_path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                            PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                            instances, m_maxMessage, m_maxMessage, 0, nullptr);
}

DWORD SimPipeServer::Start(const wchar_t* path, uint32_t maxMessage, uint32_t maxConnections,
                           SimPipeHandler* handler)
{
    if (m_acceptThread.IsValid())
        return ERROR_ALREADY_EXISTS;
    m_path = path;
    m_maxMessage = maxMessage;
    m_maxConnections = maxConnections;
    m_handler = handler;
    DWORD error = m_stop.Create(true);
    if (error != 0)
        return error;
    // The first instance is made here so that clients can connect once Start returns.
    m_firstInstance = CreateInstance();
    if (m_firstInstance == INVALID_HANDLE_VALUE)
        return GetLastError();
    error = m_acceptThread.Start(&m_acceptForwarder);
    if (error != 0) {
        CloseHandle(m_firstInstance);
        m_firstInstance = INVALID_HANDLE_VALUE;
    }
    return error;
}

void SimPipeServer::Stop()
{
    if (!m_acceptThread.IsValid())
        return;
    // Signal, join, then close what the threads wait on.
    m_stop.Set();
    m_acceptThread.Wait(INFINITE);
    ReapFinished(true);
    m_stop.Close();
}

void SimPipeServer::WaitIdle(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        bool idle = true;
        {
            std::lock_guard<std::mutex> guard(m_connectionsLock);
            for (auto& connection : m_connections)
                idle = idle && InterlockedCompareExchange(&connection->finished, 0, 0) != 0;
        }
        if (idle || GetTickCount() - start >= timeoutMs)
            return;
        Sleep(5);
    }
}

size_t SimPipeServer::LiveConnections()
{
    std::lock_guard<std::mutex> guard(m_connectionsLock);
    size_t live = 0;
    for (auto& connection : m_connections)
        live += !connection->refused && InterlockedCompareExchange(&connection->finished, 0, 0) == 0;
    return live;
}

void SimPipeServer::ReapFinished(bool all)
{
    std::list<std::unique_ptr<Connection>> done;
    {
        std::lock_guard<std::mutex> guard(m_connectionsLock);
        for (auto it = m_connections.begin(); it != m_connections.end();) {
            if (all || InterlockedCompareExchange(&(*it)->finished, 0, 0) != 0) {
                done.push_back(std::move(*it));
                it = m_connections.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& connection : done)
        connection->thread.Wait(INFINITE);
}

DWORD SimPipeServer::AcceptLoop()
{
    WnEvent connected;
    if (connected.Create(true) != 0)
        return 1;
    HANDLE pipe = m_firstInstance;
    m_firstInstance = INVALID_HANDLE_VALUE;
    for (;;) {
        if (pipe == INVALID_HANDLE_VALUE) {
            pipe = CreateInstance();
            if (pipe == INVALID_HANDLE_VALUE) {
                // Out of instances: try again shortly unless stopping.
                if (WaitForSingleObject(m_stop.Get(), 50) == WAIT_OBJECT_0)
                    break;
                continue;
            }
        }
        OVERLAPPED ov = {};
        ov.hEvent = connected.Get();
        BOOL ok = ConnectNamedPipe(pipe, &ov);
        DWORD bytes = 0, error = 0;
        bool isConnected = false;
        if (!ok && GetLastError() == ERROR_PIPE_CONNECTED)
            isConnected = true;
        else if (!ok && GetLastError() == ERROR_NO_DATA) // the client left before we got to it
            isConnected = false;
        else
            isConnected = Complete(pipe, ok, &ov, m_stop.Get(), &bytes, &error);
        if (WaitForSingleObject(m_stop.Get(), 0) == WAIT_OBJECT_0) {
            CloseHandle(pipe);
            break;
        }
        // The next instance exists before this one can go: with no instance of the name at
        // all, a client opening just then would be told that there is no such pipe.
        HANDLE next = CreateInstance();
        if (!isConnected) {
            DisconnectNamedPipe(pipe);
            CloseHandle(pipe);
            pipe = next;
            continue;
        }
        ReapFinished(false);
        auto connection = std::make_unique<Connection>();
        connection->server = this;
        connection->pipe = pipe;
        connection->refused = m_maxConnections != 0 && LiveConnections() >= m_maxConnections;
        pipe = next;
        Connection* raw = connection.get();
        {
            std::lock_guard<std::mutex> guard(m_connectionsLock);
            m_connections.push_back(std::move(connection));
        }
        if (raw->thread.Start(raw) != 0) {
            CloseHandle(raw->pipe);
            raw->pipe = INVALID_HANDLE_VALUE;
            InterlockedExchange(&raw->finished, 1);
        }
    }
    return 0;
}

// A refused client gets the refusal to every request until it closes its handle; it has no
// connection in the handler's terms and only a small buffer.
DWORD SimPipeServer::ServeConnection(Connection* connection)
{
    HANDLE pipe = connection->pipe;
    bool refused = connection->refused;
    uint32_t id = 0;
    if (!refused) {
        ULONG clientPid = 0;
        GetNamedPipeClientProcessId(pipe, &clientPid);
        id = m_handler->OnConnect(pipe, clientPid);
    }

    WnEvent io;
    io.Create(true);
    std::vector<uint8_t> buffer(refused ? kRefusalBuffer : m_maxMessage);
    std::vector<uint8_t> scratch(4096);
    std::vector<uint8_t> reply;
    HANDLE stop = m_stop.Get();
    for (;;) {
        OVERLAPPED ov = {};
        ov.hEvent = io.Get();
        DWORD bytes = 0, error = 0;
        BOOL ok = ReadFile(pipe, buffer.data(), static_cast<DWORD>(buffer.size()), &bytes, &ov);
        bool read = Complete(pipe, ok, &ov, stop, &bytes, &error);
        bool oversized = false;
        DWORD size = bytes;
        while (!read && error == ERROR_MORE_DATA) {
            // Drop the rest of an over-long message; it is answered as too long.
            oversized = true;
            ov = OVERLAPPED();
            ov.hEvent = io.Get();
            ok = ReadFile(pipe, scratch.data(), static_cast<DWORD>(scratch.size()), &bytes, &ov);
            read = Complete(pipe, ok, &ov, stop, &bytes, &error);
        }
        if (!read)
            break;
        reply.clear();
        if (refused)
            m_handler->OnRefused(buffer.data(), size, &reply);
        else
            m_handler->OnMessage(id, buffer.data(), size, oversized, &reply, stop);
        ov = OVERLAPPED();
        ov.hEvent = io.Get();
        ok = WriteFile(pipe, reply.data(), static_cast<DWORD>(reply.size()), &bytes, &ov);
        if (!Complete(pipe, ok, &ov, stop, &bytes, &error))
            break;
    }
    if (!refused)
        m_handler->OnDisconnect(id);
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
    connection->pipe = INVALID_HANDLE_VALUE;
    InterlockedExchange(&connection->finished, 1);
    return 0;
}
