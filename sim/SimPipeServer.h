#pragma once
#include <windows.h>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
#include "WnEvent.h"
#include "WnThread.h"

class SimPipeHandler
{
public:
    // A client connected; the result names the connection in later calls.
    virtual uint32_t OnConnect(HANDLE pipe, DWORD clientProcessId) = 0;
    // One message in, one message out. oversized: the message was longer than the buffer
    // and only its start is given. May wait, but must return once stop is signalled.
    virtual void OnMessage(uint32_t connection, const uint8_t* data, uint32_t size, bool oversized,
                           std::vector<uint8_t>* reply, HANDLE stop) = 0;
    virtual void OnDisconnect(uint32_t connection) = 0;
    // The answer to every message of a client beyond the connection limit.
    virtual void OnRefused(const uint8_t* data, uint32_t size, std::vector<uint8_t>* reply) = 0;

protected:
    ~SimPipeHandler() = default;
};

// A message-mode named pipe server with one thread per connected client.
class SimPipeServer
{
public:
    SimPipeServer();
    ~SimPipeServer();

    SimPipeServer(const SimPipeServer&) = delete;
    SimPipeServer& operator=(const SimPipeServer&) = delete;

    // path: the full pipe path. Serves until Stop; at most maxConnections clients at once
    // (0: no limit). 0 or a Win32 error.
    DWORD Start(const wchar_t* path, uint32_t maxMessage, uint32_t maxConnections, SimPipeHandler* handler);
    void Stop();
    // Waits up to timeoutMs until no client is connected, so that a last answer is read.
    void WaitIdle(DWORD timeoutMs);

private:
    struct Connection;

    DWORD AcceptLoop();
    DWORD ServeConnection(Connection* connection);
    size_t LiveConnections();
    HANDLE CreateInstance();
    void ReapFinished(bool all);

    std::wstring m_path;
    uint32_t m_maxMessage = 0;
    uint32_t m_maxConnections = 0;
    SimPipeHandler* m_handler = nullptr;
    WnEvent m_stop;
    WnThread m_acceptThread;
    WnThreadCallbackForwarderT<SimPipeServer> m_acceptForwarder;
    HANDLE m_firstInstance = INVALID_HANDLE_VALUE;
    std::mutex m_connectionsLock;
    std::list<std::unique_ptr<Connection>> m_connections;
};
