#include <gtest/gtest.h>
#include <set>
#include "SimHostile.h"
#include "ZephraDriver.h"

// The hostile driver's control-panel mode: what it touches, what it leaves alone, and what
// it sends.
namespace {

const wchar_t* const kName = L"ZephraSimHostileTest";

class SimHostilePanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, sim.Start(kName, false));
        ASSERT_TRUE(sim.Execute("plug QV000001").done);
        hostile.TargetControlPanel();
    }

    ZephraSim sim;
    SimHostile hostile{&sim, 5, ZEPHRA_CLIENT_SERVER, 100};
};

TEST_F(SimHostilePanelTest, EveryPanelAnswerIsCorruptedButOpeningsAndTheServerAreLeftAlone)
{
    hostile.Attach();
    ZephraDriver server, client, observer;
    ASSERT_EQ(0u, server.OpenAsServer(kName)) << "a server connection is no target";
    ASSERT_EQ(0u, client.OpenAsClient(kName)) << "the open sequence is left alone";
    ASSERT_EQ(0u, observer.OpenAsObserver(kName, ZEPHRA_CLIENT_OBSERVER));
    ZephraDeviceList list;
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(0u, server.GetDeviceList(&list)) << i;
    const int reads = 60;
    int faithful = 0;
    for (int i = 0; i < reads; ++i) {
        ZephraDriver& reader = i % 2 == 0 ? client : observer;
        faithful += reader.GetDeviceList(&list) == 0 && list.count == 1 && list.devices[0].serialNumber[8] == 0 ? 1 : 0;
    }
    // A count word beyond capacity is served over the true record: those pass untouched.
    SimHostileCounts counts = hostile.Counts();
    EXPECT_EQ(0u, counts.passed);
    EXPECT_EQ(static_cast<uint32_t>(reads), counts.Corrupted());
    EXPECT_GT(counts.overcounted, 0u);
    EXPECT_GT(counts.unterminated, 0u);
    EXPECT_EQ(0, faithful);
    hostile.Detach();
}

TEST_F(SimHostilePanelTest, ABadReplyIsQueuedBeforeTheServicesOwn)
{
    ZephraDriver server, client;
    ASSERT_EQ(0u, server.OpenAsServer(kName));
    ASSERT_EQ(0u, client.OpenAsClient(kName));
    std::set<int> kinds; // 0: bad header, 1: bad payload length, 2: foreign sequence
    for (uint32_t sequence = 1; sequence <= 30; ++sequence) {
        ZephraMessage request, received;
        request.Init(ZEPHRA_MSG_KIND_REQUEST, ZEPHRA_MSG_SET_OPTIONS);
        request.WriteU32(0);
        request.correlation[0] = sequence;
        hostile.Attach();
        ASSERT_EQ(0u, client.SendMessageRecord(request)) << "the send itself is served";
        hostile.Detach();
        ASSERT_EQ(0u, server.GetMessageRecord(&received));
        ZephraMessage reply = received;
        reply.kind = ZEPHRA_MSG_KIND_REPLY;
        reply.code = ZEPHRA_MSG_REPLY;
        ASSERT_EQ(0u, server.SendMessageRecord(reply));

        ZephraStatus first = client.GetMessageRecord(&received);
        if (first != 0) {
            EXPECT_EQ(ZEPHRA_STATUS_INVALID_LENGTH, first);
            kinds.insert(received.headerSize != ZEPHRA_MSG_HEADER_SIZE ? 0 : 1);
        } else {
            EXPECT_EQ(ZEPHRA_MSG_KIND_REPLY, received.kind);
            EXPECT_NE(sequence, received.correlation[0]);
            kinds.insert(2);
        }
        ASSERT_EQ(0u, client.GetMessageRecord(&received)) << "the service's reply follows";
        EXPECT_EQ(sequence, received.correlation[0]);
    }
    EXPECT_EQ(30u, hostile.Counts().badReplies);
    EXPECT_EQ(3u, kinds.size());
}

TEST_F(SimHostilePanelTest, TicksSendThePanelsNotificationsWithRealAndRandomDeviceWords)
{
    ZephraDriver client;
    ASSERT_EQ(0u, client.OpenAsClient(kName));
    const std::set<uint32_t> known = {3001, 3010, 3011, 3030, 3040, 3050, 3051, 3052, 4242};
    SimDevice device = sim.Devices()[0];
    std::set<uint32_t> codes, lengths;
    int naming = 0;
    for (int i = 0; i < 150; ++i) {
        hostile.Tick();
        ZephraMessage record;
        while (client.NextNotification(&record) == 0) {
            EXPECT_EQ(1u, known.count(record.code)) << record.code;
            codes.insert(record.code);
            lengths.insert(record.payloadLength);
            uint32_t words[2] = {};
            if (record.ReadExact(words, 8) == 0 && words[0] == device.idFirst && words[1] == device.idSecond)
                ++naming;
        }
    }
    hostile.UnplugAll();
    EXPECT_EQ(1u, sim.DeviceCount()) << "the hostile set is gone again";
    EXPECT_EQ(known.size(), codes.size());
    EXPECT_EQ(1u, lengths.count(0));
    EXPECT_EQ(1u, lengths.count(8));
    EXPECT_GT(lengths.size(), 3u) << "wrong lengths too";
    EXPECT_GT(naming, 0) << "some name a present device";
    EXPECT_GT(hostile.Counts().deviceChanges, 0u);
}

} // namespace
