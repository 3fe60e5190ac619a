#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "DpiScale.h"
#include "FormStaticText.h"
#include "ModalWatcher.h"
#include "PageHost.h"
#include "ShowRequestError.h"
#include "UiPump.h"

namespace {

// A page on dialog 208 that journals what the framework calls.
class JournalPage : public FormBaseImpl<JournalPage>
{
public:
    enum { IDD = IDD_STATIC_TEXT };

    BEGIN_DLGRESIZE_MAP(JournalPage)
        DLGRESIZE_CONTROL(IDC_STATIC_TEXT, DLSZ_SIZE_X | DLSZ_MOVE_Y)
    END_DLGRESIZE_MAP()

    BEGIN_MSG_MAP(JournalPage)
        CHAIN_MSG_MAP(FormBaseImpl<JournalPage>)
        MESSAGE_HANDLER(WM_TIMER, OnTimerLeak)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override
    {
        journal.push_back((GetExStyle() & WS_EX_CLIENTEDGE) != 0 ? "init with edge" : "init");
        return 0; // no focus: an activated window takes Wine 2 s to hide
    }
    void Refresh() override { journal.push_back(IsWindowVisible() ? "refresh visible" : "refresh hidden"); }
    void OnResize() override { journal.push_back("resize"); }
    void OnTimer(UINT_PTR id) override { journal.push_back("timer " + std::to_string(id)); }
    LRESULT OnTimerLeak(UINT, WPARAM, LPARAM, BOOL&)
    {
        journal.push_back("timer passed on");
        return 0;
    }

    RECT TextRect() const
    {
        RECT rect = {};
        ::GetWindowRect(GetDlgItem(IDC_STATIC_TEXT), &rect);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    std::vector<std::string> journal;
};

class FormFrameworkTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(nullptr, host.Create(320, 240)); }
    PageHost host;
};

TEST_F(FormFrameworkTest, InitShowHideAndTimerRouting)
{
    JournalPage page;
    ASSERT_NE(nullptr, page.Create(host));
    EXPECT_FALSE(page.IsWindowVisible()) << "pages are created hidden";
    EXPECT_EQ(std::vector<std::string>{"init with edge"}, page.journal) << "the edge comes before the page's own part";
    EXPECT_EQ(page.m_hWnd, page.GetPageWindow().m_hWnd);
    page.journal.clear();

    page.Show();
    EXPECT_TRUE(page.IsWindowVisible());
    page.Hide();
    EXPECT_FALSE(page.IsWindowVisible());
    EXPECT_EQ(0, ::SendMessageW(page, WM_TIMER, 1113, 0));
    page.SetTimer(7, 1);
    EXPECT_TRUE(PumpUntil([&] { return page.journal.size() >= 3; }, 5000));
    page.KillTimer(7);
    std::vector<std::string> expected = {"refresh hidden", "timer 1113", "timer 7"};
    EXPECT_EQ(expected, page.journal) << "refresh before showing; timers end at OnTimer";
    page.DestroyWindow();
}

TEST_F(FormFrameworkTest, SizeChangeCallsOnResizeAndAppliesTheResizeList)
{
    JournalPage page;
    ASSERT_TRUE(host.Open(page));
    RECT placed = page.TextRect();
    page.journal.clear();
    host.Resize(400, 300);
    RECT grown = page.TextRect();
    EXPECT_EQ(placed.left, grown.left);
    EXPECT_EQ(placed.right + 80, grown.right) << "grows by the change of the width";
    EXPECT_EQ(placed.top + 60, grown.top) << "moves down by the change of the height";
    EXPECT_EQ(placed.bottom - placed.top, grown.bottom - grown.top);
    ASSERT_FALSE(page.journal.empty());
    EXPECT_EQ("resize", page.journal.front());
    page.DestroyWindow();
}

TEST_F(FormFrameworkTest, StaticTextPanelShowsItsTextAndFillsThePane)
{
    FormStaticText panel(L"There is no Brightmoor device connected.");
    ASSERT_TRUE(host.Open(panel));
    CWindow text = panel.GetDlgItem(IDC_STATIC_TEXT);
    EXPECT_EQ(L"There is no Brightmoor device connected.", text.GetWindowText());
    RECT before = {};
    text.GetWindowRect(&before);
    host.Resize(420, 300);
    RECT after = {};
    text.GetWindowRect(&after);
    EXPECT_EQ((before.right - before.left) + 100, after.right - after.left);
    EXPECT_EQ((before.bottom - before.top) + 60, after.bottom - after.top);
    panel.DestroyWindow();
}

TEST(RequestErrorTest, TextsWithStatusNamesAndHints)
{
    struct Case
    {
        ZephraStatus status;
        const wchar_t* error;
    };
    const wchar_t* action = L"Changing the sample rate failed.";
    const Case cases[] = {
        {ZEPHRA_STATUS_TIMEOUT, L"Changing the sample rate failed. (Status=ZEPHRA_STATUS_TIMEOUT)."},
        {ZEPHRA_STATUS_NO_DEVICES,
         L"Changing the sample rate failed. (Status=ZEPHRA_STATUS_NO_DEVICES).\nThere are no devices connected."},
        {ZEPHRA_STATUS_NOT_IN_HIGH_SPEED_MODE,
         L"Changing the sample rate failed. (Status=ZEPHRA_STATUS_NOT_IN_HIGH_SPEED_MODE).\n"
         L"The device is not connected to a USB high-speed port."},
        {ZEPHRA_STATUS_NO_STREAMING_DEVICE,
         L"Changing the sample rate failed. (Status=ZEPHRA_STATUS_NO_STREAMING_DEVICE).\n"
         L"There is no device selected for streaming."},
        {ZEPHRA_STATUS_UNSUPPORTED_SAMPLE_RATE,
         L"Changing the sample rate failed. (Status=ZEPHRA_STATUS_UNSUPPORTED_SAMPLE_RATE)."},
        {0xE00000F7, L"Changing the sample rate failed. (Status=?\?\?)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.status);
        EXPECT_EQ(c.error, FormatRequestError(action, c.status));
    }
    EXPECT_EQ(L"Changing to this the sample rate prohibited.\n"
              L"It sample rate can be installed only from ASIO host for DSD mode.",
              FormatRequestWarning(L"Changing to this the sample rate prohibited.",
                                   ZEPHRA_STATUS_UNSUPPORTED_SAMPLE_RATE));
    EXPECT_EQ(L"Refused.", FormatRequestWarning(L"Refused.", ZEPHRA_STATUS_TIMEOUT)) << "no line for others";
}

TEST_F(FormFrameworkTest, ReportsAreMessageBoxesOwnedByThePageWithTheProgramTitle)
{
    FormStaticText page(L"");
    ASSERT_TRUE(host.Open(page));
    MessageBoxCatcher catcher;
    ShowRequestError(page, L"Selecting the streaming device failed.", ZEPHRA_STATUS_NO_DEVICES);
    ShowRequestWarning(page, L"Changing to this the sample rate prohibited.", ZEPHRA_STATUS_UNSUPPORTED_SAMPLE_RATE);
    ASSERT_EQ(2u, catcher.Boxes().size());
    const CaughtBox& error = catcher.Boxes()[0];
    EXPECT_EQ(L"Quorvela Control Panel", error.caption);
    EXPECT_EQ(FormatRequestError(L"Selecting the streaming device failed.", ZEPHRA_STATUS_NO_DEVICES), error.text);
    EXPECT_EQ(host.m_hWnd, error.owner) << "the page's window, as its top-level window";
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), error.icon);
    const CaughtBox& warning = catcher.Boxes()[1];
    EXPECT_EQ(L"Quorvela Control Panel", warning.caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), warning.icon);
    page.DestroyWindow();
}

} // namespace

TEST(DpiScaleTest, FittingWidthIsTheScaledWidthOrTheTextsWhicheverIsWider)
{
    HWND label = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, label);
    LOGFONTW big = {};
    big.lfHeight = -40;
    wcscpy_s(big.lfFaceName, L"Tahoma");
    HFONT font = ::CreateFontIndirectW(&big);
    ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const std::vector<std::wstring> texts = {L"FIFO Error Count", L"WDM Audio Error Count"};
    int widest = WidestText(label, texts);
    EXPECT_GT(widest, ScaleToDpi(150)) << "a font this large needs more than the width given";
    EXPECT_EQ(widest + ScaleToDpi(16), FittingWidth(label, 150, texts, 16));
    EXPECT_EQ(ScaleToDpi(widest + 200), FittingWidth(label, widest + 200, texts, 16));
    ::DestroyWindow(label);
    ::DeleteObject(font);
}
