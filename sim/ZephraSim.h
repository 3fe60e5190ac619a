#pragma once
#include <windows.h>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
#include "SimDevice.h"
#include "SimEngine.h"
#include "SimPipeServer.h"
#include "WnEvent.h"
#include "ZephraDeviceRecords.h"
#include "ZephraIoctl.h"
#include "ZephraMessage.h"
#include "ZephraStatus.h"
#include "ZephraStreamRecords.h"

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
    // The commands, one line each with their syntax: the text of "help".
    static std::string HelpText();
    // Signalled by the "quit" command.
    HANDLE QuitEvent() const { return m_quit.Get(); }

    // Failure paths for tests.
    void SetInterfaceVersion(uint32_t major, uint32_t minor);
    void SetDriverVersion(uint32_t major, uint32_t minor, uint32_t build, bool debug);
    void SetResponseDelay(DWORD ms);         // answer every request this much later
    void SetAnswering(bool answering);       // false: hold every answer until set true again
    void SetStreamingStuck(bool stuck);      // streaming commands succeed but change no state
    bool SetSupportedRates(const std::vector<uint32_t>& rates); // 1 to 12 rates
    // The next successful reply to code carries value at that byte offset (once).
    void SetNextReplyWord(uint32_t code, uint32_t offset, uint32_t value);
    // At most this many connections at once (call before Start); more are refused with
    // ZEPHRA_STATUS_NO_RESOURCES.
    void SetConnectionLimit(uint32_t limit);

    // Sees every well-framed request of the device pipe before it is served (outside the
    // simulator's lock). When it returns true, reply holds the whole response frame it built,
    // sent as it is, and the request is not served. An empty one ends the interception.
    typedef std::function<bool(int32_t clientType, uint32_t code, uint32_t outSize, std::vector<uint8_t>* reply)>
        Interceptor;
    void SetInterceptor(const Interceptor& interceptor);

    // The next device-list reply reports this count (once), to reach the clients' bounds.
    void SetNextDeviceListCount(uint32_t count);
    // While status is non-zero, every request with this code fails with it (0 withdraws
    // every failure of that code).
    void SetRequestFailure(uint32_t code, ZephraStatus status);
    // The WDM state that device reports; false when no device has that serial number.
    bool SetWdmState(const std::wstring& serial, const WdmStateRecord& state);
    // Queues a record as it is, for connections of that client type (-1: all) that hand
    // the matching event.
    void QueueRecord(int32_t clientType, bool notification, const ZephraMessage& record);
    // Queues a driver notification for every connection of that client type (-1: all)
    // that takes notifications.
    void QueueNotification(int32_t clientType, uint32_t code, const void* payload, uint32_t length);

    // Streaming commands the engine received, accepted or not; cleared with the log.
    std::vector<SimStreamingCommand> StreamingCommands() const;
    std::vector<SimLogEntry> Log() const;
    // The logged requests of that code, oldest first; with a client type, only those of
    // connections of that type (-1: connections that have declared none).
    std::vector<SimLogEntry> Logged(uint32_t code) const;
    std::vector<SimLogEntry> Logged(uint32_t code, int32_t clientType) const;
    void ClearLog();
    uint32_t ConnectionCount() const;
    size_t DeviceCount() const;
    std::vector<SimDevice> Devices() const;

    static std::string FormatLogEntry(const SimLogEntry& entry);

private:
    struct Connection
    {
        uint32_t id = 0;
        DWORD processId = 0;
        HANDLE pipe = nullptr; // not owned: the pipe server's instance of this connection
        int32_t clientType = -1;
        HANDLE messageEvent = nullptr;      // duplicates in this process, owned
        HANDLE notificationEvent = nullptr;
        std::deque<ZephraMessage> messages; // requests and replies
        std::deque<ZephraMessage> notifications;
        bool bound = false;
        uint32_t boundFirst = 0;
        uint32_t boundSecond = 0;
        bool held = false; // the simulator's own server connection ("server hold")
        bool welcomed = false; // its first 3030 as a main client is queued
    };

    // A relayed request waiting for the server's reply. The copy the server gets carries
    // token as its third correlation word; the reply gets the requester's word back.
    struct PendingRequest
    {
        uint32_t requester;
        uint32_t server;
        uint32_t token;
        uint32_t correlation[3];
    };

    // A request code that fails: for every connection or one device's, for one channel key
    // of GET_CHANNEL_INFO, always or once.
    struct FailureRule
    {
        uint32_t code;
        ZephraStatus status;
        std::wstring serial; // empty: any connection
        bool keyed;
        ZephraChannelKey key;
        bool once;
    };

    class ControlPipe : public SimPipeHandler
    {
    public:
        explicit ControlPipe(ZephraSim* sim) : m_sim(sim) {}
        uint32_t OnConnect(HANDLE, DWORD) override { return 0; }
        void OnMessage(uint32_t, const uint8_t* data, uint32_t size, bool oversized, std::vector<uint8_t>* reply,
                       HANDLE stop) override;
        void OnDisconnect(uint32_t) override {}
        void OnRefused(const uint8_t* data, uint32_t size, std::vector<uint8_t>* reply) override;

    private:
        ZephraSim* m_sim;
    };

    uint32_t OnConnect(HANDLE pipe, DWORD clientProcessId) override;
    void OnMessage(uint32_t connection, const uint8_t* data, uint32_t size, bool oversized,
                   std::vector<uint8_t>* reply, HANDLE stop) override;
    void OnDisconnect(uint32_t connection) override;
    void OnRefused(const uint8_t* data, uint32_t size, std::vector<uint8_t>* reply) override;

    // Under m_lock: checks sizes, runs the request, logs it.
    ZephraStatus Dispatch(Connection& connection, uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out,
                          uint32_t outSize, uint32_t* returned);
    ZephraStatus Serve(Connection& connection, uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out,
                       uint32_t outSize, uint32_t* returned);
    ZephraStatus ServeDevice(Connection& connection, SimDevice& device, uint32_t code, const uint8_t* in,
                             uint32_t inSize, uint8_t* out, uint32_t outSize, uint32_t* returned);
    // The forced status of a request, or 0; a rule that fires once is used up.
    ZephraStatus ForcedFailure(const Connection& connection, uint32_t code, const uint8_t* in, uint32_t inSize);
    ZephraStatus SetEvents(Connection& connection, const uint8_t* in);
    ZephraStatus SetClientType(Connection& connection, uint32_t type);
    // A connection that has become a main client (events set, type 2) gets one 3030, so
    // it reads the device list it joined.
    void WelcomeMainClient(Connection& connection);
    ZephraStatus SendMessageFrom(Connection& connection, const uint8_t* in, uint32_t inSize);
    ZephraStatus TakeMessage(std::deque<ZephraMessage>& queue, uint8_t* out, uint32_t* returned);
    ZephraStatus GetDeviceList(uint8_t* out, uint32_t* returned);
    ZephraStatus SelectDevice(Connection& connection, const uint8_t* in);
    // Queues and signals; false when the queue is full (the record is dropped).
    bool Enqueue(Connection& connection, bool notification, const ZephraMessage& record);
    Connection* ServerConnection();
    // Frees what a connection holds (events, queues, requests relayed to it or by it) at once,
    // before its pipe thread notices that it has gone.
    void Release(Connection& connection);
    // skip: a connection that is left out (the one whose request caused the record); 0 for none.
    void QueueNotificationLocked(int32_t clientType, uint32_t code, const void* payload, uint32_t length,
                                 uint32_t skip = 0);
    void QueueRecordLocked(int32_t clientType, bool notification, const ZephraMessage& record, uint32_t skip = 0);
    SimDevice* FindDevice(uint32_t idFirst, uint32_t idSecond);
    // Adds a rule, replacing one for the same code, device and key; status 0 withdraws
    // the rules of that code, device and key.
    void SetFailure(const FailureRule& rule);
    void CloseEvents(Connection& connection);

    // Control commands, each under m_lock with the words of its line.
    struct CommandInfo;
    static const CommandInfo* CommandTable(size_t* count);
    static const CommandInfo* FindCommand(const std::string& name);
    void ClearLogLocked();
    static SimCommandResult Usage(const std::string& name);
    SimCommandResult Help(const std::vector<std::string>& words);
    SimCommandResult Status(const std::vector<std::string>& words);
    SimCommandResult ShowLog(const std::vector<std::string>& words);
    SimCommandResult Quit(const std::vector<std::string>& words);
    SimCommandResult Plug(const std::vector<std::string>& words);
    SimCommandResult Unplug(const std::vector<std::string>& words);
    SimCommandResult Notify(const std::vector<std::string>& words);
    SimCommandResult Remodel(const std::vector<std::string>& words);
    SimCommandResult Port(const std::vector<std::string>& words);
    SimCommandResult WindowsVolume(const std::vector<std::string>& words);
    SimCommandResult Version(const std::vector<std::string>& words);
    SimCommandResult Rates(const std::vector<std::string>& words);
    SimCommandResult Host(const std::vector<std::string>& words);
    SimCommandResult Fail(const std::vector<std::string>& words);
    SimCommandResult Reply(const std::vector<std::string>& words);
    SimCommandResult Pins(const std::vector<std::string>& words);
    SimCommandResult Echo(const std::vector<std::string>& words);
    SimCommandResult Levels(const std::vector<std::string>& words);
    SimCommandResult Server(const std::vector<std::string>& words);
    SimDevice* FindDevice(const std::string& serial);
    // Tells the control panel of every device whose streaming flag differs from before.
    std::vector<std::pair<ZephraDeviceId, bool>> StreamingFlags() const;
    void NotifyStreamingChanges(const std::vector<std::pair<ZephraDeviceId, bool>>& before);
    void NotifyDeviceState(const SimDevice& device, uint32_t skip = 0);
    void WaitBeforeAnswer(HANDLE stop);
    bool Intercept(uint32_t connection, uint32_t code, uint32_t outSize, std::vector<uint8_t>* reply);
    void AddLog(const Connection& connection, uint32_t code, uint32_t inSize, uint32_t outSize, ZephraStatus status);
    std::string StatusText();
    std::string ConnectionsText() const;
    std::string FailuresText() const;
    SimCommandResult EngineCommand(const std::vector<std::string>& words);

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

    std::vector<PendingRequest> m_pending;
    uint32_t m_nextToken = 1;
    std::vector<SimDevice> m_devices;
    std::vector<std::pair<bool, std::wstring>> m_broadcasts; // arrival?, path: sent after the command
    uint32_t m_nextDeviceId = 1;
    uint32_t m_streamingFirst = 0; // the streaming device's id words; 0, 0 for none
    uint32_t m_streamingSecond = 0;
    bool m_streamingAll = false;   // all devices stream
    SimEngine m_engine;            // after the fields it refers to
    bool m_overrideListCount = false;
    uint32_t m_nextListCount = 0;
    std::vector<FailureRule> m_failures;
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> m_replyWords; // code -> offset, value
    std::set<uint32_t> m_shortReplies; // codes whose next reply is one byte short
    uint32_t m_connectionLimit = 0;    // set by the constructor

    ZephraVersionInfo m_version;
    DWORD m_delayMs = 0;
    Interceptor m_interceptor;
};
