#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <memory>
#include "Controls.h"
#include "FormPlugin.h"
#include "MixerTestRig.h"
#include "PageHost.h"
#include "ZephraIoctl.h"

namespace {

class FormPluginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, rig.Status());
        ASSERT_NE(nullptr, host.Create(360, 330));
    }
    // A new page on the host, shown (so refreshed).
    FormPlugin& Open()
    {
        if (page && page->IsWindow())
            page->DestroyWindow();
        page = std::make_unique<FormPlugin>(rig.Client(), host, rig.Key());
        EXPECT_TRUE(host.Open(*page));
        return *page;
    }
    HWND Item(int id) { return page->GetDlgItem(id); }
    int Pos(int id) { return static_cast<int>(::SendMessageW(Item(id), TBM_GETPOS, 0, 0)); }
    uint32_t DriverValue(uint32_t parameter, uint32_t channel)
    {
        uint32_t value = 0;
        EXPECT_EQ(0u, rig.Device().GetEchoValue(parameter, channel, &value));
        return value;
    }

    MixerTestRig rig{L"FormPluginTest"};
    PageHost host;
    std::unique_ptr<FormPlugin> page;
};

TEST_F(FormPluginTest, ItemsTicksAndWritesOfBothChannels)
{
    rig.Command("echo QV000001 5 250");
    ZephraPluginRecord record = {};
    record.parameter = ZEPHRA_PLUGIN_DELAY;
    record.count = 2;
    record.entries[0] = {0, 40};
    record.entries[1] = {1, 90};
    ASSERT_EQ(0u, rig.Device().SetPluginParameters(record));
    Open();
    HWND list = Item(IDC_ECHO_CHANNELS);
    EXPECT_EQ((std::vector<std::wstring>{L"Channel 01/02", L"Channel 03/04"}), ComboItems(list));
    EXPECT_EQ(0, ::SendMessageW(list, CB_GETITEMDATA, 0, 0));
    EXPECT_EQ(2, ::SendMessageW(list, CB_GETITEMDATA, 1, 0));
    EXPECT_EQ(L"Channel 01/02", ComboSelection(list));
    EXPECT_EQ(250, ::SendMessageW(Item(IDC_ECHO_DELAY), TBM_GETRANGEMAX, 0, 0));
    EXPECT_EQ(11, ::SendMessageW(Item(IDC_ECHO_DELAY), TBM_GETNUMTICS, 0, 0)) << "every 25 ms";
    EXPECT_EQ(11, ::SendMessageW(Item(IDC_ECHO_AMPLIFICATION), TBM_GETNUMTICS, 0, 0)) << "every 0.10";
    EXPECT_EQ(250 - 40, Pos(IDC_ECHO_DELAY)) << "upside down";
    EXPECT_EQ(L"40 ms", page->GetDlgItemText(IDC_ECHO_DELAY_TEXT));

    const struct
    {
        const char* what;
        int slider;
        int position;
        uint32_t value;
        const wchar_t* text;
        int thumb;
    } rows[] = {
        {"delay to the top", IDC_ECHO_DELAY, 0, 250, L"250 ms", 0},
        {"delay dragged", IDC_ECHO_DELAY, 175, 75, L"75 ms", 175},
        {"delay to the bottom", IDC_ECHO_DELAY, 250, 0, L"0 ms", 250},
        {"amplification to the bottom", IDC_ECHO_AMPLIFICATION, 1000, 0, L"0.00", 1000},
        {"amplification to the top", IDC_ECHO_AMPLIFICATION, 0, 1000, L"1.00", 0},
        {"amplification 0.75", IDC_ECHO_AMPLIFICATION, 250, 750, L"0.75", 250},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        rig.ClearLog();
        DragSlider(Item(row.slider), row.position, SB_THUMBTRACK);
        std::vector<SimLogEntry> sets = rig.Requests(IOCTL_ZEPHRA_PLUGIN_SET);
        ASSERT_EQ(1u, sets.size());
        EXPECT_EQ(520u, sets[0].inSize);
        EXPECT_EQ(1u, rig.Requests(IOCTL_ZEPHRA_PLUGIN_GET).size()) << "read back";
        uint32_t parameter = row.slider == IDC_ECHO_DELAY ? ZEPHRA_PLUGIN_DELAY : ZEPHRA_PLUGIN_AMPLIFICATION;
        EXPECT_EQ(row.value, DriverValue(parameter, 0));
        EXPECT_EQ(row.value, DriverValue(parameter, 1)) << "both channels of the pair";
        EXPECT_EQ(row.text, page->GetDlgItemText(row.slider == IDC_ECHO_DELAY ? IDC_ECHO_DELAY_TEXT
                                                                               : IDC_ECHO_AMPLIFICATION_TEXT));
        EXPECT_EQ(row.thumb, Pos(row.slider));
    }

    // The second pair: its own values, written to channels 2 and 3 only.
    EXPECT_TRUE(ChooseComboItem(list, L"Channel 03/04"));
    DragSlider(Item(IDC_ECHO_DELAY), 200, SB_THUMBPOSITION);
    EXPECT_EQ(50u, DriverValue(ZEPHRA_PLUGIN_DELAY, 2));
    EXPECT_EQ(50u, DriverValue(ZEPHRA_PLUGIN_DELAY, 3));
    EXPECT_EQ(0u, DriverValue(ZEPHRA_PLUGIN_DELAY, 0));
    DragSlider(Item(IDC_ECHO_DELAY), 0, SB_ENDSCROLL);
    EXPECT_EQ(50u, DriverValue(ZEPHRA_PLUGIN_DELAY, 2)) << "the end of a drag writes nothing";
}

TEST_F(FormPluginTest, KeysWriteUsableStepsAndHomeEndReachTheEnds)
{
    rig.Command("echo QV000001 4 100");
    Open();
    const struct
    {
        int slider;
        UINT key;
        uint32_t value;
        const wchar_t* text;
    } rows[] = {
        {IDC_ECHO_DELAY, VK_HOME, 100, L"100 ms"},         {IDC_ECHO_DELAY, VK_DOWN, 99, L"99 ms"},
        {IDC_ECHO_DELAY, VK_NEXT, 89, L"89 ms"},           {IDC_ECHO_DELAY, VK_END, 0, L"0 ms"},
        {IDC_ECHO_AMPLIFICATION, VK_HOME, 1000, L"1.00"}, {IDC_ECHO_AMPLIFICATION, VK_DOWN, 990, L"0.99"},
        {IDC_ECHO_AMPLIFICATION, VK_NEXT, 890, L"0.89"},  {IDC_ECHO_AMPLIFICATION, VK_END, 0, L"0.00"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.slider) + " key " + std::to_string(row.key));
        PressKey(Item(row.slider), row.key);
        uint32_t parameter = row.slider == IDC_ECHO_DELAY ? ZEPHRA_PLUGIN_DELAY : ZEPHRA_PLUGIN_AMPLIFICATION;
        EXPECT_EQ(row.value, DriverValue(parameter, 0));
        EXPECT_EQ(row.value, DriverValue(parameter, 1));
        EXPECT_EQ(row.text, page->GetDlgItemText(row.slider == IDC_ECHO_DELAY ? IDC_ECHO_DELAY_TEXT
                                                                               : IDC_ECHO_AMPLIFICATION_TEXT));
    }
}

TEST_F(FormPluginTest, DriverAnswersAtTheirEdges)
{
    const struct
    {
        const char* what;
        const char* command;  // simulator command before the page opens
        bool absurdMaximum;   // the maximum-delay reply says 0xFFFFFFFF
        bool absurdChannels;  // the channel-count reply says 0xFFFFFFFF
        int maximum;
        size_t items;
    } rows[] = {
        {"maximum 0", "echo QV000001 4 0", false, false, 0, 2},
        {"one channel", "echo QV000001 1 100", false, false, 100, 0},
        {"maximum unreadable", "fail PLUGIN_GET TIMEOUT", false, false, 100, 0},
        {"maximum absurd", "echo QV000001 4 100", true, false, 65535, 2},
        {"channel count absurd", "echo QV000001 4 100", false, true, 100, 32},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        rig.Command("fail clear");
        rig.Command(row.command);
        if (row.absurdMaximum)
            rig.Rig().Sim().SetNextReplyWord(IOCTL_ZEPHRA_PLUGIN_GET, 4, 0xFFFFFFFFu);
        if (!row.absurdChannels) {
            Open();
        } else {
            page = std::make_unique<FormPlugin>(rig.Client(), host, rig.Key());
            ASSERT_NE(nullptr, page->Create(host));
            rig.Rig().Sim().SetNextReplyWord(IOCTL_ZEPHRA_PLUGIN_GET, 4, 0xFFFFFFFFu);
            page->Show();
        }
        EXPECT_EQ(row.maximum, page->GetDelayMaximum());
        EXPECT_EQ(row.maximum, ::SendMessageW(Item(IDC_ECHO_DELAY), TBM_GETRANGEMAX, 0, 0));
        EXPECT_LE(::SendMessageW(Item(IDC_ECHO_DELAY), TBM_GETNUMTICS, 0, 0), 12);
        EXPECT_EQ(row.items, ComboItems(Item(IDC_ECHO_CHANNELS)).size());
        if (row.items != 0) {
            DragSlider(Item(IDC_ECHO_DELAY), 0, SB_THUMBPOSITION);
            EXPECT_EQ(std::wstring(L"Channel 01/02"), ComboSelection(Item(IDC_ECHO_CHANNELS)));
        }
        page->DestroyWindow();
        page.reset();
    }
}

} // namespace
