#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <string>
#include "ZephraDriver.h"
#include "SimHostile.h"
#include "ZephraSim.h"

namespace {

const wchar_t* const kName = L"ZephraDriverTest";

class RefusingDevice : public ZephraDevice
{
public:
    ZephraStatus OnOpened() override { return ZEPHRA_STATUS_NOT_POSSIBLE; }
};

// A driver whose devices refuse to open while refuse is set.
class PickyDriver : public ZephraDriver
{
public:
    ZephraDevice* CreateDevice() override
    {
        ++created;
        return refuse ? new RefusingDevice() : new ZephraDevice();
    }
    bool refuse = false;
    int created = 0;
};

class DriverTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(0u, sim.Start(kName)); }

    void Command(const std::string& line) { ASSERT_TRUE(sim.Execute(line).done) << line; }

    // An observer that has listed the one device AAA.
    void OpenWithAAA(ZephraDriver* driver)
    {
        Command("plug AAA");
        ASSERT_EQ(0u, driver->OpenAsObserver(kName, ZEPHRA_CLIENT_OBSERVER));
        bool changed = false;
        ASSERT_EQ(0u, driver->RefreshDevices(&changed));
        ASSERT_EQ(1u, driver->GetDeviceCount());
    }

    // A main client that has taken the driver's first 3030 for it.
    void OpenClient(ZephraDriver* driver)
    {
        ASSERT_EQ(0u, driver->OpenAsClient(kName));
        ZephraMessage welcome;
        ASSERT_EQ(0u, driver->NextNotification(&welcome));
        ASSERT_EQ(ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED, welcome.code);
    }

    ZephraSim sim;
};

TEST_F(DriverTest, DevicesKeepTheirObjectsAcrossRefreshes)
{
    Command("plug AAA");
    Command("plug BBB usb11");
    PickyDriver driver;
    ASSERT_EQ(0u, driver.OpenAsObserver(kName, ZEPHRA_CLIENT_OBSERVER));
    bool changed = false;
    ASSERT_EQ(0u, driver.RefreshDevices(&changed));
    EXPECT_TRUE(changed);
    ASSERT_EQ(2u, driver.GetDeviceCount());
    ZephraDevice* a = driver.GetDeviceAt(0);
    ZephraDevice* b = driver.GetDeviceAt(1);
    EXPECT_EQ(L"AAA", a->GetSerialNumber());
    EXPECT_TRUE(a->IsHighSpeed());
    EXPECT_TRUE(a->IsStreamingDevice()) << "the first device plugged streams";
    EXPECT_FALSE(b->IsHighSpeed()) << "a USB 1.1 device still gets an object";
    EXPECT_TRUE(a->IsOpened());

    ASSERT_EQ(0u, driver.RefreshDevices(&changed));
    EXPECT_FALSE(changed);
    EXPECT_EQ(a, driver.GetDeviceAt(0));
    EXPECT_EQ(b, driver.GetDeviceAt(1));

    // Replugged with the same serial: new id words, same object, no change; the
    // streaming selection moved to BBB meanwhile and the object shows it.
    uint32_t oldId = a->GetIdFirst();
    Command("unplug AAA");
    Command("plug AAA");
    ASSERT_EQ(0u, driver.RefreshDevices(&changed));
    EXPECT_FALSE(changed);
    ASSERT_EQ(2u, driver.GetDeviceCount());
    EXPECT_EQ(b, driver.GetDeviceAt(0)) << "the list follows the driver's order";
    EXPECT_EQ(a, driver.GetDeviceAt(1));
    EXPECT_NE(oldId, a->GetIdFirst());
    bool bypass = true;
    EXPECT_EQ(0u, a->GetVolumeBypass(&bypass)) << "its connection follows the new id words";
    EXPECT_TRUE(b->IsStreamingDevice());
    EXPECT_FALSE(a->IsStreamingDevice());
    EXPECT_EQ(a, driver.FindDevice(a->GetIdFirst(), a->GetIdSecond()));
    EXPECT_EQ(nullptr, driver.FindDevice(oldId, a->GetIdSecond()));
    EXPECT_EQ(nullptr, driver.FindDevice(a->GetIdFirst(), b->GetIdSecond() + 1));
    EXPECT_EQ(nullptr, driver.GetDeviceAt(2));

    // A new serial number is a new device; the one gone is deleted.
    Command("unplug BBB");
    Command("plug CCC");
    ASSERT_EQ(0u, driver.RefreshDevices(&changed));
    EXPECT_TRUE(changed);
    ASSERT_EQ(2u, driver.GetDeviceCount());
    EXPECT_EQ(a, driver.GetDeviceAt(0));
    EXPECT_EQ(L"CCC", driver.GetDeviceAt(1)->GetSerialNumber());

    Command("unplug AAA");
    Command("unplug CCC");
    ASSERT_EQ(0u, driver.RefreshDevices(&changed));
    EXPECT_TRUE(changed);
    EXPECT_EQ(0u, driver.GetDeviceCount());
    EXPECT_EQ(nullptr, driver.GetDeviceAt(0));
    ASSERT_EQ(0u, driver.RefreshDevices(&changed));
    EXPECT_FALSE(changed);
}

TEST_F(DriverTest, DevicesThatCannotBeOpenedStayOutOfTheList)
{
    Command("plug AAA");
    PickyDriver driver;
    ASSERT_EQ(0u, driver.OpenAsObserver(kName, ZEPHRA_CLIENT_OBSERVER));
    bool changed = true;

    driver.refuse = true;
    EXPECT_EQ(0u, driver.RefreshDevices(&changed)) << "a skipped device does not fail the refresh";
    EXPECT_FALSE(changed);
    EXPECT_EQ(0u, driver.GetDeviceCount());

    driver.refuse = false;
    sim.SetRequestFailure(IOCTL_ZEPHRA_SELECT_DEVICE, ZEPHRA_STATUS_IN_USE);
    EXPECT_EQ(0u, driver.RefreshDevices(&changed));
    EXPECT_EQ(0u, driver.GetDeviceCount());

    sim.SetRequestFailure(IOCTL_ZEPHRA_SELECT_DEVICE, 0);
    EXPECT_EQ(0u, driver.RefreshDevices(&changed));
    EXPECT_TRUE(changed);
    EXPECT_EQ(1u, driver.GetDeviceCount());
    EXPECT_EQ(3, driver.created);
    for (int i = 0; i < 100 && sim.ConnectionCount() != 2; ++i)
        Sleep(10);
    EXPECT_EQ(2u, sim.ConnectionCount()) << "refused objects closed their connections";

    // A failed list request empties the list and reports its status.
    sim.SetRequestFailure(IOCTL_ZEPHRA_GET_DEVICE_LIST, ZEPHRA_STATUS_INTERNAL_ERROR);
    EXPECT_EQ(ZEPHRA_STATUS_INTERNAL_ERROR, driver.RefreshDevices(&changed));
    EXPECT_TRUE(changed);
    EXPECT_EQ(0u, driver.GetDeviceCount());
}

TEST_F(DriverTest, AKeptDeviceThatCannotBeBoundAgainIsDropped)
{
    ZephraDriver driver;
    OpenWithAAA(&driver);
    bool changed = false;
    Command("unplug AAA");
    Command("plug AAA");
    sim.SetRequestFailure(IOCTL_ZEPHRA_SELECT_DEVICE, ZEPHRA_STATUS_IN_USE);
    EXPECT_EQ(0u, driver.RefreshDevices(&changed));
    EXPECT_TRUE(changed);
    EXPECT_EQ(0u, driver.GetDeviceCount()) << "an object bound to gone id words is no use";
    sim.SetRequestFailure(IOCTL_ZEPHRA_SELECT_DEVICE, 0);
    EXPECT_EQ(0u, driver.RefreshDevices(&changed));
    EXPECT_TRUE(changed);
    EXPECT_EQ(1u, driver.GetDeviceCount());
}

// A fixed record read that succeeds with fewer bytes than the record is a failed read; a
// short device list leaves the list as it was.
TEST_F(DriverTest, ShortRepliesOfFixedRecordsAreLengthMismatches)
{
    ZephraDriver driver;
    OpenWithAAA(&driver);
    bool changed = false;
    ZephraDevice* kept = driver.GetDeviceAt(0);

    ZephraDeviceList list;
    ZephraStreamingStatus streaming;
    ZephraSampleRates rates;
    ZephraVersionInfo version;
    ZephraChannelInfo info;
    uint32_t options = 0;
    struct Row
    {
        const char* what;
        uint32_t code;
        uint32_t size;
        std::function<ZephraStatus()> read;
    };
    const Row rows[] = {
        {"device list", IOCTL_ZEPHRA_GET_DEVICE_LIST, sizeof(list), [&] { return driver.RefreshDevices(&changed); }},
        {"streaming status", IOCTL_ZEPHRA_GET_STREAMING_STATUS, sizeof(streaming),
         [&] { return driver.GetStreamingStatus(&streaming); }},
        {"sample rates", IOCTL_ZEPHRA_GET_SAMPLE_RATES, sizeof(rates), [&] { return driver.GetSampleRates(&rates); }},
        {"options", IOCTL_ZEPHRA_GET_OPTIONS, sizeof(options), [&] { return driver.GetOptions(&options); }},
        {"version", IOCTL_ZEPHRA_GET_VERSION, sizeof(version), [&] { return driver.GetVersion(&version); }},
        {"channel info", IOCTL_ZEPHRA_GET_CHANNEL_INFO, sizeof(info),
         [&] { return driver.GetChannelInfo(ZephraChannelKey{}, &info); }},
    };
    std::vector<uint8_t> bytes(sizeof(list), 0xFF);
    for (const Row& row : rows) {
        for (uint32_t returned : {0u, row.size / 2, row.size - 1}) {
            SCOPED_TRACE(std::string(row.what) + ", " + std::to_string(returned) + " bytes");
            int used = 0;
            std::vector<uint8_t> frame = SimResponseFrame(0, bytes.data(), returned);
            sim.SetInterceptor([&](int32_t, uint32_t code, uint32_t, std::vector<uint8_t>* reply) {
                if (code != row.code || used++ != 0)
                    return false;
                *reply = frame;
                return true;
            });
            changed = true;
            EXPECT_EQ(ZEPHRA_STATUS_LENGTH_MISMATCH, row.read());
            sim.SetInterceptor(ZephraSim::Interceptor());
            EXPECT_EQ(1, used);
            if (row.code == IOCTL_ZEPHRA_GET_DEVICE_LIST)
                EXPECT_FALSE(changed);
        }
    }
    EXPECT_EQ(1u, driver.GetDeviceCount());
    EXPECT_EQ(kept, driver.GetDeviceAt(0)) << "the list stays as it was";
    EXPECT_EQ(0u, options) << "a failed read leaves its record zero";
}

// An answer longer than the caller's buffer fails that request alone; the pipe stays in step.
TEST_F(DriverTest, AnOverlongAnswerFailsOnlyItsOwnRequest)
{
    ZephraDriver driver;
    ASSERT_EQ(0u, driver.OpenAsObserver(kName, ZEPHRA_CLIENT_OBSERVER));
    ZephraStreamingStatus expected;
    ASSERT_EQ(0u, driver.GetStreamingStatus(&expected));
    for (uint32_t extra : {1u, 100u, 5000u}) {
        SCOPED_TRACE(extra);
        std::vector<uint8_t> bytes(sizeof(uint32_t) + extra, 0x5A);
        int used = 0;
        sim.SetInterceptor([&](int32_t, uint32_t code, uint32_t, std::vector<uint8_t>* reply) {
            if (code != IOCTL_ZEPHRA_GET_OPTIONS || used++ != 0)
                return false;
            *reply = SimResponseFrame(0, bytes.data(), static_cast<uint32_t>(bytes.size()));
            return true;
        });
        uint32_t options = 0;
        EXPECT_EQ(ZEPHRA_STATUS_LENGTH_MISMATCH, driver.GetOptions(&options));
        sim.SetInterceptor(ZephraSim::Interceptor());
        ZephraStreamingStatus status;
        ASSERT_EQ(0u, driver.GetStreamingStatus(&status));
        EXPECT_EQ(0, memcmp(&expected, &status, sizeof(status))) << "the next request reads its own answer";
        EXPECT_EQ(0u, driver.GetOptions(&options));
    }
}

TEST_F(DriverTest, OverlongDeviceListIsReadWithinItsRecord)
{
    Command("plug AAA");
    Command("plug BBB");
    ZephraDriver driver;
    ASSERT_EQ(0u, driver.OpenAsObserver(kName, ZEPHRA_CLIENT_OBSERVER));
    sim.SetNextDeviceListCount(0xFFFFFFFF);
    bool changed = false;
    EXPECT_EQ(0u, driver.RefreshDevices(&changed));
    // The empty records beyond the two present ones name no device and are skipped.
    EXPECT_EQ(2u, driver.GetDeviceCount());
    EXPECT_EQ(2u + 6u, sim.Logged(IOCTL_ZEPHRA_SELECT_DEVICE).size());
}

TEST_F(DriverTest, FieldsWithoutTerminatorAreReadWithinTheirBounds)
{
    ZephraDevice device;
    ZephraDeviceRecord record;
    memset(&record, 0, sizeof(record));
    for (wchar_t& c : record.serialNumber)
        c = L'S';
    for (wchar_t& c : record.deviceName)
        c = L'N';
    record.portFlags = 0xFF;
    device.SetRecord(record);
    EXPECT_EQ(std::wstring(20, L'S'), device.GetSerialNumber());
    EXPECT_EQ(std::wstring(42, L'N'), device.GetDeviceName());
    EXPECT_TRUE(device.IsSameDevice(record));
    record.serialNumber[19] = L'T';
    EXPECT_FALSE(device.IsSameDevice(record)) << "identity compares the whole field";
}

TEST_F(DriverTest, OpenSequencesAndTheirFailures)
{
    ZephraDriver server, second, client;
    ASSERT_EQ(0u, server.OpenAsServer(kName));
    EXPECT_NE(nullptr, server.GetMessageEvent());
    EXPECT_NE(nullptr, server.GetNotificationEvent());
    EXPECT_EQ(0u, server.OpenAsServer(kName)) << "already open";

    EXPECT_EQ(ZEPHRA_STATUS_ALREADY_DONE, second.OpenAsServer(kName));
    EXPECT_FALSE(second.IsOpened());
    EXPECT_EQ(nullptr, second.GetMessageEvent()) << "CloseDriver destroyed the events";

    // A refused SetEvents closes the connection but keeps the events for the next try.
    sim.SetRequestFailure(IOCTL_ZEPHRA_SET_EVENTS, ZEPHRA_STATUS_NO_RESOURCES);
    EXPECT_EQ(ZEPHRA_STATUS_NO_RESOURCES, client.OpenAsClient(kName));
    EXPECT_FALSE(client.IsOpened());
    HANDLE kept = client.GetMessageEvent();
    EXPECT_NE(nullptr, kept);
    sim.SetRequestFailure(IOCTL_ZEPHRA_SET_EVENTS, 0);
    EXPECT_EQ(0u, client.OpenAsClient(kName));
    EXPECT_EQ(kept, client.GetMessageEvent());

    std::vector<SimLogEntry> log = sim.Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(IOCTL_ZEPHRA_GET_VERSION, log[0].code);
    EXPECT_EQ(IOCTL_ZEPHRA_SET_EVENTS, log[1].code);
    EXPECT_EQ(IOCTL_ZEPHRA_SET_CLIENT_TYPE, log[2].code);
    EXPECT_EQ(2, log.back().clientType);
}

TEST_F(DriverTest, ObserverAndCloseOnOpenAndClosedObjects)
{
    ZephraDriver observer;
    ASSERT_EQ(0u, observer.OpenAsObserver(kName, ZEPHRA_CLIENT_OBSERVER_2));
    EXPECT_EQ(nullptr, observer.GetNotificationEvent());
    size_t before = sim.Log().size();
    EXPECT_EQ(0u, observer.OpenAsObserver(kName, ZEPHRA_CLIENT_OBSERVER));
    EXPECT_EQ(before, sim.Log().size()) << "nothing sent when already open";
    EXPECT_EQ(4, sim.Log().back().clientType);

    observer.CloseDriver();
    EXPECT_FALSE(observer.IsOpened());
    size_t afterClose = sim.Log().size();
    observer.CloseDriver();
    EXPECT_EQ(afterClose, sim.Log().size()) << "closing a closed driver sends nothing";

    sim.SetRequestFailure(IOCTL_ZEPHRA_SET_CLIENT_TYPE, ZEPHRA_STATUS_NOT_ALLOWED);
    EXPECT_EQ(ZEPHRA_STATUS_NOT_ALLOWED, observer.OpenAsObserver(kName, ZEPHRA_CLIENT_OBSERVER));
    EXPECT_FALSE(observer.IsOpened());
}

TEST_F(DriverTest, RequestsAndRepliesAreRelayedWithTheirCorrelationWords)
{
    ZephraDriver server, client, other;
    ASSERT_EQ(0u, server.OpenAsServer(kName));
    OpenClient(&client);
    OpenClient(&other);

    ZephraMessage request;
    request.Init(ZEPHRA_MSG_KIND_REQUEST, ZEPHRA_MSG_SET_SAMPLE_RATE);
    request.correlation[0] = 7;
    request.correlation[1] = 8;
    request.correlation[2] = 9;
    ASSERT_EQ(0u, request.WriteU32(48000));
    ASSERT_EQ(0u, client.SendMessageRecord(request));
    EXPECT_EQ(36u, sim.Log().back().inSize);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(server.GetMessageEvent(), 2000));

    ZephraMessage received;
    ASSERT_EQ(0u, server.GetMessageRecord(&received));
    EXPECT_EQ(ZEPHRA_MSG_KIND_REQUEST, received.kind);
    EXPECT_EQ(ZEPHRA_MSG_SET_SAMPLE_RATE, received.code);
    uint32_t rate = 0;
    EXPECT_EQ(0u, received.ReadU32(&rate));
    EXPECT_EQ(48000u, rate);
    EXPECT_EQ(ZEPHRA_STATUS_NO_MORE_ITEMS, server.GetMessageRecord(&received));
    EXPECT_EQ(ZEPHRA_MSG_KIND_NONE, received.kind) << "a failed read leaves kind 0";

    ZephraMessage reply;
    reply.Init(ZEPHRA_MSG_KIND_REPLY, ZEPHRA_MSG_REPLY);
    memcpy(reply.correlation, received.correlation, sizeof(reply.correlation)); // as the server got them
    reply.status = ZEPHRA_STATUS_SOUND_DEVICE_IN_USE;
    ASSERT_EQ(0u, server.SendMessageRecord(reply));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(client.GetMessageEvent(), 2000));
    ASSERT_EQ(0u, client.GetMessageRecord(&received));
    EXPECT_EQ(ZEPHRA_MSG_KIND_REPLY, received.kind);
    EXPECT_EQ(8u, received.correlation[1]);
    EXPECT_EQ(9u, received.correlation[2]);
    EXPECT_EQ(ZEPHRA_STATUS_SOUND_DEVICE_IN_USE, received.status);
    EXPECT_EQ(ZEPHRA_STATUS_NO_MORE_ITEMS, other.GetMessageRecord(&received)) << "only the requester";


    // The server's notifications reach every other connection, not itself.
    ZephraMessage note;
    note.Init(ZEPHRA_MSG_KIND_NOTIFICATION, ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED);
    ASSERT_EQ(0u, server.SendMessageRecord(note));
    for (ZephraDriver* receiver : {&client, &other}) {
        ASSERT_EQ(0u, receiver->NextNotification(&received));
        EXPECT_EQ(ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED, received.code);
    }
    EXPECT_EQ(ZEPHRA_STATUS_NO_MORE_ITEMS, server.NextNotification(&received));
}

TEST_F(DriverTest, BurstOfNotificationsIsDrainedAfterOneSignal)
{
    ZephraDriver client;
    OpenClient(&client);
    for (int i = 0; i < 5; ++i)
        Command("notify 3040 " + std::to_string(i) + " 77");
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(client.GetNotificationEvent(), 2000));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(client.GetNotificationEvent(), 0))
        << "one auto-reset signal stands for all five";
    ZephraMessage record;
    for (uint32_t i = 0; i < 5; ++i) {
        ASSERT_EQ(0u, client.NextNotification(&record));
        uint32_t first = 0, second = 0;
        EXPECT_EQ(0u, record.ReadU32Pair(&first, &second));
        EXPECT_EQ(i, first);
        EXPECT_EQ(77u, second);
    }
    EXPECT_EQ(ZEPHRA_STATUS_NO_MORE_ITEMS, client.NextNotification(&record));
}

TEST_F(DriverTest, NextNotificationDropsOtherKinds)
{
    ZephraDriver client;
    OpenClient(&client);
    ZephraMessage stray;
    stray.Init(ZEPHRA_MSG_KIND_REPLY, ZEPHRA_MSG_REPLY);
    sim.QueueRecord(-1, true, stray);
    stray.Init(ZEPHRA_MSG_KIND_NONE, 0);
    sim.QueueRecord(-1, true, stray);
    stray.Init(ZEPHRA_MSG_KIND_NOTIFICATION, ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED);
    sim.QueueRecord(-1, true, stray);
    ZephraMessage record;
    ASSERT_EQ(0u, client.NextNotification(&record));
    EXPECT_EQ(ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED, record.code);
    EXPECT_EQ(ZEPHRA_STATUS_NO_MORE_ITEMS, client.NextNotification(&record));
}

TEST_F(DriverTest, MalformedRecordsFromTheDriverAreRejected)
{
    ZephraDriver client;
    OpenClient(&client);
    ZephraMessage bad;
    bad.Init(ZEPHRA_MSG_KIND_NOTIFICATION, ZEPHRA_NOTIFY_DEVICE_STATE);
    bad.payloadLength = 513;
    sim.QueueRecord(-1, true, bad);
    bad.payloadLength = 0;
    bad.headerSize = 40;
    sim.QueueRecord(-1, true, bad);
    ZephraMessage record;
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_LENGTH, client.GetNotificationRecord(&record));
    EXPECT_EQ(0u, record.payloadLength);
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_LENGTH, client.GetNotificationRecord(&record));
    EXPECT_EQ(ZEPHRA_STATUS_NO_MORE_ITEMS, client.GetNotificationRecord(&record));
}

TEST_F(DriverTest, DeviceRequestsNeedABoundPresentDevice)
{
    Command("plug AAA");
    ZephraDriver driver;
    ASSERT_EQ(0u, driver.OpenAsObserver(kName, ZEPHRA_CLIENT_OBSERVER));
    uint8_t bypass = 0;
    EXPECT_EQ(ZEPHRA_STATUS_NO_DEVICE, driver.DoRequest(IOCTL_ZEPHRA_GET_VOLUME_BYPASS, nullptr, 0, &bypass, 1))
        << "unbound connection";
    bool changed = false;
    ASSERT_EQ(0u, driver.RefreshDevices(&changed));
    ZephraDevice* device = driver.GetDeviceAt(0);
    ASSERT_NE(nullptr, device);
    EXPECT_EQ(ZEPHRA_STATUS_NO_DEVICE, device->SelectDevice(device->GetIdFirst() + 100, device->GetIdSecond()));
    Command("unplug AAA");
    EXPECT_EQ(ZEPHRA_STATUS_DEVICE_REMOVED, device->DoRequest(IOCTL_ZEPHRA_GET_VOLUME_BYPASS, nullptr, 0, &bypass, 1));
}

} // namespace
