#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "ZephraDriver.h"
#include "ZephraSim.h"

namespace {

const wchar_t* const kName = L"ZephraStreamTest";

class StreamTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, sim.Start(kName));
        ASSERT_EQ(0u, driver.OpenAsObserver(kName, ZEPHRA_CLIENT_OBSERVER));
    }

    void Command(const std::string& line) { ASSERT_TRUE(sim.Execute(line).done) << line; }

    uint32_t State()
    {
        ZephraStreamingStatus status;
        EXPECT_EQ(0u, driver.GetStreamingStatus(&status));
        return status.state;
    }

    // Brings the engine to state (1 to 4) with the streaming commands.
    void MoveTo(uint32_t state)
    {
        const uint32_t path[] = {ZEPHRA_STREAM_CMD_OPEN, ZEPHRA_STREAM_CMD_PREPARE, ZEPHRA_STREAM_CMD_START};
        Command("state 1");
        for (uint32_t i = 0; i + 1 < state; ++i)
            ASSERT_EQ(0u, driver.StreamingCommand(path[i], 0));
        ASSERT_EQ(state, State());
    }

    ZephraSim sim;
    ZephraDriver driver;
};

TEST_F(StreamTest, EveryRequestTravelsWithItsSizes)
{
    Command("plug A");
    ZephraSampleRates rates;
    ZephraBufferSizes sizes;
    ZephraStreamingStatus status;
    ZephraErrorCounters errors;
    ZephraChannelList channels;
    ZephraChannelInfo info;
    uint32_t options = 0;
    sim.ClearLog();
    ASSERT_EQ(0u, driver.GetSampleRates(&rates));
    ASSERT_EQ(0u, driver.GetBufferSizes(&sizes));
    ASSERT_EQ(0u, driver.GetStreamingStatus(&status));
    ASSERT_EQ(0u, driver.GetErrorCounters(&errors));
    ASSERT_EQ(0u, driver.GetInputChannels(&channels));
    ASSERT_EQ(0u, driver.GetOutputChannels(&channels));
    ASSERT_EQ(0u, driver.GetChannelInfo(channels.keys[0], &info));
    ASSERT_EQ(0u, driver.GetOptions(&options));
    ASSERT_EQ(0u, driver.PrepareSampleRate(96000));
    ASSERT_EQ(0u, driver.SetSampleRate(96000));
    ASSERT_EQ(0u, driver.SetBufferSizes({1, 2, 0}));
    ASSERT_EQ(0u, driver.SetOptions(1));
    ASSERT_EQ(0u, driver.SetStreamingDevice({0, 0, 1}));
    ASSERT_EQ(0u, driver.StreamingCommand(ZEPHRA_STREAM_CMD_OPEN, 1));

    struct Row { uint32_t code; uint32_t in; uint32_t out; };
    const Row rows[] = {
        {IOCTL_ZEPHRA_GET_SAMPLE_RATES, 0, 56},     {IOCTL_ZEPHRA_GET_BUFFER_SIZES, 0, 32},
        {IOCTL_ZEPHRA_GET_STREAMING_STATUS, 0, 36}, {IOCTL_ZEPHRA_GET_ERROR_COUNTERS, 0, 20},
        {IOCTL_ZEPHRA_GET_INPUT_CHANNELS, 0, 772},  {IOCTL_ZEPHRA_GET_OUTPUT_CHANNELS, 0, 772},
        {IOCTL_ZEPHRA_GET_CHANNEL_INFO, 8, 108},    {IOCTL_ZEPHRA_GET_OPTIONS, 0, 4},
        {IOCTL_ZEPHRA_PREPARE_SAMPLE_RATE, 4, 0},   {IOCTL_ZEPHRA_SET_SAMPLE_RATE, 4, 0},
        {IOCTL_ZEPHRA_SET_BUFFER_SIZES, 12, 0},     {IOCTL_ZEPHRA_SET_OPTIONS, 4, 0},
        {IOCTL_ZEPHRA_SET_STREAMING_DEVICE, 12, 0}, {IOCTL_ZEPHRA_STREAMING_COMMAND, 8, 0},
    };
    std::vector<SimLogEntry> log = sim.Log();
    ASSERT_EQ(sizeof(rows) / sizeof(rows[0]), log.size());
    for (size_t i = 0; i < log.size(); ++i) {
        SCOPED_TRACE(ZephraSim::FormatLogEntry(log[i]));
        EXPECT_EQ(rows[i].code, log[i].code);
        EXPECT_EQ(rows[i].in, log[i].inSize);
        EXPECT_EQ(rows[i].out, log[i].outSize);
    }
    std::vector<SimStreamingCommand> commands = sim.StreamingCommands();
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ(ZEPHRA_STREAM_CMD_OPEN, commands[0].command);
    EXPECT_EQ(1u, commands[0].argument);
}

TEST_F(StreamTest, SettingsWrittenAreReadBack)
{
    Command("plug A");
    Command("plug B");
    ASSERT_EQ(0u, driver.SetSampleRate(2822400));
    ASSERT_EQ(0u, driver.SetBufferSizes({5, 3, 77}));
    ASSERT_EQ(0u, driver.SetOptions(0x80000001));
    ASSERT_EQ(0u, driver.SetStreamingDevice({0, 0, 1}));

    ZephraSampleRates rates;
    ASSERT_EQ(0u, driver.GetSampleRates(&rates));
    EXPECT_EQ(2822400u, rates.current);
    std::vector<uint32_t> listed(rates.rates, rates.rates + rates.count);
    EXPECT_NE(listed.end(), std::find(listed.begin(), listed.end(), 2822400u));
    EXPECT_NE(listed.end(), std::find(listed.begin(), listed.end(), 5644800u));

    ZephraBufferSizes sizes;
    ASSERT_EQ(0u, driver.GetBufferSizes(&sizes));
    EXPECT_EQ(5u, sizes.streamingSetting);
    EXPECT_EQ(3u, sizes.asioSetting);
    EXPECT_EQ(77u, sizes.thirdSetting);

    uint32_t options = 0;
    ASSERT_EQ(0u, driver.GetOptions(&options));
    EXPECT_EQ(0x80000001u, options);

    ZephraStreamingStatus status;
    ASSERT_EQ(0u, driver.GetStreamingStatus(&status));
    EXPECT_EQ(ZEPHRA_STREAM_MODE_ALL_DEVICES, status.mode);
    EXPECT_EQ(2822400u, status.sampleRate);
    bool changed = false;
    ASSERT_EQ(0u, driver.RefreshDevices(&changed));
    ASSERT_EQ(2u, driver.GetDeviceCount());
    EXPECT_TRUE(driver.GetDeviceAt(0)->IsStreamingDevice());
    EXPECT_TRUE(driver.GetDeviceAt(1)->IsStreamingDevice()) << "all devices stream";

    // Back to one device, then the second one.
    ZephraDevice* second = driver.GetDeviceAt(1);
    ASSERT_EQ(0u, driver.SetStreamingDevice({0, 0, 0}));
    ASSERT_EQ(0u, driver.SetStreamingDevice({second->GetIdFirst(), second->GetIdSecond(), 0}));
    ASSERT_EQ(0u, driver.RefreshDevices(&changed));
    EXPECT_FALSE(driver.GetDeviceAt(0)->IsStreamingDevice());
    EXPECT_TRUE(driver.GetDeviceAt(1)->IsStreamingDevice());
    ASSERT_EQ(0u, driver.GetStreamingStatus(&status));
    EXPECT_EQ(ZEPHRA_STREAM_MODE_ONE_DEVICE, status.mode);

    std::string text = sim.Execute("status").text;
    EXPECT_NE(std::string::npos, text.find("rate 2822400 Hz")) << text;
    EXPECT_NE(std::string::npos, text.find("options 0x80000001")) << text;
    EXPECT_NE(std::string::npos, text.find("buffers: streaming 5")) << text;
}

TEST_F(StreamTest, BufferDurationsFollowTheSettingsAndTheRate)
{
    ASSERT_EQ(0u, driver.SetBufferSizes({0, 1, 0}));
    ZephraBufferSizes at48;
    ASSERT_EQ(0u, driver.GetBufferSizes(&at48));
    ASSERT_EQ(0u, driver.SetSampleRate(96000));
    ZephraBufferSizes at96;
    ASSERT_EQ(0u, driver.GetBufferSizes(&at96));
    EXPECT_EQ(2 * at48.asioSamples, at96.asioSamples);
    EXPECT_EQ(at48.asioDuration, at96.asioDuration) << "the same time at twice the rate";
    EXPECT_EQ(uint64_t(at96.asioSamples) * 1000000 / 96000, at96.asioDuration);
    ASSERT_EQ(0u, driver.SetBufferSizes({1, 2, 0}));
    ZephraBufferSizes larger;
    ASSERT_EQ(0u, driver.GetBufferSizes(&larger));
    EXPECT_GT(larger.streamingDuration, at96.streamingDuration);
    EXPECT_GT(larger.asioSamples, at96.asioSamples);
}

TEST_F(StreamTest, RefusedSettingsChangeNothing)
{
    Command("plug A");
    struct Row { const char* what; uint32_t state; ZephraStatus expected; ZephraStatus (*change)(ZephraDriver&); };
    const Row rows[] = {
        {"rate not supported", 1, ZEPHRA_STATUS_UNSUPPORTED_SAMPLE_RATE,
         [](ZephraDriver& d) { return d.SetSampleRate(12345); }},
        {"rate while ready", 2, ZEPHRA_STATUS_INVALID_STATE, [](ZephraDriver& d) { return d.SetSampleRate(96000); }},
        {"rate while running", 4, ZEPHRA_STATUS_INVALID_STATE,
         [](ZephraDriver& d) { return d.SetSampleRate(96000); }},
        {"streaming buffer out of range", 1, ZEPHRA_STATUS_INVALID_BUFFER_SIZE,
         [](ZephraDriver& d) { return d.SetBufferSizes({6, 0, 0}); }},
        {"ASIO buffer out of range", 1, ZEPHRA_STATUS_INVALID_BUFFER_SIZE,
         [](ZephraDriver& d) { return d.SetBufferSizes({0, 4, 0}); }},
        {"buffers while prepared", 3, ZEPHRA_STATUS_INVALID_STATE,
         [](ZephraDriver& d) { return d.SetBufferSizes({0, 0, 0}); }},
        {"unknown device", 1, ZEPHRA_STATUS_NO_DEVICE,
         [](ZephraDriver& d) { return d.SetStreamingDevice({99, 99, 0}); }},
        {"all-devices flag 2", 1, ZEPHRA_STATUS_INVALID_PARAMETER,
         [](ZephraDriver& d) { return d.SetStreamingDevice({0, 0, 2}); }},
        {"device while ready", 2, ZEPHRA_STATUS_INVALID_STATE,
         [](ZephraDriver& d) { return d.SetStreamingDevice({0, 0, 1}); }},
        {"prepare unsupported rate", 4, ZEPHRA_STATUS_UNSUPPORTED_SAMPLE_RATE,
         [](ZephraDriver& d) { return d.PrepareSampleRate(1000); }},
    };
    const std::string before = sim.Execute("status").text;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MoveTo(row.state);
        EXPECT_EQ(row.expected, row.change(driver));
        Command("state 1");
        EXPECT_EQ(before, sim.Execute("status").text);
    }
}

TEST_F(StreamTest, CommandsAreTakenOnlyInTheirStates)
{
    // Accepted states of each command, as a bit mask over the states 0 to 6.
    const uint32_t accepted[7] = {0, 1u << 5 | 1u << 6, 1u << 1, 1u << 2, 1u << 2, 1u << 3, 1u << 3 | 1u << 4};
    const uint32_t next[7] = {0, 1, 2, 1, 3, 4, 2};
    for (uint32_t state = 0; state <= 6; ++state) {
        for (uint32_t command = 1; command <= 6; ++command) {
            SCOPED_TRACE("state " + std::to_string(state) + " command " + std::to_string(command));
            sim.Execute("unplug A"); // refused the first time: no device yet
            Command(state == 6 ? "plug A usb11" : "plug A");
            if (state != 6) {
                if (state >= 1 && state <= 4)
                    MoveTo(state);
                else
                    Command("state " + std::to_string(state));
            }
            ASSERT_EQ(state, State());
            bool ok = (accepted[command] >> state & 1) != 0;
            EXPECT_EQ(ok ? 0u : ZEPHRA_STATUS_INVALID_STATE, driver.StreamingCommand(command, 0));
            EXPECT_EQ(ok ? next[command] : state, State());
        }
    }
    Command("state 1");
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_COMMAND, driver.StreamingCommand(7, 0));
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_PARAMETER, driver.StreamingCommand(ZEPHRA_STREAM_CMD_RESET, 1));
}

TEST_F(StreamTest, UsbOnePortBlocksOnlyWhileItsDeviceStreams)
{
    Command("plug FAST");
    Command("plug SLOW usb11");
    EXPECT_EQ(ZEPHRA_STREAM_DOWN, State()) << "the first device streams and is high speed";
    ASSERT_EQ(0u, driver.SetStreamingDevice({0, 0, 1}));
    EXPECT_EQ(ZEPHRA_STREAM_NOT_POSSIBLE, State()) << "all devices: the slow one with them";

    // Reset, then the attempt to open fails and the state shows why again.
    ASSERT_EQ(0u, driver.StreamingCommand(ZEPHRA_STREAM_CMD_RESET, 0));
    EXPECT_EQ(ZEPHRA_STREAM_DOWN, State());
    EXPECT_EQ(ZEPHRA_STATUS_NOT_IN_HIGH_SPEED_MODE, driver.StreamingCommand(ZEPHRA_STREAM_CMD_OPEN, 0));
    EXPECT_EQ(ZEPHRA_STREAM_NOT_POSSIBLE, State());

    ASSERT_EQ(0u, driver.StreamingCommand(ZEPHRA_STREAM_CMD_RESET, 0));
    ASSERT_EQ(0u, driver.SetStreamingDevice({0, 0, 0}));
    EXPECT_EQ(ZEPHRA_STREAM_DOWN, State()) << "one device again: the fast one";
    EXPECT_EQ(0u, driver.StreamingCommand(ZEPHRA_STREAM_CMD_OPEN, 0));
    EXPECT_EQ(ZEPHRA_STREAM_READY, State());

    Command("unplug FAST");
    EXPECT_EQ(ZEPHRA_STREAM_NOT_POSSIBLE, State()) << "the slow device became the streaming device";
    Command("unplug SLOW");
    EXPECT_EQ(ZEPHRA_STREAM_DOWN, State()) << "no device: nothing streams";
    EXPECT_EQ(ZEPHRA_STATUS_NO_DEVICES, driver.StreamingCommand(ZEPHRA_STREAM_CMD_OPEN, 0));
}

TEST_F(StreamTest, ChannelsNameTheirDevices)
{
    ZephraChannelList list;
    ASSERT_EQ(0u, driver.GetInputChannels(&list));
    EXPECT_EQ(0u, list.count) << "no device, no channels";

    for (const char* serial : {"S1", "S2", "S3", "S4", "S5", "S6", "S7"})
        Command(std::string("plug ") + serial);
    bool changed = false;
    ASSERT_EQ(0u, driver.RefreshDevices(&changed));
    ASSERT_EQ(0u, driver.GetOutputChannels(&list));
    ASSERT_EQ(16u, list.count) << "one streaming device";
    ZephraChannelInfo info;
    ASSERT_EQ(0u, driver.GetChannelInfo(list.keys[3], &info));
    EXPECT_EQ(driver.GetDeviceAt(0)->GetIdFirst(), info.idFirst);
    EXPECT_EQ(driver.GetDeviceAt(0)->GetIdSecond(), info.idSecond);
    EXPECT_EQ(std::wstring(L"Out 4"), info.name);

    ASSERT_EQ(0u, driver.SetStreamingDevice({0, 0, 1}));
    ASSERT_EQ(0u, driver.GetInputChannels(&list));
    EXPECT_EQ(ZEPHRA_MAX_CHANNELS, list.count) << "seven devices fill the record exactly";
    ASSERT_EQ(0u, driver.GetChannelInfo(list.keys[95], &info));
    EXPECT_EQ(driver.GetDeviceAt(5)->GetIdFirst(), info.idFirst);
    EXPECT_EQ(std::wstring(L"Analog In 16"), info.name);

    EXPECT_EQ(ZEPHRA_STATUS_OBJECT_NOT_FOUND, driver.GetChannelInfo({{999, 0}}, &info));
    EXPECT_EQ(0u, info.idFirst) << "zero on failure";
}

TEST_F(StreamTest, CountsAndNamesStayWithinTheirRecords)
{
    Command("plug A");
    sim.SetNextReplyWord(IOCTL_ZEPHRA_GET_SAMPLE_RATES, 4, 500);
    ZephraSampleRates rates;
    ASSERT_EQ(0u, driver.GetSampleRates(&rates));
    EXPECT_EQ(ZEPHRA_MAX_SAMPLE_RATES, rates.count);

    for (uint32_t code : {IOCTL_ZEPHRA_GET_INPUT_CHANNELS, IOCTL_ZEPHRA_GET_OUTPUT_CHANNELS}) {
        SCOPED_TRACE(code);
        sim.SetNextReplyWord(code, 0, 0xFFFFFFFF);
        ZephraChannelList list;
        ASSERT_EQ(0u, code == IOCTL_ZEPHRA_GET_INPUT_CHANNELS ? driver.GetInputChannels(&list)
                                                              : driver.GetOutputChannels(&list));
        EXPECT_EQ(ZEPHRA_MAX_CHANNELS, list.count);
    }

    // A name that fills its field without a terminator ends inside the field.
    ZephraChannelList list;
    ASSERT_EQ(0u, driver.GetInputChannels(&list));
    sim.SetNextReplyWord(IOCTL_ZEPHRA_GET_CHANNEL_INFO, 104, 0x00410041);
    ZephraChannelInfo info;
    ASSERT_EQ(0u, driver.GetChannelInfo(list.keys[0], &info));
    EXPECT_EQ(0, info.name[ZEPHRA_CHANNEL_NAME_CHARS - 1]);
    EXPECT_EQ(L'A', info.name[ZEPHRA_CHANNEL_NAME_CHARS - 2]);
}

TEST_F(StreamTest, FailedReadsLeaveZeroRecordsAndTheStatus)
{
    Command("plug A");
    const ZephraStatus failure = ZEPHRA_STATUS_DEVICE_REMOVED;
    for (uint32_t code : {IOCTL_ZEPHRA_GET_SAMPLE_RATES, IOCTL_ZEPHRA_GET_STREAMING_STATUS,
                          IOCTL_ZEPHRA_GET_BUFFER_SIZES, IOCTL_ZEPHRA_GET_OPTIONS})
        sim.SetRequestFailure(code, failure);
    ZephraSampleRates rates;
    memset(&rates, 0xAB, sizeof(rates));
    EXPECT_EQ(failure, driver.GetSampleRates(&rates));
    ZephraStreamingStatus status;
    memset(&status, 0xAB, sizeof(status));
    EXPECT_EQ(failure, driver.GetStreamingStatus(&status));
    ZephraBufferSizes sizes;
    memset(&sizes, 0xAB, sizeof(sizes));
    EXPECT_EQ(failure, driver.GetBufferSizes(&sizes));
    uint32_t options = 0xABABABAB;
    EXPECT_EQ(failure, driver.GetOptions(&options));

    const uint8_t zero[56] = {};
    EXPECT_EQ(0, memcmp(&rates, zero, sizeof(rates)));
    EXPECT_EQ(0, memcmp(&status, zero, sizeof(status)));
    EXPECT_EQ(0, memcmp(&sizes, zero, sizeof(sizes)));
    EXPECT_EQ(0u, options);
}

TEST_F(StreamTest, ErrorCountersAsSet)
{
    Command("errors 1 2 3 4 4000000000");
    ZephraErrorCounters counters;
    ASSERT_EQ(0u, driver.GetErrorCounters(&counters));
    EXPECT_EQ(1u, counters.streaming);
    EXPECT_EQ(2u, counters.fifo);
    EXPECT_EQ(3u, counters.asio);
    EXPECT_EQ(4u, counters.wdmAudio);
    EXPECT_EQ(4000000000u, counters.wdmMidi);
    EXPECT_FALSE(sim.Execute("errors 1 2 3").done);
    EXPECT_FALSE(sim.Execute("streams 1 2 3 4 x").done);
    EXPECT_FALSE(sim.Execute("state 6").done);
}

TEST_F(StreamTest, StreamCountsTellTheServerOfDemand)
{
    ZephraDriver server;
    ASSERT_EQ(0u, server.OpenAsServer(kName));
    struct Row { const char* counts; uint32_t notification; };
    const Row rows[] = {
        {"0 0 1 0 0", 0},                           // the third count does not ask for streaming
        {"0 0 1 1 0", ZEPHRA_NOTIFY_STREAM_DEMAND}, // wanted now
        {"2 0 1 1 0", 0},                           // still wanted
        {"0 0 1 0 0", ZEPHRA_NOTIFY_STREAM_RELEASE},
        {"0 0 0 0 0", 0},
        {"0 0 0 0 9", ZEPHRA_NOTIFY_STREAM_DEMAND},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.counts);
        Command(std::string("streams ") + row.counts);
        ZephraMessage record;
        ZephraStatus status = server.NextNotification(&record);
        if (row.notification == 0) {
            EXPECT_EQ(ZEPHRA_STATUS_NO_MORE_ITEMS, status);
        } else {
            ASSERT_EQ(0u, status);
            EXPECT_EQ(row.notification, record.code);
            EXPECT_EQ(ZEPHRA_STATUS_NO_MORE_ITEMS, server.NextNotification(&record));
        }
    }
    ZephraStreamingStatus status;
    ASSERT_EQ(0u, driver.GetStreamingStatus(&status));
    EXPECT_EQ(9u, status.streamCounts[4]);
}

} // namespace
