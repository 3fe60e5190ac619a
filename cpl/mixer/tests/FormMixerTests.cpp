#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "FormMixer.h"
#include "MixerTestRig.h"
#include "UiPump.h"
#include "ZephraIoctl.h"

namespace {

void ExpectRect(const MixerGridRect& want, HWND window)
{
    MixerGridRect got = ChildRect(window);
    EXPECT_EQ(want.x, got.x);
    EXPECT_EQ(want.y, got.y);
    EXPECT_EQ(want.width, got.width);
    EXPECT_EQ(want.height, got.height);
}

MixerGridSize ClientSize(HWND window)
{
    RECT rect = {};
    ::GetClientRect(window, &rect);
    return {rect.right, rect.bottom};
}

template <class Child>
MixerGridSize FirstSize(const std::vector<std::unique_ptr<Child>>& children)
{
    if (children.empty())
        return {0, 0};
    MixerGridRect rect = ChildRect(children.front()->m_hWnd);
    return {rect.width, rect.height};
}

int MeterPos(HWND strip, int id)
{
    return static_cast<int>(::SendDlgItemMessageW(strip, id, PBM_GETPOS, 0, 0));
}

// Messages sent to level meters on this thread while it lives.
class MeterMessageCount
{
public:
    MeterMessageCount() { s_count = 0; m_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, ::GetCurrentThreadId()); }
    ~MeterMessageCount() { ::UnhookWindowsHookEx(m_hook); }
    bool Hooked() const { return m_hook != nullptr; }
    int Count() const { return s_count; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        wchar_t name[64] = {};
        ::GetClassNameW(reinterpret_cast<const CWPSTRUCT*>(lParam)->hwnd, name, 64);
        if (code == HC_ACTION && std::wstring(name) == LevelMeter::kClassName)
            ++s_count;
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static int s_count;
    HHOOK m_hook;
};
int MeterMessageCount::s_count = 0;

class FormMixerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(0u, rig.Status()); }
    void TearDown() override
    {
        for (FormMixer* mixer : {&hardware, &software}) {
            if (mixer->IsWindow())
                mixer->DestroyWindow();
        }
    }
    void Open(FormMixer& mixer)
    {
        if (!mixer.IsWindow()) {
            ASSERT_NE(nullptr, mixer.Create(nullptr));
        }
        mixer.ShowMixer();
    }
    // Every strip, cell, bar and band where the measured sizes put them; client W x B.
    void ExpectGrid(const FormMixer& mixer, uint32_t sourcePairs, uint32_t destinationPairs)
    {
        ASSERT_EQ(sourcePairs, mixer.SourceStrips().size());
        ASSERT_EQ(destinationPairs, mixer.DestinationStrips().size());
        ASSERT_EQ(sourcePairs * destinationPairs, mixer.Cells().size());
        EXPECT_EQ(4 * sourcePairs * destinationPairs, mixer.WeightCount());
        MixerGridLayout layout = LayoutMixerGrid(FirstSize(mixer.SourceStrips()), FirstSize(mixer.Cells()),
                                                 FirstSize(mixer.DestinationStrips()), sourcePairs, destinationPairs,
                                                 mixer.DestinationPinCount());
        for (size_t k = 0; k < sourcePairs; ++k)
            ExpectRect(layout.sourceStrips[k], *mixer.SourceStrips()[k]);
        for (size_t i = 0; i < mixer.Cells().size(); ++i)
            ExpectRect(layout.cells[i], *mixer.Cells()[i]);
        for (size_t j = 0; j < destinationPairs; ++j)
            ExpectRect(layout.destinationStrips[j], *mixer.DestinationStrips()[j]);
        ASSERT_EQ(layout.separators.size(), mixer.Separators().size());
        for (size_t i = 0; i < layout.separators.size(); ++i)
            ExpectRect(layout.separators[i], mixer.Separators()[i]);
        ASSERT_EQ(layout.destinationHeaders ? 3u : 1u, mixer.Headers().size());
        ExpectRect(layout.sourceHeader, mixer.Headers()[0]);
        if (layout.destinationHeaders) {
            ExpectRect(layout.outputsHeader, mixer.Headers()[1]);
            ExpectRect(layout.virtualHeader, mixer.Headers()[2]);
        }
        // The grid's size, or a window inside the work area with scroll bars over the grid.
        MixerGridSize client = ClientSize(mixer);
        RECT window = {};
        RECT work = {};
        mixer.GetWindowRect(&window);
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_TRUE(window.left >= work.left && window.top >= work.top && window.right <= work.right &&
                    window.bottom <= work.bottom);
        const struct
        {
            int bar, style, grid, shown;
        } sides[] = {{SB_HORZ, WS_HSCROLL, layout.width, client.width}, {SB_VERT, WS_VSCROLL, layout.height, client.height}};
        for (const auto& side : sides) {
            SCROLLINFO info = {};
            info.cbSize = sizeof(info);
            info.fMask = SIF_RANGE | SIF_PAGE;
            if ((mixer.GetStyle() & side.style) == 0) {
                EXPECT_EQ(side.grid, side.shown);
            } else {
                EXPECT_LT(side.shown, side.grid);
                ASSERT_TRUE(::GetScrollInfo(mixer, side.bar, &info));
                EXPECT_EQ(side.grid - 1, info.nMax);
                EXPECT_EQ(static_cast<UINT>(side.shown), info.nPage);
            }
        }
    }

    MixerTestRig rig{L"FormMixerTest"};
    FormMixer hardware{rig.Client(), rig.Key(), true};
    FormMixer software{rig.Client(), rig.Key(), false};
};

TEST_F(FormMixerTest, GridsOfACompactAndAStudioDevice)
{
    const struct
    {
        const char* model;
        bool hardwareInputs;
        uint32_t sourcePairs, destinationPairs;
        const wchar_t* title;
        const wchar_t* rows;
        const wchar_t* firstSource;
        const wchar_t* lastDestination;
        bool meters; // the first source meter comes to show the level
    } rows[] = {
        {"compact", true, 2, 4, L"Hardware Inputs Mixer", L"Hardware Inputs", L"Analog In 1/2", L"Virtual In 1/2", false},
        {"compact", false, 3, 4, L"Software Outputs Mixer", L"Software Outputs", L"Out 1/2", L"Virtual In 1/2", false},
        {"studio", true, 9, 13, L"Hardware Inputs Mixer", L"Hardware Inputs", L"Analog In 1/2", L"Virtual In 7/8", true},
        {"studio", false, 9, 13, L"Software Outputs Mixer", L"Software Outputs", L"Out 1/2", L"Virtual In 7/8", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.model) + (row.hardwareInputs ? " hardware" : " software"));
        rig.Command(std::string("model QV000001 ") + row.model);
        rig.Command("levels QV000001 -9");
        FormMixer& mixer = row.hardwareInputs ? hardware : software;
        Open(mixer);
        EXPECT_TRUE(mixer.IsWindowVisible());
        EXPECT_EQ(row.title, mixer.GetWindowText());
        ExpectGrid(mixer, row.sourcePairs, row.destinationPairs);
        EXPECT_EQ(row.rows, mixer.Headers()[0].GetWindowText());
        EXPECT_EQ(L"Hardware Outputs", mixer.Headers()[1].GetWindowText());
        EXPECT_EQ(L"Virtual Inputs", mixer.Headers()[2].GetWindowText());
        EXPECT_EQ(row.firstSource, mixer.SourceStrips()[0]->GetDlgItemText(IDC_STRIP_LABEL));
        EXPECT_EQ(L"Analog Out 1/2", mixer.DestinationStrips()[0]->GetDlgItemText(IDC_STRIP_LABEL));
        EXPECT_EQ(row.lastDestination, mixer.DestinationStrips().back()->GetDlgItemText(IDC_STRIP_LABEL));
        EXPECT_TRUE(mixer.IsMetering());
        EXPECT_TRUE(mixer.ObserversOpen());
        if (row.meters) {
            EXPECT_TRUE(PumpUntil([&] { return MeterPos(*mixer.SourceStrips()[0], IDC_STRIP_METER_LEFT) == 5100; }, 2000));
        }
        // Every strip can be reached: scrolled to the end, the last one shows whole.
        mixer.SendMessageW(WM_HSCROLL, SB_BOTTOM, 0);
        mixer.SendMessageW(WM_VSCROLL, SB_BOTTOM, 0);
        RECT last = {};
        RECT client = {};
        mixer.DestinationStrips().back()->GetWindowRect(&last);
        ::MapWindowPoints(nullptr, mixer, reinterpret_cast<POINT*>(&last), 2);
        mixer.GetClientRect(&client);
        EXPECT_TRUE(last.left >= 0 && last.top >= 0 && last.right <= client.right && last.bottom <= client.bottom);
        mixer.DestroyWindow();
        EXPECT_FALSE(mixer.IsMetering()) << "destroying clears the grid";
        EXPECT_FALSE(mixer.ObserversOpen());
        EXPECT_TRUE(mixer.Cells().empty());
    }
}

TEST_F(FormMixerTest, PinCountsAtTheirEdges)
{
    const struct
    {
        const char* what;
        const char* destinations; // pins of class 0
        const char* sources;      // pins of class 1
        uint32_t sourcePairs, destinationPairs;
        bool panel;
    } rows[] = {
        {"no pins at all", "", "", 0, 0, true},
        {"no destinations", "", " 0 0 0 0", 2, 0, false},
        {"one pin each side", " 0", " 0", 0, 0, false},
        {"odd counts", " 0 0 0 0 0", " 1 1 1", 1, 2, false},
        {"more than the arrays hold", " 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0",
         " 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1", 9, 13, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        rig.Command(std::string("pins QV000001 0") + row.destinations);
        rig.Command(std::string("pins QV000001 1") + row.sources);
        Open(hardware);
        if (row.panel) {
            ASSERT_NE(nullptr, hardware.MessagePanel());
            EXPECT_EQ(L"No mixer pins.", hardware.MessagePanel()->GetDlgItemText(IDC_STATIC_TEXT));
            MixerGridRect panel = ChildRect(*const_cast<FormStaticText*>(hardware.MessagePanel()));
            MixerGridSize client = ClientSize(hardware);
            EXPECT_EQ(panel.width, client.width);
            EXPECT_EQ(panel.height, client.height);
            EXPECT_FALSE(hardware.IsMetering());
            EXPECT_FALSE(hardware.ObserversOpen());
        } else {
            EXPECT_EQ(nullptr, hardware.MessagePanel());
            ExpectGrid(hardware, row.sourcePairs, row.destinationPairs);
            EXPECT_TRUE(hardware.IsMetering()) << "also with empty arrays";
            PumpPending(100);
        }
        hardware.DestroyWindow();
    }
}

TEST_F(FormMixerTest, MetersFollowTheLevelsOneRequestPerSidePerTick)
{
    rig.Command("model QV000001 studio");
    Open(hardware);
    const struct
    {
        const char* db;
        int meter;
    } rows[] = {{"-12.5", 4750}, {"1", 6000}, {"0", 6000}, {"-60", 0}, {"-75", 0}, {"-0.01", 5999}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.db);
        rig.Command(std::string("levels QV000001 ") + row.db);
        HWND first = *hardware.SourceStrips()[0];
        HWND last = *hardware.DestinationStrips().back();
        EXPECT_TRUE(PumpUntil([&] { return MeterPos(first, IDC_STRIP_METER_RIGHT) == row.meter &&
                                           MeterPos(last, IDC_STRIP_METER_LEFT) == row.meter; },
                              2000));
    }
    {
        rig.Command("levels QV000001 moving");
        MeterMessageCount messages;
        ASSERT_TRUE(messages.Hooked());
        PumpUntil([] { return false; }, 300); // about 15 ticks
        EXPECT_EQ(0, messages.Count()) << "the tick moves its meters without a message";
    }
    rig.Command("levels QV000001 -6");
    rig.ClearLog();
    PumpUntil([&] { return rig.Requests(IOCTL_ZEPHRA_MIXER_GET_INPUT_LEVELS).size() >= 5; }, 3000);
    std::vector<SimLogEntry> outputs = rig.Requests(IOCTL_ZEPHRA_MIXER_GET_OUTPUT_LEVELS);
    std::vector<SimLogEntry> inputs = rig.Requests(IOCTL_ZEPHRA_MIXER_GET_INPUT_LEVELS);
    ASSERT_GE(inputs.size(), 5u);
    EXPECT_LE(outputs.size() - inputs.size() + 1, 2u) << "one of each per tick";
    for (const SimLogEntry& entry : outputs)
        EXPECT_EQ(26u * 8u, entry.inSize) << "every destination meter in one request";
    for (const SimLogEntry& entry : inputs)
        EXPECT_EQ(18u * 8u, entry.inSize) << "every source meter in one request";

    rig.Command("fail MIXER_GET_INPUT_LEVELS TIMEOUT");
    EXPECT_TRUE(PumpUntil([&] { return MeterPos(*hardware.SourceStrips()[4], IDC_STRIP_METER_LEFT) == 0; }, 2000))
        << "a failed read drops that side's meters";
    PumpPending(100);
    EXPECT_EQ(5400, MeterPos(*hardware.DestinationStrips()[4], IDC_STRIP_METER_RIGHT)) << "the other side still shows";
}

TEST_F(FormMixerTest, ClosingHidesClearsAndReopeningReadsAgain)
{
    Open(software);
    ASSERT_TRUE(software.IsMetering());
    software.SendMessage(WM_CLOSE);
    EXPECT_FALSE(software.IsWindowVisible());
    EXPECT_TRUE(software.IsWindow()) << "closing keeps the window";
    EXPECT_FALSE(software.IsMetering());
    EXPECT_FALSE(software.ObserversOpen());
    EXPECT_TRUE(software.DestinationStrips().empty());
    EXPECT_EQ(0u, software.WeightCount());
    rig.ClearLog();
    PumpPending(100);
    EXPECT_TRUE(rig.Requests(IOCTL_ZEPHRA_MIXER_GET_OUTPUT_LEVELS).empty()) << "no tick after closing";

    software.Rebuild();
    EXPECT_TRUE(rig.Requests(IOCTL_ZEPHRA_MIXER_GET_PINS).empty()) << "a hidden mixer is not rebuilt";
    software.ShowMixer();
    EXPECT_EQ(2u, rig.Requests(IOCTL_ZEPHRA_MIXER_GET_PINS).size());
    EXPECT_EQ(1u, rig.Requests(IOCTL_ZEPHRA_MIXER_GET_WEIGHTS).size());
    EXPECT_EQ(1u, rig.Requests(IOCTL_ZEPHRA_MIXER_GET_OUTPUT_GAINS).size());
    software.ShowMixer();
    EXPECT_EQ(2u, rig.Requests(IOCTL_ZEPHRA_MIXER_GET_PINS).size()) << "an open mixer is left as it is";
    EXPECT_TRUE(software.IsMetering());
}

} // namespace
