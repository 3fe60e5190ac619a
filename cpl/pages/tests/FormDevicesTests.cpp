#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "CButton.h"
#include "CListViewCtrl.h"
#include "Controls.h"
#include "DriverRig.h"
#include "FormDevices.h"
#include "ModalWatcher.h"
#include "PageHost.h"
#include "UiPump.h"

namespace {

class FormDevicesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, rig.Start());
        ASSERT_TRUE(rig.Sim().Execute("plug QV000002").done);
        ASSERT_EQ(0u, RefreshClient());
        ASSERT_EQ(2u, rig.Client().GetDeviceCount());
        ASSERT_NE(nullptr, host.Create(400, 320));
        page.SetRequestTimeout(5000);
        ASSERT_TRUE(host.Open(page));
    }

    ZephraStatus RefreshClient()
    {
        bool changed = false;
        return rig.Client().RefreshDevices(&changed);
    }
    CListViewCtrl List() const { return CListViewCtrl(page.GetDlgItem(IDC_DEVICES_LIST)); }
    HWND Item(int id) const { return page.GetDlgItem(id); }
    // Each row as "DEVICE|SERIAL|STREAMING".
    std::vector<std::wstring> Rows() const
    {
        std::vector<std::wstring> rows;
        for (int i = 0; i < List().GetItemCount(); ++i)
            rows.push_back(List().GetItemText(i, 0) + L"|" + List().GetItemText(i, 1) + L"|" + List().GetItemText(i, 2));
        return rows;
    }
    // 0 or 1 for the checked radio button, -1 for none, 2 for both.
    int CheckedMode() const
    {
        bool one = CButton(Item(IDC_DEVICES_ONE_DEVICE)).GetCheck() == BST_CHECKED;
        bool all = CButton(Item(IDC_DEVICES_ALL_DEVICES)).GetCheck() == BST_CHECKED;
        return one && all ? 2 : one ? 0 : all ? 1 : -1;
    }
    std::vector<CaughtBox> Click(int id)
    {
        MessageBoxCatcher catcher;
        ClickButton(Item(id));
        return catcher.Boxes();
    }
    uint32_t IdOf(size_t index) { return rig.Client().GetDeviceAt(index)->GetIdFirst(); }

    DriverRig rig{L"FormDevicesTest"};
    PageHost host;
    FormDevices page{rig.Client()};
};

TEST_F(FormDevicesTest, RowsMarkTheStreamingDeviceAndTheButtonFollowsTheSelection)
{
    EXPECT_EQ((std::vector<std::wstring>{L"Quorvela|QV000001|X", L"Quorvela|QV000002|"}), Rows());
    EXPECT_EQ(0, CheckedMode());
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_DEVICES_SELECT))) << "no row selected";
    List().SelectItem(1);
    EXPECT_TRUE(::IsWindowEnabled(Item(IDC_DEVICES_SELECT)));

    EXPECT_TRUE(Click(IDC_DEVICES_SELECT).empty());
    std::vector<RigRequest> requests = rig.ServerRequests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(uint32_t(ZEPHRA_MSG_SET_STREAMING_DEVICE), requests[0].code);
    EXPECT_EQ(IdOf(1), requests[0].word);
    // The click's own refresh reads the driver's flags again.
    EXPECT_EQ((std::vector<std::wstring>{L"Quorvela|QV000001|", L"Quorvela|QV000002|X"}), Rows());
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_DEVICES_SELECT))) << "no selection kept across a refresh";

    // Without a selection the command sends nothing.
    ::SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_DEVICES_SELECT, BN_CLICKED), LPARAM(Item(IDC_DEVICES_SELECT)));
    EXPECT_EQ(1u, rig.ServerRequests().size());
}

TEST_F(FormDevicesTest, RadioButtonsSendTheModeEvenWhenAlreadyChecked)
{
    struct Step
    {
        int button;
        int mode;
        const wchar_t* marks[2];
    } steps[] = {
        {IDC_DEVICES_ALL_DEVICES, 1, {L"X", L"X"}},
        {IDC_DEVICES_ALL_DEVICES, 1, {L"X", L"X"}},
        {IDC_DEVICES_ONE_DEVICE, 0, {L"X", L""}},
        {IDC_DEVICES_ONE_DEVICE, 0, {L"X", L""}},
    };
    size_t sent = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "step " << sent);
        EXPECT_TRUE(Click(step.button).empty());
        std::vector<RigRequest> requests = rig.ServerRequests();
        ASSERT_EQ(++sent, requests.size());
        EXPECT_EQ(uint32_t(ZEPHRA_MSG_SET_STREAMING_DEVICE), requests.back().code);
        EXPECT_EQ(0u, requests.back().word) << "no device named";
        ZephraStreamingStatus status = {};
        ASSERT_EQ(0u, rig.Client().GetStreamingStatus(&status));
        EXPECT_EQ(uint32_t(step.mode), status.mode);
        EXPECT_EQ(step.mode, CheckedMode());
        for (int row = 0; row < 2; ++row)
            EXPECT_EQ(step.marks[row], List().GetItemText(row, 2));
    }
}

TEST_F(FormDevicesTest, StatusReadDecidesTheRadioGroup)
{
    ASSERT_EQ(0u, rig.Client().RequestSetStreamingDevice(0, 0, 1, 5000));
    page.Refresh();
    ASSERT_EQ(1, CheckedMode());
    rig.Sim().SetNextReplyWord(IOCTL_ZEPHRA_GET_STREAMING_STATUS, 4, 2);
    page.Refresh();
    EXPECT_EQ(1, CheckedMode()) << "a mode beyond 0 and 1 leaves the group";
    rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_STREAMING_STATUS, ZEPHRA_STATUS_FAILED);
    page.Refresh();
    rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_STREAMING_STATUS, 0);
    EXPECT_EQ(0, CheckedMode()) << "a failed read counts as an all-zero record";
    EXPECT_EQ(2u, Rows().size()) << "the rows are shown all the same";
}

TEST_F(FormDevicesTest, RefusalsAreReportedWithTheServiceStatusAndHint)
{
    ASSERT_TRUE(rig.Sim().Execute("plug QV000003 usb11").done);
    ASSERT_EQ(0u, RefreshClient());
    page.Refresh();
    ASSERT_EQ(3u, Rows().size());
    EXPECT_EQ(L"Quorvela|QV000003|", Rows()[2]) << "a USB 1.1 device is listed like any other";

    List().SelectItem(2);
    std::vector<CaughtBox> boxes = Click(IDC_DEVICES_SELECT);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Selecting the streaming device failed. (Status=ZEPHRA_STATUS_NOT_IN_HIGH_SPEED_MODE).\n"
              L"The device is not connected to a USB high-speed port.",
              boxes[0].text);
    EXPECT_EQ(UINT(MB_ICONERROR), boxes[0].icon);

    ASSERT_TRUE(rig.Sim().Execute("streams 0 1 0 0 0").done);
    List().SelectItem(1);
    boxes = Click(IDC_DEVICES_SELECT);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Selecting the streaming device failed. (Status=ZEPHRA_STATUS_SOUND_DEVICE_IN_USE).", boxes[0].text);
    EXPECT_EQ(L"Quorvela Control Panel", boxes[0].caption);
    boxes = Click(IDC_DEVICES_ALL_DEVICES);
    ASSERT_EQ(1u, boxes.size()) << "a refused mode change too";
    EXPECT_EQ(0, CheckedMode()) << "the refresh shows the driver's mode again";
    EXPECT_EQ(3u, rig.ServerRequests().size()) << "the USB 1.1 selection and two refused changes";
}

TEST_F(FormDevicesTest, NoDeviceEmptiesTheList)
{
    ASSERT_TRUE(rig.Sim().Execute("unplug QV000001").done);
    ASSERT_TRUE(rig.Sim().Execute("unplug QV000002").done);
    ASSERT_EQ(0u, RefreshClient());
    page.Refresh();
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(::IsWindowEnabled(Item(IDC_DEVICES_SELECT)));
}

TEST_F(FormDevicesTest, ListGrowsWhileButtonAndGroupKeepTheirDistanceToTheBottom)
{
    const int moving[] = {IDC_DEVICES_SELECT, IDC_DEVICES_MODE_GROUP, IDC_DEVICES_ONE_DEVICE, IDC_DEVICES_ALL_DEVICES};
    auto rectOf = [&](int id) {
        RECT rect = {};
        ::GetWindowRect(Item(id), &rect);
        ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    RECT pageBefore = {}, listBefore = rectOf(IDC_DEVICES_LIST);
    ::GetClientRect(page, &pageBefore);
    std::vector<RECT> before;
    for (int id : moving)
        before.push_back(rectOf(id));

    host.Resize(700, 500);
    RECT pageAfter = {}, listAfter = rectOf(IDC_DEVICES_LIST);
    ::GetClientRect(page, &pageAfter);
    int dx = pageAfter.right - pageBefore.right, dy = pageAfter.bottom - pageBefore.bottom;
    ASSERT_EQ(300, dx);
    ASSERT_EQ(180, dy);
    EXPECT_EQ(listBefore.right - listBefore.left + dx, listAfter.right - listAfter.left);
    EXPECT_EQ(listBefore.bottom - listBefore.top + dy, listAfter.bottom - listAfter.top);
    for (size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(moving[i]);
        RECT after = rectOf(moving[i]);
        EXPECT_EQ(before[i].left, after.left) << "stays on the left";
        EXPECT_EQ(before[i].top + dy, after.top);
        EXPECT_EQ(before[i].right - before[i].left, after.right - after.left) << "keeps its size";
        EXPECT_EQ(before[i].bottom - before[i].top, after.bottom - after.top);
    }
    RECT client = {};
    ::GetClientRect(List(), &client);
    std::array<int, 3> widths = DeviceColumnWidths(client.right);
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(widths[size_t(column)], List().GetColumnWidth(column)) << "column " << column;
    EXPECT_EQ(2 * client.right / 7, widths[0]);
}

} // namespace
