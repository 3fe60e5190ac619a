#pragma once
#include <mutex>
#include <string>
#include <vector>
#include "CustomServer.h"
#include "WnEvent.h"
#include "WnThread.h"
#include "ZephraClient.h"
#include "ZephraSim.h"

// A request message as the device server received it.
struct RigRequest
{
    uint32_t code;
    uint32_t word; // the first payload word, 0 when the payload is shorter
};

// The product's device server, recording the requests it is asked to carry out.
class RigServer : public CustomServer
{
public:
    explicit RigServer(const wchar_t* name) : CustomServer(name) {}
    ZephraStatus OnRequest(const ZephraMessage& request, ZephraMessage* reply) override;
    std::vector<RigRequest> Requests() const;

private:
    mutable std::mutex m_lock; // the server thread writes, the test reads
    std::vector<RigRequest> m_requests;
};

// What a page test runs against, all in the test process: the simulated driver with one
// device, the real device server on a thread of its own, and the control panel's main
// client. name: the control device name, one per test program.
class DriverRig : private WnThreadCallbackInterface
{
public:
    explicit DriverRig(const wchar_t* name);
    ~DriverRig();

    DriverRig(const DriverRig&) = delete;
    DriverRig& operator=(const DriverRig&) = delete;

    // Simulator with device QV000001, the server (unless withServer is false) and the main
    // client; 0 or the first failure.
    ZephraStatus Start(bool withServer = true);
    // Starts the server's loop and waits until it has announced its device list.
    ZephraStatus StartServer();
    // Signals, joins, closes.
    void StopServer();
    // A server connection that never answers, in place of the server: requests time out.
    ZephraStatus HoldServer();

    ZephraSim& Sim() { return m_sim; }
    ZephraCplClient& Client() { return m_client; }
    // The simulator command; its text, or "refused: TEXT".
    std::string Command(const std::string& line);
    // Requests the server has received so far.
    std::vector<RigRequest> ServerRequests() const;
    // The driver requests that connections of that client type sent, by name without the
    // IOCTL_ZEPHRA_ prefix (2: the main client).
    std::vector<std::string> RequestNames(int32_t clientType = 2) const;

private:
    DWORD Run() override;
    // Drops the main client's notifications until one with that code; false after limitMs.
    bool WaitNotification(uint32_t code, DWORD limitMs);

    std::wstring m_name;
    ZephraSim m_sim;
    RigServer m_server;
    WnEvent m_stop;
    WnEvent m_arrival;
    WnThread m_thread;
    ZephraDriver m_holder;
    ZephraCplClient m_client;
};
