#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "CListViewCtrl.h"
#include "DriverRig.h"
#include "FormChannels.h"
#include "PageHost.h"

namespace {

class FormChannelsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, rig.Start());
        bool changed = false;
        ASSERT_EQ(0u, rig.Client().RefreshDevices(&changed));
        ASSERT_EQ(1u, rig.Client().GetDeviceCount());
        deviceId = rig.Client().GetDeviceAt(0)->GetIdFirst();
        ASSERT_NE(nullptr, host.Create(360, 300));
    }

    // Each row as "DEVICE|CHANNEL".
    static std::vector<std::wstring> Rows(FormChannels& page)
    {
        CListViewCtrl list(page.GetDlgItem(IDC_CHANNEL_LIST));
        std::vector<std::wstring> rows;
        for (int i = 0; i < list.GetItemCount(); ++i)
            rows.push_back(list.GetItemText(i, 0) + L"|" + list.GetItemText(i, 1));
        return rows;
    }
    size_t InfoRequests() const
    {
        std::vector<std::string> names = rig.RequestNames();
        return size_t(std::count(names.begin(), names.end(), "GET_CHANNEL_INFO"));
    }
    std::string Key(uint32_t index) const { return std::to_string(deviceId) + ":" + std::to_string(index); }

    DriverRig rig{L"FormChannelsTest"};
    PageHost host;
    uint32_t deviceId = 0;
};

TEST_F(FormChannelsTest, InputAndOutputPagesListTheirChannels)
{
    FormInChannels in(rig.Client());
    FormOutChannels out(rig.Client());
    struct Case
    {
        FormChannels* page;
        const char* list;
        const wchar_t* first;
        const wchar_t* last;
    } cases[] = {
        {&in, "GET_INPUT_CHANNELS", L"Quorvela|Analog In 1", L"Quorvela|Analog In 16"},
        {&out, "GET_OUTPUT_CHANNELS", L"Quorvela|Out 1", L"Quorvela|Out 16"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        rig.Sim().ClearLog();
        ASSERT_TRUE(host.Open(*c.page));
        std::vector<std::wstring> rows = Rows(*c.page);
        ASSERT_EQ(16u, rows.size());
        EXPECT_EQ(c.first, rows.front());
        EXPECT_EQ(c.last, rows.back());
        std::vector<std::string> names = rig.RequestNames();
        ASSERT_EQ(17u, names.size());
        EXPECT_EQ(c.list, names.front());
        EXPECT_EQ(16u, InfoRequests());
        c.page->Refresh();
        EXPECT_EQ(rows, Rows(*c.page)) << "a refresh starts from an empty list";
        c.page->DestroyWindow();
    }
}

TEST_F(FormChannelsTest, FailingChannelInfoDropsOnlyThatRow)
{
    FormInChannels page(rig.Client());
    ASSERT_TRUE(host.Open(page));
    rig.Sim().SetNextReplyWord(IOCTL_ZEPHRA_GET_INPUT_CHANNELS, 0, 3);
    ASSERT_TRUE(rig.Sim().Execute("fail GET_CHANNEL_INFO TIMEOUT key " + Key(0)).done);
    page.Refresh();
    EXPECT_EQ((std::vector<std::wstring>{L"Quorvela|Analog In 2", L"Quorvela|Analog In 3"}), Rows(page))
        << "two rows of three, each with its own name";

    rig.Sim().SetNextReplyWord(IOCTL_ZEPHRA_GET_INPUT_CHANNELS, 0, 3);
    ASSERT_TRUE(rig.Sim().Execute("fail GET_CHANNEL_INFO TIMEOUT key " + Key(1)).done);
    page.Refresh();
    EXPECT_EQ((std::vector<std::wstring>{L"Quorvela|Analog In 3"}), Rows(page));
}

TEST_F(FormChannelsTest, FailedListOrCountBeyondTheRecord)
{
    FormInChannels page(rig.Client());
    ASSERT_TRUE(host.Open(page));
    ASSERT_EQ(16u, Rows(page).size());

    rig.Sim().SetNextReplyWord(IOCTL_ZEPHRA_GET_INPUT_CHANNELS, 0, 0);
    page.Refresh();
    EXPECT_TRUE(Rows(page).empty()) << "count 0";

    rig.Sim().SetNextReplyWord(IOCTL_ZEPHRA_GET_INPUT_CHANNELS, 0, 5000);
    rig.Sim().ClearLog();
    page.Refresh();
    EXPECT_EQ(16u, Rows(page).size()) << "the empty keys name no channel";
    EXPECT_EQ(size_t(ZEPHRA_MAX_CHANNELS), InfoRequests()) << "no key read beyond the record";

    rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_INPUT_CHANNELS, ZEPHRA_STATUS_FAILED);
    rig.Sim().ClearLog();
    page.Refresh();
    EXPECT_TRUE(Rows(page).empty());
    EXPECT_EQ(0u, InfoRequests());
}

TEST_F(FormChannelsTest, ChannelOfADeviceNotInTheListIsLeftOut)
{
    ASSERT_TRUE(rig.Sim().Execute("plug QV000002").done);
    ASSERT_EQ(0u, rig.Client().RequestSetStreamingDevice(0, 0, 1, 5000)) << "all devices stream";
    FormOutChannels page(rig.Client());
    ASSERT_TRUE(host.Open(page));
    std::vector<std::wstring> rows = Rows(page);
    EXPECT_EQ(16u, rows.size()) << "only the channels of the device the client knows";
    EXPECT_EQ(32u, InfoRequests());

    bool changed = false;
    ASSERT_EQ(0u, rig.Client().RefreshDevices(&changed));
    page.Refresh();
    EXPECT_EQ(32u, Rows(page).size());
    ASSERT_TRUE(rig.Sim().Execute("unplug QV000001").done);
    page.Refresh();
    EXPECT_EQ(16u, Rows(page).size()) << "an unplugged device's channels are gone from the driver's list";
}

TEST_F(FormChannelsTest, ColumnsAreHalfTheListWidth)
{
    FormInChannels page(rig.Client());
    ASSERT_TRUE(host.Open(page));
    CListViewCtrl list(page.GetDlgItem(IDC_CHANNEL_LIST));
    RECT client = {};
    ::GetClientRect(list, &client);
    EXPECT_EQ(client.right / 2, list.GetColumnWidth(0));
    host.Resize(360 + 600 - client.right, 300);
    ::GetClientRect(list, &client);
    ASSERT_EQ(600, client.right);
    EXPECT_EQ(300, list.GetColumnWidth(0));
    EXPECT_EQ(300, list.GetColumnWidth(1));
    // A size change alone (no placement by the frame) also fits the columns to the grown list.
    ::SetWindowPos(page, nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER);
    ::GetClientRect(list, &client);
    EXPECT_EQ(client.right / 2, list.GetColumnWidth(1));
}

} // namespace
