#include <gtest/gtest.h>
#include <string>
#include "ServiceTestSupport.h"
#include "SimControlClient.h"
#include "ZephraClient.h"

namespace {

// Polls the running simulator's reply to command until it contains text.
bool WaitForReply(const char* command, const std::string& text, DWORD timeoutMs, std::string* reply)
{
    DWORD start = GetTickCount();
    do {
        if (SimSendCommand(ZEPHRA_CONTROL_DEVICE_NAME, command, reply) == 0 && reply->find(text) != std::string::npos)
            return true;
        Sleep(100);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

bool WaitForStatus(const std::string& text, DWORD timeoutMs, std::string* status)
{
    return WaitForReply("status", text, timeoutMs, status);
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Simulator, service and client as three processes, as in the field.
TEST(EndToEndTest, SampleRateChangeThroughTheRunningService)
{
    DeviceKeysCleanup cleanup({L"QV000001"});
    ChildProcess sim, service;
    ASSERT_TRUE(sim.Start(L"zephrasim.exe", L"run"));
    std::string status;
    ASSERT_TRUE(WaitForStatus("device QV000001", 10000, &status)) << status;
    ASSERT_TRUE(service.Start(L"quorvelasvc.exe", L"-console"));
    ASSERT_TRUE(WaitForStatus("wdm set up", 15000, &status)) << status << service.Output();

    // The device's set-up, in order, on its own connection (the layouts follow the set-up
    // that the status reports).
    std::string log;
    ASSERT_TRUE(WaitForReply("log", "IOCTL_ZEPHRA_SET_WDM_STEREO_CONFIG", 5000, &log)) << log;
    size_t setup = log.find("IOCTL_ZEPHRA_WDM_SETUP");
    size_t mono = log.find("IOCTL_ZEPHRA_SET_WDM_MONO_CONFIG");
    size_t stereo = log.find("IOCTL_ZEPHRA_SET_WDM_STEREO_CONFIG");
    ASSERT_NE(std::string::npos, setup) << log;
    EXPECT_LT(setup, mono);
    EXPECT_LT(mono, stereo);
    EXPECT_NE(std::string::npos, log.find("type=0 IOCTL_ZEPHRA_SET_CLIENT_TYPE")) << log;
    SimSendCommand(ZEPHRA_CONTROL_DEVICE_NAME, "log clear", &log);

    ZephraCplClient client;
    ASSERT_EQ(0u, client.OpenAsClient(ZEPHRA_CONTROL_DEVICE_NAME));
    EXPECT_EQ(0u, client.RequestSetSampleRate(96000, 10000));
    EXPECT_TRUE(WaitForStatus("rate 96000 Hz", 2000, &status)) << status;
    ZephraMessage note;
    bool rateChanged = false;
    while (client.NextNotification(&note) == 0)
        rateChanged = rateChanged || note.code == ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED;
    EXPECT_TRUE(rateChanged) << "3011 reached the client";

    ASSERT_EQ(0, SimSendCommand(ZEPHRA_CONTROL_DEVICE_NAME, "log", &log));
    EXPECT_GE(Count(log, "type=0 IOCTL_ZEPHRA_STREAMING_COMMAND"), 1u) << log;
    EXPECT_NE(std::string::npos, log.find("type=0 IOCTL_ZEPHRA_SET_SAMPLE_RATE in=4")) << log;
    EXPECT_NE(std::string::npos, log.find("type=2 IOCTL_ZEPHRA_SEND_MESSAGE in=36")) << log;

    // The last device leaves: the service closes its server connection; only ours stays.
    ASSERT_EQ(0, SimSendCommand(ZEPHRA_CONTROL_DEVICE_NAME, "unplug QV000001", &log));
    EXPECT_TRUE(WaitForStatus("connections 1\n", 10000, &status)) << status;

    client.CloseDriver();
    SimSendCommand(ZEPHRA_CONTROL_DEVICE_NAME, "quit", &log);
    EXPECT_TRUE(sim.Wait(10000));
}

} // namespace
