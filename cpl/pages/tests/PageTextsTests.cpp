#include <gtest/gtest.h>
#include <cstring>
#include <map>
#include "BufferSettingsTexts.h"
#include "ChannelRows.h"
#include "DeviceRows.h"
#include "DriverInfoText.h"
#include "ErrorCounterRows.h"

namespace {

TEST(BufferSettingsTextTest, DurationsHaveOneTruncatedDecimal)
{
    struct Row
    {
        uint32_t microseconds;
        const wchar_t* streaming;
    } rows[] = {
        {5333, L"5.3 millisecs\n"}, {999, L"0.9 millisecs\n"},  {0, L"0.0 millisecs\n"},
        {1000, L"1.0 millisecs\n"}, {1099, L"1.0 millisecs\n"}, {10666, L"10.6 millisecs\n"},
        {4294967295u, L"4294967.2 millisecs\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.microseconds);
        EXPECT_EQ(row.streaming, StreamingBufferText(row.microseconds));
    }
    EXPECT_EQ(L"10.6 millisecs\n512 samples", AsioBufferText(10666, 512));
    EXPECT_EQ(L"0.9 millisecs\n4294967295 samples", AsioBufferText(999, 4294967295u));
}

TEST(BufferSettingsTextTest, ChangeKeepsTheThirdSettingAndUnchosenValues)
{
    ZephraBufferSizes read = {};
    read.streamingSetting = 4;
    read.asioSetting = 2;
    read.thirdSetting = 0xA5A5F00Du;
    struct Row
    {
        int streaming, asio;
        uint32_t wantStreaming, wantAsio;
    } rows[] = {
        {1, 3, 1, 3},
        {0, 0, 0, 0},
        {BUFFER_SETTING_NONE, 1, 4, 1},
        {5, BUFFER_SETTING_NONE, 5, 2},
        {BUFFER_SETTING_NONE, BUFFER_SETTING_NONE, 4, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.streaming << "," << row.asio);
        ZephraBufferSizeChange change = BufferSizeChangeOf(row.streaming, row.asio, read);
        EXPECT_EQ(row.wantStreaming, change.streamingSetting);
        EXPECT_EQ(row.wantAsio, change.asioSetting);
        EXPECT_EQ(0xA5A5F00Du, change.thirdSetting);
    }
}

TEST(DriverInfoTextTest, ReleaseAndDebugBuilds)
{
    ZephraVersionInfo version = {2, 7, 4, 12, 1234, 0};
    EXPECT_EQ(L"\nDriver version: \t  4.12.1234\nBuild type: \t  release \n\nInterface version: 2.7\n",
              DriverInfoText(version));
    version.buildFlags = 0xFFFFFFFFu;
    version.driverMajor = 4294967295u;
    EXPECT_EQ(L"\nDriver version: \t  4294967295.12.1234\nBuild type: \t  debug \n\nInterface version: 2.7\n",
              DriverInfoText(version));
    version.buildFlags = 2; // only bit 0 tells a debug build
    EXPECT_NE(std::wstring::npos, DriverInfoText(version).find(L"\t  release \n"));
}

TEST(ErrorCounterRowsTest, RowsPointIntoTheRecordInDriverOrder)
{
    ZephraErrorCounters record = {10, 11, 12, 13, 14};
    auto rows = ErrorCounterRowsOf(record);
    const wchar_t* names[] = {L"Streaming Error Count", L"FIFO Error Count", L"ASIO Error Count",
                              L"WDM Audio Error Count", L"WDM MIDI Error Count"};
    for (size_t i = 0; i < ERROR_COUNTER_ROWS; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(names[i], rows[i].name);
        EXPECT_EQ(10 + i, *rows[i].counter);
        EXPECT_STREQ(rows[i].description, CounterDescription(rows, int(i)));
    }
    record.wdmMidi = 4294967295u; // the rows see the record as it changes
    EXPECT_EQ(L"4294967295", CounterText(*rows[4].counter));
    EXPECT_NE(nullptr, wcsstr(rows[1].description, L"Try to use another cable"));
    EXPECT_NE(nullptr, wcsstr(rows[4].description, L"then MIDI data was lost."));
    for (int selected : {-1, 5, 1000}) {
        SCOPED_TRACE(selected);
        EXPECT_STREQ(L"Select a counter to see its description.", CounterDescription(rows, selected));
    }
}

TEST(ErrorCounterRowsTest, ValueColumnIsRedUnlessZero)
{
    struct Row
    {
        int column;
        uint32_t value;
        COLORREF color;
    } rows[] = {
        {COUNTER_COLUMN_VALUE, 0, RGB(0, 0, 0)},         {COUNTER_COLUMN_VALUE, 1, RGB(255, 0, 0)},
        {COUNTER_COLUMN_VALUE, 4294967295u, RGB(255, 0, 0)}, {COUNTER_COLUMN_NAME, 7, RGB(0, 0, 0)},
        {COUNTER_COLUMN_NAME, 0, RGB(0, 0, 0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.column << "," << row.value);
        EXPECT_EQ(row.color, CounterCellColor(row.column, row.value));
    }
    EXPECT_EQ(L"0", CounterText(0));
}

TEST(DeviceRowsTest, RowOfADeviceRecord)
{
    ZephraDeviceRecord record = {};
    record.idFirst = 7;
    record.idSecond = 9;
    wcscpy(record.serialNumber, L"QV000042");
    record.streamingFlags = ZEPHRA_STREAMING_SELECTED;
    ZephraDevice device;
    device.SetRecord(record);
    DeviceRow row = DeviceRowOf(device);
    EXPECT_EQ(7u, row.id.idFirst);
    EXPECT_EQ(9u, row.id.idSecond);
    EXPECT_EQ(L"QV000042", row.serialNumber);
    EXPECT_TRUE(row.streaming);
    EXPECT_STREQ(L"X", StreamingMark(row.streaming));

    // Only bit 0 selects; a serial number without terminator ends with its field.
    record.streamingFlags = 0xFE;
    for (wchar_t& c : record.serialNumber)
        c = L'S';
    device.SetRecord(record);
    row = DeviceRowOf(device);
    EXPECT_FALSE(row.streaming);
    EXPECT_STREQ(L"", StreamingMark(row.streaming));
    EXPECT_EQ(std::wstring(ZEPHRA_SERIAL_CHARS, L'S'), row.serialNumber);
}

TEST(DeviceRowsTest, ColumnWidths)
{
    struct Row
    {
        int width;
        int first, second, third, channel;
    } rows[] = {
        {0, 0, 0, 0, 0},           {420, 120, 140, 84, 210},  {600, 171, 200, 120, 300},
        {1, 0, 0, 0, 0},           {7, 2, 2, 1, 3},           {235000, 1606, 12797, 47000, 117500},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.width);
        std::array<int, 3> widths = DeviceColumnWidths(row.width);
        EXPECT_EQ(row.first, widths[0]);
        EXPECT_EQ(row.second, widths[1]);
        EXPECT_EQ(row.third, widths[2]);
        EXPECT_EQ(row.channel, ChannelColumnWidth(row.width));
    }
}

// A driver's answers for ChannelRowsOf: information by key, devices by id.
class ChannelRowsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AddDevice(1, 2, L"Quorvela");
        AddDevice(3, 4, L"Second");
    }
    void AddDevice(uint32_t first, uint32_t second, const wchar_t* name)
    {
        ZephraDeviceRecord record = {};
        record.idFirst = first;
        record.idSecond = second;
        wcscpy(record.deviceName, name);
        devices[{first, second}].SetRecord(record);
    }
    void AddChannel(uint32_t key, uint32_t first, uint32_t second, const wchar_t* name, ZephraStatus status = 0)
    {
        ZephraChannelInfo info = {};
        info.idFirst = first;
        info.idSecond = second;
        if (name != nullptr)
            wcscpy(info.name, name);
        infos[key] = {status, info};
        list.keys[list.count].words[0] = key;
        list.keys[list.count].words[1] = ~key;
        ++list.count;
    }
    std::vector<ChannelRow> Rows()
    {
        return ChannelRowsOf(
            list,
            [&](const ZephraChannelKey& key, ZephraChannelInfo* info) -> ZephraStatus {
                ++reads;
                EXPECT_EQ(~key.words[0], key.words[1]) << "the key travels whole";
                auto it = infos.find(key.words[0]);
                if (it == infos.end())
                    return ZEPHRA_STATUS_OBJECT_NOT_FOUND;
                *info = it->second.second;
                return it->second.first;
            },
            [&](uint32_t first, uint32_t second) -> const ZephraDevice* {
                auto it = devices.find({first, second});
                return it == devices.end() ? nullptr : &it->second;
            });
    }

    ZephraChannelList list = {};
    std::map<uint32_t, std::pair<ZephraStatus, ZephraChannelInfo>> infos;
    std::map<std::pair<uint32_t, uint32_t>, ZephraDevice> devices;
    int reads = 0;
};

TEST_F(ChannelRowsTest, FailedOrOrphanChannelsLeaveNoGap)
{
    AddChannel(10, 1, 2, L"In 1", ZEPHRA_STATUS_TIMEOUT);
    AddChannel(11, 1, 2, L"In 2");
    AddChannel(12, 3, 4, L"In 3");
    AddChannel(13, 1, 3, L"Orphan"); // no device with these id words
    AddChannel(14, 1, 2, L"In 5");
    std::vector<ChannelRow> rows = Rows();
    ASSERT_EQ(3u, rows.size());
    const wchar_t* want[][2] = {{L"Quorvela", L"In 2"}, {L"Second", L"In 3"}, {L"Quorvela", L"In 5"}};
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(want[i][0], rows[i].device);
        EXPECT_EQ(want[i][1], rows[i].channel);
    }
    EXPECT_EQ(5, reads);
}

TEST_F(ChannelRowsTest, CountBeyondTheRecordReadsOnlyItsKeys)
{
    for (uint32_t i = 0; i < ZEPHRA_MAX_CHANNELS; ++i)
        AddChannel(100 + i, 1, 2, L"C");
    for (uint32_t count : {97u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(count);
        list.count = count;
        reads = 0;
        EXPECT_EQ(size_t(ZEPHRA_MAX_CHANNELS), Rows().size());
        EXPECT_EQ(int(ZEPHRA_MAX_CHANNELS), reads);
    }
    list.count = 0;
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(int(ZEPHRA_MAX_CHANNELS), reads);
}

TEST_F(ChannelRowsTest, UnterminatedNamesEndWithTheirFields)
{
    AddChannel(20, 1, 2, nullptr);
    for (wchar_t& c : infos[20].second.name)
        c = L'N';
    ZephraDeviceRecord record = devices[{1, 2}].GetRecord();
    for (wchar_t& c : record.deviceName)
        c = L'D';
    devices[{1, 2}].SetRecord(record);
    std::vector<ChannelRow> rows = Rows();
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(std::wstring(ZEPHRA_CHANNEL_NAME_CHARS, L'N'), rows[0].channel);
    EXPECT_EQ(std::wstring(ZEPHRA_DEVICE_NAME_CHARS, L'D'), rows[0].device);
}

} // namespace
