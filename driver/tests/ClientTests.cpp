#include <gtest/gtest.h>
#include <atomic>
#include <string>
#include "FakeServer.h"
#include "WnHandle.h"
#include "ZephraClient.h"
#include "ZephraSim.h"

namespace {

const wchar_t* const kName = L"ZephraClientTest";

class ClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, sim.Start(kName, false));
        ASSERT_EQ(0u, client.OpenAsClient(kName));
    }

    ZephraSim sim;
    ZephraCplClient client;
};

TEST_F(ClientTest, RequestsCarryConsecutiveSequenceNumbersAndWrapToOne)
{
    std::vector<uint32_t> seen;
    std::vector<uint32_t> codes;
    FakeServer server([&](const ZephraMessage& request) {
        seen.push_back(request.correlation[0]);
        codes.push_back(request.code);
        return std::vector<ZephraMessage>{FakeServer::ReplyTo(request, ZEPHRA_MSG_REPLY, 0)};
    });
    ASSERT_EQ(0u, server.Start(kName));
    EXPECT_EQ(0u, client.RequestSetSampleRate(48000, 2000));
    EXPECT_EQ(0u, client.RequestSetOptions(1, 2000));
    client.SetLastSequence(0xFFFFFFFE);
    EXPECT_EQ(0u, client.RequestSetStreamingDevice(0, 0, 1, 2000));
    uint32_t buffers[3] = {2, 3, 0};
    EXPECT_EQ(0u, client.RequestSetBufferSizes(buffers, 2000));
    EXPECT_EQ(0u, client.RequestSetSampleRate(44100, 2000));
    server.Stop();
    EXPECT_EQ((std::vector<uint32_t>{1, 2, 0xFFFFFFFF, 1, 2}), seen);
    EXPECT_EQ((std::vector<uint32_t>{1001, 1005, 1003, 1002, 1001}), codes);
}

TEST_F(ClientTest, LateRepliesAreDroppedAndTheOwnReplyStillArrives)
{
    // Each request is answered first by a late reply to the request before it, then by
    // its own, both behind one signal; then a later own reply arrives on a second signal.
    FakeServer server([&](const ZephraMessage& request) {
        ZephraMessage late = FakeServer::ReplyTo(request, ZEPHRA_MSG_REPLY, ZEPHRA_STATUS_FAILED);
        late.correlation[0] = request.correlation[0] - 1;
        return std::vector<ZephraMessage>{late, FakeServer::ReplyTo(request, ZEPHRA_MSG_REPLY,
                                                                    ZEPHRA_STATUS_SOUND_DEVICE_IN_USE)};
    });
    ASSERT_EQ(0u, server.Start(kName));
    client.SetLastSequence(10);
    EXPECT_EQ(ZEPHRA_STATUS_SOUND_DEVICE_IN_USE, client.RequestSetSampleRate(96000, 3000))
        << "the server's status comes back unchanged";
}

TEST_F(ClientTest, LateReplyThenOwnReplyOnALaterSignal)
{
    std::atomic<int> calls(0);
    HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    WnHandle secondOwner(second);
    ZephraMessage pending;
    FakeServer server([&](const ZephraMessage& request) {
        ++calls;
        ZephraMessage late = FakeServer::ReplyTo(request, ZEPHRA_MSG_REPLY, 0);
        late.correlation[0] = 0xABCD;
        pending = request;
        SetEvent(second);
        return std::vector<ZephraMessage>{late};
    });
    ASSERT_EQ(0u, server.Start(kName));

    // A second server-side connection cannot exist, so the own reply is queued by the
    // simulator itself once the late one has been read.
    struct Replier : WnThreadCallbackInterface
    {
        bool ClientFoundQueueEmpty() const
        {
            for (const SimLogEntry& entry : sim->Log()) {
                if (entry.clientType == 2 && entry.code == IOCTL_ZEPHRA_GET_MESSAGE &&
                    entry.status == ZEPHRA_STATUS_NO_MORE_ITEMS)
                    return true;
            }
            return false;
        }
        ZephraSim* sim;
        HANDLE ready;
        ZephraMessage* request;
        DWORD Run() override
        {
            WaitForSingleObject(ready, 5000);
            // Until the client has read the late reply and found its queue empty.
            for (int i = 0; i < 500 && !ClientFoundQueueEmpty(); ++i)
                Sleep(5);
            sim->QueueRecord(ZEPHRA_CLIENT_MAIN, false, FakeServer::ReplyTo(*request, ZEPHRA_MSG_REPLY, 0));
            return 0;
        }
    } replier;
    replier.sim = &sim;
    replier.ready = second;
    replier.request = &pending;
    WnThread thread;
    ASSERT_EQ(0u, thread.Start(&replier));
    EXPECT_EQ(0u, client.RequestSetOptions(0, 10000));
    thread.Wait(INFINITE);
    EXPECT_EQ(1, calls.load());
}

TEST_F(ClientTest, FailuresOfTheTransaction)
{
    // No server connection at all: the driver refuses the message at once.
    EXPECT_EQ(ZEPHRA_STATUS_NO_SERVER, client.RequestSetSampleRate(48000, 100));

    // A server that never answers: the time-out ends it.
    FakeServer silent([](const ZephraMessage&) { return std::vector<ZephraMessage>(); });
    ASSERT_EQ(0u, silent.Start(kName));
    EXPECT_EQ(ZEPHRA_STATUS_TIMEOUT, client.RequestSetSampleRate(48000, 300));
    silent.Stop();

    // A reply with another code.
    FakeServer odd([](const ZephraMessage& request) {
        return std::vector<ZephraMessage>{FakeServer::ReplyTo(request, ZEPHRA_MSG_WDM_CONFIG_REPLY, 0)};
    });
    ASSERT_EQ(0u, odd.Start(kName));
    EXPECT_EQ(ZEPHRA_STATUS_UNEXPECTED_MSG_CODE, client.RequestSetOptions(1, 2000));
    odd.Stop();

    ZephraCplClient closed;
    EXPECT_EQ(ZEPHRA_STATUS_NOT_OPENED, closed.RequestSetOptions(1, 100));
}

TEST_F(ClientTest, RepliesCrossProcessBoundaries)
{
    std::atomic<uint32_t> rate(0);
    FakeServer server([&](const ZephraMessage& request) {
        uint32_t value = 0;
        request.ReadU32(&value);
        rate = value;
        return std::vector<ZephraMessage>{FakeServer::ReplyTo(request, ZEPHRA_MSG_REPLY,
                                                              ZEPHRA_STATUS_INVALID_SAMPLE_RATE)};
    });
    ASSERT_EQ(0u, server.Start(kName));

    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    dir = dir.substr(0, dir.find_last_of(L"\\/") + 1);
    std::wstring command = L"\"" + dir + L"client_child.exe\" ZephraClientTest 88200";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WnHandle process(pi.hProcess), thread(pi.hThread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.Get(), 20000));
    DWORD exitCode = 0;
    GetExitCodeProcess(process.Get(), &exitCode);
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_SAMPLE_RATE, exitCode);
    EXPECT_EQ(88200u, rate.load());
}

} // namespace
