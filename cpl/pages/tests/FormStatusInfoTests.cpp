#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "CListViewCtrl.h"
#include "DriverRig.h"
#include "FormStatusInfo.h"
#include "PageHost.h"
#include "UiPump.h"

namespace {

const wchar_t kNoSelection[] = L"Select a counter to see its description.";

// How a list cell's text is drawn, read from the list's own device context (what it has
// drawn, whether or not the display shows it yet).
enum class Ink { None, Black, Red, Other };

Ink CellInk(HWND list, int item, int subItem)
{
    ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT cell = {};
    cell.top = subItem;
    cell.left = LVIR_LABEL;
    if (!::SendMessageW(list, LVM_GETSUBITEMRECT, WPARAM(item), LPARAM(&cell)))
        return Ink::Other;
    HDC screen = ::GetDC(list);
    bool red = false, black = false, other = false;
    for (int y = cell.top + 1; y < cell.bottom - 1; ++y) {
        for (int x = cell.left + 1; x < cell.right - 1; ++x) {
            COLORREF c = ::GetPixel(screen, x, y);
            int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            if (r > 200 && g < 60 && b < 60)
                red = true;
            else if (r < 60 && g < 60 && b < 60)
                black = true;
            else if (r < 200 && (r != g || g != b) && !(r > g + 60 && r > b + 60))
                other = true; // coloured text neither red nor black (selection is not used here)
        }
    }
    ::ReleaseDC(list, screen);
    if (red && !black)
        return Ink::Red;
    if (black && !red)
        return Ink::Black;
    return red || black || other ? Ink::Other : Ink::None;
}

class FormStatusInfoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, rig.Start(false));
        ASSERT_NE(nullptr, host.Create(440, 340));
    }

    CListViewCtrl List() const { return CListViewCtrl(page.GetDlgItem(IDC_COUNTER_LIST)); }
    std::vector<std::wstring> Values() const
    {
        std::vector<std::wstring> values;
        for (int i = 0; i < List().GetItemCount(); ++i)
            values.push_back(List().GetItemText(i, COUNTER_COLUMN_VALUE));
        return values;
    }
    std::wstring Description() const { return page.GetDlgItem(IDC_COUNTER_DESCRIPTION).GetWindowText(); }

    DriverRig rig{L"FormStatusInfoTest"};
    PageHost host;
    FormStatusInfo page{rig.Client()};
};

TEST_F(FormStatusInfoTest, ValuesAreUnsignedAndRedUnlessZero)
{
    ASSERT_TRUE(rig.Sim().Execute("errors 0 1 0 7 4294967295").done);
    ASSERT_TRUE(host.Open(page));
    ASSERT_EQ(5, List().GetItemCount());
    EXPECT_EQ(L"Streaming Error Count", List().GetItemText(0, 0));
    EXPECT_EQ(L"WDM MIDI Error Count", List().GetItemText(4, 0));
    EXPECT_EQ((std::vector<std::wstring>{L"0", L"1", L"0", L"7", L"4294967295"}), Values());
    const Ink value[] = {Ink::Black, Ink::Red, Ink::Black, Ink::Red, Ink::Red};
    for (int row = 0; row < 5; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(value[row], CellInk(List(), row, COUNTER_COLUMN_VALUE));
        EXPECT_EQ(Ink::Black, CellInk(List(), row, COUNTER_COLUMN_NAME));
    }
    EXPECT_EQ(kNoSelection, Description());

    // A failed read keeps what the list shows, in its colours.
    rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_ERROR_COUNTERS, ZEPHRA_STATUS_FAILED);
    page.Refresh();
    EXPECT_EQ(L"4294967295", Values()[4]);
    EXPECT_EQ(Ink::Red, CellInk(List(), 4, COUNTER_COLUMN_VALUE));
    rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_ERROR_COUNTERS, 0);
    ASSERT_TRUE(rig.Sim().Execute("errors 0 0 0 0 0").done);
    page.Refresh();
    EXPECT_EQ(Ink::Black, CellInk(List(), 4, COUNTER_COLUMN_VALUE));
}

TEST_F(FormStatusInfoTest, ValueColumnEmptyUntilTheFirstRead)
{
    for (bool closeClient : {false, true}) {
        SCOPED_TRACE(closeClient ? "client closed" : "request fails");
        FormStatusInfo casePage(rig.Client());
        rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_ERROR_COUNTERS, closeClient ? 0 : ZEPHRA_STATUS_FAILED);
        if (closeClient)
            rig.Client().CloseDriver();
        ASSERT_TRUE(host.Open(casePage));
        CListViewCtrl list(casePage.GetDlgItem(IDC_COUNTER_LIST));
        ASSERT_EQ(5, list.GetItemCount());
        for (int row = 0; row < 5; ++row)
            EXPECT_EQ(L"", list.GetItemText(row, COUNTER_COLUMN_VALUE)) << row;
        EXPECT_EQ(kNoSelection, casePage.GetDlgItem(IDC_COUNTER_DESCRIPTION).GetWindowText());
        casePage.DestroyWindow();
    }
}

TEST_F(FormStatusInfoTest, DescriptionFollowsTheSelectionAtOnce)
{
    ASSERT_TRUE(host.Open(page));
    rig.Sim().ClearLog();
    List().SelectItem(1);
    EXPECT_EQ(0, Description().find(L"This counter is incremented if an interruption in the isochronous USB stream "
                                    L"is detected by the hardware."));
    EXPECT_TRUE(rig.RequestNames().empty()) << "shown without a refresh";
    List().SelectItem(3); // the longest description
    EXPECT_NE(std::wstring::npos, Description().find(L"WDM audio buffer is missing"));
    ::SetFocus(List());
    List().SelectItem(4);
    EXPECT_NE(std::wstring::npos, Description().find(L"then MIDI data was lost."));
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
    EXPECT_EQ(kNoSelection, Description());
}

TEST_F(FormStatusInfoTest, TimerRunsOnlyWhileShown)
{
    ASSERT_TRUE(page.Create(host) != nullptr);
    EXPECT_EQ(0u, page.RunningTimer()) << "created, not shown";
    host.Place(page);
    page.Show();
    EXPECT_EQ(UINT_PTR(FormStatusInfo::REFRESH_TIMER), page.RunningTimer());
    page.Show();
    EXPECT_EQ(UINT_PTR(FormStatusInfo::REFRESH_TIMER), page.RunningTimer()) << "one timer";

    ASSERT_TRUE(rig.Sim().Execute("errors 3 0 0 0 0").done);
    EXPECT_TRUE(PumpUntil([&] { return Values()[0] == L"3"; }, 5000)) << "the timer refreshes";

    page.Hide();
    EXPECT_EQ(0u, page.RunningTimer());
    EXPECT_FALSE(page.IsWindowVisible());
    EXPECT_FALSE(::KillTimer(page, FormStatusInfo::REFRESH_TIMER)) << "no timer left on the window";

    page.Show();
    ASSERT_NE(0u, page.RunningTimer());
    page.DestroyWindow();
    EXPECT_EQ(0u, page.RunningTimer()) << "stopped with the window";
}

TEST_F(FormStatusInfoTest, ListGrowsAndDescriptionKeepsItsDistanceToTheBottom)
{
    ASSERT_TRUE(host.Open(page));
    auto rectOf = [&](int id) {
        RECT rect = {};
        ::GetWindowRect(page.GetDlgItem(id), &rect);
        return rect;
    };
    RECT list = rectOf(IDC_COUNTER_LIST), group = rectOf(IDC_COUNTER_GROUP), text = rectOf(IDC_COUNTER_DESCRIPTION);
    host.Resize(540, 400);
    RECT list2 = rectOf(IDC_COUNTER_LIST), group2 = rectOf(IDC_COUNTER_GROUP), text2 = rectOf(IDC_COUNTER_DESCRIPTION);
    EXPECT_EQ(list.right + 100, list2.right);
    EXPECT_EQ(list.bottom + 60, list2.bottom);
    EXPECT_EQ(list.top, list2.top);
    for (auto pair : {std::make_pair(group, group2), std::make_pair(text, text2)}) {
        EXPECT_EQ(pair.first.top + 60, pair.second.top);
        EXPECT_EQ(pair.first.bottom + 60, pair.second.bottom);
        EXPECT_EQ(pair.first.right + 100, pair.second.right);
        EXPECT_EQ(pair.first.left, pair.second.left);
    }
}

} // namespace
