#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include "ZephraDriver.h"
#include "ZephraPinLabels.h"
#include "SimHostile.h"
#include "ZephraSim.h"

namespace {

const wchar_t* const kName = L"ZephraMixerTest";

ZephraMixerPin Pin(uint8_t type, uint8_t channel)
{
    return {type, channel, 0};
}

ZephraMixerGain GainEntry(const ZephraMixerPin& pin, int16_t gain = 0, uint8_t flags = 0)
{
    ZephraMixerGain entry = {};
    entry.pin = pin;
    entry.gain = gain;
    entry.flags = flags;
    return entry;
}

ZephraMixerWeight WeightEntry(const ZephraMixerPin& destination, const ZephraMixerPin& source, int16_t weight = 0,
                              uint8_t flags = 0)
{
    ZephraMixerWeight entry = {};
    entry.destination = destination;
    entry.source = source;
    entry.weight = weight;
    entry.flags = flags;
    return entry;
}

// Two devices: SMALL (compact layout, echo effect) and BIG (studio layout, no echo).
class MixerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, sim.Start(kName, false));
        Command("plug SMALL echo");
        Command("plug BIG model studio");
        ASSERT_EQ(0u, driver.OpenAsClient(kName));
        bool changed = false;
        ASSERT_EQ(0u, driver.RefreshDevices(&changed));
        ASSERT_EQ(2u, driver.GetDeviceCount());
        small = driver.GetDeviceAt(0);
        big = driver.GetDeviceAt(1);
        ASSERT_EQ(L"SMALL", small->GetSerialNumber());
    }

    void Command(const std::string& line) { ASSERT_TRUE(sim.Execute(line).done) << line; }

    std::vector<ZephraMixerPin> Pins(ZephraDevice* device, ZephraPinClass pinClass, uint32_t capacity)
    {
        std::vector<ZephraMixerPin> pins(capacity);
        uint32_t count = 0;
        EXPECT_EQ(0u, device->GetMixerPins(pinClass, pins.data(), capacity, &count));
        pins.resize(count);
        return pins;
    }

    std::vector<ZephraMixerGain> Gains(ZephraDevice* device)
    {
        std::vector<ZephraMixerGain> gains;
        for (const ZephraMixerPin& pin : Pins(device, ZEPHRA_PIN_CLASS_OUTPUTS, ZEPHRA_MIXER_MAX_DESTINATIONS))
            gains.push_back(GainEntry(pin, 77, 0xFF)); // the driver overwrites both
        EXPECT_EQ(0u, device->GetMixerOutputGains(gains.data(), static_cast<uint32_t>(gains.size())));
        return gains;
    }

    SimLogEntry LastLogged() const
    {
        std::vector<SimLogEntry> log = sim.Log();
        return log.empty() ? SimLogEntry{} : log.back();
    }

    // Every notification waiting for the driver object.
    static std::vector<ZephraMessage> Drain(ZephraDriver& target)
    {
        std::vector<ZephraMessage> records;
        ZephraMessage record;
        while (target.GetNotificationRecord(&record) == 0)
            records.push_back(record);
        return records;
    }

    ZephraSim sim;
    ZephraDriver driver;
    ZephraDevice* small = nullptr;
    ZephraDevice* big = nullptr;
};

TEST_F(MixerTest, PinListsFollowTheLayoutAndTheCallersRoom)
{
    struct Row
    {
        const char* what;
        bool onBig;
        ZephraPinClass pinClass;
        uint32_t capacity;
        uint32_t count;
        ZephraMixerPin last;
    };
    const Row rows[] = {
        {"compact outputs", false, ZEPHRA_PIN_CLASS_OUTPUTS, 26, 8, Pin(ZEPHRA_PIN_VIRTUAL, 1)},
        {"compact inputs end in a mono mic", false, ZEPHRA_PIN_CLASS_HARDWARE_INPUTS, 18, 5,
         Pin(ZEPHRA_PIN_ANALOG, 2)},
        {"compact playback", false, ZEPHRA_PIN_CLASS_SOFTWARE_OUTPUTS, 18, 6, Pin(ZEPHRA_PIN_PLAYBACK_SPDIF, 1)},
        {"studio outputs fill 26", true, ZEPHRA_PIN_CLASS_OUTPUTS, 26, 26, Pin(ZEPHRA_PIN_VIRTUAL, 7)},
        {"studio inputs fill 18", true, ZEPHRA_PIN_CLASS_HARDWARE_INPUTS, 18, 18, Pin(ZEPHRA_PIN_SPDIF, 1)},
        {"studio playback fills 18", true, ZEPHRA_PIN_CLASS_SOFTWARE_OUTPUTS, 18, 18,
         Pin(ZEPHRA_PIN_PLAYBACK_SPDIF, 1)},
        {"cut to a smaller room", true, ZEPHRA_PIN_CLASS_OUTPUTS, 11, 11, Pin(ZEPHRA_PIN_ANALOG, 10)},
        {"room for one", false, ZEPHRA_PIN_CLASS_HARDWARE_INPUTS, 1, 1, Pin(ZEPHRA_PIN_ANALOG, 0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ZephraDevice* device = row.onBig ? big : small;
        std::vector<ZephraMixerPin> pins(row.capacity + 1);
        memset(pins.data(), 0xEE, pins.size() * sizeof(ZephraMixerPin));
        uint32_t count = 99;
        ASSERT_EQ(0u, device->GetMixerPins(row.pinClass, pins.data(), row.capacity, &count));
        ASSERT_EQ(row.count, count);
        EXPECT_TRUE(ZephraSamePin(row.last, pins[count - 1]));
        EXPECT_EQ(0xEEu, pins[row.capacity].type) << "nothing written beyond the room";
        SimLogEntry entry = LastLogged();
        EXPECT_EQ(4u, entry.inSize);
        EXPECT_EQ(row.capacity * 4, entry.outSize);
        // Stereo pairs come left first: same type, channels 2m and 2m + 1.
        for (uint32_t k = 0; k + 1 < count; k += 2) {
            EXPECT_EQ(pins[k].type, pins[k + 1].type) << k;
            EXPECT_EQ(0, pins[k].channel % 2) << k;
            EXPECT_EQ(pins[k].channel + 1, pins[k + 1].channel) << k;
        }
    }

    uint32_t count = 5;
    ZephraMixerPin pins[4];
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_PARAMETER,
              small->GetMixerPins(static_cast<ZephraPinClass>(3), pins, 4, &count));
    EXPECT_EQ(0u, count);
}

TEST_F(MixerTest, LabelsOfTheListedPairs)
{
    struct Row
    {
        ZephraPinClass pinClass;
        bool destination;
        std::vector<std::wstring> labels;
    };
    const Row rows[] = {
        {ZEPHRA_PIN_CLASS_OUTPUTS, true, {L"Analog Out 1/2", L"Analog Out 3/4", L"SPDIF Out 1/2", L"Virtual In 1/2"}},
        // Five descriptors: two pairs, the mono mic has no strip.
        {ZEPHRA_PIN_CLASS_HARDWARE_INPUTS, false, {L"Analog In 1/2", L"SPDIF In 1/2"}},
        {ZEPHRA_PIN_CLASS_SOFTWARE_OUTPUTS, false, {L"Out 1/2", L"Out 3/4", L"SPDIF 1/2"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pinClass);
        std::vector<ZephraMixerPin> pins = Pins(small, row.pinClass, 18);
        std::vector<std::wstring> labels;
        for (size_t k = 0; k + 1 < pins.size(); k += 2)
            labels.push_back(ZephraPinPairLabel(pins[k], pins[k + 1], row.destination));
        EXPECT_EQ(row.labels, labels);
    }

    struct Edge
    {
        uint8_t type;
        uint8_t left;
        bool destination;
        const wchar_t* label;
    };
    const Edge edges[] = {
        {ZEPHRA_PIN_PLAYBACK, 0, true, L"unknown"},
        {4, 0, false, L"unknown"},
        {ZEPHRA_PIN_ANALOG, 254, false, L"Analog In 255/256"},
    };
    for (const Edge& edge : edges) {
        SCOPED_TRACE(edge.label);
        EXPECT_EQ(edge.label, ZephraPinPairLabel(Pin(edge.type, edge.left),
                                                 Pin(edge.type, static_cast<uint8_t>(edge.left + 1)),
                                                 edge.destination));
    }
}

TEST_F(MixerTest, GainsAreReadAllAtOnceAndWrittenOneByOne)
{
    std::vector<ZephraMixerGain> gains = Gains(small);
    ASSERT_EQ(8u, gains.size());
    EXPECT_EQ(64u, LastLogged().inSize);
    EXPECT_EQ(64u, LastLogged().outSize);
    for (const ZephraMixerGain& gain : gains) {
        EXPECT_EQ(0, gain.gain);
        EXPECT_EQ(0, gain.flags);
    }

    // The strip's write: one entry, mute plus bits that are not the driver's to keep.
    ZephraMixerGain entry = GainEntry(gains[1].pin, -1250, 0xFF);
    ASSERT_EQ(0u, small->SetMixerOutputGains(&entry, 1));
    EXPECT_EQ(8u, LastLogged().inSize);
    EXPECT_EQ(8u, LastLogged().outSize);
    EXPECT_EQ(ZEPHRA_GAIN_FLAG_MUTED, entry.flags) << "the reply shows what the driver holds";

    std::vector<ZephraMixerGain> after = Gains(small);
    for (size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(i == 1 ? -1250 : 0, after[i].gain);
        EXPECT_EQ(i == 1 ? ZEPHRA_GAIN_FLAG_MUTED : 0, after[i].flags);
    }
    EXPECT_EQ(0, Gains(big)[1].gain) << "the other device's mixer is its own";

    // One unknown pin spoils the whole request: the valid entry before it is not applied.
    ZephraMixerGain mixed[2] = {GainEntry(gains[0].pin, -600), GainEntry(Pin(ZEPHRA_PIN_ANALOG, 9), -600)};
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_PARAMETER, small->SetMixerOutputGains(mixed, 2));
    EXPECT_EQ(0, Gains(small)[0].gain);
    ZephraMixerGain source = GainEntry(Pin(ZEPHRA_PIN_PLAYBACK, 0));
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_PARAMETER, small->GetMixerOutputGains(&source, 1))
        << "a source pin has no gain";
}

TEST_F(MixerTest, OneWeightWriteLeavesTheOtherThreeOfTheCell)
{
    const ZephraMixerPin dL = Pin(ZEPHRA_PIN_ANALOG, 0), dR = Pin(ZEPHRA_PIN_ANALOG, 1);
    const ZephraMixerPin sL = Pin(ZEPHRA_PIN_PLAYBACK, 0), sR = Pin(ZEPHRA_PIN_PLAYBACK, 1);
    ZephraMixerWeight cell[4] = {WeightEntry(dL, sL, 5, 0xFF), WeightEntry(dR, sL, 5, 0xFF),
                                 WeightEntry(dL, sR, 5, 0xFF), WeightEntry(dR, sR, 5, 0xFF)};
    ASSERT_EQ(0u, small->GetMixerWeights(cell, 4));
    EXPECT_EQ(48u, LastLogged().outSize);
    // Out of the box each playback channel reaches the output of its number.
    const uint8_t routed[4] = {1, 0, 0, 1};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(routed[i], cell[i].flags);
        EXPECT_EQ(0, cell[i].weight);
    }

    ZephraMixerWeight one = WeightEntry(dR, sL, -1250, ZEPHRA_WEIGHT_FLAG_CONNECTED);
    ASSERT_EQ(0u, small->SetMixerWeights(&one, 1));
    EXPECT_EQ(12u, LastLogged().inSize);

    ZephraMixerWeight again[4] = {cell[0], cell[1], cell[2], cell[3]};
    ASSERT_EQ(0u, small->GetMixerWeights(again, 4));
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(i == 1 ? -1250 : 0, again[i].weight);
        EXPECT_EQ(i == 1 ? 1 : routed[i], again[i].flags);
    }

    // The service's set-up write: two loop-back crosspoints in one request.
    ZephraMixerWeight loopBack[2] = {
        WeightEntry(Pin(ZEPHRA_PIN_VIRTUAL, 0), sL, 0, ZEPHRA_WEIGHT_FLAG_CONNECTED),
        WeightEntry(Pin(ZEPHRA_PIN_VIRTUAL, 1), sR, 0, ZEPHRA_WEIGHT_FLAG_CONNECTED)};
    ZephraMixerWeight before[2] = {loopBack[0], loopBack[1]};
    ASSERT_EQ(0u, small->GetMixerWeights(before, 2));
    EXPECT_EQ(0, before[0].flags | before[1].flags) << "virtual inputs start unrouted";
    ASSERT_EQ(0u, small->SetMixerWeights(loopBack, 2));
    ASSERT_EQ(0u, small->GetMixerWeights(before, 2));
    EXPECT_EQ(1, before[0].flags & before[1].flags);

    ZephraMixerWeight swapped = WeightEntry(sL, dL);
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_PARAMETER, small->GetMixerWeights(&swapped, 1))
        << "a source is no destination";
}

TEST_F(MixerTest, WrongSizesAreRefused)
{
    uint8_t buffer[600] = {};
    struct Row
    {
        const char* what;
        uint32_t code;
        uint32_t in;
        uint32_t out;
        ZephraStatus status;
    };
    const Row rows[] = {
        {"room for half a pin", IOCTL_ZEPHRA_MIXER_GET_PINS, 4, 6, ZEPHRA_STATUS_INVALID_OUTBUFFER_SIZE},
        {"a gain and a half", IOCTL_ZEPHRA_MIXER_SET_OUTPUT_GAINS, 12, 12, ZEPHRA_STATUS_INVALID_INBUFFER_SIZE},
        {"weights answered in place", IOCTL_ZEPHRA_MIXER_GET_WEIGHTS, 24, 12, ZEPHRA_STATUS_INVALID_OUTBUFFER_SIZE},
        {"plugin record one short", IOCTL_ZEPHRA_PLUGIN_GET, 519, 519, ZEPHRA_STATUS_INVALID_INBUFFER_SIZE},
        {"plugin set has no reply", IOCTL_ZEPHRA_PLUGIN_SET, 520, 4, ZEPHRA_STATUS_INVALID_OUTBUFFER_SIZE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        uint32_t returned = 99;
        EXPECT_EQ(row.status, small->DoRequest(row.code, buffer, row.in, buffer, row.out, &returned));
        EXPECT_EQ(0u, returned);
    }

    // Counts whose byte size would wrap or exceed a request are refused before sending.
    sim.ClearLog();
    ZephraMixerWeight weights[2] = {};
    ZephraMixerGain gains[2] = {};
    ZephraPluginRecord record = {};
    record.count = ZEPHRA_PLUGIN_MAX_ENTRIES + 1;
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_PARAMETER, small->GetMixerWeights(weights, 0x15555556u)) << "wraps to 8 bytes";
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_PARAMETER, small->SetMixerOutputGains(gains, 0x20000001u));
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_PARAMETER, small->GetMixerOutputGains(nullptr, 1));
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_PARAMETER, small->SetPluginParameters(record));
    EXPECT_TRUE(sim.Log().empty());
}

TEST_F(MixerTest, RequestsNeedABoundPresentDevice)
{
    ZephraApiContext unbound;
    ASSERT_EQ(0u, unbound.Open(kName));
    uint32_t pinClass = ZEPHRA_PIN_CLASS_OUTPUTS;
    ZephraMixerPin pins[26];
    uint32_t returned = 99;
    EXPECT_EQ(ZEPHRA_STATUS_NO_DEVICE,
              unbound.DoRequest(IOCTL_ZEPHRA_MIXER_GET_PINS, &pinClass, 4, pins, sizeof(pins), &returned));
    EXPECT_EQ(0u, returned);

    // BIG leaves and comes back with new id words: its old connection stays bound to the old ones.
    Command("unplug BIG");
    uint32_t count = 99;
    EXPECT_EQ(ZEPHRA_STATUS_DEVICE_REMOVED, big->GetMixerPins(ZEPHRA_PIN_CLASS_OUTPUTS, pins, 26, &count));
    EXPECT_EQ(0u, count);
    bool on = true;
    EXPECT_EQ(ZEPHRA_STATUS_DEVICE_REMOVED, big->GetVolumeBypass(&on));
    EXPECT_FALSE(on);
    Command("plug BIG model studio");
    EXPECT_EQ(ZEPHRA_STATUS_DEVICE_REMOVED, big->GetMixerPins(ZEPHRA_PIN_CLASS_OUTPUTS, pins, 26, &count));
    EXPECT_EQ(8u, Pins(small, ZEPHRA_PIN_CLASS_OUTPUTS, 26).size()) << "the other device is unaffected";
}

// Answers the next request with that code with a frame of its own; the rest go on as usual.
class OneAnswer
{
public:
    OneAnswer(ZephraSim* sim, uint32_t code, std::vector<uint8_t> frame) : m_sim(sim)
    {
        sim->SetInterceptor([this, code, frame](int32_t, uint32_t requestCode, uint32_t, std::vector<uint8_t>* reply) {
            if (requestCode != code || m_used)
                return false;
            m_used = true;
            *reply = frame;
            return true;
        });
    }
    ~OneAnswer() { m_sim->SetInterceptor(ZephraSim::Interceptor()); }

private:
    ZephraSim* m_sim;
    bool m_used = false;
};

TEST_F(MixerTest, LevelsAreReadForTheEntriesAskedFor)
{
    ZephraMixerLevel levels[2] = {};
    levels[0].pin = Pin(ZEPHRA_PIN_ANALOG, 0);
    levels[1].pin = Pin(ZEPHRA_PIN_ANALOG, 1);
    ASSERT_EQ(0u, small->GetMixerInputLevels(levels, 2));
    EXPECT_EQ(2u * sizeof(ZephraMixerLevel), LastLogged().inSize);
    EXPECT_EQ(2u * sizeof(ZephraMixerLevel), LastLogged().outSize);
    EXPECT_EQ(ZEPHRA_PIN_ANALOG, levels[1].pin.type);
    EXPECT_EQ(1u, levels[1].pin.channel) << "each entry comes back for its own pin";
    EXPECT_EQ(IOCTL_ZEPHRA_MIXER_GET_INPUT_LEVELS, LastLogged().code);
    ZephraMixerLevel out = {};
    out.pin = Pin(ZEPHRA_PIN_ANALOG, 0);
    ASSERT_EQ(0u, small->GetMixerOutputLevels(&out, 1));
    EXPECT_EQ(IOCTL_ZEPHRA_MIXER_GET_OUTPUT_LEVELS, LastLogged().code);
    EXPECT_EQ(ZEPHRA_PIN_ANALOG, out.pin.type);
}

// A read that succeeds with fewer bytes than the n entries sent is a failed read.
TEST_F(MixerTest, ShortRepliesOfTheEntryReadsAreLengthMismatches)
{
    ZephraMixerLevel levels[4] = {};
    ZephraMixerGain gains[4] = {};
    ZephraMixerWeight weights[4] = {};
    struct Row
    {
        const char* what;
        uint32_t code;
        std::function<ZephraStatus()> read;
        uint32_t entrySize;
    };
    const Row rows[] = {
        {"input levels", IOCTL_ZEPHRA_MIXER_GET_INPUT_LEVELS, [&] { return small->GetMixerInputLevels(levels, 4); },
         sizeof(ZephraMixerLevel)},
        {"output levels", IOCTL_ZEPHRA_MIXER_GET_OUTPUT_LEVELS, [&] { return small->GetMixerOutputLevels(levels, 4); },
         sizeof(ZephraMixerLevel)},
        {"gains", IOCTL_ZEPHRA_MIXER_GET_OUTPUT_GAINS, [&] { return small->GetMixerOutputGains(gains, 4); },
         sizeof(ZephraMixerGain)},
        {"weights", IOCTL_ZEPHRA_MIXER_GET_WEIGHTS, [&] { return small->GetMixerWeights(weights, 4); },
         sizeof(ZephraMixerWeight)},
    };
    const uint8_t bytes[4 * sizeof(ZephraMixerWeight)] = {};
    for (const Row& row : rows) {
        for (uint32_t returned : {0u, row.entrySize, 3 * row.entrySize, 4 * row.entrySize - 1}) {
            SCOPED_TRACE(std::string(row.what) + ", " + std::to_string(returned) + " bytes");
            OneAnswer answer(&sim, row.code, SimResponseFrame(0, bytes, returned));
            EXPECT_EQ(ZEPHRA_STATUS_LENGTH_MISMATCH, row.read());
        }
    }
}

TEST_F(MixerTest, EchoAnswersAreBoundedByWhatTheirUsersCanHold)
{
    struct Row { uint32_t parameter; uint32_t answer; uint32_t expected; };
    const Row rows[] = {
        {ZEPHRA_PLUGIN_CHANNEL_COUNT, 0xFFFFFFFF, ZEPHRA_PLUGIN_MAX_ENTRIES},
        {ZEPHRA_PLUGIN_CHANNEL_COUNT, ZEPHRA_PLUGIN_MAX_ENTRIES + 1, ZEPHRA_PLUGIN_MAX_ENTRIES},
        {ZEPHRA_PLUGIN_CHANNEL_COUNT, 8, 8},
        {ZEPHRA_PLUGIN_MAX_DELAY, 0xFFFFFFFF, ZephraDevice::ZEPHRA_ECHO_MAX_DELAY_LIMIT},
        {ZEPHRA_PLUGIN_MAX_DELAY, 0x10000, ZephraDevice::ZEPHRA_ECHO_MAX_DELAY_LIMIT},
        {ZEPHRA_PLUGIN_MAX_DELAY, 500, 500},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.parameter << ": " << row.answer);
        ZephraPluginRecord record;
        memset(&record, 0, sizeof(record));
        record.parameter = row.parameter;
        record.count = row.answer;
        OneAnswer answer(&sim, IOCTL_ZEPHRA_PLUGIN_GET, SimResponseFrame(0, &record, sizeof(record)));
        uint32_t value = 0;
        ASSERT_EQ(0u, row.parameter == ZEPHRA_PLUGIN_MAX_DELAY ? small->GetEchoMaxDelay(&value)
                                                               : small->GetEchoChannelCount(&value));
        EXPECT_EQ(row.expected, value);
    }
}

TEST_F(MixerTest, EchoEffectRecordsTravelWhole)
{
    uint32_t channels = 0, maxDelay = 0, value = 0;
    ASSERT_EQ(0u, small->GetEchoChannelCount(&channels));
    EXPECT_EQ(6u, channels) << "one per hardware output";
    ASSERT_EQ(0u, small->GetEchoMaxDelay(&maxDelay));
    EXPECT_EQ(250u, maxDelay);

    ASSERT_EQ(0u, small->SetEchoPairValue(ZEPHRA_PLUGIN_DELAY, 2, 200));
    EXPECT_EQ(520u, LastLogged().inSize);
    EXPECT_EQ(0u, LastLogged().outSize);
    ASSERT_EQ(0u, small->SetEchoPairValue(ZEPHRA_PLUGIN_AMPLIFICATION, 2, 750));
    struct Row
    {
        uint32_t parameter;
        uint32_t channel;
        uint32_t value;
    };
    const Row rows[] = {
        {ZEPHRA_PLUGIN_DELAY, 1, 120},
        {ZEPHRA_PLUGIN_DELAY, 3, 200},
        {ZEPHRA_PLUGIN_DELAY, 4, 120},
        {ZEPHRA_PLUGIN_AMPLIFICATION, 2, 750},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.parameter * 100 + row.channel);
        ASSERT_EQ(0u, small->GetEchoValue(row.parameter, row.channel, &value));
        EXPECT_EQ(row.value, value);
        EXPECT_EQ(520u, LastLogged().inSize);
        EXPECT_EQ(520u, LastLogged().outSize);
    }

    // Out of range: refused, and the held value stays.
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_PARAMETER, small->SetEchoPairValue(ZEPHRA_PLUGIN_DELAY, 2, 251));
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_PARAMETER, small->SetEchoPairValue(ZEPHRA_PLUGIN_AMPLIFICATION, 2, 1001));
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_PARAMETER, small->SetEchoPairValue(ZEPHRA_PLUGIN_DELAY, 5, 10))
        << "channel 6 does not exist";
    ASSERT_EQ(0u, small->GetEchoValue(ZEPHRA_PLUGIN_DELAY, 2, &value));
    EXPECT_EQ(200u, value);
    EXPECT_EQ(ZEPHRA_STATUS_NOT_ALLOWED, small->SetEchoPairValue(ZEPHRA_PLUGIN_MAX_DELAY, 0, 500));

    EXPECT_EQ(ZEPHRA_STATUS_NOT_SUPPORTED, big->GetEchoChannelCount(&channels)) << "BIG has no echo effect";
    EXPECT_EQ(0u, channels);
}

TEST_F(MixerTest, VolumeBypassIsKeptPerDevice)
{
    bool on = false;
    ASSERT_EQ(0u, small->SetVolumeBypass(true));
    ASSERT_EQ(0u, small->GetVolumeBypass(&on));
    EXPECT_TRUE(on);
    EXPECT_EQ(1u, LastLogged().outSize);
    ASSERT_EQ(0u, big->GetVolumeBypass(&on));
    EXPECT_FALSE(on);
    uint8_t two = 2;
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_PARAMETER, small->DoRequest(IOCTL_ZEPHRA_SET_VOLUME_BYPASS, &two, 1, nullptr, 0));
}

TEST_F(MixerTest, ChangesReachTheOtherConnections)
{
    ZephraDriver other;
    ASSERT_EQ(0u, other.OpenAsClient(kName));
    Drain(driver);
    Drain(other);
    const uint32_t id[2] = {small->GetIdFirst(), small->GetIdSecond()};

    auto expectOne = [&](ZephraDriver& target, uint32_t code, const char* what) {
        SCOPED_TRACE(what);
        std::vector<ZephraMessage> records = Drain(target);
        ASSERT_EQ(1u, records.size());
        EXPECT_EQ(code, records[0].code);
        uint32_t first = 0, second = 0;
        EXPECT_EQ(0u, records[0].ReadU32Pair(&first, &second)) << "an 8-byte payload";
        EXPECT_EQ(id[0], first);
        EXPECT_EQ(id[1], second);
    };

    // A gain change on SMALL's own connection reaches both driver objects.
    ZephraMixerGain gain = GainEntry(Pin(ZEPHRA_PIN_ANALOG, 0), -300);
    ASSERT_EQ(0u, small->SetMixerOutputGains(&gain, 1));
    expectOne(driver, ZEPHRA_NOTIFY_MIXER_GAINS_CHANGED, "gain, own program");
    expectOne(other, ZEPHRA_NOTIFY_MIXER_GAINS_CHANGED, "gain, other program");

    // Nothing to announce: the same value again, reads, a refused write.
    ASSERT_EQ(0u, small->SetMixerOutputGains(&gain, 1));
    ASSERT_EQ(0u, small->GetMixerOutputGains(&gain, 1));
    ZephraMixerGain unknown = GainEntry(Pin(ZEPHRA_PIN_SPDIF, 7), -300);
    EXPECT_NE(0u, small->SetMixerOutputGains(&unknown, 1));
    EXPECT_TRUE(Drain(driver).empty());
    EXPECT_TRUE(Drain(other).empty());

    // A weight change made on a connection that takes notifications itself skips it.
    ZephraDeviceId bind = {id[0], id[1]};
    ASSERT_EQ(0u, other.DoRequest(IOCTL_ZEPHRA_SELECT_DEVICE, &bind, sizeof(bind), nullptr, 0));
    ZephraMixerWeight weight = WeightEntry(Pin(ZEPHRA_PIN_VIRTUAL, 0), Pin(ZEPHRA_PIN_ANALOG, 2), -600,
                                           ZEPHRA_WEIGHT_FLAG_CONNECTED);
    ASSERT_EQ(0u, other.DoRequest(IOCTL_ZEPHRA_MIXER_SET_WEIGHTS, &weight, sizeof(weight), &weight,
                                  sizeof(weight)));
    expectOne(driver, ZEPHRA_NOTIFY_MIXER_WEIGHTS_CHANGED, "weight");
    EXPECT_TRUE(Drain(other).empty()) << "the originating connection is not told";

    // A new channel layout is announced to everyone.
    Command("model SMALL studio");
    expectOne(driver, ZEPHRA_NOTIFY_MIXER_PINS_CHANGED, "pins, own program");
    expectOne(other, ZEPHRA_NOTIFY_MIXER_PINS_CHANGED, "pins, other program");
    EXPECT_EQ(26u, Pins(small, ZEPHRA_PIN_CLASS_OUTPUTS, 26).size());
}

} // namespace
