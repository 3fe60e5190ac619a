#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>
#include "ZephraClient.h"
#include "ZephraDevice.h"
#include "ZephraDriver.h"
#include "ZephraSim.h"

namespace {

const wchar_t* const kName = L"ZephraSimCommandTest";

// A simulator with device QV1 (echo) and QV2, a main client, a server and a bound device
// connection per device.
class SimCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, sim.Start(kName, false));
        Command("plug QV1 echo");
        Command("plug QV2");
        ASSERT_EQ(0u, client.OpenAsClient(kName));
        ZephraMessage welcome; // the driver's first 3030 for a main client
        ASSERT_EQ(0u, client.NextNotification(&welcome));
        ASSERT_EQ(0u, server.OpenAsServer(kName));
        bool changed = false;
        ASSERT_EQ(0u, client.RefreshDevices(&changed));
        ASSERT_EQ(2u, client.GetDeviceCount());
        Drain(&server);
    }

    void Command(const std::string& line) { ASSERT_TRUE(sim.Execute(line).done) << line; }

    ZephraDevice* Device(size_t index) { return client.GetDeviceAt(index); }

    // The u32 at offset of a request's reply; 0xFFFFFFFF when the request failed.
    uint32_t ReplyWord(ZephraApiContext* on, uint32_t code, const std::vector<uint8_t>& in, uint32_t outSize,
                       uint32_t offset)
    {
        std::vector<uint8_t> out(outSize, 0);
        uint32_t returned = 0;
        if (on->DoRequest(code, in.empty() ? nullptr : in.data(), static_cast<uint32_t>(in.size()), out.data(),
                          outSize, &returned) != 0 || offset + 4 > returned)
            return 0xFFFFFFFF;
        uint32_t word;
        memcpy(&word, out.data() + offset, 4);
        return word;
    }

    // The notifications queued for a connection: code and first payload word (0 without).
    static std::vector<std::pair<uint32_t, uint32_t>> Drain(ZephraDriver* driver)
    {
        std::vector<std::pair<uint32_t, uint32_t>> seen;
        ZephraMessage record;
        while (driver->NextNotification(&record) == 0) {
            uint32_t first = 0;
            if (record.payloadLength >= 4)
                memcpy(&first, record.payload, 4);
            seen.push_back({record.code, first});
        }
        return seen;
    }

    ZephraSim sim;
    ZephraClient client;
    ZephraDriver server;
};

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words)
{
    std::vector<uint8_t> bytes(words.size() * 4);
    memcpy(bytes.data(), words.begin(), bytes.size());
    return bytes;
}

std::vector<uint8_t> PluginQuery(uint32_t parameter)
{
    std::vector<uint8_t> record(sizeof(ZephraPluginRecord), 0);
    memcpy(record.data(), &parameter, 4);
    return record;
}

TEST_F(SimCommandTest, CommandsChangeWhatRequestsReturn)
{
    ZephraApiContext* qv1 = Device(0);
    const uint32_t dsd = 2822400;
    const uint32_t level = static_cast<uint16_t>(-1250);
    struct Row
    {
        const char* line;
        bool onDevice;
        uint32_t code;
        std::vector<uint8_t> in;
        uint32_t outSize;
        uint32_t offset;
        uint32_t expected;
    };
    const Row rows[] = {
        {"version 3.1.200 debug interface 2.7", false, IOCTL_ZEPHRA_GET_VERSION, {}, 24, 16, 200},
        {"version 3.1.201 debug interface 2.7", false, IOCTL_ZEPHRA_GET_VERSION, {}, 24, 20, 1},
        {"version 3.1.201 debug interface 2.7", false, IOCTL_ZEPHRA_GET_VERSION, {}, 24, 4, 7},
        {"version 4.0.1", false, IOCTL_ZEPHRA_GET_VERSION, {}, 24, 20, 0},
        {"version 4.0.1", false, IOCTL_ZEPHRA_GET_VERSION, {}, 24, 4, 7},
        {"rates 44100 48000 2822400", false, IOCTL_ZEPHRA_GET_SAMPLE_RATES, {}, 56, 4, 3},
        {"rates 44100 48000 2822400", false, IOCTL_ZEPHRA_GET_SAMPLE_RATES, {}, 56, 16, dsd},
        {"host rate 2822400", false, IOCTL_ZEPHRA_GET_SAMPLE_RATES, {}, 56, 0, dsd},
        {"host rate 2822400", false, IOCTL_ZEPHRA_GET_STREAMING_STATUS, {}, 36, 8, dsd},
        {"host buffers 5 3", false, IOCTL_ZEPHRA_GET_BUFFER_SIZES, {}, 32, 0, 5},
        {"host buffers 5 3", false, IOCTL_ZEPHRA_GET_BUFFER_SIZES, {}, 32, 4, 3},
        {"echo QV1 5 250", true, IOCTL_ZEPHRA_PLUGIN_GET, PluginQuery(0), 520, 4, 5},
        {"echo QV1 5 250", true, IOCTL_ZEPHRA_PLUGIN_GET, PluginQuery(1), 520, 4, 250},
        {"echo QV1 off", true, IOCTL_ZEPHRA_PLUGIN_GET, PluginQuery(0), 520, 4, 0xFFFFFFFF},
        {"levels QV1 -12.5", true, IOCTL_ZEPHRA_MIXER_GET_OUTPUT_LEVELS, Words({0, 0}), 8, 4, level},
        {"levels QV1 -12.5", true, IOCTL_ZEPHRA_MIXER_GET_INPUT_LEVELS, Words({0, 0}), 8, 4, level},
        {"pins QV1 1 7 7 0:9", true, IOCTL_ZEPHRA_MIXER_GET_PINS, Words({1}), 72, 4, 0x00000107},
        {"pins QV1 1 7 7 0:9", true, IOCTL_ZEPHRA_MIXER_GET_PINS, Words({1}), 72, 8, 0x00000900},
        {"pins QV1 0", true, IOCTL_ZEPHRA_MIXER_GET_PINS, Words({0}), 104, 0, 0xFFFFFFFF},
        {"port QV1 usb11", false, IOCTL_ZEPHRA_GET_DEVICE_LIST, {}, 1124, 4 + 136, 0x00010000},
        {"port QV1 high", false, IOCTL_ZEPHRA_GET_DEVICE_LIST, {}, 1124, 4 + 136, 0x00010001},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        SCOPED_TRACE(row.offset);
        Command(row.line);
        EXPECT_EQ(row.expected, ReplyWord(row.onDevice ? qv1 : &client, row.code, row.in, row.outSize, row.offset));
    }

    std::string status = sim.Execute("status").text;
    for (const char* shown : {"driver 4.0.1 release, interface 2.7", "rate 2822400 Hz", "rates 44100 48000 2822400",
                              "buffers: streaming 5", "asio 3", "levels held at -1250", "0 outputs, 3 hardware"}) {
        EXPECT_NE(std::string::npos, status.find(shown)) << shown << "\n" << status;
    }
    Command("levels QV1 moving");
    EXPECT_NE(level, ReplyWord(qv1, IOCTL_ZEPHRA_MIXER_GET_INPUT_LEVELS, Words({0, 0}), 8, 4));

    Command("version 1.0.0 interface 3.0");
    ZephraApiContext late;
    EXPECT_EQ(ZEPHRA_STATUS_VERSION_MISMATCH, late.Open(kName));
}

TEST_F(SimCommandTest, DriverChangesReachTheControlPanel)
{
    ZephraDevice* qv1 = Device(0);
    ZephraDevice* qv2 = Device(1);
    ZephraDriver other;
    ASSERT_EQ(0u, other.Open(kName));
    ZephraDevice* bypasser = nullptr;
    bool changed = false;
    ASSERT_EQ(0u, server.RefreshDevices(&changed));
    bypasser = server.GetDeviceAt(1);
    ASSERT_NE(nullptr, bypasser);
    const uint32_t id1 = qv1->GetIdFirst(), id2 = qv2->GetIdFirst();
    typedef std::vector<std::pair<uint32_t, uint32_t>> Seen;
    struct Row
    {
        const char* what;
        std::function<void()> act;
        Seen toClient;
    };
    const Row rows[] = {
        {"host rate", [&] { Command("host rate 96000"); }, {{3001, 0}}},
        {"host buffers", [&] { Command("host buffers 0 0"); }, {{3001, 0}}},
        {"port", [&] { Command("port QV2 usb11"); }, {{3040, id2}}},
        {"same port again", [&] { Command("port QV2 usb11"); }, {}},
        {"port back", [&] { Command("port QV2 high"); }, {{3040, id2}}},
        {"bypass by the server's device connection", [&] { ASSERT_EQ(0u, bypasser->SetVolumeBypass(true)); },
         {{3040, id2}}},
        {"bypass unchanged", [&] { ASSERT_EQ(0u, bypasser->SetVolumeBypass(true)); }, {}},
        {"bypass by the client's own device connection", [&] { ASSERT_EQ(0u, qv2->SetVolumeBypass(false)); },
         {{3040, id2}}},
        {"streaming selection", [&] { ASSERT_EQ(0u, server.SetStreamingDevice({id2, qv2->GetIdSecond(), 0})); },
         {{3040, id1}, {3040, id2}}},
        {"all devices", [&] { ASSERT_EQ(0u, server.SetStreamingDevice({0, 0, 1})); }, {{3040, id1}}},
        {"unplug", [&] { Command("unplug QV2"); }, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        row.act();
        EXPECT_EQ(row.toClient, Drain(&client));
        for (const auto& seen : Drain(&server))
            EXPECT_TRUE(seen.first != 3001 && seen.first != 3040) << seen.first << " is for the control panel";
    }
    Command("plug QV3");
    ASSERT_EQ(0u, server.SetStreamingDevice({0, 0, 0}));
    Drain(&client);
    Command("unplug QV1");
    EXPECT_EQ(Seen(), Drain(&client)) << "a device taking over streaming comes with the new device list";
}

TEST_F(SimCommandTest, FailuresHitOnlyWhatTheyName)
{
    ZephraDevice* qv1 = Device(0);
    ZephraDevice* qv2 = Device(1);
    ZephraChannelList channels;
    ASSERT_EQ(0u, client.GetInputChannels(&channels));
    ASSERT_GE(channels.count, 2u);
    const ZephraChannelKey first = channels.keys[0], second = channels.keys[1];
    char keyWords[40];
    snprintf(keyWords, sizeof(keyWords), "%lu:%lu", static_cast<unsigned long>(first.words[0]),
             static_cast<unsigned long>(first.words[1]));
    Command("fail MIXER_GET_PINS not_supported QV2");
    Command(std::string("fail IOCTL_ZEPHRA_GET_CHANNEL_INFO 0xE0000040 key ") + keyWords + " once");
    Command("fail get_options ZEPHRA_STATUS_DEVICE_REMOVED once");
    Command("reply GET_STREAMING_STATUS short");

    ZephraMixerPin pins[26];
    uint32_t count = 0;
    ZephraChannelInfo info;
    uint32_t options = 0;
    ZephraStreamingStatus status;
    uint32_t returned = 0;
    struct Row
    {
        const char* what;
        std::function<ZephraStatus()> request;
        ZephraStatus expected;
    };
    const Row rows[] = {
        {"pins of the named device", [&] { return qv2->GetMixerPins(ZEPHRA_PIN_CLASS_OUTPUTS, pins, 26, &count); },
         ZEPHRA_STATUS_NOT_SUPPORTED},
        {"pins of another device", [&] { return qv1->GetMixerPins(ZEPHRA_PIN_CLASS_OUTPUTS, pins, 26, &count); }, 0},
        {"the named key", [&] { return client.GetChannelInfo(first, &info); }, ZEPHRA_STATUS_OBJECT_NOT_FOUND},
        {"the named key again", [&] { return client.GetChannelInfo(first, &info); }, 0},
        {"another key", [&] { return client.GetChannelInfo(second, &info); }, 0},
        {"options once", [&] { return client.GetOptions(&options); }, ZEPHRA_STATUS_DEVICE_REMOVED},
        {"options after", [&] { return client.GetOptions(&options); }, 0},
        {"short reply",
         [&] { return client.DoRequest(IOCTL_ZEPHRA_GET_STREAMING_STATUS, nullptr, 0, &status, 36, &returned) == 0 &&
                      returned == 35 ? 0 : ZEPHRA_STATUS_FAILED; }, 0},
        {"full reply after",
         [&] { return client.DoRequest(IOCTL_ZEPHRA_GET_STREAMING_STATUS, nullptr, 0, &status, 36, &returned) == 0 &&
                      returned == 36 ? 0 : ZEPHRA_STATUS_FAILED; }, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.expected, row.request());
    }
    EXPECT_NE(std::string::npos, sim.Execute("status").text.find("fail IOCTL_ZEPHRA_MIXER_GET_PINS "
                                                                  "ZEPHRA_STATUS_NOT_SUPPORTED QV2\n"));

    // A device whose bind fails is left out of a refresh.
    Command("fail SELECT_DEVICE IN_USE QV1");
    ZephraDriver fresh;
    ASSERT_EQ(0u, fresh.OpenAsObserver(kName, ZEPHRA_CLIENT_OBSERVER));
    bool changed = false;
    EXPECT_EQ(0u, fresh.RefreshDevices(&changed));
    ASSERT_EQ(1u, fresh.GetDeviceCount());
    EXPECT_EQ(qv2->GetIdFirst(), fresh.GetDeviceAt(0)->GetIdFirst());
    Command("fail clear");
    EXPECT_EQ(0u, qv2->GetMixerPins(ZEPHRA_PIN_CLASS_OUTPUTS, pins, 26, &count));
    EXPECT_EQ(std::string::npos, sim.Execute("status").text.find("fail "));
}

TEST_F(SimCommandTest, HeldServerLeavesRequestsToTimeOut)
{
    server.CloseDriver();
    for (int i = 0; i < 200 && sim.ConnectionCount() != 3; ++i)
        Sleep(10);
    Command("server hold");
    EXPECT_FALSE(sim.Execute("server hold").done);
    ZephraDriver late;
    EXPECT_EQ(ZEPHRA_STATUS_ALREADY_DONE, late.OpenAsServer(kName)) << "the simulator has the slot";
    EXPECT_EQ(ZEPHRA_STATUS_TIMEOUT, client.RequestSetSampleRate(44100, 200));
    EXPECT_NE(std::string::npos, sim.Execute("status").text.find("server held by the simulator, 1 requests"));
    SimCommandResult released = sim.Execute("server release");
    EXPECT_TRUE(released.done);
    EXPECT_EQ("server released, 1 requests dropped\n", released.text);
    EXPECT_FALSE(sim.Execute("server release").done);
    EXPECT_EQ(ZEPHRA_STATUS_NO_SERVER, client.RequestSetSampleRate(44100, 200));
    EXPECT_EQ(0u, late.OpenAsServer(kName));
}

TEST_F(SimCommandTest, BadLinesAreRefusedWithAReason)
{
    const char* const refused[] = {
        "", "frobnicate", "help me", "status now", "quit now", "log IOCTL_ZEPHRA_NOTHING",
        "version", "version 1.2", "version 1.2.3.4", "version 1..3", "version 1.2.x", "version 1.2.3 fast",
        "version 1.2.3 interface", "version 1.2.3 interface 2", "version 1.2.3 release debug",
        "rates", "rates 0", "rates 44100 44100", "rates 7999", "rates 5644801", "rates 48000 x",
        "rates 1 2 3 4 5 6 7 8 9 10 11 12 13",
        "host", "host rate", "host rate 12345", "host buffers 6 0", "host buffers 0 4", "host buffers 1",
        "fail", "fail GET_VERSION", "fail NOTHING 5", "fail GET_VERSION 0", "fail GET_VERSION NOT_A_STATUS",
        "fail GET_VERSION NO_DEVICE QV1", "fail GET_CHANNEL_INFO NO_DEVICE key 1", "fail GET_CHANNEL_INFO 5 key",
        "fail MIXER_GET_PINS NO_DEVICE key 1:2", "fail MIXER_GET_PINS 5 QV1 QV2",
        "reply GET_VERSION", "reply GET_VERSION long", "reply SET_OPTIONS short", "reply NOTHING short",
        "pins QV1", "pins QV1 3", "pins NOBODY 0", "pins QV1 0 256", "pins QV1 0 0:256", "pins QV1 0 0:1 0:1",
        "pins QV1 0 a", "echo QV1", "echo QV1 65 10", "echo QV1 2 60001", "echo NOBODY 2 100", "echo QV1 on",
        "levels QV1", "levels QV1 loud", "levels QV1 -12.345", "levels QV1 400", "levels NOBODY 0",
        "server", "server take", "server release", "port QV1", "port QV1 fast", "port NOBODY high",
        "notify", "notify 30x", "notify 3040 -1", "streams 1 2 3", "state 6", "winvol QV1 0",
    };
    for (const char* line : refused) {
        SCOPED_TRACE(line);
        SimCommandResult result = sim.Execute(line);
        EXPECT_FALSE(result.done);
        EXPECT_FALSE(result.text.empty());
    }
    std::string usage = sim.Execute("version 1.2").text;
    EXPECT_EQ(0u, usage.find("usage: version MAJOR.MINOR.BUILD")) << usage;
}

TEST_F(SimCommandTest, HelpStatusAndLogDescribeTheSimulator)
{
    std::string help = sim.Execute("help").text;
    std::istringstream lines(help);
    std::string line;
    std::vector<std::string> names;
    while (std::getline(lines, line))
        names.push_back(line.substr(0, line.find(' ')));
    const std::vector<std::string> expected = {"help", "status", "log", "quit", "plug", "unplug", "model",
                                               "port", "streams", "errors", "state", "notify", "winvol",
                                               "version", "rates", "host", "fail", "reply", "pins", "echo",
                                               "levels", "server"};
    EXPECT_EQ(expected, names) << help;
    for (const std::string& name : expected) {
        SCOPED_TRACE(name);
        EXPECT_NE("unknown command", sim.Execute(name).text.substr(0, 15));
    }

    std::string status = sim.Execute("status").text;
    EXPECT_NE(std::string::npos, status.find("type 2 (main client), not bound, events message notification"))
        << status;
    EXPECT_NE(std::string::npos, status.find("type -1 (no type yet), bound to QV2")) << status;
    EXPECT_NE(std::string::npos, status.find("type 0 (server), not bound")) << status;

    sim.ClearLog();
    uint32_t options = 0;
    ZephraStreamingStatus streaming;
    client.GetOptions(&options);
    client.GetStreamingStatus(&streaming);
    client.GetOptions(&options);
    std::string log = sim.Execute("log get_options").text;
    EXPECT_EQ(2u, static_cast<size_t>(std::count(log.begin(), log.end(), '\n'))) << log;
    EXPECT_EQ(std::string::npos, log.find("STREAMING_STATUS")) << log;
    log = sim.Execute("log 0x808820d0 IOCTL_ZEPHRA_GET_OPTIONS").text;
    EXPECT_EQ(3u, static_cast<size_t>(std::count(log.begin(), log.end(), '\n'))) << log;
}

} // namespace
