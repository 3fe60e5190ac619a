#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
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
    ZephraSim sim;
};

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

} // namespace
