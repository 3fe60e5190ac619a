#include <algorithm>
#include <cstring>
#include "ServerFixture.h"
#include "SimHostile.h"

namespace {

const wchar_t* const kName = L"ZephraServerTest";

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The requests that bring the engine down from state, as the driver moves it.
std::vector<std::string> StopPath(uint32_t state, uint32_t argument)
{
    std::vector<std::string> path;
    for (;;) {
        path.push_back(kStatus);
        switch (state) {
        case 2:
            path.push_back(Cmd(3, argument));
            state = 1;
            break;
        case 3:
        case 4:
            path.push_back(Cmd(6));
            state = 2;
            break;
        case 5:
            path.push_back(Cmd(1));
            state = 1;
            break;
        default:
            return path;
        }
    }
}

// The requests that bring the engine up from Down.
std::vector<std::string> StartFromDown(uint32_t argument, bool wanted)
{
    if (!wanted)
        return {kStatus, Cmd(2, argument), kStatus};
    return {kStatus, Cmd(2, argument), kStatus, Cmd(4), kStatus, Cmd(5), kStatus};
}

class ServerTest : public ::testing::Test
{
protected:
    ServerTest() : server(kName, &journal) {}

    void SetUp() override
    {
        ASSERT_EQ(0u, sim.Start(kName));
        Command("plug A");
        ASSERT_EQ(0u, server.OpenAsServer(kName));
        Refresh();
        ASSERT_EQ(0u, client.OpenAsClient(kName));
        ASSERT_EQ(0u, helper.OpenAsObserver(kName, ZEPHRA_CLIENT_OBSERVER));
        Reset();
    }

    void Command(const std::string& line) { ASSERT_TRUE(sim.Execute(line).done) << line; }

    void Refresh()
    {
        bool changed = false;
        ASSERT_EQ(0u, server.RefreshDevices(&changed));
    }

    // Forgets what happened so far: the log, the hooks and the queued notifications.
    void Reset()
    {
        DrainNotifications(client);
        DrainNotifications(server);
        sim.ClearLog();
        journal.clear();
    }

    ZephraStreamingStatus Status()
    {
        ZephraStreamingStatus status;
        EXPECT_EQ(0u, helper.GetStreamingStatus(&status));
        return status;
    }
    uint32_t State() { return Status().state; }

    // Puts the engine into state with the helper connection, then forgets the set-up.
    void Enter(uint32_t state)
    {
        if (state == 6) {
            sim.Execute("plug SLOW usb11");
            Command("state 1");
            ZephraDeviceList list;
            ASSERT_EQ(0u, helper.GetDeviceList(&list));
            ASSERT_EQ(0u, helper.SetStreamingDevice({list.devices[list.count - 1].idFirst,
                                                     list.devices[list.count - 1].idSecond, 0}));
            Refresh();
        } else if (state == 0 || state == 5) {
            Command("state " + std::to_string(state));
        } else {
            const uint32_t path[] = {ZEPHRA_STREAM_CMD_OPEN, ZEPHRA_STREAM_CMD_PREPARE, ZEPHRA_STREAM_CMD_START};
            Command("state 1");
            for (uint32_t i = 0; i + 1 < state; ++i)
                ASSERT_EQ(0u, helper.StreamingCommand(path[i], 0));
        }
        ASSERT_EQ(state, State());
        Reset();
    }

    std::vector<std::string> Sent() const { return RequestNames(sim, ZEPHRA_CLIENT_SERVER); }

    ZephraSim sim;
    Journal journal;
    TestServer server;
    ZephraDriver client; // hears the server's notifications
    ZephraDriver helper; // sets the engine up and reads it back
};

TEST_F(ServerTest, SampleRateChangeFromEveryState)
{
    struct Row { uint32_t state; const char* counts; bool wanted; uint32_t options; uint32_t finalState; };
    const Row rows[] = {
        {1, "0 0 0 0 0", false, 0, 2}, {2, "1 0 0 0 0", true, 0, 4}, {3, "0 0 0 1 0", true, 0, 4},
        {4, "0 0 0 0 1", true, 1, 4},  {5, "1 0 0 0 0", true, 0, 4},
    };
    uint32_t rate = 48000;
    for (const Row& row : rows) {
        SCOPED_TRACE("state " + std::to_string(row.state));
        Command(std::string("streams ") + row.counts);
        ASSERT_EQ(0u, helper.SetOptions(row.options));
        Enter(row.state);
        rate = rate == 48000 ? 96000 : 48000;
        uint32_t argument = row.options & 1;
        EXPECT_EQ(0u, server.OnSetSampleRate(rate));
        EXPECT_EQ(Join({{kStatus, "PREPARE_SAMPLE_RATE", "GET_OPTIONS"}, StopPath(row.state, argument),
                        {"SET_SAMPLE_RATE"}, StartFromDown(argument, row.wanted), {kSend, kSend}}),
                  Sent());
        EXPECT_EQ(rate, Status().sampleRate);
        EXPECT_EQ(row.finalState, State());
        EXPECT_EQ((std::vector<uint32_t>{ZEPHRA_NOTIFY_STREAMING_RECONFIGURED, ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED}),
                  DrainNotifications(client));
    }
}

TEST_F(ServerTest, SampleRateChangeWithTheStreamingDeviceOnUsbOne)
{
    Enter(6);
    EXPECT_EQ(ZEPHRA_STATUS_NOT_IN_HIGH_SPEED_MODE, server.OnSetSampleRate(88200));
    EXPECT_EQ((std::vector<std::string>{kStatus, "PREPARE_SAMPLE_RATE", "GET_OPTIONS", kStatus, Cmd(1), kStatus,
                                        "SET_SAMPLE_RATE", kStatus, Cmd(2), kSend, kSend}),
              Sent());
    EXPECT_EQ(88200u, Status().sampleRate) << "set while down; only the restart failed";
    EXPECT_EQ(6u, State());
    EXPECT_EQ(2u, DrainNotifications(client).size());
}

TEST_F(ServerTest, SampleRateRefusals)
{
    struct Row { const char* what; uint32_t rate; const char* counts; ZephraStatus failure; ZephraStatus expected; };
    const Row rows[] = {
        {"the current rate", 48000, "1 0 0 0 0", 0, 0},
        {"second count", 96000, "0 1 0 0 0", 0, ZEPHRA_STATUS_SOUND_DEVICE_IN_USE},
        {"third count", 96000, "0 0 1 0 0", 0, ZEPHRA_STATUS_SOUND_DEVICE_IN_USE},
        {"status unreadable", 96000, "0 0 0 0 0", ZEPHRA_STATUS_DEVICE_REMOVED, ZEPHRA_STATUS_DEVICE_REMOVED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Command(std::string("streams ") + row.counts);
        Enter(4);
        sim.SetRequestFailure(IOCTL_ZEPHRA_GET_STREAMING_STATUS, row.failure);
        EXPECT_EQ(row.expected, server.OnSetSampleRate(row.rate));
        sim.SetRequestFailure(IOCTL_ZEPHRA_GET_STREAMING_STATUS, 0);
        EXPECT_EQ(std::vector<std::string>{kStatus}, Sent()) << "nothing is sent";
        EXPECT_TRUE(DrainNotifications(client).empty());
        EXPECT_EQ(48000u, Status().sampleRate);
        EXPECT_EQ(4u, State());
    }
}

TEST_F(ServerTest, SampleRateFailuresAfterTheStop)
{
    // The rate cannot be set: that is the answer, and streaming comes back anyway.
    Command("streams 1 0 0 0 0");
    Enter(4);
    sim.SetRequestFailure(IOCTL_ZEPHRA_SET_SAMPLE_RATE, ZEPHRA_STATUS_UNSUPPORTED_SAMPLE_RATE);
    EXPECT_EQ(ZEPHRA_STATUS_UNSUPPORTED_SAMPLE_RATE, server.OnSetSampleRate(96000));
    EXPECT_EQ(4u, State());
    EXPECT_EQ(2u, DrainNotifications(client).size());
    sim.SetRequestFailure(IOCTL_ZEPHRA_SET_SAMPLE_RATE, 0);

    // The stop fails: 3010 only, nothing changed.
    Enter(4);
    sim.SetRequestFailure(IOCTL_ZEPHRA_STREAMING_COMMAND, ZEPHRA_STATUS_ABORTED);
    EXPECT_EQ(ZEPHRA_STATUS_ABORTED, server.OnSetSampleRate(96000));
    EXPECT_TRUE(sim.Logged(IOCTL_ZEPHRA_SET_SAMPLE_RATE, ZEPHRA_CLIENT_SERVER).empty());
    EXPECT_EQ(std::vector<uint32_t>{ZEPHRA_NOTIFY_STREAMING_RECONFIGURED}, DrainNotifications(client));
    EXPECT_EQ(48000u, Status().sampleRate);

    // Down already: the rate is set, the failed restart is the answer.
    Enter(1);
    EXPECT_EQ(ZEPHRA_STATUS_ABORTED, server.OnSetSampleRate(96000));
    EXPECT_EQ(96000u, Status().sampleRate);
    sim.SetRequestFailure(IOCTL_ZEPHRA_STREAMING_COMMAND, 0);
}

TEST_F(ServerTest, BufferSizesAndStreamingDeviceFromEveryState)
{
    struct Handler { const char* request; ZephraStatus (*run)(ZephraServer&, uint32_t); };
    const Handler handlers[] = {
        {"SET_BUFFER_SIZES", [](ZephraServer& s, uint32_t n) { return s.OnSetBufferSizes({n % 6, n % 4, n}); }},
        {"SET_STREAMING_DEVICE", [](ZephraServer& s, uint32_t n) { return s.OnSetStreamingDevice({0, 0, n % 2}); }},
    };
    uint32_t n = 0;
    for (const Handler& handler : handlers) {
        for (uint32_t state = 1; state <= 5; ++state) {
            SCOPED_TRACE(std::string(handler.request) + " from state " + std::to_string(state));
            bool wanted = state % 2 == 0;
            Command(wanted ? "streams 0 0 0 0 1" : "streams 0 0 0 0 0");
            Enter(state);
            ++n;
            EXPECT_EQ(0u, handler.run(server, n));
            EXPECT_EQ(Join({{kStatus}, StopPath(state, 0), {handler.request}, StartFromDown(0, wanted), {kSend}}),
                      Sent());
            EXPECT_EQ(std::vector<uint32_t>{ZEPHRA_NOTIFY_STREAMING_RECONFIGURED}, DrainNotifications(client));
            EXPECT_EQ(wanted ? 4u : 2u, State());
            if (handler.request[4] == 'B') {
                ZephraBufferSizes sizes;
                ASSERT_EQ(0u, helper.GetBufferSizes(&sizes));
                EXPECT_EQ(n % 6, sizes.streamingSetting);
                EXPECT_EQ(n, sizes.thirdSetting);
            } else {
                EXPECT_EQ(n % 2, Status().mode);
            }
        }
    }
}

TEST_F(ServerTest, BufferSizesRefusedAndFailed)
{
    for (const char* counts : {"0 1 0 0 0", "0 0 1 0 0"}) {
        SCOPED_TRACE(counts);
        Command(std::string("streams ") + counts);
        Enter(4);
        EXPECT_EQ(ZEPHRA_STATUS_SOUND_DEVICE_IN_USE, server.OnSetBufferSizes({0, 0, 0}));
        EXPECT_EQ(ZEPHRA_STATUS_SOUND_DEVICE_IN_USE, server.OnSetStreamingDevice({0, 0, 1}));
        EXPECT_EQ((std::vector<std::string>{kStatus, kStatus}), Sent());
        EXPECT_TRUE(DrainNotifications(client).empty());
    }
    // A setting the driver refuses is the answer; streaming comes back as before.
    Command("streams 1 0 0 0 0");
    Enter(4);
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_BUFFER_SIZE, server.OnSetBufferSizes({9, 0, 0}));
    EXPECT_EQ(4u, State());
    EXPECT_EQ(1u, DrainNotifications(client).size());
}

TEST_F(ServerTest, OptionChange)
{
    ASSERT_EQ(0u, helper.SetOptions(0x100));
    Command("streams 1 0 1 0 0"); // the third count does not block an option change
    Enter(4);
    EXPECT_EQ(0u, server.OnSetOptions(0x100)) << "the word holds already";
    EXPECT_EQ(std::vector<std::string>{"GET_OPTIONS"}, Sent());

    Reset();
    EXPECT_EQ(0u, server.OnSetOptions(0x101));
    EXPECT_EQ(Join({{"GET_OPTIONS", kStatus}, StopPath(4, 1), {"SET_OPTIONS"}, StartFromDown(1, true)}), Sent());
    uint32_t options = 0;
    ASSERT_EQ(0u, helper.GetOptions(&options));
    EXPECT_EQ(0x101u, options);
    EXPECT_EQ(4u, State());
    EXPECT_TRUE(DrainNotifications(client).empty()) << "an option change sends no notification";

    Command("streams 1 1 0 0 0");
    Enter(4);
    EXPECT_EQ(ZEPHRA_STATUS_SOUND_DEVICE_IN_USE, server.OnSetOptions(0));
    EXPECT_EQ((std::vector<std::string>{"GET_OPTIONS", kStatus}), Sent());

    sim.SetRequestFailure(IOCTL_ZEPHRA_GET_OPTIONS, ZEPHRA_STATUS_DEVICE_REMOVED);
    EXPECT_EQ(ZEPHRA_STATUS_DEVICE_REMOVED, server.OnSetOptions(0));
}

TEST_F(ServerTest, OptionWriteAndRestartFailuresAreReported)
{
    Command("streams 1 0 0 0 0");
    Enter(4);
    sim.SetRequestFailure(IOCTL_ZEPHRA_SET_OPTIONS, ZEPHRA_STATUS_NOT_ALLOWED);
    EXPECT_EQ(ZEPHRA_STATUS_NOT_ALLOWED, server.OnSetOptions(1)) << "not reported as success";
    EXPECT_EQ(4u, State()) << "streaming was brought back";
    sim.SetRequestFailure(IOCTL_ZEPHRA_SET_OPTIONS, 0);

    Enter(1);
    sim.SetRequestFailure(IOCTL_ZEPHRA_STREAMING_COMMAND, ZEPHRA_STATUS_ABORTED);
    EXPECT_EQ(ZEPHRA_STATUS_ABORTED, server.OnSetOptions(1));
    sim.SetRequestFailure(IOCTL_ZEPHRA_STREAMING_COMMAND, 0);
    uint32_t options = 0;
    ASSERT_EQ(0u, helper.GetOptions(&options));
    EXPECT_EQ(1u, options) << "written while down; the restart failed";
}

TEST_F(ServerTest, RequestsAreAnsweredThroughTheDriver)
{
    struct Row { const char* what; uint32_t code; uint32_t length; ZephraStatus expected; Journal hooks = {}; };
    const Row rows[] = {
        {"rate, 2 bytes", ZEPHRA_MSG_SET_SAMPLE_RATE, 2, ZEPHRA_STATUS_INVALID_MSG_SIZE},
        {"buffers, 8 bytes", ZEPHRA_MSG_SET_BUFFER_SIZES, 8, ZEPHRA_STATUS_INVALID_MSG_SIZE},
        {"device, 16 bytes", ZEPHRA_MSG_SET_STREAMING_DEVICE, 16, ZEPHRA_STATUS_INVALID_MSG_SIZE},
        {"byte, none", ZEPHRA_MSG_SET_DEVICE_BYTE, 0, ZEPHRA_STATUS_INVALID_MSG_SIZE},
        {"options, 5 bytes", ZEPHRA_MSG_SET_OPTIONS, 5, ZEPHRA_STATUS_INVALID_MSG_SIZE},
        {"unknown code", 1006, 0, ZEPHRA_STATUS_INVALID_COMMAND},
        {"WDM configuration, generic server", ZEPHRA_MSG_SET_WDM_CONFIG, 16, ZEPHRA_STATUS_INVALID_COMMAND},
        {"byte", ZEPHRA_MSG_SET_DEVICE_BYTE, 1, 0, {"A byte 128"}},
        {"the current rate", ZEPHRA_MSG_SET_SAMPLE_RATE, 4, 0},
    };
    uint32_t sequence = 40;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Reset();
        uint8_t payload[16] = {0x80, 0xBB}; // 48000 as the first word
        ZephraMessage request;
        request.Init(ZEPHRA_MSG_KIND_REQUEST, row.code);
        request.correlation[0] = ++sequence;
        request.correlation[1] = 0x1111;
        request.correlation[2] = 0x2222;
        ASSERT_EQ(0u, request.WritePayload(payload, row.length));
        ASSERT_EQ(0u, client.SendMessageRecord(request));
        server.ProcessRequests();
        ZephraMessage reply;
        ASSERT_EQ(0u, WaitReply(client, sequence, 0, &reply));
        EXPECT_EQ(ZEPHRA_MSG_REPLY, reply.code);
        EXPECT_EQ(0u, reply.payloadLength);
        EXPECT_EQ(0x1111u, reply.correlation[1]);
        EXPECT_EQ(0x2222u, reply.correlation[2]);
        EXPECT_EQ(row.expected, reply.status);
        std::vector<std::string> sent = Sent();
        sent.erase(std::remove(sent.begin(), sent.end(), std::string(kStatus)), sent.end());
        EXPECT_EQ((std::vector<std::string>{"GET_MESSAGE", kSend, "GET_MESSAGE"}), sent);
        EXPECT_EQ(row.hooks, journal);
    }
}

TEST_F(ServerTest, DeviceByteStopsAtTheFirstRefusal)
{
    Command("plug B");
    Command("plug C");
    Refresh();
    ASSERT_EQ(3u, server.GetDeviceCount());
    server.Recorder(1)->refuseByte = ZEPHRA_STATUS_NOT_SUPPORTED;
    EXPECT_EQ(ZEPHRA_STATUS_NOT_SUPPORTED, server.OnSetDeviceByte(7));
    EXPECT_EQ((Journal{"A byte 7", "B byte 7"}), journal);
}

TEST_F(ServerTest, RecordsOfOtherKindsAreDropped)
{
    ZephraMessage record;
    record.Init(ZEPHRA_MSG_KIND_REPLY, ZEPHRA_MSG_REPLY);
    sim.QueueRecord(ZEPHRA_CLIENT_SERVER, false, record);
    record.Init(ZEPHRA_MSG_KIND_REQUEST, ZEPHRA_MSG_SET_SAMPLE_RATE);
    sim.QueueRecord(ZEPHRA_CLIENT_SERVER, true, record); // a request on the notification queue
    server.ProcessRequests();
    server.ProcessNotifications();
    EXPECT_EQ((std::vector<std::string>{"GET_MESSAGE", "GET_MESSAGE", "GET_NOTIFICATION", "GET_NOTIFICATION"}),
              Sent());
}

// Reads that fail in front of a queued request or notification: the drain reads on past
// them within the same signal.
TEST_F(ServerTest, RecordsBehindAFailedReadAreStillServed)
{
    ZephraMessage badHeader;
    badHeader.Init(ZEPHRA_MSG_KIND_REQUEST, ZEPHRA_MSG_SET_SAMPLE_RATE);
    badHeader.headerSize = 40;
    ZephraMessage overlong = badHeader;
    overlong.headerSize = ZEPHRA_MSG_HEADER_SIZE;
    overlong.payloadLength = 513;
    ZephraMessage cut;
    cut.Init(ZEPHRA_MSG_KIND_REQUEST, ZEPHRA_MSG_SET_SAMPLE_RATE);
    cut.payloadLength = 8; // claims 40 bytes, the frame carries 36

    struct Row { const char* what; const ZephraMessage* queued; std::vector<uint8_t> answer; };
    const Row rows[] = {
        {"header size 40", &badHeader, {}},
        {"payload length 513", &overlong, {}},
        {"record shorter than it claims", nullptr, SimResponseFrame(0, &cut, 36)},
        {"failed read", nullptr, SimResponseFrame(ZEPHRA_STATUS_INTERNAL_ERROR, nullptr, 0)},
        {"transport failure", nullptr, SimResponseFrame(ERROR_GEN_FAILURE, nullptr, 0)},
    };
    uint32_t sequence = 500;
    for (bool notifications : {false, true}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.what) + (notifications ? ", notification queue" : ", message queue"));
            Reset();
            const uint32_t readCode = notifications ? IOCTL_ZEPHRA_GET_NOTIFICATION : IOCTL_ZEPHRA_GET_MESSAGE;
            int answered = 0;
            if (row.queued != nullptr)
                sim.QueueRecord(ZEPHRA_CLIENT_SERVER, notifications, *row.queued);
            else
                sim.SetInterceptor([&](int32_t type, uint32_t code, uint32_t, std::vector<uint8_t>* reply) {
                    if (type != ZEPHRA_CLIENT_SERVER || code != readCode || answered++ != 0)
                        return false;
                    *reply = row.answer;
                    return true;
                });
            if (notifications) {
                sim.QueueNotification(ZEPHRA_CLIENT_SERVER, 4242, nullptr, 0);
                server.ProcessNotifications();
                EXPECT_EQ(Journal{"other 4242"}, journal);
            } else {
                uint32_t rate = Status().sampleRate;
                ASSERT_EQ(0u, SendRequest(client, ZEPHRA_MSG_SET_SAMPLE_RATE, ++sequence, &rate, 4));
                server.ProcessRequests();
                ZephraMessage reply;
                EXPECT_EQ(0u, WaitReply(client, sequence, 0, &reply)) << "the request behind was answered";
            }
            sim.SetInterceptor(ZephraSim::Interceptor());
        }
    }
}

// A pass reads a bounded number of records and leaves the rest to the next wake-up, for
// which it sets the queue's event again; a driver that never empties its queue cannot hold
// the worker.
TEST_F(ServerTest, OnePassIsBoundedAndComesBackForTheRest)
{
    const uint32_t queued = ZephraDriver::DRAIN_MAX_RECORDS + 10;
    for (uint32_t i = 0; i < queued; ++i)
        sim.QueueNotification(ZEPHRA_CLIENT_SERVER, 4242, nullptr, 0);
    WaitForSingleObject(server.GetNotificationEvent(), 0);
    server.ProcessNotifications();
    EXPECT_EQ(ZephraDriver::DRAIN_MAX_RECORDS, journal.size());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(server.GetNotificationEvent(), 0)) << "set again for the rest";
    server.ProcessNotifications();
    EXPECT_EQ(queued, journal.size());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(server.GetNotificationEvent(), 0));

    ZephraMessage ignored;
    ignored.Init(ZEPHRA_MSG_KIND_NOTIFICATION, ZEPHRA_NOTIFY_IGNORED);
    uint32_t reads = 0;
    sim.SetInterceptor([&](int32_t type, uint32_t code, uint32_t, std::vector<uint8_t>* reply) {
        if (type != ZEPHRA_CLIENT_SERVER || (code != IOCTL_ZEPHRA_GET_MESSAGE && code != IOCTL_ZEPHRA_GET_NOTIFICATION))
            return false;
        ++reads;
        *reply = SimResponseFrame(0, &ignored, ignored.WireSize());
        return true;
    });
    server.ProcessRequests();
    server.ProcessNotifications();
    sim.SetInterceptor(ZephraSim::Interceptor());
    EXPECT_EQ(2 * ZephraDriver::DRAIN_MAX_RECORDS, reads);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(server.GetMessageEvent(), 0));
}

TEST_F(ServerTest, DeviceNotificationsReachTheirControllers)
{
    Command("plug B");
    Refresh();
    const std::string b = std::to_string(server.GetDeviceAt(1)->GetIdFirst()) + " " +
                          std::to_string(server.GetDeviceAt(1)->GetIdSecond());
    struct Row { std::string line; Journal expected; };
    const Row rows[] = {
        {"notify 3051 " + b, {"B update"}},
        {"notify 3051 1", {}},
        {"notify 3051 " + b + " 0", {}},
        {"notify 3051 99 99", {}},
        {"notify 3060 " + b + " 1 5", {"B value1 5"}},
        {"notify 3060 " + b + " 2 3", {"B value2 3"}},
        {"notify 3060 " + b + " 3 3", {}},
        {"notify 3060 " + b + " 2", {}},
        {"notify 3021", {}},
        {"notify 4242 1 2", {"other 4242"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        Reset();
        Command(row.line);
        server.ProcessNotifications();
        EXPECT_EQ(row.expected, journal);
        std::vector<std::string> sent = Sent();
        EXPECT_EQ((std::vector<std::string>{"GET_NOTIFICATION", "GET_NOTIFICATION"}), sent) << "no other request";
    }
}

TEST_F(ServerTest, DemandAndReleaseMoveTheEngine)
{
    struct Row { const char* line; uint32_t finalState; };
    const Row rows[] = {
        {"streams 1 0 0 0 0", 4},                    // the driver sends 3003
        {"streams 0 0 0 0 0", 2},                    // and 3004
        {"notify 3006", 2},                          // resumed, but nobody streams
        {"streams 0 0 0 0 0", 2},                    // no change, no notification
        {"streams 0 0 0 0 1", 4},
        {"notify 3016 1 2", 4},                      // still wanted
        {"streams 0 0 0 0 0", 2},
        {"streams 0 0 1 0 0", 2},                    // the third count asks for nothing
    };
    Enter(1);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        Command(row.line);
        server.ProcessNotifications();
        EXPECT_EQ(row.finalState, State());
    }
    // Wanted, but the engine is down until a demand of the right length arrives.
    Command("streams 0 0 0 1 0");
    Enter(1);
    const Row device[] = {{"notify 3015 7", 1}, {"notify 3015 7 8", 4}, {"notify 3016 7 8", 4}};
    for (const Row& row : device) {
        SCOPED_TRACE(row.line);
        Command(row.line);
        server.ProcessNotifications();
        EXPECT_EQ(row.finalState, State());
    }
    Command("streams 0 0 0 0 0");
    Enter(4);
    const Row release[] = {{"notify 3016 7 8 9", 4}, {"notify 3016 7 8", 2}};
    for (const Row& row : release) {
        SCOPED_TRACE(row.line);
        Command(row.line);
        server.ProcessNotifications();
        EXPECT_EQ(row.finalState, State());
    }
}

TEST_F(ServerTest, DeviceListQueriesAndChanges)
{
    Command("notify 3020");
    server.ProcessNotifications();
    EXPECT_EQ((std::vector<uint32_t>{ZEPHRA_NOTIFY_DEVICE_LIST_QUERY, ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED}),
              DrainNotifications(client))
        << "the driver's query reaches every connection, the answer comes from the server";

    Command("plug B"); // queues 3005 for the server
    server.ProcessNotifications();
    EXPECT_EQ(2u, server.GetDeviceCount());
    EXPECT_EQ((std::vector<uint32_t>{ZEPHRA_NOTIFY_STREAMING_RECONFIGURED, ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED}),
              DrainNotifications(client));
    EXPECT_FALSE(server.IsClosePending());
    EXPECT_EQ(2u, State()) << "started as far as demand requires";

    Command("unplug A");
    Command("unplug B");
    server.ProcessNotifications();
    EXPECT_EQ(0u, server.GetDeviceCount());
    EXPECT_TRUE(server.IsClosePending());
    EXPECT_EQ((std::vector<uint32_t>{ZEPHRA_NOTIFY_STREAMING_RECONFIGURED, ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED,
                                     ZEPHRA_NOTIFY_STREAMING_RECONFIGURED, ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED}),
              DrainNotifications(client));

    // A device back before the connection was closed keeps it open.
    Command("plug C");
    server.ProcessNotifications();
    EXPECT_EQ(1u, server.GetDeviceCount());
    EXPECT_FALSE(server.IsClosePending());
}

TEST_F(ServerTest, StateMachineFromEveryState)
{
    enum Op { START, STOP, RELEASE };
    struct Row { Op op; bool wanted; uint32_t state; ZephraStatus expected; uint32_t finalState; };
    const ZephraStatus invalid = ZEPHRA_STATUS_INVALID_STATE;
    const ZephraStatus usb11 = ZEPHRA_STATUS_NOT_IN_HIGH_SPEED_MODE;
    const Row rows[] = {
        {START, true, 0, invalid, 0}, {START, true, 1, 0, 4}, {START, true, 2, 0, 4}, {START, true, 3, 0, 4},
        {START, true, 4, 0, 4}, {START, true, 5, 0, 4}, {START, true, 6, usb11, 6},
        {START, false, 0, invalid, 0}, {START, false, 1, 0, 2}, {START, false, 2, 0, 2}, {START, false, 3, 0, 4},
        {START, false, 4, 0, 4}, {START, false, 5, 0, 2}, {START, false, 6, usb11, 6},
        {STOP, true, 0, invalid, 0}, {STOP, true, 1, 0, 1}, {STOP, true, 2, 0, 1}, {STOP, true, 3, 0, 1},
        {STOP, true, 4, 0, 1}, {STOP, true, 5, 0, 1}, {STOP, true, 6, 0, 1},
        {RELEASE, false, 0, 0, 0}, {RELEASE, false, 1, 0, 1}, {RELEASE, false, 2, 0, 2}, {RELEASE, false, 3, 0, 2},
        {RELEASE, false, 4, 0, 2}, {RELEASE, false, 5, 0, 5}, {RELEASE, false, 6, 0, 6},
        {RELEASE, true, 3, 0, 3}, {RELEASE, true, 4, 0, 4},
    };
    const char* const names[] = {"start", "stop", "release"};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(names[row.op]) + (row.wanted ? " wanted" : "") + " from " +
                     std::to_string(row.state));
        Command(row.wanted ? "streams 0 1 0 0 0" : "streams 0 0 0 0 0");
        Enter(row.state);
        ZephraStatus status = row.op == START ? server.StartStreaming(0)
                              : row.op == STOP ? server.StopStreaming(0)
                                               : server.ReleaseStreaming();
        EXPECT_EQ(row.expected, status);
        EXPECT_EQ(row.finalState, State());
        if (row.state == 6)
            sim.Execute("unplug SLOW");
    }
}

TEST_F(ServerTest, HooksSurroundEveryCommandInListOrder)
{
    Command("plug B");
    Refresh();
    Command("streams 1 0 0 0 0");
    Enter(1);
    ASSERT_EQ(0u, server.StartStreaming(0));
    EXPECT_EQ((Journal{"A prepare", "B prepare", "A before 1>2", "B before 1>2", "A after 1>2", "B after 1>2",
                       "A before 2>3", "B before 2>3", "A after 2>3", "B after 2>3", "A before 3>4", "B before 3>4",
                       "A after 3>4", "B after 3>4"}),
              journal);
    journal.clear();
    ASSERT_EQ(0u, server.StopStreaming(0));
    EXPECT_EQ((Journal{"A before 4>2", "B before 4>2", "A after 4>2", "B after 4>2", "A before 2>1", "B before 2>1",
                       "A after 2>1", "B after 2>1"}),
              journal);
}

TEST_F(ServerTest, RefusedHooksAndFailedCommands)
{
    Command("plug B");
    Refresh();
    Command("streams 1 0 0 0 0");
    RecordingCtrl* a = server.Recorder(0);
    RecordingCtrl* b = server.Recorder(1);

    Enter(1);
    b->refusePrepare = ZEPHRA_STATUS_NOT_POSSIBLE;
    EXPECT_EQ(ZEPHRA_STATUS_NOT_POSSIBLE, server.StartStreaming(0));
    EXPECT_EQ((Journal{"A prepare", "B prepare"}), journal);
    EXPECT_TRUE(Sent().empty()) << "nothing sent";
    b->refusePrepare = 0;

    Enter(2);
    a->refuseBefore = ZEPHRA_STATUS_REJECTED;
    EXPECT_EQ(ZEPHRA_STATUS_REJECTED, server.StartStreaming(0));
    EXPECT_EQ((Journal{"A prepare", "B prepare", "A before 2>3"}), journal);
    EXPECT_EQ(std::vector<std::string>{kStatus}, Sent());
    EXPECT_EQ(2u, State());

    Reset();
    EXPECT_EQ(0u, server.StopStreaming(0)) << "a refusal does not hold up taking streaming down";
    EXPECT_EQ(1u, State());
    Command("streams 0 0 0 0 0");
    Enter(4);
    EXPECT_EQ(0u, server.ReleaseStreaming()) << "nor releasing a running engine";
    EXPECT_EQ(2u, State());
    EXPECT_EQ((Journal{"A before 4>2", "A after 4>2", "B after 4>2"}), journal) << "the first refusal ends the asking";
    a->refuseBefore = 0;

    sim.SetRequestFailure(IOCTL_ZEPHRA_STREAMING_COMMAND, ZEPHRA_STATUS_ABORTED);
    // A failed command: opening and closing have no failure hook.
    enum Op { START, STOP, RELEASE };
    struct Row { Op op; uint32_t state; Journal tail; };
    const Row rows[] = {
        {START, 1, {"A before 1>2", "B before 1>2"}},
        {START, 2, {"A before 2>3", "B before 2>3", "A failed 2>3", "B failed 2>3"}},
        {START, 3, {"A before 3>4", "B before 3>4", "A failed 3>4", "B failed 3>4"}},
        {STOP, 4, {"A before 4>2", "B before 4>2", "A failed 4>2", "B failed 4>2"}},
        {STOP, 2, {"A before 2>1", "B before 2>1"}},
        {RELEASE, 3, {"A before 3>2", "B before 3>2", "A failed 3>2", "B failed 3>2"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.op) + " from " + std::to_string(row.state));
        Command(row.op == START ? "streams 1 0 0 0 0" : "streams 0 0 0 0 0");
        sim.SetRequestFailure(IOCTL_ZEPHRA_STREAMING_COMMAND, 0);
        Enter(row.state);
        sim.SetRequestFailure(IOCTL_ZEPHRA_STREAMING_COMMAND, ZEPHRA_STATUS_ABORTED);
        ZephraStatus status = row.op == START ? server.StartStreaming(0)
                              : row.op == STOP ? server.StopStreaming(0)
                                               : server.ReleaseStreaming();
        EXPECT_EQ(ZEPHRA_STATUS_ABORTED, status);
        Journal tail(journal.begin() + (row.op == START ? 2 : 0), journal.end()); // after the two prepares
        EXPECT_EQ(row.tail, tail);
        EXPECT_EQ(row.state, State());
    }
    sim.SetRequestFailure(IOCTL_ZEPHRA_STREAMING_COMMAND, 0);
}

TEST_F(ServerTest, GenericControllersSendOnlyTheStreamingRequests)
{
    Command("plug B");
    TestServer generic(kName);
    server.CloseDriver();
    ASSERT_EQ(0u, generic.OpenAsServer(kName));
    bool changed = false;
    ASSERT_EQ(0u, generic.RefreshDevices(&changed));
    ASSERT_EQ(2u, generic.GetDeviceCount());
    Command("streams 1 0 0 0 0");
    Enter(1);
    ASSERT_EQ(0u, generic.StartStreaming(0));
    ASSERT_EQ(0u, generic.StopStreaming(0));
    Enter(5);
    ASSERT_EQ(0u, generic.StartStreaming(0));
    Command("streams 0 0 0 0 0");
    ASSERT_EQ(0u, generic.ReleaseStreaming());
    EXPECT_EQ(0u, generic.OnSetDeviceByte(3));
    for (const SimLogEntry& entry : sim.Log()) {
        SCOPED_TRACE(ZephraSim::FormatLogEntry(entry));
        if (entry.clientType == ZEPHRA_CLIENT_OBSERVER)
            continue; // the helper's reads
        EXPECT_EQ(static_cast<int32_t>(ZEPHRA_CLIENT_SERVER), entry.clientType) << "device connections stay silent";
        EXPECT_TRUE(entry.code == IOCTL_ZEPHRA_GET_STREAMING_STATUS || entry.code == IOCTL_ZEPHRA_STREAMING_COMMAND);
    }
    EXPECT_EQ(2u, State());
}

TEST_F(ServerTest, AnEngineThatDoesNotMoveIsNotAskedForEver)
{
    for (uint32_t state : {1u, 4u, 5u}) {
        SCOPED_TRACE(state);
        Command("streams 1 0 0 0 0");
        Enter(state);
        sim.SetStreamingStuck(true);
        EXPECT_EQ(ZEPHRA_STATUS_INVALID_STATE, state == 4 ? server.StopStreaming(0) : server.StartStreaming(0));
        sim.SetStreamingStuck(false);
        std::vector<std::string> sent = Sent();
        EXPECT_LE(sent.size(), 16u);
        EXPECT_EQ(state, State());
    }
}

} // namespace
