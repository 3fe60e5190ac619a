#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "Controls.h"
#include "DriverRig.h"
#include "FormSampleRate.h"
#include "ModalWatcher.h"
#include "PageHost.h"
#include "WnEvent.h"
#include "WnThread.h"

namespace {

const std::vector<uint32_t> kTwelveRates = {32000, 44100, 48000, 64000, 88200, 96000,
                                            128000, 176400, 192000, 352800, 2822400, 5644800};
const wchar_t* const kTitle = L"Quorvela Control Panel";

// Watches the cursor from another thread while the GUI thread is blocked.
class CursorWatch : private WnThreadCallbackInterface
{
public:
    CursorWatch()
    {
        m_stop.Create(true);
        m_thread.Start(this);
    }
    ~CursorWatch() { Stop(); }
    // Whether the wait cursor was seen.
    bool Stop()
    {
        m_stop.Set();
        m_thread.Wait(INFINITE);
        return m_sawWait;
    }

private:
    DWORD Run() override
    {
        HCURSOR wait = ::LoadCursorW(nullptr, IDC_WAIT);
        do {
            CURSORINFO info = {};
            info.cbSize = sizeof(info);
            if (::GetCursorInfo(&info) && info.hCursor == wait)
                m_sawWait = true;
        } while (::WaitForSingleObject(m_stop.Get(), 5) == WAIT_TIMEOUT);
        return 0;
    }

    WnEvent m_stop;
    WnThread m_thread;
    volatile bool m_sawWait = false;
};

class FormSampleRateTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, rig.Start(false)) << "the server is started by each test";
        ASSERT_TRUE(rig.Sim().SetSupportedRates(kTwelveRates));
        ASSERT_NE(nullptr, host.Create(320, 200));
    }

    HWND Rates() const { return page.GetDlgItem(IDC_RATE_LIST); }
    HWND Apply() const { return page.GetDlgItem(IDC_RATE_APPLY); }
    HWND Note() const { return page.GetDlgItem(IDC_DSD_NOTE); }
    size_t Sent(const std::string& name) const
    {
        std::vector<std::string> names = rig.RequestNames();
        return static_cast<size_t>(std::count(names.begin(), names.end(), name));
    }
    // Chooses the rate and clicks "Apply"; the message boxes it showed.
    std::vector<CaughtBox> ApplyRate(const wchar_t* text)
    {
        EXPECT_TRUE(ChooseComboItem(Rates(), text)) << "no item " << testing::PrintToString(std::wstring(text));
        MessageBoxCatcher catcher;
        ClickButton(Apply());
        return catcher.Boxes();
    }

    DriverRig rig{L"FormSampleRateTest"};
    PageHost host;
    FormSampleRate page{rig.Client()};
};

TEST_F(FormSampleRateTest, TwelveRatesAndDsdCurrentRateThenApplyingANormalRate)
{
    ASSERT_EQ(0u, rig.Client().SetSampleRate(5644800)) << "an ASIO host chose a DSD rate";
    ASSERT_EQ(0u, rig.StartServer());
    ASSERT_TRUE(host.Open(page));
    std::vector<std::wstring> expected;
    for (uint32_t rate : kTwelveRates)
        expected.push_back(FormatSampleRate(rate));
    EXPECT_EQ(expected, ComboItems(Rates())) << "every reported rate, in the reported order";
    EXPECT_EQ(L"5644.800 kHz", ComboSelection(Rates()));
    EXPECT_TRUE(::IsWindowVisible(Note()));
    EXPECT_TRUE(::IsWindowEnabled(Rates()));
    EXPECT_TRUE(::IsWindowEnabled(Apply()));

    std::vector<CaughtBox> boxes = ApplyRate(L"48.000 kHz");
    EXPECT_TRUE(boxes.empty());
    std::vector<RigRequest> requests = rig.ServerRequests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(static_cast<uint32_t>(ZEPHRA_MSG_SET_SAMPLE_RATE), requests[0].code);
    EXPECT_EQ(48000u, requests[0].word);
    EXPECT_EQ(L"48.000 kHz", ComboSelection(Rates())) << "the page shows the rate the driver now has";
    EXPECT_FALSE(::IsWindowVisible(Note()));
    EXPECT_EQ(12u, ComboItems(Rates()).size());
}

TEST_F(FormSampleRateTest, DsdRateIsRefusedWithAWarningAndNothingSent)
{
    ASSERT_EQ(0u, rig.StartServer());
    ASSERT_TRUE(host.Open(page));
    rig.Sim().ClearLog();
    std::vector<CaughtBox> boxes = ApplyRate(L"2822.400 kHz");
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kTitle, boxes[0].caption);
    EXPECT_EQ(L"Changing to this the sample rate prohibited.\n"
              L"It sample rate can be installed only from ASIO host for DSD mode.",
              boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), boxes[0].icon);
    EXPECT_EQ(0u, Sent("SEND_MESSAGE"));
    EXPECT_TRUE(rig.ServerRequests().empty());
    EXPECT_EQ(1u, Sent("GET_SAMPLE_RATES")) << "refreshed afterwards";
    EXPECT_EQ(L"48.000 kHz", ComboSelection(Rates()));
}

TEST_F(FormSampleRateTest, RefusedOrUnansweredChangeShowsOneErrorAndTheDriversRate)
{
    struct Case
    {
        const char* name;
        bool hold; // a server that never answers, else streams that block the change
        const wchar_t* text;
    };
    const Case cases[] = {
        {"streams open", false, L"Changing the sample rate failed. (Status=ZEPHRA_STATUS_SOUND_DEVICE_IN_USE)."},
        {"server holds", true, L"Changing the sample rate failed. (Status=ZEPHRA_STATUS_TIMEOUT)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DriverRig caseRig(L"FormSampleRateCase");
        ASSERT_EQ(0u, caseRig.Start(!c.hold));
        if (c.hold) {
            ASSERT_EQ(0u, caseRig.HoldServer());
        } else {
            ASSERT_TRUE(caseRig.Sim().Execute("streams 0 1 0 0 0").done);
        }
        FormSampleRate casePage(caseRig.Client());
        casePage.SetRequestTimeout(300);
        ASSERT_TRUE(host.Open(casePage));
        caseRig.Sim().ClearLog();
        ASSERT_TRUE(ChooseComboItem(casePage.GetDlgItem(IDC_RATE_LIST), L"96.000 kHz"));
        MessageBoxCatcher catcher;
        CursorWatch cursor;
        ClickButton(casePage.GetDlgItem(IDC_RATE_APPLY));
        if (c.hold) {
            EXPECT_TRUE(cursor.Stop()) << "the wait cursor while the service is waited for";
        }
        ASSERT_EQ(1u, catcher.Boxes().size());
        EXPECT_EQ(c.text, catcher.Boxes()[0].text);
        EXPECT_EQ(kTitle, catcher.Boxes()[0].caption);
        EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), catcher.Boxes()[0].icon);
        std::vector<std::string> names = caseRig.RequestNames();
        EXPECT_EQ(1, std::count(names.begin(), names.end(), "SEND_MESSAGE"));
        EXPECT_EQ("GET_SAMPLE_RATES", names.back()) << "refreshed after the report";
        EXPECT_EQ(L"48.000 kHz", ComboSelection(casePage.GetDlgItem(IDC_RATE_LIST)));
        casePage.DestroyWindow();
    }
}

TEST_F(FormSampleRateTest, FailedReadLeavesThePageEmptyAndDisabled)
{
    struct Case
    {
        const char* name;
        bool closeClient;
    };
    const Case cases[] = {{"request fails", false}, {"client closed", true}};
    ASSERT_EQ(0u, rig.Client().SetSampleRate(2822400));
    ASSERT_EQ(0u, rig.StartServer());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FormSampleRate casePage(rig.Client());
        ASSERT_TRUE(host.Open(casePage));
        ASSERT_EQ(12u, ComboItems(casePage.GetDlgItem(IDC_RATE_LIST)).size());
        if (c.closeClient)
            rig.Client().CloseDriver();
        else
            rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_SAMPLE_RATES, ZEPHRA_STATUS_FAILED);
        casePage.Refresh();
        EXPECT_TRUE(ComboItems(casePage.GetDlgItem(IDC_RATE_LIST)).empty());
        EXPECT_FALSE(::IsWindowEnabled(casePage.GetDlgItem(IDC_RATE_LIST)));
        EXPECT_FALSE(::IsWindowEnabled(casePage.GetDlgItem(IDC_RATE_APPLY)));
        EXPECT_TRUE(::IsWindowVisible(casePage.GetDlgItem(IDC_DSD_NOTE))) << "the note keeps its state";
        MessageBoxCatcher catcher;
        ::SendMessageW(casePage, WM_COMMAND, MAKEWPARAM(IDC_RATE_APPLY, BN_CLICKED),
                       reinterpret_cast<LPARAM>(casePage.GetDlgItem(IDC_RATE_APPLY).m_hWnd));
        EXPECT_TRUE(catcher.Boxes().empty()) << "nothing to apply, nothing reported";
        EXPECT_TRUE(rig.ServerRequests().empty());
        casePage.DestroyWindow();
        rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_SAMPLE_RATES, 0);
    }
}

TEST_F(FormSampleRateTest, EmptyResizeListKeepsTheResourceLayout)
{
    ASSERT_EQ(0u, rig.StartServer());
    ASSERT_TRUE(host.Open(page));
    std::vector<RECT> before;
    for (int id : {IDC_RATE_GROUP, IDC_RATE_LIST, IDC_RATE_APPLY, IDC_DSD_NOTE}) {
        RECT rect = {};
        ::GetWindowRect(page.GetDlgItem(id), &rect);
        before.push_back(rect);
    }
    host.Resize(600, 450);
    size_t i = 0;
    for (int id : {IDC_RATE_GROUP, IDC_RATE_LIST, IDC_RATE_APPLY, IDC_DSD_NOTE}) {
        SCOPED_TRACE(id);
        RECT rect = {};
        ::GetWindowRect(page.GetDlgItem(id), &rect);
        EXPECT_TRUE(::EqualRect(&before[i++], &rect));
    }
}

} // namespace
