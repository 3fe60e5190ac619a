#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include <thread>
#include "SimControlClient.h"
#include "ZephraDriver.h"
#include "ZephraSim.h"

namespace {

const wchar_t* const kName = L"ZephraSimTest";

// A bare pipe client that sends raw frames, so malformed ones reach the simulator.
class RawClient
{
public:
    RawClient()
    {
        m_pipe = CreateFileW(L"\\\\.\\pipe\\ZephraSimTest", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             0, nullptr);
        DWORD mode = PIPE_READMODE_MESSAGE;
        if (m_pipe != INVALID_HANDLE_VALUE)
            SetNamedPipeHandleState(m_pipe, &mode, nullptr, nullptr);
    }
    ~RawClient()
    {
        if (m_pipe != INVALID_HANDLE_VALUE)
            CloseHandle(m_pipe);
    }
    bool IsOpen() const { return m_pipe != INVALID_HANDLE_VALUE; }
    void Close()
    {
        CloseHandle(m_pipe);
        m_pipe = INVALID_HANDLE_VALUE;
    }
    // Writes a frame without waiting for its answer.
    bool Post(const std::vector<uint8_t>& frame)
    {
        DWORD bytes = 0;
        return WriteFile(m_pipe, frame.data(), static_cast<DWORD>(frame.size()), &bytes, nullptr) != FALSE;
    }

    // Sends bytes; returns the response's status and fills bytes returned.
    uint32_t Send(const std::vector<uint8_t>& frame, uint32_t* returned)
    {
        DWORD bytes = 0;
        if (!WriteFile(m_pipe, frame.data(), static_cast<DWORD>(frame.size()), &bytes, nullptr))
            return 0xFFFFFFFF;
        std::vector<uint8_t> reply(70000);
        if (!ReadFile(m_pipe, reply.data(), static_cast<DWORD>(reply.size()), &bytes, nullptr) || bytes < 8)
            return 0xFFFFFFFE;
        uint32_t status;
        memcpy(&status, reply.data(), 4);
        memcpy(returned, reply.data() + 4, 4);
        return status;
    }

private:
    HANDLE m_pipe;
};

std::vector<uint8_t> Frame(uint32_t code, uint32_t declaredIn, uint32_t out, uint32_t actualIn)
{
    std::vector<uint8_t> frame(12 + actualIn, 0);
    memcpy(frame.data(), &code, 4);
    memcpy(frame.data() + 4, &declaredIn, 4);
    memcpy(frame.data() + 8, &out, 4);
    return frame;
}

class SimTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(0u, sim.Start(kName)); }

    // Waits (bounded) until the simulator counts that many connections.
    bool WaitForConnections(uint32_t count)
    {
        for (int i = 0; i < 200 && sim.ConnectionCount() != count; ++i)
            Sleep(10);
        return sim.ConnectionCount() == count;
    }
    // Waits (bounded) until the log holds count requests with that code.
    bool WaitForLogged(uint32_t code, size_t count)
    {
        for (int i = 0; i < 200; ++i) {
            if (sim.Logged(code).size() >= count)
                return true;
            Sleep(10);
        }
        return false;
    }

    ZephraSim sim;
};

ZephraMessage Request(uint32_t sequence)
{
    ZephraMessage request;
    request.Init(ZEPHRA_MSG_KIND_REQUEST, ZEPHRA_MSG_SET_SAMPLE_RATE);
    request.correlation[0] = sequence;
    request.WriteU32(44100);
    return request;
}

TEST_F(SimTest, MalformedFramesAreRefused)
{
    RawClient client;
    ASSERT_TRUE(client.IsOpen());
    struct Row { const char* what; std::vector<uint8_t> frame; uint32_t status; };
    std::vector<uint8_t> shortFrame(8, 0);
    const Row rows[] = {
        {"shorter than a header", shortFrame, ZEPHRA_STATUS_INVALID_LENGTH},
        {"input size larger than sent", Frame(IOCTL_ZEPHRA_GET_VERSION, 4, 24, 0), ZEPHRA_STATUS_INVALID_LENGTH},
        {"input size smaller than sent", Frame(IOCTL_ZEPHRA_GET_VERSION, 0, 24, 4), ZEPHRA_STATUS_INVALID_LENGTH},
        {"output size over the limit", Frame(IOCTL_ZEPHRA_GET_VERSION, 0, 65537, 0), ZEPHRA_STATUS_INVALID_LENGTH},
        {"input over the limit", Frame(IOCTL_ZEPHRA_MIXER_SET_WEIGHTS, 65540, 12, 65540),
         ZEPHRA_STATUS_INVALID_LENGTH},
        {"unknown code", Frame(0x80882ffc, 0, 0, 0), ZEPHRA_STATUS_INVALID_IOCTL},
        {"wrong output size", Frame(IOCTL_ZEPHRA_GET_DEVICE_LIST, 0, 1000, 0), ZEPHRA_STATUS_INVALID_OUTBUFFER_SIZE},
        {"message larger than its record", Frame(IOCTL_ZEPHRA_SEND_MESSAGE, 548, 0, 548),
         ZEPHRA_STATUS_INVALID_INBUFFER_SIZE},
        {"a good one", Frame(IOCTL_ZEPHRA_GET_VERSION, 0, 24, 0), 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        uint32_t returned = 0xDEAD;
        EXPECT_EQ(row.status, client.Send(row.frame, &returned));
        EXPECT_EQ(row.status == 0 ? 24u : 0u, returned);
    }
    std::vector<SimLogEntry> log = sim.Log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(IOCTL_ZEPHRA_GET_VERSION, log.back().code);
    EXPECT_EQ(-1, log.back().clientType);
}

TEST_F(SimTest, ControlCommandsAnswerOverTheControlPipe)
{
    std::string reply;
    EXPECT_EQ(0, SimSendCommand(kName, "status", &reply));
    EXPECT_NE(std::string::npos, reply.find("interface 2.0")) << reply;

    RawClient client;
    uint32_t returned = 0;
    client.Send(Frame(IOCTL_ZEPHRA_GET_OPTIONS, 0, 4, 0), &returned);
    EXPECT_EQ(0, SimSendCommand(kName, "log", &reply));
    EXPECT_NE(std::string::npos, reply.find("IOCTL_ZEPHRA_GET_OPTIONS in=0 out=4")) << reply;
    EXPECT_EQ(0, SimSendCommand(kName, "log clear", &reply));
    EXPECT_EQ(0, SimSendCommand(kName, "log", &reply));
    EXPECT_EQ("", reply);

    EXPECT_EQ(2, SimSendCommand(kName, "frobnicate", &reply));
    EXPECT_EQ(2, SimSendCommand(kName, "log everything", &reply));
    EXPECT_EQ(1, SimSendCommand(L"ZephraSimTestNobody", "status", &reply));

    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(sim.QuitEvent(), 0));
    EXPECT_EQ(0, SimSendCommand(kName, "quit", &reply));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(sim.QuitEvent(), 0));
}

TEST_F(SimTest, ReplyWordHookStaysInsideTheReply)
{
    struct Row { uint32_t offset; bool applied; };
    const Row rows[] = {{20, true}, {21, false}, {24, false}, {0xFFFFFFFE, false}, {0xFFFFFFFC, false}};
    ZephraApiContext context;
    ASSERT_EQ(0u, context.Open(kName));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.offset);
        sim.SetNextReplyWord(IOCTL_ZEPHRA_GET_VERSION, row.offset, 0xAAAAAAAA);
        ZephraVersionInfo version = {};
        ASSERT_EQ(0u, context.GetVersion(&version));
        EXPECT_EQ(2u, version.interfaceMajor) << "nothing written outside the word's place";
        EXPECT_EQ(row.applied ? 0xAAAAAAAAu : 0u, version.buildFlags);
    }
}

TEST_F(SimTest, SetEventsTakesOnlyEvents)
{
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    struct Row { const char* what; HANDLE message; HANDLE notification; ZephraStatus status; };
    const Row rows[] = {
        {"two events", event, event, 0},
        {"none", nullptr, nullptr, 0},
        {"a file", file, nullptr, ZEPHRA_STATUS_INVALID_PARAMETER},
        {"a mutex as notification event", event, mutex, ZEPHRA_STATUS_INVALID_PARAMETER},
        {"a handle value that names nothing", reinterpret_cast<HANDLE>(0x7FF0), nullptr,
         ZEPHRA_STATUS_INVALID_PARAMETER},
    };
    ZephraDriver driver;
    ASSERT_EQ(0u, driver.Open(kName));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.status, driver.SetEvents(row.message, row.notification));
    }
    driver.Close();
    CloseHandle(file);
    CloseHandle(mutex);
    CloseHandle(event);
}

TEST_F(SimTest, AGoneServerLeavesNoRequestsBehind)
{
    ZephraDriver client;
    ASSERT_EQ(0u, client.OpenAsClient(kName));
    // Three servers in turn each leave 100 requests unanswered: 300 in all, more than the
    // driver keeps for one server.
    uint32_t sequence = 0;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ZephraDriver server;
        ASSERT_EQ(0u, server.OpenAsServer(kName));
        for (int i = 0; i < 100; ++i)
            ASSERT_EQ(0u, client.SendMessageRecord(Request(++sequence)));
        server.CloseDriver();
        ASSERT_TRUE(WaitForConnections(1));
    }

    // Two requesters use the same sequence number; the server answers only the second.
    ZephraDriver server, other;
    ASSERT_EQ(0u, server.OpenAsServer(kName));
    ASSERT_EQ(0u, other.OpenAsClient(kName));
    ASSERT_EQ(0u, client.SendMessageRecord(Request(5)));
    ASSERT_EQ(0u, other.SendMessageRecord(Request(5)));
    ZephraMessage first, second;
    ASSERT_EQ(0u, server.GetMessageRecord(&first));
    ASSERT_EQ(0u, server.GetMessageRecord(&second));
    ZephraMessage reply;
    reply.Init(ZEPHRA_MSG_KIND_REPLY, ZEPHRA_MSG_REPLY);
    memcpy(reply.correlation, second.correlation, sizeof(reply.correlation));
    reply.status = ZEPHRA_STATUS_ABORTED;
    ASSERT_EQ(0u, server.SendMessageRecord(reply));
    ZephraMessage received;
    ASSERT_EQ(0u, other.GetMessageRecord(&received));
    EXPECT_EQ(ZEPHRA_STATUS_ABORTED, received.status);
    EXPECT_EQ(5u, received.correlation[0]);
    EXPECT_EQ(0u, received.correlation[2]) << "the requester gets its own words back";
    EXPECT_EQ(ZEPHRA_STATUS_NO_MORE_ITEMS, client.GetMessageRecord(&received)) << "not the other requester's";
}

TEST_F(SimTest, AClosedServerIsReleasedBeforeItsThreadNotices)
{
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ZephraEventsRecord events = {0, reinterpret_cast<uintptr_t>(event)};
    uint32_t serverType = ZEPHRA_CLIENT_SERVER;
    RawClient old;
    ASSERT_TRUE(old.IsOpen());
    std::vector<uint8_t> frame = Frame(IOCTL_ZEPHRA_SET_CLIENT_TYPE, 4, 0, 4);
    memcpy(frame.data() + 12, &serverType, 4);
    uint32_t returned = 0;
    ASSERT_EQ(0u, old.Send(frame, &returned));
    frame = Frame(IOCTL_ZEPHRA_SET_EVENTS, 16, 0, 16);
    memcpy(frame.data() + 12, &events, 16);
    ASSERT_EQ(0u, old.Send(frame, &returned));

    ZephraDriver next;
    ASSERT_EQ(0u, next.Open(kName));
    // The old server's last request is held unanswered, so its thread does not see it go.
    sim.SetAnswering(false);
    old.Post(Frame(IOCTL_ZEPHRA_GET_VERSION, 0, 24, 0));
    ASSERT_TRUE(WaitForLogged(IOCTL_ZEPHRA_GET_VERSION, 2));
    old.Close();
    ZephraStatus status = 0xFFFFFFFF;
    std::thread takeOver([&] { status = next.SetClientType(ZEPHRA_CLIENT_SERVER); });
    bool taken = WaitForLogged(IOCTL_ZEPHRA_SET_CLIENT_TYPE, 2);
    sim.QueueNotification(-1, ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED, nullptr, 0);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(event, 0)) << "the old server heard nothing";
    sim.SetAnswering(true);
    takeOver.join();
    EXPECT_TRUE(taken);
    EXPECT_EQ(0u, status);
    CloseHandle(event);
}

TEST(SimLimitTest, ConnectionsBeyondTheLimitAreRefused)
{
    const wchar_t* const name = L"ZephraSimLimitTest";
    ZephraSim sim;
    sim.SetConnectionLimit(3);
    ASSERT_EQ(0u, sim.Start(name, false));
    ZephraApiContext contexts[4];
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(0u, contexts[i].Open(name)) << i;
    EXPECT_EQ(ZEPHRA_STATUS_NO_RESOURCES, contexts[3].Open(name));
    EXPECT_FALSE(contexts[3].IsOpened());
    EXPECT_EQ(3u, sim.ConnectionCount());
    contexts[0].Close();
    for (int i = 0; i < 200 && sim.ConnectionCount() != 2; ++i)
        Sleep(10);
    EXPECT_EQ(0u, contexts[3].Open(name)) << "a freed handle can be taken again";
}

} // namespace

namespace {

TEST_F(SimTest, SupportedRatesAreTheListGiven)
{
    ZephraDriver connection;
    ASSERT_EQ(0u, connection.OpenDriver(kName, false, false));
    const std::vector<uint32_t> twelve = {8000,  11025,  16000,  22050,  32000,   44100,
                                          48000, 88200, 96000, 192000, 2822400, 5644800};
    EXPECT_FALSE(sim.SetSupportedRates({})) << "at least one";
    std::vector<uint32_t> thirteen = twelve;
    thirteen.push_back(384000);
    EXPECT_FALSE(sim.SetSupportedRates(thirteen)) << "at most twelve";
    ASSERT_TRUE(sim.SetSupportedRates(twelve));
    ZephraSampleRates rates;
    ASSERT_EQ(0u, connection.GetSampleRates(&rates));
    EXPECT_EQ(12u, rates.count);
    EXPECT_EQ(twelve, std::vector<uint32_t>(rates.rates, rates.rates + rates.count));
    EXPECT_EQ(0u, connection.SetSampleRate(5644800)) << "a listed DSD rate is taken while streaming is down";
    ASSERT_EQ(0u, connection.GetSampleRates(&rates));
    EXPECT_EQ(5644800u, rates.current);
    EXPECT_EQ(ZEPHRA_STATUS_UNSUPPORTED_SAMPLE_RATE, connection.SetSampleRate(176400)) << "not in the list";
}

TEST_F(SimTest, LoggedRequestsOfACodeAndOfAClientType)
{
    ZephraDriver observer, client;
    ASSERT_EQ(0u, observer.OpenAsObserver(kName, ZEPHRA_CLIENT_OBSERVER));
    ASSERT_EQ(0u, client.OpenAsClient(kName));
    sim.ClearLog();
    ZephraStreamingStatus status;
    for (ZephraDriver* connection : {&observer, &client, &observer})
        ASSERT_EQ(0u, connection->GetStreamingStatus(&status));
    ZephraSampleRates rates;
    ASSERT_EQ(0u, observer.GetSampleRates(&rates));
    EXPECT_EQ(3u, sim.Logged(IOCTL_ZEPHRA_GET_STREAMING_STATUS).size()) << "of four requests";
    std::vector<SimLogEntry> observed = sim.Logged(IOCTL_ZEPHRA_GET_STREAMING_STATUS, ZEPHRA_CLIENT_OBSERVER);
    ASSERT_EQ(2u, observed.size());
    EXPECT_EQ(static_cast<int32_t>(ZEPHRA_CLIENT_OBSERVER), observed[1].clientType);
    EXPECT_TRUE(sim.Logged(IOCTL_ZEPHRA_GET_STREAMING_STATUS, -1).empty());
}

} // namespace
