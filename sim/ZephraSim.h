#pragma once
#include <windows.h>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
#include "SimPipeServer.h"
#include "WnEvent.h"
#include "ZephraIoctl.h"
#include "ZephraStatus.h"

// One request as the simulator received it.
struct SimLogEntry
{
    uint32_t connection;
    int32_t clientType; // -1 until the connection declared one
    uint32_t code;
    uint32_t inSize;
    uint32_t outSize;
    ZephraStatus status;
};

struct SimCommandResult
{
    bool done;
    std::string text;
};

// The simulated driver: serves the control device's pipe and the control pipe.
// Usable in-process: a test starts it, drives it and reads its state directly.
class ZephraSim : private SimPipeHandler
{
public:
    ZephraSim();
    ~ZephraSim();

    ZephraSim(const ZephraSim&) = delete;
    ZephraSim& operator=(const ZephraSim&) = delete;

    // name: the control device name; the pipes are "\\.\pipe\NAME" and "\\.\pipe\NAME.control".
    DWORD Start(const wchar_t* name = ZEPHRA_CONTROL_DEVICE_NAME, bool controlPipe = true);
    void Stop();
    bool IsRunning() const { return m_running; }

    // One control command, as the control pipe carries it ("status", "log", ...).
    SimCommandResult Execute(const std::string& line);
    // Signalled by the "quit" command.
    HANDLE QuitEvent() const { return m_quit.Get(); }

    // Failure paths for tests.
    void SetInterfaceVersion(uint32_t major, uint32_t minor);
    void SetDriverVersion(uint32_t major, uint32_t minor, uint32_t build, bool debug);
    void SetResponseDelay(DWORD ms);         // answer every request this much later
    void SetAnswering(bool answering);       // false: hold every answer until set true again

    std::vector<SimLogEntry> Log() const;
    void ClearLog();
    uint32_t ConnectionCount() const;

    static std::string FormatLogEntry(const SimLogEntry& entry);

private:
    struct Connection
    {
        uint32_t id = 0;
        DWORD processId = 0;
        int32_t clientType = -1;
    };

    class ControlPipe : public SimPipeHandler
    {
    public:
        explicit ControlPipe(ZephraSim* sim) : m_sim(sim) {}
        uint32_t OnConnect(HANDLE, DWORD) override { return 0; }
        void OnMessage(uint32_t, const uint8_t* data, uint32_t size, bool oversized, std::vector<uint8_t>* reply,
                       HANDLE stop) override;
        void OnDisconnect(uint32_t) override {}

    private:
        ZephraSim* m_sim;
    };

    uint32_t OnConnect(HANDLE pipe, DWORD clientProcessId) override;
    void OnMessage(uint32_t connection, const uint8_t* data, uint32_t size, bool oversized,
                   std::vector<uint8_t>* reply, HANDLE stop) override;
    void OnDisconnect(uint32_t connection) override;

    // Under m_lock: checks sizes, runs the request, logs it.
    ZephraStatus Dispatch(Connection& connection, uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out,
                          uint32_t outSize, uint32_t* returned);
    ZephraStatus Serve(Connection& connection, uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out,
                       uint32_t outSize, uint32_t* returned);
    void WaitBeforeAnswer(HANDLE stop);
    void AddLog(const Connection& connection, uint32_t code, uint32_t inSize, uint32_t outSize, ZephraStatus status);
    std::string StatusText() const;

    mutable std::mutex m_lock;
    SimPipeServer m_devicePipe;
    ControlPipe m_controlHandler;
    SimPipeServer m_controlPipe;
    WnEvent m_quit;
    WnEvent m_answering; // manual reset; non-signalled while answers are held
    bool m_running = false;

    uint32_t m_nextConnection = 1;
    std::map<uint32_t, Connection> m_connections;
    std::deque<SimLogEntry> m_log; // bounded: the oldest entries go first

    ZephraVersionInfo m_version;
    DWORD m_delayMs = 0;
};
