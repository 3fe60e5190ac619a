#pragma once
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "ZephraRequestIndex.h"
#include "ZephraServer.h"
#include "ZephraSim.h"

// Hook calls of the recording controllers and server, in order.
typedef std::vector<std::string> Journal;

// A controller that writes its hooks into a journal and can refuse some of them.
class RecordingCtrl : public ZephraDeviceCtrl
{
public:
    explicit RecordingCtrl(Journal* journal) : m_journal(journal) {}

    ZephraStatus BeforeTransition(uint32_t state, uint32_t target, uint32_t) override
    {
        Write("before " + std::to_string(state) + ">" + std::to_string(target));
        return refuseBefore;
    }
    void AfterTransition(uint32_t state, uint32_t target, uint32_t) override
    {
        Write("after " + std::to_string(state) + ">" + std::to_string(target));
    }
    void TransitionFailed(uint32_t state, uint32_t target, ZephraStatus) override
    {
        Write("failed " + std::to_string(state) + ">" + std::to_string(target));
    }
    void OnDeviceUpdate() override { Write("update"); }
    void OnValue1(uint32_t value) override { Write("value1 " + std::to_string(value)); }
    void OnValue2(uint32_t value) override { Write("value2 " + std::to_string(value)); }
    ZephraStatus OnByte(uint8_t value) override
    {
        Write("byte " + std::to_string(value));
        return refuseByte;
    }
    ZephraStatus Prepare() override
    {
        Write("prepare");
        return refusePrepare;
    }

    ZephraStatus refuseBefore = 0;
    ZephraStatus refuseByte = 0;
    ZephraStatus refusePrepare = 0;

private:
    // Lines start with the device's serial number.
    void Write(const std::string& line)
    {
        std::string serial;
        for (wchar_t c : GetSerialText())
            serial += static_cast<char>(c);
        m_journal->push_back(serial + " " + line);
    }
    Journal* m_journal;
};

// A server that opens the test's simulator; with a journal its controllers record their hooks.
class TestServer : public ZephraServer
{
public:
    explicit TestServer(const wchar_t* name, Journal* journal = nullptr) : m_name(name), m_journal(journal) {}

    const wchar_t* GetInterfaceGuidText() const override { return m_name; }
    ZephraDevice* CreateDevice() override
    {
        if (m_journal == nullptr)
            return ZephraServer::CreateDevice();
        return new RecordingCtrl(m_journal);
    }
    void OnOtherNotification(const ZephraMessage& record) override
    {
        if (m_journal != nullptr)
            m_journal->push_back("other " + std::to_string(record.code));
    }

    RecordingCtrl* Recorder(size_t index) const { return dynamic_cast<RecordingCtrl*>(GetDeviceAt(index)); }

private:
    const wchar_t* m_name;
    Journal* m_journal;
};

// The requests a connection sent, as names without the IOCTL_ZEPHRA_ prefix; streaming
// commands as "STREAMING_COMMAND c/a".
inline std::vector<std::string> RequestNames(const ZephraSim& sim, int32_t clientType)
{
    std::vector<std::string> names;
    std::vector<SimStreamingCommand> commands = sim.StreamingCommands();
    size_t next = 0;
    for (const SimLogEntry& entry : sim.Log()) {
        if (entry.code == IOCTL_ZEPHRA_STREAMING_COMMAND && next < commands.size()) {
            const SimStreamingCommand& command = commands[next++];
            if (entry.clientType == clientType)
                names.push_back("STREAMING_COMMAND " + std::to_string(command.command) + "/" +
                                std::to_string(command.argument));
            continue;
        }
        if (entry.clientType != clientType)
            continue;
        const ZephraRequestInfo* info = ZephraFindRequest(entry.code);
        names.push_back(info != nullptr ? std::string(info->name + 13) : std::to_string(entry.code));
    }
    return names;
}

inline std::string Cmd(uint32_t command, uint32_t argument = 0)
{
    return "STREAMING_COMMAND " + std::to_string(command) + "/" + std::to_string(argument);
}

const char* const kStatus = "GET_STREAMING_STATUS";
const char* const kSend = "SEND_MESSAGE";

// The codes of the notifications queued for a connection, drained.
inline std::vector<uint32_t> DrainNotifications(ZephraDriver& connection)
{
    std::vector<uint32_t> codes;
    ZephraMessage record;
    while (connection.NextNotification(&record) == 0)
        codes.push_back(record.code);
    return codes;
}

// Sends a request record from a client connection.
inline ZephraStatus SendRequest(ZephraDriver& client, uint32_t code, uint32_t sequence, const void* payload,
                                uint32_t length)
{
    ZephraMessage request;
    request.Init(ZEPHRA_MSG_KIND_REQUEST, code);
    request.correlation[0] = sequence;
    ZephraStatus status = request.WritePayload(payload, length);
    return status != 0 ? status : client.SendMessageRecord(request);
}

// Waits up to timeoutMs for the reply with that sequence number; its status, or the error.
inline ZephraStatus WaitReply(ZephraDriver& client, uint32_t sequence, DWORD timeoutMs, ZephraMessage* reply)
{
    DWORD start = GetTickCount();
    for (;;) {
        while (client.GetMessageRecord(reply) == 0) {
            if (reply->kind == ZEPHRA_MSG_KIND_REPLY && reply->correlation[0] == sequence)
                return 0;
        }
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return ZEPHRA_STATUS_TIMEOUT;
        WaitForSingleObject(client.GetMessageEvent(), timeoutMs - elapsed);
    }
}
