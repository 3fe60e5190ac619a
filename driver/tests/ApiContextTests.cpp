#include <gtest/gtest.h>
#include <string>
#include "WnEvent.h"
#include "WnThread.h"
#include "ZephraApiContext.h"
#include "ZephraRequestIndex.h"
#include "ZephraSim.h"

namespace {

const wchar_t* const kName = L"ZephraApiContextTest";

class ApiContextTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(0u, sim.Start(kName, false)); }

    ZephraSim sim;
};

TEST_F(ApiContextTest, RequestOnClosedObjectSendsNothing)
{
    ZephraApiContext context;
    uint8_t out[24];
    uint32_t returned = 0xDEAD;
    EXPECT_EQ(ZEPHRA_STATUS_NOT_OPENED, context.DoRequest(IOCTL_ZEPHRA_GET_VERSION, nullptr, 0, out, 24, &returned));
    EXPECT_EQ(0xDEADu, returned);
    EXPECT_FALSE(context.IsOpened());
    EXPECT_TRUE(sim.Log().empty());
}

TEST_F(ApiContextTest, OpenTwiceKeepsTheFirstConnection)
{
    ZephraApiContext context;
    ASSERT_EQ(0u, context.Open(kName));
    EXPECT_TRUE(context.IsOpened());
    EXPECT_TRUE(context.IsSimulated());
    EXPECT_EQ(ZEPHRA_STATUS_REJECTED, context.Open(kName));
    EXPECT_TRUE(context.IsOpened());
    ZephraVersionInfo info = {};
    EXPECT_EQ(0u, context.GetVersion(&info));
    EXPECT_EQ(2u, info.interfaceMajor);
    EXPECT_EQ(1u, sim.ConnectionCount()) << "the second Open made no connection";
    EXPECT_EQ(2u, sim.Logged(IOCTL_ZEPHRA_GET_VERSION).size());
}

TEST_F(ApiContextTest, MissingDeviceThenAppearing)
{
    const wchar_t* later = L"ZephraApiContextTestLater";
    ZephraApiContext context;
    ZephraStatus status = context.Open(later);
    EXPECT_NE(0u, status);
    EXPECT_TRUE(status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND) << status;
    EXPECT_FALSE(context.IsOpened());

    ZephraSim other;
    ASSERT_EQ(0u, other.Start(later, false));
    EXPECT_EQ(0u, context.Open(later));
    EXPECT_TRUE(context.IsOpened());
}

TEST_F(ApiContextTest, OtherInterfaceVersionsCloseAtOnce)
{
    for (uint32_t major : {1u, 3u}) {
        SCOPED_TRACE(major);
        sim.ClearLog();
        sim.SetInterfaceVersion(major, 0);
        ZephraApiContext context;
        EXPECT_EQ(ZEPHRA_STATUS_VERSION_MISMATCH, context.Open(kName));
        EXPECT_FALSE(context.IsOpened());
        EXPECT_EQ(ZEPHRA_STATUS_NOT_OPENED, context.DoRequest(IOCTL_ZEPHRA_GET_OPTIONS, nullptr, 0, nullptr, 0));
        EXPECT_EQ(1u, sim.Log().size()) << "only the version request was sent";
    }
    sim.SetInterfaceVersion(2, 5);
    ZephraApiContext context;
    EXPECT_EQ(0u, context.Open(kName)) << "any minor version of 2 is accepted";
}

TEST_F(ApiContextTest, SynchronousAndAsynchronousCompletionAgree)
{
    sim.SetDriverVersion(3, 1, 200, true);
    ZephraApiContext context;
    ASSERT_EQ(0u, context.Open(kName));
    for (DWORD delay : {0u, 150u}) {
        SCOPED_TRACE(delay);
        sim.SetResponseDelay(delay);
        ZephraVersionInfo info = {};
        uint32_t returned = 0;
        DWORD start = GetTickCount();
        EXPECT_EQ(0u, context.DoRequest(IOCTL_ZEPHRA_GET_VERSION, nullptr, 0, &info, sizeof(info), &returned));
        EXPECT_GE(GetTickCount() - start + 20, delay);
        EXPECT_EQ(24u, returned);
        EXPECT_EQ(3u, info.driverMajor);
        EXPECT_EQ(200u, info.driverBuild);
        EXPECT_EQ(1u, info.buildFlags);
    }
}

TEST_F(ApiContextTest, DriverRefusalsArriveUnchanged)
{
    ZephraApiContext context;
    ASSERT_EQ(0u, context.Open(kName));
    uint8_t buffer[64] = {};
    struct Row { uint32_t code; uint32_t in; uint32_t out; ZephraStatus status; };
    const Row rows[] = {
        {0x80882000, 0, 0, ZEPHRA_STATUS_INVALID_IOCTL},
        {IOCTL_ZEPHRA_GET_VERSION, 4, 24, ZEPHRA_STATUS_INVALID_INBUFFER_SIZE},
        {IOCTL_ZEPHRA_GET_VERSION, 0, 20, ZEPHRA_STATUS_INVALID_OUTBUFFER_SIZE},
        {IOCTL_ZEPHRA_MIXER_GET_WEIGHTS, 13, 12, ZEPHRA_STATUS_INVALID_INBUFFER_SIZE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        uint32_t returned = 99;
        EXPECT_EQ(row.status, context.DoRequest(row.code, buffer, row.in, buffer, row.out, &returned));
        EXPECT_EQ(0u, returned);
    }
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_LENGTH, context.DoRequest(IOCTL_ZEPHRA_GET_VERSION, nullptr, 0, buffer, 70000));
    EXPECT_TRUE(context.IsOpened()) << "a refused request leaves the connection open";
}

struct RequestThread : WnThreadCallbackInterface
{
    ZephraApiContext* context = nullptr;
    ZephraStatus status = 0xFFFFFFFF;
    DWORD Run() override
    {
        ZephraVersionInfo info = {};
        status = context->GetVersion(&info);
        return 0;
    }
};

TEST_F(ApiContextTest, HeldRequestBlocksOnlyItsOwnObject)
{
    ZephraApiContext first, other;
    ASSERT_EQ(0u, first.Open(kName));
    ASSERT_EQ(0u, other.Open(kName));
    uint32_t held = ZEPHRA_CLIENT_OBSERVER; // marks first's connection for the simulator
    ASSERT_EQ(0u, first.DoRequest(IOCTL_ZEPHRA_SET_CLIENT_TYPE, &held, sizeof(held), nullptr, 0));
    WnEvent release;
    ASSERT_EQ(0u, release.Create(true));
    volatile LONG seen = 0;
    sim.SetInterceptor([&](int32_t type, uint32_t, uint32_t, std::vector<uint8_t>*) {
        if (type == ZEPHRA_CLIENT_OBSERVER) {
            InterlockedIncrement(&seen);
            WaitForSingleObject(release.Get(), 10000);
        }
        return false;
    });
    RequestThread a, b, c;
    a.context = &first;
    b.context = &first;
    c.context = &other;
    WnThread threadA, threadB, threadC;
    ASSERT_EQ(0u, threadA.Start(&a));
    ASSERT_EQ(0u, threadB.Start(&b));
    for (int i = 0; i < 500 && seen == 0; ++i)
        Sleep(10);
    ASSERT_EQ(0u, threadC.Start(&c));
    EXPECT_EQ(0u, threadC.Wait(5000)) << "another object's request is not held";
    EXPECT_EQ(0u, c.status);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), threadA.Wait(0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), threadB.Wait(0));
    EXPECT_EQ(1, seen) << "the lock holds b back: one request of this object reached the driver";
    release.Set();
    EXPECT_EQ(0u, threadA.Wait(5000));
    EXPECT_EQ(0u, threadB.Wait(5000));
    sim.SetInterceptor(ZephraSim::Interceptor());
    EXPECT_EQ(0u, a.status);
    EXPECT_EQ(0u, b.status);
    EXPECT_EQ(2, seen);
}

TEST_F(ApiContextTest, SimulatorGoneFailsRequestsButKeepsConnection)
{
    ZephraApiContext context;
    ASSERT_EQ(0u, context.Open(kName));
    sim.Stop();
    ZephraVersionInfo info = {};
    ZephraStatus status = context.GetVersion(&info);
    EXPECT_TRUE(status == ERROR_BROKEN_PIPE || status == ERROR_NO_DATA || status == ERROR_PIPE_NOT_CONNECTED)
        << status;
    EXPECT_TRUE(context.IsOpened());
    context.Close();
    context.Close();
    EXPECT_FALSE(context.IsOpened());

    ASSERT_EQ(0u, sim.Start(kName, false));
    EXPECT_EQ(0u, context.Open(kName)) << "re-opening after Close works";
}

TEST_F(ApiContextTest, OverLongNameFailsCleanly)
{
    std::wstring name(400, L'x');
    ZephraApiContext context;
    EXPECT_NE(0u, context.Open(name.c_str()));
    EXPECT_FALSE(context.IsOpened());
    // A name that only fits once cut still names nothing that exists.
    std::wstring cut = std::wstring(kName) + std::wstring(300, L'y');
    EXPECT_NE(0u, context.Open(cut.c_str()));
}

TEST_F(ApiContextTest, ManyConnectionsAtOnce)
{
    const int kCount = 24;
    ZephraApiContext contexts[kCount];
    for (ZephraApiContext& context : contexts)
        ASSERT_EQ(0u, context.Open(kName));
    EXPECT_EQ(static_cast<uint32_t>(kCount), sim.ConnectionCount());
    for (ZephraApiContext& context : contexts) {
        ZephraVersionInfo info = {};
        EXPECT_EQ(0u, context.GetVersion(&info));
        context.Close();
    }
    for (int i = 0; i < 100 && sim.ConnectionCount() != 0; ++i)
        Sleep(10);
    EXPECT_EQ(0u, sim.ConnectionCount()) << "closing a handle ends its connection";
}

} // namespace
