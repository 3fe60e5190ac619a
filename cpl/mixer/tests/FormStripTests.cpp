#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <set>
#include <string>
#include <vector>
#include "Controls.h"
#include "FormMixer.h"
#include "FormWeightCtrlRes.h"
#include "MixerTestRig.h"
#include "ModalWatcher.h"
#include "UiPump.h"
#include "ZephraIoctl.h"

namespace {

// One destination strip and one cell of a compact device's software-outputs mixer.
class FormStripTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, rig.Status());
        ASSERT_NE(nullptr, mixer.Create(nullptr));
    }
    void TearDown() override { mixer.DestroyWindow(); }

    // The driver's gains of the first destination pair.
    ZephraMixerGain DriverGain(int channel)
    {
        ZephraMixerGain gains[2] = {};
        gains[0].pin = {ZEPHRA_PIN_ANALOG, 0, 0};
        gains[1].pin = {ZEPHRA_PIN_ANALOG, 1, 0};
        EXPECT_EQ(0u, rig.Device().GetMixerOutputGains(gains, 2));
        return gains[channel];
    }
    void SetDriverGains(int16_t left, int16_t right, uint8_t flags)
    {
        ZephraMixerGain gains[2] = {};
        gains[0] = {{ZEPHRA_PIN_ANALOG, 0, 0}, 0, flags, left};
        gains[1] = {{ZEPHRA_PIN_ANALOG, 1, 0}, 0, flags, right};
        ASSERT_EQ(0u, rig.Device().SetMixerOutputGains(gains, 2));
    }
    // The driver's weight of destination analog dL/dR from playback source sL/sR.
    ZephraMixerWeight DriverWeight(uint8_t destination, uint8_t source)
    {
        ZephraMixerWeight weight = {};
        weight.destination = {ZEPHRA_PIN_ANALOG, destination, 0};
        weight.source = {ZEPHRA_PIN_PLAYBACK, source, 0};
        EXPECT_EQ(0u, rig.Device().GetMixerWeights(&weight, 1));
        return weight;
    }
    void SetDriverWeight(uint8_t destination, uint8_t source, int16_t value, bool connected)
    {
        ZephraMixerWeight weight = {};
        weight.destination = {ZEPHRA_PIN_ANALOG, destination, 0};
        weight.source = {ZEPHRA_PIN_PLAYBACK, source, 0};
        weight.weight = value;
        weight.flags = connected ? ZEPHRA_WEIGHT_FLAG_CONNECTED : 0;
        ASSERT_EQ(0u, rig.Device().SetMixerWeights(&weight, 1));
    }
    FormStereoOutputCtrl& Strip() { return *mixer.DestinationStrips()[0]; }
    FormMixerConnection& Cell() { return *mixer.Cells()[0]; }
    HWND Item(CWindow window, int id) { return window.GetDlgItem(id); }
    int SliderPos(int id) { return static_cast<int>(::SendMessageW(Item(Strip(), id), TBM_GETPOS, 0, 0)); }
    std::wstring Text(CWindow window, int id) { return window.GetDlgItemText(id); }
    size_t GainWrites() { return rig.Requests(IOCTL_ZEPHRA_MIXER_SET_OUTPUT_GAINS).size(); }

    MixerTestRig rig{L"FormStripTest"};
    FormMixer mixer{rig.Client(), rig.Key(), false};
};

TEST_F(FormStripTest, GainsAndWeightsFollowNotificationsAndFailedReadsShowNa)
{
    SetDriverGains(-1250, 600, 0);
    SetDriverWeight(0, 0, -1250, true);
    SetDriverWeight(1, 0, -50, true);
    SetDriverWeight(0, 1, 600, false);
    SetDriverWeight(1, 1, -6000, true);
    mixer.ShowMixer();
    EXPECT_EQ(L"-12.5", Text(Strip(), IDC_STRIP_READOUT_LEFT));
    EXPECT_EQ(L"6.0", Text(Strip(), IDC_STRIP_READOUT_RIGHT));
    EXPECT_EQ(ValueToSlider(-1250), SliderPos(IDC_STRIP_SLIDER_LEFT));
    EXPECT_EQ(0, SliderPos(IDC_STRIP_SLIDER_RIGHT));
    const wchar_t* quadrants[] = {L"-12", L"0", L"x", L"-60"};
    for (int q = 0; q < 4; ++q)
        EXPECT_EQ(quadrants[q], Text(Cell(), IDC_CELL_LEFT_FROM_LEFT + q)) << q;
    EXPECT_EQ(L"x", Text(*mixer.Cells()[1], IDC_CELL_LEFT_FROM_LEFT)) << "fresh crosspoints are off";

    // Another program changes them; the device page forwards 3051 and 3052.
    SetDriverGains(-6000, -7000, ZEPHRA_GAIN_FLAG_MUTED);
    SetDriverWeight(0, 1, 0, true);
    mixer.RefreshGains();
    mixer.RefreshWeights();
    EXPECT_EQ(L"M", Text(Strip(), IDC_STRIP_READOUT_LEFT));
    EXPECT_EQ(L"M", Text(Strip(), IDC_STRIP_READOUT_RIGHT));
    EXPECT_TRUE(Strip().IsMuted());
    EXPECT_EQ(BST_CHECKED, ::SendMessageW(Item(Strip(), IDC_STRIP_MUTE), BM_GETCHECK, 0, 0));
    EXPECT_FALSE(::IsWindowEnabled(Item(Strip(), IDC_STRIP_SLIDER_LEFT)));
    EXPECT_EQ(6600, SliderPos(IDC_STRIP_SLIDER_RIGHT)) << "-70 dB sits at the bottom";
    EXPECT_EQ(L"0", Text(Cell(), IDC_CELL_LEFT_FROM_RIGHT));

    rig.ClearLog();
    rig.Command("fail MIXER_GET_OUTPUT_GAINS TIMEOUT");
    rig.Command("fail MIXER_GET_WEIGHTS TIMEOUT");
    mixer.RefreshGains();
    mixer.RefreshWeights();
    for (const auto& strip : mixer.DestinationStrips()) {
        EXPECT_EQ(L"n/a", Text(*strip, IDC_STRIP_READOUT_LEFT));
        EXPECT_EQ(L"n/a", Text(*strip, IDC_STRIP_READOUT_RIGHT));
        EXPECT_EQ(0, ::SendMessageW(strip->GetDlgItem(IDC_STRIP_SLIDER_LEFT), TBM_GETPOS, 0, 0));
    }
    for (const auto& cell : mixer.Cells()) {
        for (int q = 0; q < 4; ++q)
            EXPECT_EQ(L"n/a", Text(*cell, IDC_CELL_LEFT_FROM_LEFT + q));
    }
    EXPECT_EQ(1u, rig.Requests(IOCTL_ZEPHRA_MIXER_GET_WEIGHTS).size()) << "one request for all weights";
}

TEST_F(FormStripTest, SliderLinkMuteAndZeroDbSendOneEntryPerRequestLeftFirst)
{
    SetDriverGains(-1000, -2001, 0);
    mixer.ShowMixer();
    rig.ClearLog();

    // Linking two different gains halves their sum toward zero: -15.00 dB on both.
    ClickButton(Item(Strip(), IDC_STRIP_LINK));
    ASSERT_FALSE(Strip().IsLinked());
    ClickButton(Item(Strip(), IDC_STRIP_LINK));
    ASSERT_TRUE(Strip().IsLinked());
    EXPECT_EQ(2u, GainWrites());
    EXPECT_EQ(-1500, DriverGain(0).gain);
    EXPECT_EQ(-1500, DriverGain(1).gain);
    EXPECT_EQ(SliderPos(IDC_STRIP_SLIDER_LEFT), SliderPos(IDC_STRIP_SLIDER_RIGHT));
    EXPECT_EQ(L"-15.0", Text(Strip(), IDC_STRIP_READOUT_RIGHT));

    const struct
    {
        const char* what;
        bool linked;
        int slider;   // control moved
        int position;
        int code;
        size_t writes;
        int16_t left, right; // the driver's gains afterwards
    } rows[] = {
        {"linked, thumb track", true, IDC_STRIP_SLIDER_RIGHT, 600, SB_THUMBTRACK, 2, 0, 0},
        {"linked, page down", true, IDC_STRIP_SLIDER_LEFT, 6600, SB_PAGEDOWN, 2, -6000, -6000},
        {"unlinked, left", false, IDC_STRIP_SLIDER_LEFT, 0, SB_THUMBPOSITION, 1, 600, -6000},
        {"unlinked, right", false, IDC_STRIP_SLIDER_RIGHT, 1850, SB_LINEUP, 1, 600, -1250},
        {"end of a drag: no write", false, IDC_STRIP_SLIDER_RIGHT, 6600, SB_ENDSCROLL, 0, 600, -1250},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (Strip().IsLinked() != row.linked)
            ClickButton(Item(Strip(), IDC_STRIP_LINK));
        rig.ClearLog();
        DragSlider(Item(Strip(), row.slider), row.position, row.code);
        EXPECT_EQ(row.writes, GainWrites());
        EXPECT_EQ(row.left, DriverGain(0).gain);
        EXPECT_EQ(row.right, DriverGain(1).gain);
        EXPECT_EQ(GainReadout(DriverGain(0)), Text(Strip(), IDC_STRIP_READOUT_LEFT));
        EXPECT_EQ(GainReadout(DriverGain(1)), Text(Strip(), IDC_STRIP_READOUT_RIGHT));
    }

    // The left entry goes first: when the first write fails, only the right one lands.
    DragSlider(Item(Strip(), IDC_STRIP_SLIDER_RIGHT), 1850, SB_ENDSCROLL);
    ClickButton(Item(Strip(), IDC_STRIP_LINK));
    rig.Command("fail MIXER_SET_OUTPUT_GAINS TIMEOUT once");
    DragSlider(Item(Strip(), IDC_STRIP_SLIDER_LEFT), 600);
    EXPECT_EQ(-325, DriverGain(0).gain) << "linking made -3.25 dB; the failed left write changed nothing";
    EXPECT_EQ(0, DriverGain(1).gain);
    EXPECT_EQ(L"0.0", Text(Strip(), IDC_STRIP_READOUT_LEFT)) << "the display keeps what was sent";

    // Mute disables both sliders and sets the bit on both; "0dB" keeps it.
    rig.ClearLog();
    ClickButton(Item(Strip(), IDC_STRIP_MUTE));
    EXPECT_EQ(2u, GainWrites());
    EXPECT_TRUE(DriverGain(0).flags & ZEPHRA_GAIN_FLAG_MUTED);
    EXPECT_TRUE(DriverGain(1).flags & ZEPHRA_GAIN_FLAG_MUTED);
    EXPECT_EQ(L"M", Text(Strip(), IDC_STRIP_READOUT_LEFT));
    EXPECT_FALSE(::IsWindowEnabled(Item(Strip(), IDC_STRIP_SLIDER_LEFT)));
    EXPECT_FALSE(::IsWindowEnabled(Item(Strip(), IDC_STRIP_SLIDER_RIGHT)));
    ClickButton(Item(Strip(), IDC_STRIP_ZERO_DB));
    EXPECT_EQ(4u, GainWrites());
    EXPECT_EQ(0, DriverGain(0).gain);
    EXPECT_EQ(0, DriverGain(1).gain);
    EXPECT_TRUE(DriverGain(1).flags & ZEPHRA_GAIN_FLAG_MUTED) << "0dB keeps the mute";
    EXPECT_EQ(L"M", Text(Strip(), IDC_STRIP_READOUT_RIGHT));
    EXPECT_FALSE(::IsWindowEnabled(Item(Strip(), IDC_STRIP_SLIDER_RIGHT)));
    ClickButton(Item(Strip(), IDC_STRIP_MUTE));
    EXPECT_FALSE(DriverGain(0).flags & ZEPHRA_GAIN_FLAG_MUTED);
    EXPECT_EQ(L"0.0", Text(Strip(), IDC_STRIP_READOUT_LEFT));
    EXPECT_TRUE(::IsWindowEnabled(Item(Strip(), IDC_STRIP_SLIDER_LEFT)));
    for (const SimLogEntry& entry : rig.Requests(IOCTL_ZEPHRA_MIXER_SET_OUTPUT_GAINS))
        EXPECT_EQ(8u, entry.inSize) << "one entry per request";
}

TEST_F(FormStripTest, KeysOnStripAndPopupSlidersSendUsableStepsAndHomeEnd)
{
    SetDriverGains(0, 0, 0);
    SetDriverWeight(0, 0, 0, true);
    mixer.ShowMixer();
    const struct
    {
        UINT key;
        int16_t value;
        const wchar_t* gain;   // strip read-out
        const wchar_t* weight; // popup read-out
    } rows[] = {
        {VK_DOWN, -50, L"-0.5", L"-0.50"}, {VK_NEXT, -650, L"-6.5", L"-6.50"}, {VK_UP, -600, L"-6.0", L"-6.00"},
        {VK_PRIOR, 0, L"0.0", L"0.00"},    {VK_END, -6000, L"-60.0", L"-60.00"}, {VK_HOME, 600, L"6.0", L"6.00"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        PressKey(Item(Strip(), IDC_STRIP_SLIDER_LEFT), row.key);
        EXPECT_EQ(row.value, DriverGain(0).gain);
        EXPECT_EQ(row.value, DriverGain(1).gain) << "the linked channel follows";
        EXPECT_EQ(SliderPos(IDC_STRIP_SLIDER_LEFT), SliderPos(IDC_STRIP_SLIDER_RIGHT));
        EXPECT_EQ(row.gain, Text(Strip(), IDC_STRIP_READOUT_LEFT));
        EXPECT_EQ(row.gain, Text(Strip(), IDC_STRIP_READOUT_RIGHT));
    }

    std::vector<std::pair<int16_t, std::wstring>> seen;
    ModalWatcher watcher([&](HWND popup) {
        HWND slider = ::GetDlgItem(popup, IDC_WEIGHT_SLIDER);
        if (slider == nullptr)
            return;
        for (const auto& row : rows) {
            PressKey(slider, row.key);
            seen.emplace_back(DriverWeight(0, 0).weight, CWindow(popup).GetDlgItemText(IDC_WEIGHT_READOUT));
        }
        ::PostMessageW(popup, WM_COMMAND, IDOK, 0);
    });
    Cell().EditQuadrant(0);
    ASSERT_EQ(sizeof(rows) / sizeof(rows[0]), seen.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(rows[i].value, seen[i].first) << i;
        EXPECT_EQ(rows[i].weight, seen[i].second) << i;
    }
}

// A key as the mixer's message loop hands it on: to the dialog manager first.
void TypeKey(HWND mixer, UINT key)
{
    MSG msg = {::GetFocus(), WM_KEYDOWN, key, 1, 0, {0, 0}};
    if (!::IsDialogMessageW(mixer, &msg))
        ::DispatchMessageW(&msg);
}

// The pixels of a window's second row, as it shows them.
std::vector<COLORREF> SecondRow(HWND window)
{
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT rect = {};
    ::GetClientRect(window, &rect);
    HDC dc = ::GetDC(window);
    std::vector<COLORREF> row;
    for (int x = 0; x < rect.right; ++x)
        row.push_back(::GetPixel(dc, x, 1));
    ::ReleaseDC(window, dc);
    return row;
}

TEST_F(FormStripTest, TabAndArrowsReachEveryStripAndCellAndEnterOrSpaceOpensThePopup)
{
    mixer.ShowMixer();
    const auto& cells = mixer.Cells();
    const size_t sourcePairs = mixer.SourceStrips().size();
    ASSERT_GE(sourcePairs, 2u);
    ASSERT_GE(mixer.DestinationStrips().size(), 2u);
    auto quadrant = [&](size_t cell, int q) { return Item(*cells[cell], IDC_CELL_LEFT_FROM_LEFT + q); };

    HWND first = ::GetNextDlgTabItem(mixer, nullptr, FALSE);
    ASSERT_NE(nullptr, first);
    ::SetFocus(first);
    std::set<HWND> reached;
    for (int i = 0; i < 500 && reached.insert(::GetFocus()).second; ++i)
        TypeKey(mixer, VK_TAB);
    for (size_t i = 0; i < cells.size(); ++i)
        EXPECT_EQ(1u, reached.count(quadrant(i, 0))) << "cell " << i;
    for (const auto& strip : mixer.DestinationStrips()) {
        for (int id : {IDC_STRIP_SLIDER_LEFT, IDC_STRIP_SLIDER_RIGHT, IDC_STRIP_LINK, IDC_STRIP_MUTE, IDC_STRIP_ZERO_DB})
            EXPECT_EQ(1u, reached.count(Item(*strip, id))) << id;
    }
    EXPECT_EQ(first, ::GetFocus()) << "Tab comes round";

    // The arrows walk the quadrants as a grid, across the cells' edges.
    ::SetFocus(Item(Strip(), IDC_STRIP_LINK));
    std::vector<COLORREF> unfocused = SecondRow(quadrant(0, 0));
    ::SetFocus(quadrant(0, 0));
    EXPECT_NE(unfocused, SecondRow(quadrant(0, 0))) << "the focus shows";
    const struct
    {
        UINT key;
        HWND to;
    } steps[] = {
        {VK_RIGHT, quadrant(0, 1)}, {VK_RIGHT, quadrant(sourcePairs, 0)}, {VK_DOWN, quadrant(sourcePairs, 2)},
        {VK_DOWN, quadrant(sourcePairs + 1, 0)}, {VK_LEFT, quadrant(1, 1)}, {VK_UP, quadrant(0, 3)},
    };
    for (const auto& step : steps) {
        TypeKey(mixer, step.key);
        EXPECT_EQ(step.to, ::GetFocus()) << step.key;
    }

    int opened = 0;
    ModalWatcher watcher([&](HWND popup) {
        if (::GetDlgItem(popup, IDC_WEIGHT_SLIDER) == nullptr)
            return;
        ++opened;
        ::PostMessageW(popup, WM_COMMAND, IDOK, 0);
    });
    TypeKey(mixer, VK_RETURN);
    EXPECT_EQ(1, opened) << "Enter";
    ::SetFocus(quadrant(0, 3));
    TypeKey(mixer, VK_SPACE);
    EXPECT_EQ(2, opened) << "Space";
}

TEST_F(FormStripTest, StripToolTips)
{
    mixer.ShowMixer();
    const CToolTipCtrl& tips = Strip().GetToolTip();
    EXPECT_EQ(1 + 10, tips.GetToolCount()) << "the strip and each of its ten controls";
    EXPECT_EQ(L"Link L and R", tips.GetToolText(Strip(), Item(Strip(), IDC_STRIP_LINK)));
    EXPECT_EQ(L"Mute", tips.GetToolText(Strip(), Item(Strip(), IDC_STRIP_MUTE)));
    EXPECT_EQ(L"Set gain to 0dB", tips.GetToolText(Strip(), Item(Strip(), IDC_STRIP_ZERO_DB)));
    EXPECT_EQ(L"", tips.GetToolText(Strip(), Item(Strip(), IDC_STRIP_SLIDER_LEFT)));
    // Only the windows whose tools have text are subclassed: a meter takes 50 messages a second.
    for (HWND child = ::GetWindow(Strip(), GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        TTTOOLINFOW info = {};
        info.cbSize = sizeof(info);
        info.hwnd = Strip();
        info.uId = reinterpret_cast<UINT_PTR>(child);
        ASSERT_TRUE(tips.SendMessage(TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info)));
        EXPECT_EQ(!tips.GetToolText(Strip(), child).empty(), (info.uFlags & TTF_SUBCLASS) != 0) << ::GetDlgCtrlID(child);
    }
}

TEST_F(FormStripTest, WeightPopupWritesEachChangeAndTheCellFollows)
{
    SetDriverWeight(1, 0, -1200, false);
    SetDriverWeight(0, 0, -300, true);
    mixer.ShowMixer();
    HWND quadrant = Item(Cell(), IDC_CELL_RIGHT_FROM_LEFT);
    ASSERT_EQ(L"x", Text(Cell(), IDC_CELL_RIGHT_FROM_LEFT));
    rig.ClearLog();

    struct Seen
    {
        RECT popup;
        std::wstring before, connected, moved;
        bool sliderEnabledBefore = true, sliderEnabledAfter = false;
        LRESULT check = 0;
    } seen;
    ModalWatcher watcher([&](HWND popup) {
        if (::GetDlgItem(popup, IDC_WEIGHT_SLIDER) == nullptr)
            return; // the mixer window
        ::GetWindowRect(popup, &seen.popup);
        HWND slider = ::GetDlgItem(popup, IDC_WEIGHT_SLIDER);
        seen.before = CWindow(popup).GetDlgItemText(IDC_WEIGHT_READOUT);
        seen.sliderEnabledBefore = ::IsWindowEnabled(slider) != FALSE;
        ClickButton(::GetDlgItem(popup, IDC_WEIGHT_CONNECTED));
        seen.connected = CWindow(popup).GetDlgItemText(IDC_WEIGHT_READOUT);
        seen.check = ::SendDlgItemMessageW(popup, IDC_WEIGHT_CONNECTED, BM_GETCHECK, 0, 0);
        seen.sliderEnabledAfter = ::IsWindowEnabled(slider) != FALSE;
        DragSlider(slider, 605, SB_THUMBTRACK);
        seen.moved = CWindow(popup).GetDlgItemText(IDC_WEIGHT_READOUT);
        ::PostMessageW(popup, WM_COMMAND, IDOK, 0);
    });
    RECT rect = {};
    ::GetWindowRect(quadrant, &rect);
    ::SendMessageW(Cell(), WM_COMMAND, MAKEWPARAM(IDC_CELL_RIGHT_FROM_LEFT, STN_CLICKED),
                   reinterpret_cast<LPARAM>(quadrant));

    EXPECT_EQ(rect.left, seen.popup.left) << "at the quadrant";
    EXPECT_EQ(rect.top, seen.popup.top);
    EXPECT_EQ(L"-12.00", seen.before);
    EXPECT_FALSE(seen.sliderEnabledBefore) << "disconnected";
    EXPECT_EQ(L"0.00", seen.connected) << "connecting starts at 0 dB";
    EXPECT_EQ(BST_CHECKED, seen.check);
    EXPECT_TRUE(seen.sliderEnabledAfter);
    EXPECT_EQ(L"-0.05", seen.moved);
    std::vector<SimLogEntry> writes = rig.Requests(IOCTL_ZEPHRA_MIXER_SET_WEIGHTS);
    ASSERT_EQ(2u, writes.size()) << "the check box and the slider, each sent at once";
    EXPECT_EQ(12u, writes[1].inSize) << "one entry";
    ZephraMixerWeight weight = DriverWeight(1, 0);
    EXPECT_EQ(-5, weight.weight);
    EXPECT_EQ(ZEPHRA_WEIGHT_FLAG_CONNECTED, weight.flags);
    EXPECT_EQ(L"0", Text(Cell(), IDC_CELL_RIGHT_FROM_LEFT)) << "the cell follows the entry";
    EXPECT_EQ(-300, DriverWeight(0, 0).weight) << "the other crosspoints keep theirs";
    EXPECT_EQ(L"-3", Text(Cell(), IDC_CELL_LEFT_FROM_LEFT));
}

} // namespace
