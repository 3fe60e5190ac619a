#include "ServerFixture.h"
#include "WnEvent.h"
#include "WnThread.h"

namespace {

const wchar_t* const kName = L"ZephraServerRunTest";
const DWORD kWaitMs = 10000;

// Runs a server's worker loop on a thread of its own, as the service does.
class ServerThread : public WnThreadCallbackInterface
{
public:
    explicit ServerThread(ZephraServer* server) : m_server(server)
    {
        m_stop.Create(true);
        m_arrival.Create(false);
    }
    ~ServerThread() { Stop(); }

    DWORD StartRun() { return m_thread.Start(this); }
    // Signal, join: the events outlive the thread.
    ZephraStatus Stop()
    {
        m_stop.Set();
        m_thread.Wait(INFINITE);
        return m_result;
    }
    void Arrive() { m_arrival.Set(); }

private:
    DWORD Run() override
    {
        m_result = m_server->Run(m_stop.Get(), m_arrival.Get());
        return 0;
    }

    ZephraServer* m_server;
    WnEvent m_stop;
    WnEvent m_arrival;
    WnThread m_thread;
    ZephraStatus m_result = 0xFFFFFFFF;
};

class ServerRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, sim.Start(kName));
        ASSERT_EQ(0u, client.OpenAsClient(kName));
        ZephraMessage welcome; // the driver's first 3030 for a main client, not the server's
        ASSERT_EQ(0u, client.NextNotification(&welcome));
    }

    void Command(const std::string& line) { ASSERT_TRUE(sim.Execute(line).done) << line; }

    // Waits for a notification with that code at the client, dropping others.
    bool WaitNotification(uint32_t code)
    {
        DWORD start = GetTickCount();
        for (;;) {
            ZephraMessage record;
            while (client.NextNotification(&record) == 0) {
                if (record.code == code)
                    return true;
            }
            DWORD elapsed = GetTickCount() - start;
            if (elapsed >= kWaitMs)
                return false;
            WaitForSingleObject(client.GetNotificationEvent(), kWaitMs - elapsed);
        }
    }

    bool WaitConnections(uint32_t count)
    {
        DWORD start = GetTickCount();
        while (sim.ConnectionCount() != count) {
            if (GetTickCount() - start >= kWaitMs)
                return false;
            Sleep(5);
        }
        return true;
    }

    ZephraStatus Transact(uint32_t code, const void* payload, uint32_t length)
    {
        ++sequence;
        ZephraStatus status = SendRequest(client, code, sequence, payload, length);
        if (status != 0)
            return status;
        ZephraMessage reply;
        status = WaitReply(client, sequence, kWaitMs, &reply);
        return status != 0 ? status : reply.status;
    }

    ZephraSim sim;
    ZephraDriver client;
    uint32_t sequence = 0;
};

TEST_F(ServerRunTest, SampleRateRequestAndReplyThroughTheSimulator)
{
    Command("plug A");
    TestServer server(kName);
    ServerThread thread(&server);
    ASSERT_EQ(0u, thread.StartRun());
    ASSERT_TRUE(WaitNotification(ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED)) << "the server announces its device list";
    EXPECT_NE(std::string::npos, sim.Execute("status").text.find("rate 48000 Hz"));

    uint32_t rate = 176400;
    EXPECT_EQ(0u, Transact(ZEPHRA_MSG_SET_SAMPLE_RATE, &rate, sizeof(rate)));
    std::string status = sim.Execute("status").text;
    EXPECT_NE(std::string::npos, status.find("rate 176400 Hz")) << status;
    EXPECT_TRUE(WaitNotification(ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED));

    uint8_t byte = 1;
    EXPECT_EQ(0u, Transact(ZEPHRA_MSG_SET_DEVICE_BYTE, &byte, 1)) << "generic controllers take any byte";
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_COMMAND, Transact(ZEPHRA_MSG_GET_WDM_CONFIG, nullptr, 0));
    EXPECT_EQ(0u, thread.Stop());
}

TEST_F(ServerRunTest, SecondServerEndsAtOnce)
{
    TestServer first(kName);
    ASSERT_EQ(0u, first.OpenAsServer(kName));
    TestServer second(kName);
    WnEvent stop, arrival;
    ASSERT_EQ(0u, stop.Create(true));
    ASSERT_EQ(0u, arrival.Create(false));
    EXPECT_EQ(ZEPHRA_STATUS_ALREADY_DONE, second.Run(stop.Get(), arrival.Get())) << "returns without the stop event";
    EXPECT_FALSE(second.IsOpened());
}

TEST_F(ServerRunTest, LastDeviceLeavingClosesAndNextArrivalReopens)
{
    Command("plug A");
    TestServer server(kName);
    ServerThread thread(&server);
    ASSERT_EQ(0u, thread.StartRun());
    ASSERT_TRUE(WaitNotification(ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED));
    EXPECT_EQ(3u, sim.ConnectionCount()) << "client, server, device A";

    Command("unplug A");
    ASSERT_TRUE(WaitNotification(ZEPHRA_NOTIFY_STREAMING_RECONFIGURED));
    ASSERT_TRUE(WaitNotification(ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED));
    EXPECT_TRUE(WaitConnections(1)) << "only the client is left";
    uint32_t rate = 96000;
    EXPECT_EQ(ZEPHRA_STATUS_NO_SERVER, SendRequest(client, ZEPHRA_MSG_SET_SAMPLE_RATE, 99, &rate, 4));

    Command("plug B");
    thread.Arrive();
    ASSERT_TRUE(WaitNotification(ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED));
    EXPECT_EQ(3u, sim.ConnectionCount()) << "client, server, device B";
    EXPECT_EQ(0u, Transact(ZEPHRA_MSG_SET_SAMPLE_RATE, &rate, sizeof(rate)));
    EXPECT_EQ(0u, thread.Stop());
}

// A request queued while the pass that empties the device list runs is answered before
// the connection, and its queue with it, goes.
TEST_F(ServerRunTest, RequestsQueuedBeforeTheCloseAreAnswered)
{
    Command("plug A");
    TestServer server(kName);
    ServerThread thread(&server);
    ASSERT_EQ(0u, thread.StartRun());
    ASSERT_TRUE(WaitNotification(ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED));

    uint32_t rate = 96000;
    ZephraStatus sent = ZEPHRA_STATUS_PENDING;
    sim.SetInterceptor([&](int32_t type, uint32_t code, uint32_t, std::vector<uint8_t>*) {
        // While the server waits for the list that turns out empty.
        if (type == ZEPHRA_CLIENT_SERVER && code == IOCTL_ZEPHRA_GET_DEVICE_LIST && sent == ZEPHRA_STATUS_PENDING)
            sent = SendRequest(client, ZEPHRA_MSG_SET_SAMPLE_RATE, 77, &rate, 4);
        return false;
    });
    Command("unplug A");
    EXPECT_TRUE(WaitConnections(1)) << "the server closed";
    sim.SetInterceptor(ZephraSim::Interceptor());
    ASSERT_EQ(0u, sent);
    ZephraMessage reply;
    EXPECT_EQ(0u, WaitReply(client, 77, 0, &reply)) << "answered before the close";
    EXPECT_EQ(0u, thread.Stop());
}

TEST_F(ServerRunTest, StartWithoutDevicesClosesAfterTheFirstPass)
{
    TestServer server(kName);
    ServerThread thread(&server);
    ASSERT_EQ(0u, thread.StartRun());
    ASSERT_TRUE(WaitNotification(ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED));
    thread.Arrive(); // nothing new: the pass ends with the close
    EXPECT_TRUE(WaitConnections(1));
    Command("plug A");
    thread.Arrive();
    ASSERT_TRUE(WaitNotification(ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED));
    EXPECT_EQ(3u, sim.ConnectionCount());
    EXPECT_EQ(0u, thread.Stop());
}

TEST_F(ServerRunTest, AFailingWaitEndsTheLoop)
{
    Command("plug A");
    TestServer server(kName);
    WnEvent stop;
    ASSERT_EQ(0u, stop.Create(true));
    HANDLE bogus = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x7FFFFFF0));
    EXPECT_NE(0u, server.Run(stop.Get(), bogus)) << "returns instead of spinning on the failed wait";
}

} // namespace
