#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "Controls.h"
#include "DriverRig.h"
#include "FormBufferSettings.h"
#include "ModalWatcher.h"
#include "PageHost.h"

namespace {

const int kControls[] = {IDC_STREAMING_BUFFER_LIST, IDC_STREAMING_BUFFER_TEXT, IDC_ASIO_BUFFER_LIST,
                         IDC_ASIO_BUFFER_TEXT, IDC_BUFFER_APPLY};

class FormBufferSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, rig.Start());
        ASSERT_NE(nullptr, host.Create(320, 220));
        page.SetRequestTimeout(2000);
        ASSERT_TRUE(host.Open(page));
    }

    std::wstring Text(int id) const { return page.GetDlgItem(id).GetWindowText(); }
    HWND Item(int id) const { return page.GetDlgItem(id); }
    size_t Enabled() const
    {
        return size_t(std::count_if(std::begin(kControls), std::end(kControls),
                                    [&](int id) { return ::IsWindowEnabled(Item(id)) != FALSE; }));
    }
    std::vector<CaughtBox> Apply()
    {
        MessageBoxCatcher catcher;
        ClickButton(Item(IDC_BUFFER_APPLY));
        return catcher.Boxes();
    }
    // The driver's settings as the service left them.
    ZephraBufferSizes Driver()
    {
        ZephraBufferSizes sizes = {};
        EXPECT_EQ(0u, rig.Client().GetBufferSizes(&sizes));
        return sizes;
    }

    DriverRig rig{L"FormBufferSettingsTest"};
    PageHost host;
    FormBufferSettings page{rig.Client()};
};

TEST_F(FormBufferSettingsTest, NamesSelectionsAndDurationTexts)
{
    EXPECT_EQ((std::vector<std::wstring>{L"Minimum", L"ExtraSmall", L"Small", L"Large", L"ExtraLarge", L"Safe"}),
              ComboItems(Item(IDC_STREAMING_BUFFER_LIST)));
    EXPECT_EQ((std::vector<std::wstring>{L"Minimum", L"Small", L"Large", L"Maximum"}),
              ComboItems(Item(IDC_ASIO_BUFFER_LIST)));
    EXPECT_EQ(L"Small", ComboSelection(Item(IDC_STREAMING_BUFFER_LIST)));
    EXPECT_EQ(L"Small", ComboSelection(Item(IDC_ASIO_BUFFER_LIST)));
    EXPECT_EQ(L"4.0 millisecs\n", Text(IDC_STREAMING_BUFFER_TEXT)) << "32 microframes";
    EXPECT_EQ(L"2.6 millisecs\n128 samples", Text(IDC_ASIO_BUFFER_TEXT)) << "128 samples at 48 kHz";
    EXPECT_EQ(5u, Enabled());

    struct Row
    {
        uint32_t microseconds;
        const wchar_t* text;
    } rows[] = {{5333, L"5.3 millisecs\n"}, {999, L"0.9 millisecs\n"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.microseconds);
        rig.Sim().SetNextReplyWord(IOCTL_ZEPHRA_GET_BUFFER_SIZES, 12, row.microseconds);
        page.Refresh();
        EXPECT_EQ(row.text, Text(IDC_STREAMING_BUFFER_TEXT));
    }
}

TEST_F(FormBufferSettingsTest, UnknownSettingLeavesTheSelection)
{
    rig.Sim().SetNextReplyWord(IOCTL_ZEPHRA_GET_BUFFER_SIZES, 0, 7);
    page.Refresh();
    EXPECT_EQ(L"Small", ComboSelection(Item(IDC_STREAMING_BUFFER_LIST)));
    EXPECT_EQ(5u, Enabled());
    rig.Sim().SetNextReplyWord(IOCTL_ZEPHRA_GET_BUFFER_SIZES, 4, 0xFFFFFFFFu);
    page.Refresh();
    EXPECT_EQ(L"Small", ComboSelection(Item(IDC_ASIO_BUFFER_LIST)));
}

TEST_F(FormBufferSettingsTest, ApplySendsBothChoicesAndTheThirdSettingAsRead)
{
    ASSERT_TRUE(ChooseComboItem(Item(IDC_STREAMING_BUFFER_LIST), L"Safe"));
    ASSERT_TRUE(ChooseComboItem(Item(IDC_ASIO_BUFFER_LIST), L"Maximum"));
    rig.Sim().SetNextReplyWord(IOCTL_ZEPHRA_GET_BUFFER_SIZES, 8, 0xC0FFEE);
    rig.Sim().ClearLog();
    EXPECT_TRUE(Apply().empty());

    std::vector<RigRequest> requests = rig.ServerRequests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(uint32_t(ZEPHRA_MSG_SET_BUFFER_SIZES), requests[0].code);
    EXPECT_EQ(5u, requests[0].word);
    ZephraBufferSizes driver = Driver();
    EXPECT_EQ(5u, driver.streamingSetting);
    EXPECT_EQ(3u, driver.asioSetting);
    EXPECT_EQ(0xC0FFEEu, driver.thirdSetting) << "passed back as read just before";
    std::vector<std::string> names = rig.RequestNames();
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ("GET_BUFFER_SIZES", names.front()) << "read again before the change";
    EXPECT_EQ("GET_BUFFER_SIZES", names.back()) << "refreshed after it";
    EXPECT_EQ(L"32.0 millisecs\n", Text(IDC_STREAMING_BUFFER_TEXT));
    EXPECT_EQ(L"10.6 millisecs\n512 samples", Text(IDC_ASIO_BUFFER_TEXT));
    EXPECT_EQ(L"Safe", ComboSelection(Item(IDC_STREAMING_BUFFER_LIST)));
    EXPECT_EQ(L"Maximum", ComboSelection(Item(IDC_ASIO_BUFFER_LIST)));
}

TEST_F(FormBufferSettingsTest, RefusalsAreReportedOnceAndThePageShowsTheDriver)
{
    struct Case
    {
        const char* name;
        const char* command;      // simulator command before the click
        uint32_t failRead;        // GET_BUFFER_SIZES fails with it, 0 for none
        const wchar_t* text;
        size_t serverRequests;
    } cases[] = {
        {"streams open", "streams 0 1 0 0 0", 0,
         L"Changing the buffer sizes failed. (Status=ZEPHRA_STATUS_SOUND_DEVICE_IN_USE).", 1},
        {"read fails", "streams 0 0 0 0 0", ZEPHRA_STATUS_NO_DEVICES,
         L"Get the buffer sizes failed. (Status=ZEPHRA_STATUS_NO_DEVICES).\nThere are no devices connected.", 1},
    };
    ASSERT_TRUE(ChooseComboItem(Item(IDC_STREAMING_BUFFER_LIST), L"Minimum"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(rig.Sim().Execute(c.command).done);
        rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_BUFFER_SIZES, c.failRead);
        std::vector<CaughtBox> boxes = Apply();
        rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_BUFFER_SIZES, 0);
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(c.text, boxes[0].text);
        EXPECT_EQ(L"Quorvela Control Panel", boxes[0].caption);
        EXPECT_EQ(UINT(MB_ICONERROR), boxes[0].icon);
        EXPECT_EQ(c.serverRequests, rig.ServerRequests().size());
        EXPECT_EQ(2u, Driver().streamingSetting) << "unchanged";
    }
    EXPECT_EQ(0u, Enabled()) << "the refresh after a failed read greys the page";
    page.Refresh();
    EXPECT_EQ(L"Small", ComboSelection(Item(IDC_STREAMING_BUFFER_LIST))) << "the driver's setting again";
    EXPECT_EQ(5u, Enabled());
}

TEST_F(FormBufferSettingsTest, FailedReadGreysThePageAndKeepsTexts)
{
    for (bool closeClient : {false, true}) {
        SCOPED_TRACE(closeClient ? "client closed" : "request fails");
        page.Refresh();
        ASSERT_EQ(5u, Enabled());
        if (closeClient)
            rig.Client().CloseDriver();
        else
            rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_BUFFER_SIZES, ZEPHRA_STATUS_FAILED);
        page.Refresh();
        rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_BUFFER_SIZES, 0);
        EXPECT_EQ(0u, Enabled());
        EXPECT_EQ(L"4.0 millisecs\n", Text(IDC_STREAMING_BUFFER_TEXT));
        EXPECT_EQ(L"Small", ComboSelection(Item(IDC_ASIO_BUFFER_LIST)));
    }
    MessageBoxCatcher catcher;
    ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_BUFFER_APPLY, BN_CLICKED), LPARAM(Item(IDC_BUFFER_APPLY)));
    EXPECT_TRUE(catcher.Boxes().empty()) << "closed client: nothing sent, nothing reported";
    EXPECT_TRUE(rig.ServerRequests().empty());
}

} // namespace
