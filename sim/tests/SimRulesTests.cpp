#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "ZephraDriver.h"
#include "ZephraSim.h"

// The simulated driver's own rules, seen through driver connections: its relay refusals,
// its queue bound and its command table.
namespace {

const wchar_t* const kName = L"ZephraSimRulesTest";

class SimRulesTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(0u, sim.Start(kName)); }

    void Command(const std::string& line) { ASSERT_TRUE(sim.Execute(line).done) << line; }

    ZephraSim sim;
};

TEST_F(SimRulesTest, RepliesNeedAPendingRequestAndComeOnlyFromTheServer)
{
    ZephraDriver server, client;
    ASSERT_EQ(0u, server.OpenAsServer(kName));
    ASSERT_EQ(0u, client.OpenAsClient(kName));
    ZephraMessage reply;
    reply.Init(ZEPHRA_MSG_KIND_REPLY, ZEPHRA_MSG_REPLY);
    reply.correlation[0] = 7;
    EXPECT_EQ(ZEPHRA_STATUS_INITIATOR_NOT_FOUND, server.SendMessageRecord(reply)) << "nobody to go to";
    EXPECT_EQ(ZEPHRA_STATUS_NOT_ALLOWED, client.SendMessageRecord(reply)) << "a client may not reply";
}

TEST_F(SimRulesTest, NoServerMeansTheRequestIsRefused)
{
    ZephraDriver client;
    ASSERT_EQ(0u, client.OpenAsClient(kName));
    ZephraMessage request;
    request.Init(ZEPHRA_MSG_KIND_REQUEST, ZEPHRA_MSG_SET_OPTIONS);
    request.WriteU32(1);
    EXPECT_EQ(ZEPHRA_STATUS_NO_SERVER, client.SendMessageRecord(request));
}


TEST_F(SimRulesTest, QueuesOfAConnectionThatNeverReadsAreBounded)
{
    ZephraDriver client;
    ASSERT_EQ(0u, client.OpenAsClient(kName));
    for (int i = 0; i < 300; ++i)
        sim.QueueNotification(-1, ZEPHRA_NOTIFY_DEVICE_STATE, nullptr, 0);
    ZephraMessage record;
    int read = 0;
    while (client.GetNotificationRecord(&record) == 0)
        ++read;
    EXPECT_GT(read, 0);
    EXPECT_LT(read, 300);
}


TEST_F(SimRulesTest, AMainClientIsToldOnceToReadTheDeviceList)
{
    ZephraDriver server, client;
    ASSERT_EQ(0u, server.OpenAsServer(kName));
    ASSERT_EQ(0u, client.OpenAsClient(kName));
    ZephraMessage record;
    ASSERT_EQ(0u, client.NextNotification(&record));
    EXPECT_EQ(ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED, record.code);
    EXPECT_EQ(0u, record.payloadLength);
    EXPECT_EQ(ZEPHRA_STATUS_NO_MORE_ITEMS, client.NextNotification(&record)) << "once";
    EXPECT_EQ(ZEPHRA_STATUS_NO_MORE_ITEMS, server.NextNotification(&record)) << "for the main client only";

    // Declared before its events: the 3030 comes with the notification event.
    ZephraDriver late;
    ASSERT_EQ(0u, late.OpenDriver(kName, false, false));
    ASSERT_EQ(0u, late.SetClientType(ZEPHRA_CLIENT_MAIN));
    EXPECT_EQ(ZEPHRA_STATUS_NO_MORE_ITEMS, late.NextNotification(&record)) << "no event to signal yet";
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_EQ(0u, late.SetEvents(nullptr, event));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event, 0));
    ASSERT_EQ(0u, late.NextNotification(&record));
    EXPECT_EQ(ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED, record.code);
    late.CloseDriver();
    CloseHandle(event);
}

TEST_F(SimRulesTest, PlugAndUnplugTellTheServer)
{
    ZephraDriver server, client;
    ASSERT_EQ(0u, server.OpenAsServer(kName));
    ASSERT_EQ(0u, client.OpenAsClient(kName));
    ZephraMessage record;
    ASSERT_EQ(0u, client.NextNotification(&record)) << "its first 3030";
    Command("plug AAA");
    ASSERT_EQ(0u, server.NextNotification(&record));
    EXPECT_EQ(ZEPHRA_NOTIFY_DEVICE_LIST, record.code);
    EXPECT_EQ(ZEPHRA_STATUS_NO_MORE_ITEMS, client.NextNotification(&record)) << "3005 is for the server only";
    Command("unplug AAA");
    ASSERT_EQ(0u, server.NextNotification(&record));
    EXPECT_EQ(ZEPHRA_NOTIFY_DEVICE_LIST, record.code);

    struct Row { const char* line; };
    const Row refused[] = {{"unplug AAA"}, {"plug"}, {"plug X bogus"}, {"plug 01234567890123456789"},
                           {"notify"}, {"notify 30x"}, {"notify 3040 -1"}};
    for (const Row& row : refused) {
        SCOPED_TRACE(row.line);
        EXPECT_FALSE(sim.Execute(row.line).done);
    }
    for (int i = 0; i < 8; ++i)
        Command("plug D" + std::to_string(i));
    EXPECT_FALSE(sim.Execute("plug D9").done) << "eight devices at most";
    EXPECT_FALSE(sim.Execute("unplug D0 D1").done);
    std::string status = sim.Execute("status").text;
    EXPECT_NE(std::string::npos, status.find("device D7")) << status;
}

} // namespace
