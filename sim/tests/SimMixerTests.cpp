#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>
#include "SimMixer.h"
#include "ZephraIoctl.h"
#include "ZephraSim.h"

namespace {

ZephraMixerPin Pin(uint8_t type, uint8_t channel)
{
    return {type, channel, 0};
}

// Drives one mixer directly, with the time chosen by the test.
class SimMixerTest : public ::testing::Test
{
protected:
    template <typename T>
    ZephraStatus Request(uint32_t code, T* entries, uint32_t n, uint32_t* change = nullptr)
    {
        uint32_t size = n * sizeof(T);
        std::vector<uint8_t> out(size);
        uint32_t returned = 0;
        uint32_t ignored = 0;
        ZephraStatus status = mixer.Serve(code, reinterpret_cast<const uint8_t*>(entries), size, out.data(), size,
                                          &returned, echo, now, change ? change : &ignored);
        if (status == 0 && returned == size && size != 0)
            memcpy(entries, out.data(), size);
        return status;
    }

    int16_t Level(bool destination, const ZephraMixerPin& pin)
    {
        ZephraMixerLevel entry = {pin, 1, 0};
        uint32_t code = destination ? IOCTL_ZEPHRA_MIXER_GET_OUTPUT_LEVELS : IOCTL_ZEPHRA_MIXER_GET_INPUT_LEVELS;
        EXPECT_EQ(0u, Request(code, &entry, 1));
        return entry.level;
    }

    void SetGain(const ZephraMixerPin& pin, int16_t gain, uint8_t flags = 0)
    {
        ZephraMixerGain entry = {pin, 0, flags, gain};
        ASSERT_EQ(0u, Request(IOCTL_ZEPHRA_MIXER_SET_OUTPUT_GAINS, &entry, 1));
    }

    void Connect(const ZephraMixerPin& destination, const ZephraMixerPin& source, int16_t weight, bool connected)
    {
        ZephraMixerWeight entry = {destination, source, weight, uint8_t(connected ? 1 : 0), 0};
        ASSERT_EQ(0u, Request(IOCTL_ZEPHRA_MIXER_SET_WEIGHTS, &entry, 1));
    }

    void SetEcho(uint32_t parameter, uint32_t channel, uint32_t value)
    {
        ZephraPluginRecord record = {};
        record.parameter = parameter;
        record.count = 1;
        record.entries[0] = {channel, value};
        uint32_t returned = 0, change = 0;
        ASSERT_EQ(0u, mixer.Serve(IOCTL_ZEPHRA_PLUGIN_SET, reinterpret_cast<const uint8_t*>(&record), sizeof(record),
                                  nullptr, 0, &returned, true, now, &change));
    }

    SimMixer mixer;
    bool echo = false;
    uint32_t now = 100000;
    const ZephraMixerPin out0 = Pin(ZEPHRA_PIN_ANALOG, 0);
    const ZephraMixerPin play0 = Pin(ZEPHRA_PIN_PLAYBACK, 0);
};

TEST_F(SimMixerTest, SourceLevelsMoveWithinTheMetersRange)
{
    std::set<int16_t> seen;
    for (int tick = 0; tick < 150; ++tick) {
        now += 20;
        int16_t level = Level(false, play0);
        EXPECT_LE(level, -50);
        EXPECT_GT(level, -6000);
        seen.insert(level);
    }
    EXPECT_GT(seen.size(), 50u) << "a signal, not a constant";
    now = 12345;
    EXPECT_NE(Level(false, play0), Level(false, Pin(ZEPHRA_PIN_PLAYBACK, 1))) << "each channel has its own";
}

TEST_F(SimMixerTest, DestinationLevelsFollowRoutingGainAndMute)
{
    const ZephraMixerPin virtual0 = Pin(ZEPHRA_PIN_VIRTUAL, 0);
    for (int tick = 0; tick < 40; ++tick) {
        now += 37;
        SCOPED_TRACE(now);
        int16_t source = Level(false, play0);
        EXPECT_NEAR(source, Level(true, out0), 1) << "routed at 0 dB by default";
        EXPECT_EQ(-9600, Level(true, virtual0)) << "nothing routed to it";
    }

    SetGain(out0, -2000);
    Connect(virtual0, play0, -600, true);
    for (int tick = 0; tick < 40; ++tick) {
        now += 37;
        SCOPED_TRACE(now);
        int16_t source = Level(false, play0);
        EXPECT_NEAR(source - 2000, Level(true, out0), 1);
        EXPECT_NEAR(source - 600, Level(true, virtual0), 1);
    }

    // A second source adds to the sum; muting silences whatever is routed.
    int16_t single = Level(true, virtual0);
    Connect(virtual0, Pin(ZEPHRA_PIN_ANALOG, 0), 0, true);
    EXPECT_GT(Level(true, virtual0), single);
    SetGain(out0, 0, ZEPHRA_GAIN_FLAG_MUTED);
    EXPECT_EQ(-9600, Level(true, out0));
    // A weight kept while disconnected does not route.
    Connect(virtual0, Pin(ZEPHRA_PIN_ANALOG, 0), 0, false);
    EXPECT_NEAR(single, Level(true, virtual0), 1);
}

TEST_F(SimMixerTest, EchoAddsTheDelayedMixOnlyWhereTheDeviceHasIt)
{
    const ZephraMixerPin out1 = Pin(ZEPHRA_PIN_ANALOG, 1);
    SetEcho(ZEPHRA_PLUGIN_AMPLIFICATION, 0, 1000);
    SetEcho(ZEPHRA_PLUGIN_DELAY, 0, 100);
    const uint32_t start = now;
    std::vector<int16_t> dry0, dry1;
    for (int tick = 0; tick < 50; ++tick, now += 20) {
        dry0.push_back(Level(true, out0));
        dry1.push_back(Level(true, out1));
    }
    echo = true;
    now = start;
    int louder = 0;
    for (int tick = 0; tick < 50; ++tick, now += 20) {
        SCOPED_TRACE(tick);
        int16_t wet = Level(true, out0);
        EXPECT_GE(wet, dry0[tick]);
        louder += wet > dry0[tick] + 100;
        EXPECT_EQ(dry1[tick], Level(true, out1)) << "channel 1 has no echo set";
    }
    EXPECT_GT(louder, 40);
}

TEST(SimMixerCommands, PlugAndModelChooseTheLayout)
{
    ZephraSim sim;
    struct Row
    {
        const char* line;
        bool done;
    };
    const Row rows[] = {
        {"plug A model studio", true}, {"plug B", true},           {"plug C model", false},
        {"model A compact", true},     {"model B nothing", false}, {"model Z studio", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(row.done, sim.Execute(row.line).done);
    }
    std::vector<SimDevice> devices = sim.Devices();
    ASSERT_EQ(2u, devices.size());
    EXPECT_EQ(SimMixerModel::Compact, devices[0].mixer.Model()) << "switched back";
    EXPECT_EQ(SimMixerModel::Compact, devices[1].mixer.Model()) << "the default";
    ASSERT_TRUE(sim.Execute("model B studio").done);
    EXPECT_EQ(26u, sim.Devices()[1].mixer.Pins(ZEPHRA_PIN_CLASS_OUTPUTS).size());
    std::string status = sim.Execute("status").text;
    EXPECT_NE(std::string::npos, status.find("mixer studio: 26 outputs, 18 hardware inputs, 18 playback")) << status;
}

} // namespace
