#include <cstring>
#include "CustomDevice.h"
#include "CustomServer.h"
#include "ServerFixture.h"
#include "WnString.h"

namespace {

const wchar_t* const kName = L"QuorvelaWdmTest";
const wchar_t* const kProductKey = L"Software\\BRIGHTMOOR\\quorvela";
const wchar_t* const kRenderValue = L"WdmRenderSoundDeviceConfiguration";
const wchar_t* const kCaptureValue = L"WdmCaptureSoundDeviceConfiguration";

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

std::string NameOf(const wchar_t* field)
{
    return Narrow(ZephraFieldText(field, WDM_ENDPOINT_NAME_CHARS));
}

std::wstring DeviceKeyPath(const std::wstring& serial)
{
    return std::wstring(kProductKey) + L"\\Devices\\" + serial;
}

void WriteValue(const std::wstring& serial, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ASSERT_EQ(0, RegCreateKeyExW(HKEY_LOCAL_MACHINE, DeviceKeyPath(serial).c_str(), 0, nullptr, 0,
                                 KEY_READ | KEY_WRITE, nullptr, &key, nullptr));
    EXPECT_EQ(0, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

void WriteDword(const std::wstring& serial, const wchar_t* name, DWORD value)
{
    WriteValue(serial, name, REG_DWORD, &value, sizeof(value));
}

// The value's type and, for a DWORD, its data; false when it is missing.
bool ReadValue(const std::wstring& serial, const wchar_t* name, DWORD* type, DWORD* value)
{
    DWORD size = sizeof(*value);
    *value = 0;
    return RegGetValueW(HKEY_LOCAL_MACHINE, DeviceKeyPath(serial).c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, type,
                        value, &size) == 0;
}

// Deletes the key when it holds neither subkeys nor values.
void DeleteKeyIfEmpty(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != 0)
        return;
    DWORD subkeys = 0, values = 0;
    LONG result =
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr);
    RegCloseKey(key);
    if (result == 0 && subkeys == 0 && values == 0)
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
}

// Removes a test device's key and the levels above it that only it needed.
void DeleteDeviceKey(const std::wstring& serial)
{
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, DeviceKeyPath(serial).c_str());
    DeleteKeyIfEmpty(std::wstring(kProductKey) + L"\\Devices");
    DeleteKeyIfEmpty(kProductKey);
    DeleteKeyIfEmpty(L"Software\\BRIGHTMOOR");
}

// A state whose entry holds value in its first or second item array.
WdmStateRecord State(uint32_t count, uint32_t entry = 0, uint32_t item = 0, uint32_t value = 0, bool second = false)
{
    WdmStateRecord state;
    memset(&state, 0, sizeof(state));
    state.count = count;
    WdmStateEntry& target = state.entries[entry];
    (second ? target.second : target.first)[item].value = value;
    return state;
}

TEST(WdmVolumeTest, GainToVolume)
{
    struct Row
    {
        int16_t gain;
        uint32_t volume;
    };
    const Row rows[] = {
        {-1234, 0xFFF3A8F6}, {0, 0}, {1, 655}, {-1, 0xFFFFFD71}, {600, 393216}, {-9000, 0xFFA60000},
        {32767, 21474181}, {-32768, 0xFEB851EC},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.gain);
        EXPECT_EQ(row.volume, static_cast<uint32_t>(WdmVolumeFromGain(row.gain)));
    }
}

TEST(WdmVolumeTest, VolumeToGain)
{
    struct Row
    {
        uint32_t volume;
        int16_t gain;
    };
    const Row rows[] = {
        {0x80000000, -9000},          // minus infinity
        {100 * 65536, 9000},          // +100 dB
        {0xFFFF8000, -50},            // -0.5 dB
        {0xFFF3A8F6, -1233},          // -12.34 dB comes back truncated toward zero
        {655, 0},                     // just under +0.01 dB
        {0xFFFFFD71, 0},              // just over -0.01 dB
        {90 * 65536, 9000},           // the limits themselves
        {static_cast<uint32_t>(-90 * 65536), -9000},
        {static_cast<uint32_t>(-91 * 65536), -9000},
        {0x7FFFFFFF, 9000},
        {0x80000001, -9000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.volume);
        EXPECT_EQ(row.gain, WdmGainFromVolume(row.volume));
    }
}

// A CustomServer on the test's thread against an in-process simulator; every device it
// opens has a registry key that TearDown removes.
class CustomDeviceTest : public ::testing::Test
{
protected:
    CustomDeviceTest() : server(kName) {}

    void SetUp() override
    {
        ASSERT_EQ(0u, sim.Start(kName, false));
        ASSERT_EQ(0u, server.OpenAsServer(kName));
        sim.ClearLog();
    }

    void TearDown() override
    {
        server.ClearDevices();
        server.CloseDriver();
        client.CloseDriver();
        for (const std::wstring& serial : serials)
            DeleteDeviceKey(serial);
    }

    std::wstring NewSerial()
    {
        wchar_t text[ZEPHRA_SERIAL_CHARS];
        WnFormat(text, ZEPHRA_SERIAL_CHARS, L"QVTEST-%lX-%u", static_cast<unsigned long>(GetCurrentProcessId()),
                 static_cast<unsigned>(serials.size()));
        serials.push_back(text);
        return text;
    }

    void Command(const std::string& line) { ASSERT_TRUE(sim.Execute(line).done) << line; }

    // Plugs a device and lets the server take the arrival.
    CustomDevice* Plug(const std::wstring& serial, const std::string& options = "model studio")
    {
        sim.Execute("plug " + Narrow(serial) + " " + options);
        server.ProcessNotifications();
        return Controller(serial);
    }

    CustomDevice* Controller(const std::wstring& serial) const
    {
        for (size_t i = 0; i < server.GetDeviceCount(); ++i) {
            auto* device = dynamic_cast<CustomDevice*>(server.GetDeviceAt(i));
            if (device != nullptr && device->GetSerialNumber() == serial)
                return device;
        }
        return nullptr;
    }

    SimDevice Simulated(const std::wstring& serial) const
    {
        for (const SimDevice& device : sim.Devices()) {
            if (device.serial == serial)
                return device;
        }
        ADD_FAILURE() << "no simulated device " << Narrow(serial);
        return SimDevice();
    }

    // The same device through a client connection of its own, to read the mixer.
    ZephraDevice* ClientDevice(const CustomDevice* device)
    {
        if (!client.IsOpened()) {
            EXPECT_EQ(0u, client.OpenAsClient(kName));
        }
        bool changed = false;
        EXPECT_EQ(0u, client.RefreshDevices(&changed));
        return client.FindDevice(device->GetIdFirst(), device->GetIdSecond());
    }

    std::vector<ZephraMixerGain> AnalogGains(ZephraDevice* device, uint8_t first, uint8_t count)
    {
        std::vector<ZephraMixerGain> gains(count);
        for (uint8_t i = 0; i < count; ++i)
            gains[i].pin = {ZEPHRA_PIN_ANALOG, static_cast<uint8_t>(first + i), 0};
        EXPECT_EQ(0u, device->GetMixerOutputGains(gains.data(), count));
        return gains;
    }

    // The requests of the device connections (which declare no client type), in order.
    std::vector<std::string> DeviceRequests() const { return RequestNames(sim, -1); }
    // How many requests of that code the device connections sent.
    size_t DeviceSent(uint32_t code) const { return sim.Logged(code, -1).size(); }

    // Endpoint switching and streaming commands in the order the driver took them:
    // "capture on", "playback off", "cmd 5", ...
    std::vector<std::string> Switching(const std::wstring& serial) const
    {
        std::vector<SimWdmSwitch> switches = Simulated(serial).wdm.Switches();
        std::vector<SimStreamingCommand> commands = sim.StreamingCommands();
        std::vector<std::string> trace;
        size_t nextSwitch = 0, nextCommand = 0;
        for (const SimLogEntry& entry : sim.Log()) {
            if (entry.code == IOCTL_ZEPHRA_STREAMING_COMMAND && nextCommand < commands.size()) {
                trace.push_back("cmd " + std::to_string(commands[nextCommand++].command));
            } else if (entry.code == IOCTL_ZEPHRA_SET_WDM_ACTIVE) {
                if (entry.status != 0 || nextSwitch >= switches.size()) {
                    trace.push_back("refused");
                    continue;
                }
                const SimWdmSwitch& change = switches[nextSwitch++];
                trace.push_back(std::string(change.direction == WDM_DIRECTION_RENDER ? "playback" : "capture") +
                                (change.flag != 0 ? " on" : " off"));
            }
        }
        return trace;
    }

    // Request from a client through the driver, answered by the server on this thread.
    ZephraStatus Ask(uint32_t code, const void* payload, uint32_t length, ZephraMessage* reply)
    {
        if (!client.IsOpened()) {
            EXPECT_EQ(0u, client.OpenAsClient(kName));
        }
        static uint32_t sequence = 100;
        ++sequence;
        ZephraStatus status = SendRequest(client, code, sequence, payload, length);
        if (status != 0)
            return status;
        server.ProcessRequests();
        status = WaitReply(client, sequence, 5000, reply);
        return status != 0 ? status : reply->status;
    }

    WdmConfigRecord ConfigOf(const CustomDevice* device, uint32_t render, uint32_t capture) const
    {
        return {device->GetIdFirst(), device->GetIdSecond(), render, capture};
    }

    ZephraSim sim;
    CustomServer server;
    ZephraDriver client;
    std::vector<std::wstring> serials;
};

TEST_F(CustomDeviceTest, SetsUpTheDeviceWhenPlugged)
{
    std::wstring serial = NewSerial();
    CustomDevice* device = Plug(serial);
    ASSERT_NE(nullptr, device);
    const std::vector<std::string> expected = {
        "GET_VERSION",       "SELECT_DEVICE",       "WDM_SETUP",
        "MIXER_SET_WEIGHTS", "GET_WDM_STATE",       "GET_WDM_STATE",
        "SET_WDM_MONO_CONFIG", "SET_WDM_STEREO_CONFIG", "SET_WDM_ACTIVE",
        "SET_WDM_PARAMETER", "SET_WDM_ACTIVE",      "SET_WDM_PARAMETER",
    };
    EXPECT_EQ(expected, DeviceRequests());

    SimDevice simulated = Simulated(serial);
    EXPECT_TRUE(simulated.wdm.IsSetUp());
    EXPECT_EQ(1u, simulated.wdm.Setup().sourceKind);
    EXPECT_EQ(40u, simulated.wdm.Setup().loopbackKind);
    for (uint32_t direction : {uint32_t(WDM_DIRECTION_CAPTURE), uint32_t(WDM_DIRECTION_RENDER)}) {
        SCOPED_TRACE(direction);
        EXPECT_FALSE(simulated.wdm.IsActive(direction));
        EXPECT_EQ(8u, simulated.wdm.Parameter(direction));
    }

    std::string status = sim.Execute("status").text;
    EXPECT_NE(std::string::npos, status.find("mono capture 18 (QRVLA Analog In 1), playback 16 (QRVLA Out 1)"))
        << status;
    EXPECT_NE(std::string::npos, status.find("stereo capture 9 (QRVLA Analog In 1/2), playback 8 (QRVLA Out 1/2)"))
        << status;
    EXPECT_NE(std::string::npos, status.find("capture off, playback off")) << status;

    // Loop-back: virtual inputs 1 and 2 take playback channels 1 and 2 at 0 dB.
    ZephraDevice* reader = ClientDevice(device);
    ASSERT_NE(nullptr, reader);
    ZephraMixerWeight weights[2] = {};
    for (uint8_t c = 0; c < 2; ++c) {
        weights[c].destination = {ZEPHRA_PIN_VIRTUAL, c, 0};
        weights[c].source = {ZEPHRA_PIN_PLAYBACK, c, 0};
        weights[c].weight = 77;
    }
    ASSERT_EQ(0u, reader->GetMixerWeights(weights, 2));
    for (const ZephraMixerWeight& weight : weights) {
        EXPECT_EQ(0, weight.weight);
        EXPECT_EQ(ZEPHRA_WEIGHT_FLAG_CONNECTED, weight.flags);
    }
}

TEST_F(CustomDeviceTest, AFailingStepLeavesTheDeviceOut)
{
    struct Row
    {
        uint32_t code;
        const char* lastRequest;
    };
    const Row rows[] = {
        {IOCTL_ZEPHRA_WDM_SETUP, "WDM_SETUP"},
        {IOCTL_ZEPHRA_MIXER_SET_WEIGHTS, "MIXER_SET_WEIGHTS"},
        {IOCTL_ZEPHRA_SET_WDM_MONO_CONFIG, "SET_WDM_MONO_CONFIG"},
        {IOCTL_ZEPHRA_SET_WDM_STEREO_CONFIG, "SET_WDM_STEREO_CONFIG"},
        {IOCTL_ZEPHRA_SET_WDM_PARAMETER, "SET_WDM_PARAMETER"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.lastRequest);
        std::wstring serial = NewSerial();
        sim.ClearLog();
        sim.SetRequestFailure(row.code, ZEPHRA_STATUS_NOT_SUPPORTED);
        EXPECT_EQ(nullptr, Plug(serial));
        sim.SetRequestFailure(row.code, 0);
        std::vector<std::string> requests = DeviceRequests();
        ASSERT_FALSE(requests.empty());
        // Both directions are still tried when the parameter of the first fails.
        EXPECT_EQ(row.lastRequest, requests.back());
        if (row.code == IOCTL_ZEPHRA_SET_WDM_PARAMETER) {
            EXPECT_EQ(2u, DeviceSent(IOCTL_ZEPHRA_SET_WDM_PARAMETER));
        }
        Command("unplug " + Narrow(serial));
        server.ProcessNotifications();
    }

    // Both directions are switched off before the failure is reported; no parameter follows.
    std::wstring serial = NewSerial();
    sim.ClearLog();
    sim.SetRequestFailure(IOCTL_ZEPHRA_SET_WDM_ACTIVE, ZEPHRA_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(nullptr, Plug(serial));
    EXPECT_EQ(2u, DeviceSent(IOCTL_ZEPHRA_SET_WDM_ACTIVE));
    EXPECT_EQ(0u, DeviceSent(IOCTL_ZEPHRA_SET_WDM_PARAMETER));
}

TEST_F(CustomDeviceTest, RegistrySettingsChooseTheStereoLayout)
{
    const DWORD one = 1;
    const wchar_t text[] = L"1";
    struct Row
    {
        const char* name;
        const wchar_t* value; // null: no value written
        DWORD type;
        const void* data;
        DWORD size;
        uint32_t playback, capture; // stereo endpoints published
        uint32_t render, captureSetting;
    };
    const Row rows[] = {
        {"no values", nullptr, 0, nullptr, 0, 8, 9, 0, 0},
        {"render 1", kRenderValue, REG_DWORD, &one, sizeof(one), 0, 9, 1, 0},
        {"capture 1", kCaptureValue, REG_DWORD, &one, sizeof(one), 8, 1, 0, 1},
        {"render as text", kRenderValue, REG_SZ, text, sizeof(text), 8, 9, 0, 0},
        {"render as binary", kRenderValue, REG_BINARY, &one, sizeof(one), 8, 9, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::wstring serial = NewSerial();
        if (row.value != nullptr)
            WriteValue(serial, row.value, row.type, row.data, row.size);
        CustomDevice* device = Plug(serial, "");
        ASSERT_NE(nullptr, device);
        EXPECT_EQ(row.render, device->GetRenderConfiguration());
        EXPECT_EQ(row.captureSetting, device->GetCaptureConfiguration());

        WdmStereoConfig stereo = Simulated(serial).wdm.Stereo();
        ASSERT_EQ(row.playback, stereo.playback.count);
        ASSERT_EQ(row.capture, stereo.capture.count);
        for (uint32_t i = 0; i < stereo.playback.count; ++i) {
            const WdmStereoEndpoint& entry = stereo.playback.entries[i];
            std::string name = "QRVLA Out " + std::to_string(2 * i + 1) + "/" + std::to_string(2 * i + 2);
            EXPECT_EQ(name, NameOf(entry.name));
            EXPECT_EQ(WDM_ENDPOINT_HARDWARE, entry.kind);
            EXPECT_EQ(1u, entry.pairCount);
            EXPECT_EQ(i, entry.pairs[0]);
            EXPECT_EQ(i, entry.index);
            EXPECT_EQ(3u, entry.hardwareMode);
            EXPECT_EQ(0xFF800000u, entry.volumeFloor);
        }
        for (uint32_t i = 0; i + 1 < stereo.capture.count; ++i) {
            std::string name = "QRVLA Analog In " + std::to_string(2 * i + 1) + "/" + std::to_string(2 * i + 2);
            EXPECT_EQ(name, NameOf(stereo.capture.entries[i].name));
        }
        const WdmStereoEndpoint& loopback = stereo.capture.entries[stereo.capture.count - 1];
        EXPECT_EQ("QRVLA Virtual In 1/2", NameOf(loopback.name));
        EXPECT_EQ(WDM_ENDPOINT_VIRTUAL, loopback.kind);
        EXPECT_EQ(stereo.capture.count - 1, loopback.index);
        EXPECT_EQ(0u, loopback.hardwareMode);
        EXPECT_EQ(0u, loopback.volumeFloor);
        // One Windows volume per playback endpoint.
        EXPECT_EQ(row.playback, Simulated(serial).wdm.Volumes().size());
    }
}

TEST_F(CustomDeviceTest, MarkedChannelsHideTheHardwareMonoEndpoints)
{
    std::wstring serial = NewSerial();
    CustomDevice* device = Plug(serial);
    ASSERT_NE(nullptr, device);
    WdmMonoConfig mono = Simulated(serial).wdm.Mono();
    ASSERT_EQ(16u, mono.playback.count);
    ASSERT_EQ(18u, mono.capture.count);
    for (uint32_t c = 0; c < 16; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ("QRVLA Out " + std::to_string(c + 1), NameOf(mono.playback.entries[c].name));
        EXPECT_EQ("QRVLA Analog In " + std::to_string(c + 1), NameOf(mono.capture.entries[c].name));
        EXPECT_EQ(c / 2, mono.playback.entries[c].pair);
        EXPECT_EQ(c % 2, mono.capture.entries[c].side);
        EXPECT_EQ(WDM_ENDPOINT_HARDWARE, mono.capture.entries[c].kind);
    }

    struct Row
    {
        const char* name;
        WdmStateRecord state;
        bool marked;
    };
    const Row rows[] = {
        {"nothing reported", State(0), false},
        {"mark beyond the count", State(2, 2, 0, 2), false},
        {"first array", State(1, 0, 0, 2), true},
        {"second array, last item", State(3, 2, 15, 2, true), true},
        {"other value", State(1, 0, 3, 3), false},
        {"count above 12, mark in the last entry", State(1000, 11, 5, 2, true), true},
        {"count of 0xFFFFFFFF, no mark", State(0xFFFFFFFF), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(sim.SetWdmState(serial, row.state));
        EXPECT_EQ(row.marked, device->HasMarkedChannels());
        ASSERT_EQ(0u, device->SendMonoConfiguration());
        mono = Simulated(serial).wdm.Mono();
        EXPECT_EQ(row.marked ? 0u : 16u, mono.playback.count);
        ASSERT_EQ(row.marked ? 2u : 18u, mono.capture.count);
        for (uint32_t c = 0; c < 2; ++c) {
            const WdmMonoEndpoint& entry = mono.capture.entries[mono.capture.count - 2 + c];
            EXPECT_EQ("QRVLA Virtual In " + std::to_string(c + 1), NameOf(entry.name));
            EXPECT_EQ(WDM_ENDPOINT_VIRTUAL, entry.kind);
            EXPECT_EQ(0u, entry.pair);
            EXPECT_EQ(c, entry.side);
        }
    }

    // A state that cannot be read counts as unmarked.
    ASSERT_TRUE(sim.SetWdmState(serial, State(1, 0, 0, 2)));
    sim.SetRequestFailure(IOCTL_ZEPHRA_GET_WDM_STATE, ZEPHRA_STATUS_NOT_SUPPORTED);
    EXPECT_FALSE(device->HasMarkedChannels());
}

TEST_F(CustomDeviceTest, EndpointsSwitchAroundTransitions)
{
    std::wstring serial = NewSerial();
    ASSERT_NE(nullptr, Plug(serial));
    ASSERT_EQ(0u, server.StopStreaming(0));
    sim.ClearLog();

    Command("streams 1 0 0 0 0");
    ASSERT_EQ(0u, server.StartStreaming(0));
    std::vector<std::string> up = {"cmd 2", "cmd 4", "capture on", "playback on", "cmd 5"};
    EXPECT_EQ(up, Switching(serial));
    EXPECT_TRUE(Simulated(serial).wdm.IsActive(WDM_DIRECTION_RENDER));

    sim.ClearLog();
    ASSERT_EQ(0u, server.StopStreaming(0));
    std::vector<std::string> down = {"capture off", "playback off", "cmd 6", "cmd 3"};
    EXPECT_EQ(down, Switching(serial));
    EXPECT_FALSE(Simulated(serial).wdm.IsActive(WDM_DIRECTION_CAPTURE));

    // Up to Prepared, then dropped back to Ready when nobody streams.
    ASSERT_EQ(0u, server.StartStreaming(0));
    Command("streams 0 0 0 0 0");
    sim.ClearLog();
    ASSERT_EQ(0u, server.ReleaseStreaming());
    std::vector<std::string> release = {"capture off", "playback off", "cmd 6"};
    EXPECT_EQ(release, Switching(serial));

    // A refused switch stops the way up before Running; both directions were asked.
    Command("streams 1 0 0 0 0");
    sim.ClearLog();
    sim.SetRequestFailure(IOCTL_ZEPHRA_SET_WDM_ACTIVE, ZEPHRA_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(ZEPHRA_STATUS_NOT_SUPPORTED, server.StartStreaming(0));
    std::vector<std::string> refused = {"cmd 4", "refused", "refused"};
    EXPECT_EQ(refused, Switching(serial));
}

TEST_F(CustomDeviceTest, WindowsVolumeReachesTheMixerGains)
{
    std::wstring serial = NewSerial();
    CustomDevice* device = Plug(serial);
    ASSERT_NE(nullptr, device);
    ZephraDevice* reader = ClientDevice(device);
    ASSERT_NE(nullptr, reader);
    struct Row
    {
        const char* command; // after "winvol SERIAL"
        uint8_t firstChannel;
        int16_t gain;
        bool muted;
    };
    const Row rows[] = {
        {"1 -12.5 mute", 2, -1250, true},
        {"1 -inf", 2, -9000, false},
        {"7 100", 14, 9000, false},
        {"0 -0.5", 0, -50, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command);
        Command("winvol " + Narrow(serial) + " " + row.command);
        server.ProcessNotifications();
        for (const ZephraMixerGain& gain : AnalogGains(reader, row.firstChannel, 2)) {
            EXPECT_EQ(row.gain, gain.gain);
            EXPECT_EQ(row.muted ? ZEPHRA_GAIN_FLAG_MUTED : 0, gain.flags);
        }
    }

    // No such endpoint: the simulator refuses, and an index out of range from the driver is
    // not asked about.
    for (const std::string& refused : {Narrow(serial) + " 8 0", Narrow(serial) + " 1 loud", Narrow(serial) + " 1 0 off",
                                        Narrow(serial) + " 1", std::string("NOSUCH 0 0")}) {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(sim.Execute("winvol " + refused).done);
    }
    sim.ClearLog();
    uint32_t value[4] = {device->GetIdFirst(), device->GetIdSecond(), 2, 8};
    sim.QueueNotification(ZEPHRA_CLIENT_SERVER, ZEPHRA_NOTIFY_DEVICE_VALUE, value, sizeof(value));
    server.ProcessNotifications();
    EXPECT_EQ(0u, DeviceSent(IOCTL_ZEPHRA_GET_WDM_VOLUME));
}

TEST_F(CustomDeviceTest, MixerGainsReachTheWindowsVolumes)
{
    std::wstring serial = NewSerial();
    CustomDevice* device = Plug(serial);
    ASSERT_NE(nullptr, device);
    ZephraDevice* writer = ClientDevice(device);
    ASSERT_NE(nullptr, writer);
    ZephraMixerGain gains[2] = {};
    gains[0].pin = {ZEPHRA_PIN_ANALOG, 2, 0};
    gains[0].gain = -1234;
    gains[1].pin = {ZEPHRA_PIN_ANALOG, 3, 0};
    gains[1].gain = 600;
    gains[1].flags = ZEPHRA_GAIN_FLAG_MUTED;
    ASSERT_EQ(0u, writer->SetMixerOutputGains(gains, 2)); // the driver tells the server: 3051
    server.ProcessNotifications();

    std::vector<WdmVolumeRecord> volumes = Simulated(serial).wdm.Volumes();
    ASSERT_EQ(8u, volumes.size());
    EXPECT_EQ(0xFFF3A8F6u, static_cast<uint32_t>(volumes[1].volumes[0]));
    EXPECT_EQ(393216, volumes[1].volumes[1]);
    EXPECT_EQ(0u, volumes[1].mutes[0]);
    EXPECT_EQ(1u, volumes[1].mutes[1]);
    EXPECT_EQ(0, volumes[0].volumes[0]);
    EXPECT_EQ(8u, DeviceSent(IOCTL_ZEPHRA_SET_WDM_VOLUME));

    // A mixer without the upper outputs: the update ends at the first pair it cannot read.
    std::wstring small = NewSerial();
    CustomDevice* compact = Plug(small, "model compact");
    ASSERT_NE(nullptr, compact);
    sim.ClearLog();
    compact->OnDeviceUpdate();
    EXPECT_EQ(2u, DeviceSent(IOCTL_ZEPHRA_SET_WDM_VOLUME));
    EXPECT_EQ(3u, DeviceSent(IOCTL_ZEPHRA_MIXER_GET_OUTPUT_GAINS));
}

TEST_F(CustomDeviceTest, GetWdmConfigurationAnswersWith12001)
{
    std::wstring serial = NewSerial();
    WriteDword(serial, kRenderValue, 1);
    CustomDevice* device = Plug(serial);
    ASSERT_NE(nullptr, device);

    ZephraMessage reply;
    WdmConfigRecord asked = ConfigOf(device, 0, 0);
    ASSERT_EQ(0u, Ask(ZEPHRA_MSG_GET_WDM_CONFIG, &asked, sizeof(asked), &reply));
    EXPECT_EQ(ZEPHRA_MSG_WDM_CONFIG_REPLY, reply.code);
    WdmConfigRecord answer = {};
    ASSERT_EQ(0u, reply.ReadExact(&answer, sizeof(answer)));
    EXPECT_EQ(device->GetIdFirst(), answer.idFirst);
    EXPECT_EQ(device->GetIdSecond(), answer.idSecond);
    EXPECT_EQ(1u, answer.renderConfiguration);
    EXPECT_EQ(0u, answer.captureConfiguration);

    WdmConfigRecord unknown = {device->GetIdFirst() + 100, device->GetIdSecond(), 0, 0};
    EXPECT_EQ(ZEPHRA_STATUS_OBJECT_NOT_FOUND, Ask(ZEPHRA_MSG_GET_WDM_CONFIG, &unknown, sizeof(unknown), &reply));
    EXPECT_EQ(ZEPHRA_MSG_REPLY, reply.code);
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_MSG_SIZE, Ask(ZEPHRA_MSG_GET_WDM_CONFIG, &asked, 8, &reply));
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_COMMAND, Ask(11003, &asked, sizeof(asked), &reply));
}

TEST_F(CustomDeviceTest, SetWdmConfigurationRefusals)
{
    std::wstring serial = NewSerial();
    CustomDevice* device = Plug(serial);
    ASSERT_NE(nullptr, device);
    struct Row
    {
        const char* name;
        WdmConfigRecord record;
        uint32_t length;
        const char* streams;
        ZephraStatus status;
    };
    const Row rows[] = {
        {"render 1", ConfigOf(device, 1, 0), 16, "0 0 0 0 0", ZEPHRA_STATUS_INVALID_PARAMETER},
        {"capture 1", ConfigOf(device, 0, 1), 16, "0 0 0 0 0", ZEPHRA_STATUS_INVALID_PARAMETER},
        {"unknown device", {device->GetIdFirst(), device->GetIdSecond() + 1, 0, 0}, 16, "0 0 0 0 0",
         ZEPHRA_STATUS_OBJECT_NOT_FOUND},
        {"short record", ConfigOf(device, 0, 0), 12, "0 0 0 0 0", ZEPHRA_STATUS_INVALID_MSG_SIZE},
        {"sound device streams", ConfigOf(device, 0, 0), 16, "0 1 0 0 0", ZEPHRA_STATUS_SOUND_DEVICE_IN_USE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Command(std::string("streams ") + row.streams);
        sim.ClearLog();
        ZephraMessage reply;
        EXPECT_EQ(row.status, Ask(ZEPHRA_MSG_SET_WDM_CONFIG, &row.record, row.length, &reply));
        // Nothing changed: no stereo layout sent, no streaming command.
        EXPECT_EQ(0u, DeviceSent(IOCTL_ZEPHRA_SET_WDM_STEREO_CONFIG));
        EXPECT_TRUE(sim.StreamingCommands().empty());
    }
}

TEST_F(CustomDeviceTest, SetWdmConfigurationResetsAndResendsTheStereoLayout)
{
    std::wstring serial = NewSerial();
    WriteDword(serial, kRenderValue, 1);
    WriteDword(serial, kCaptureValue, 1);
    CustomDevice* device = Plug(serial);
    ASSERT_NE(nullptr, device);
    ASSERT_EQ(0u, Simulated(serial).wdm.Stereo().playback.count);
    Command("streams 1 0 0 0 0");
    server.StartStreaming(0);
    sim.ClearLog();

    ZephraMessage reply;
    WdmConfigRecord record = ConfigOf(device, 0, 0);
    ASSERT_EQ(0u, Ask(ZEPHRA_MSG_SET_WDM_CONFIG, &record, sizeof(record), &reply));
    EXPECT_EQ(ZEPHRA_MSG_REPLY, reply.code);
    for (const wchar_t* name : {kRenderValue, kCaptureValue}) {
        DWORD type = 0, value = 7;
        ASSERT_TRUE(ReadValue(serial, name, &type, &value));
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
        EXPECT_EQ(0u, value);
    }
    WdmStereoConfig stereo = Simulated(serial).wdm.Stereo();
    EXPECT_EQ(8u, stereo.playback.count);
    EXPECT_EQ(9u, stereo.capture.count);
    EXPECT_EQ(1u, DeviceSent(IOCTL_ZEPHRA_SET_WDM_STEREO_CONFIG));
    EXPECT_EQ(0u, DeviceSent(IOCTL_ZEPHRA_SET_WDM_MONO_CONFIG));
    // Down for the change (endpoints off first), up again (endpoints on before Running).
    std::vector<std::string> expected = {"capture off", "playback off", "cmd 6", "cmd 3", "cmd 2",
                                         "cmd 4",       "capture on",   "playback on", "cmd 5"};
    EXPECT_EQ(expected, Switching(serial));

    // A layout the driver refuses is the request's failure; streaming comes back all the same.
    sim.ClearLog();
    sim.SetRequestFailure(IOCTL_ZEPHRA_SET_WDM_STEREO_CONFIG, ZEPHRA_STATUS_NOT_SUPPORTED);
    EXPECT_EQ(ZEPHRA_STATUS_NOT_SUPPORTED, Ask(ZEPHRA_MSG_SET_WDM_CONFIG, &record, sizeof(record), &reply));
    EXPECT_EQ(expected, Switching(serial));
}

} // namespace
