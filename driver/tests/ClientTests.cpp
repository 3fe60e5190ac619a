#include <gtest/gtest.h>
#include <atomic>
#include <string>
#include "FakeServer.h"
#include "WnHandle.h"
#include "ZephraClient.h"
#include "SimHostile.h"
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
    // Each request finds records ahead of its own reply, behind one signal: a late reply to
    // the request before it (queued by the driver itself, as no request of it is pending any
    // more) and malformed records, which a read takes out of the queue all the same.
    ZephraMessage badHeader;
    badHeader.Init(ZEPHRA_MSG_KIND_REPLY, ZEPHRA_MSG_REPLY);
    badHeader.headerSize = 40;
    ZephraMessage overlong;
    overlong.Init(ZEPHRA_MSG_KIND_REPLY, ZEPHRA_MSG_REPLY);
    overlong.payloadLength = 513;
    struct Row { const char* what; std::vector<ZephraMessage> ahead; };
    std::vector<Row> rows = {{"late reply", {}}, {"header size 40", {badHeader}}, {"payload length 513", {overlong}},
                             {"all three", {badHeader, overlong}}};
    for (Row& row : rows) {
        SCOPED_TRACE(row.what);
        FakeServer server([&](const ZephraMessage& request) {
            ZephraMessage late = FakeServer::ReplyTo(request, ZEPHRA_MSG_REPLY, ZEPHRA_STATUS_FAILED);
            late.correlation[0] = request.correlation[0] - 1;
            sim.QueueRecord(ZEPHRA_CLIENT_MAIN, false, late);
            for (ZephraMessage& record : row.ahead) {
                record.correlation[0] = request.correlation[0];
                sim.QueueRecord(ZEPHRA_CLIENT_MAIN, false, record);
            }
            return std::vector<ZephraMessage>{
                FakeServer::ReplyTo(request, ZEPHRA_MSG_REPLY, ZEPHRA_STATUS_SOUND_DEVICE_IN_USE)};
        });
        ASSERT_EQ(0u, server.Start(kName));
        client.SetLastSequence(10);
        EXPECT_EQ(ZEPHRA_STATUS_SOUND_DEVICE_IN_USE, client.RequestSetSampleRate(96000, 3000))
            << "the server's status comes back unchanged";
        server.Stop();
        EXPECT_EQ(std::vector<ZephraStatus>{0}, server.SendStatuses());
    }
}

// A read that fails in front of the reply is tried again; one that keeps failing ends the
// transaction with its status and leaves the event set for whoever reads next.
TEST_F(ClientTest, FailedReadsAheadOfTheReply)
{
    FakeServer server([&](const ZephraMessage& request) {
        return std::vector<ZephraMessage>{FakeServer::ReplyTo(request, ZEPHRA_MSG_REPLY, 0)};
    });
    ASSERT_EQ(0u, server.Start(kName));
    for (uint32_t failures : {1u, uint32_t(ZephraDriver::DRAIN_MAX_RETRIES), uint32_t(ZephraDriver::DRAIN_MAX_RETRIES + 1)}) {
        SCOPED_TRACE(failures);
        std::atomic<uint32_t> failed(0);
        sim.SetInterceptor([&](int32_t type, uint32_t code, uint32_t, std::vector<uint8_t>* reply) {
            if (type != ZEPHRA_CLIENT_MAIN || code != IOCTL_ZEPHRA_GET_MESSAGE || failed >= failures)
                return false;
            ++failed;
            *reply = SimResponseFrame(ZEPHRA_STATUS_INTERNAL_ERROR, nullptr, 0);
            return true;
        });
        ZephraStatus status = client.RequestSetOptions(1, 3000);
        sim.SetInterceptor(ZephraSim::Interceptor());
        if (failures <= ZephraDriver::DRAIN_MAX_RETRIES) {
            EXPECT_EQ(0u, status);
        } else {
            EXPECT_EQ(ZEPHRA_STATUS_INTERNAL_ERROR, status);
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(client.GetMessageEvent(), 0));
            ZephraMessage reply;
            EXPECT_EQ(0u, client.GetMessageRecord(&reply)) << "the reply is still there to read";
        }
    }
}

TEST_F(ClientTest, LateReplyThenOwnReplyOnALaterSignal)
{
    std::atomic<int> calls(0);
    HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    WnHandle secondOwner(second);
    ZephraMessage pending;
    FakeServer server([&](const ZephraMessage& request) {
        ++calls;
        ZephraMessage late = FakeServer::ReplyTo(request, ZEPHRA_MSG_REPLY, ZEPHRA_STATUS_FAILED);
        late.correlation[0] = 0xABCD;
        sim.QueueRecord(ZEPHRA_CLIENT_MAIN, false, late);
        pending = request;
        SetEvent(second);
        return std::vector<ZephraMessage>();
    });
    ASSERT_EQ(0u, server.Start(kName));

    // A second server-side connection cannot exist, so the own reply is queued by the
    // simulator itself once the late one has been read.
    struct Replier : WnThreadCallbackInterface
    {
        bool ClientFoundQueueEmpty() const
        {
            for (const SimLogEntry& entry : sim->Logged(IOCTL_ZEPHRA_GET_MESSAGE, ZEPHRA_CLIENT_MAIN)) {
                if (entry.status == ZEPHRA_STATUS_NO_MORE_ITEMS)
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
    EXPECT_EQ(0u, client.RequestSetOptions(0, 10000)) << "not the late reply's status";
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
