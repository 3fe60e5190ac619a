#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <string>
#include <vector>
#include "CWindowImpl.h"
#include "CommandLine.h"
#include "UiPump.h"
#include "WnRegKey.h"
#include "WtlMinMaxTrackSize.h"
#include "WtlRegistrySetting.h"
#include "WtlWindowPlacement.h"
#include "WtlTrayIcon.h"
#include "resource.h"

namespace {

const wchar_t* const kTestKey = L"Software\\BRIGHTMOOR\\quorvela\\cpl-mixin-test";

// A top-level window with the three mix-ins chained as the main window chains them.
class MixinWindow : public CWindowImpl<MixinWindow>,
                    public WtlTrayIcon<MixinWindow>,
                    public WtlMinMaxTrackSize<MixinWindow>,
                    public WtlRegistrySetting<MixinWindow>
{
public:
    DECLARE_WND_CLASS(L"CplMixinTestWindow")
    MixinWindow() : WtlMinMaxTrackSize<MixinWindow>(550, 420, -1, -1), WtlRegistrySetting<MixinWindow>(kTestKey) {}

    BEGIN_MSG_MAP(MixinWindow)
        MESSAGE_HANDLER(WM_COMMAND, OnCommand)
        MESSAGE_HANDLER(WM_ENTERIDLE, OnEnterIdle)
        MESSAGE_HANDLER(WM_INITMENUPOPUP, OnInitMenuPopup)
        CHAIN_MSG_MAP(WtlTrayIcon<MixinWindow>)
        CHAIN_MSG_MAP(WtlMinMaxTrackSize<MixinWindow>)
        CHAIN_MSG_MAP(WtlRegistrySetting<MixinWindow>)
        MESSAGE_HANDLER(WM_CLOSE, OnClose)
    END_MSG_MAP()

    // After the mix-ins: counts the close requests and keeps the window.
    LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL&)
    {
        ++closeRequests;
        return 0;
    }

    LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL&)
    {
        commands.push_back(LOWORD(wParam));
        return 0;
    }
    // Inside the tray menu's loop: reads the items, then presses the keys of keysInMenu.
    LRESULT OnEnterIdle(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        if (wParam == MSGF_MENU && !keysInMenu.empty()) {
            for (WPARAM key : keysInMenu)
                PostMessage(WM_KEYDOWN, key, 0);
            keysInMenu.clear();
        }
        bHandled = FALSE;
        return 0;
    }
    LRESULT OnInitMenuPopup(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        HMENU menu = reinterpret_cast<HMENU>(wParam);
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = {};
            ::GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            menuItems.push_back(text);
        }
        bHandled = FALSE;
        return 0;
    }

    int closeRequests = 0;
    std::vector<UINT> commands;
    std::vector<std::wstring> menuItems;
    std::vector<WPARAM> keysInMenu;
};

class ShellMixinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ::RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
        RECT rect = {100, 100, 700, 520};
        ASSERT_NE(nullptr, window.Create(nullptr, &rect, L"mixins", WS_OVERLAPPEDWINDOW));
    }
    void TearDown() override
    {
        if (window.m_hWnd != nullptr)
            window.DestroyWindow();
        ::RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey);
    }
    void WritePlacement(DWORD x, DWORD y, DWORD width, DWORD height)
    {
        WnRegKey key;
        ASSERT_EQ(0u, key.Create(HKEY_CURRENT_USER, kTestKey, KEY_WRITE));
        const wchar_t* names[] = {L"PosX", L"PosY", L"Width", L"Height"};
        const DWORD values[] = {x, y, width, height};
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(0u, key.SetDword(names[i], values[i]));
    }
    std::vector<LONG> ReadPlacement()
    {
        std::vector<LONG> values;
        WnRegKey key;
        if (key.Open(HKEY_CURRENT_USER, kTestKey, KEY_READ) != 0)
            return values;
        for (const wchar_t* name : {L"PosX", L"PosY", L"Width", L"Height"}) {
            DWORD value = 0;
            if (key.QueryDword(name, value) == 0)
                values.push_back(static_cast<LONG>(value));
        }
        return values;
    }
    RECT WindowRect()
    {
        RECT r = {};
        window.GetWindowRect(&r);
        return r;
    }

    MixinWindow window;
};

TEST(CommandLineTest, WholeTokensOnly)
{
    struct Row
    {
        const wchar_t* line;
        const wchar_t* option;
        bool ignoreCase;
        bool found;
        const wchar_t* next;
    } rows[] = {
        {L"-exit", L"-exit", true, true, L""},
        {L"  -HIDE\t-notray ", L"-hide", true, true, L"-notray"},
        {L"-HIDE", L"-hide", false, false, L""},
        {L"-exitnow", L"-exit", true, false, L""},
        {L"/exit", L"-exit", true, false, L""},
        {L"x-exit", L"-exit", true, false, L""},
        {L"-hide -exit", L"-exit", true, true, L""},
        {L"", L"-exit", true, false, L""},
        {L"\"-exit\"", L"-exit", true, false, L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << '"' << std::string(row.line, row.line + wcslen(row.line)) << '"');
        std::wstring next = L"unchanged";
        EXPECT_EQ(row.found, HasCommandLineOption(row.line, row.option, &next, row.ignoreCase));
        EXPECT_EQ(row.found ? std::wstring(row.next) : L"unchanged", next);
        EXPECT_EQ(row.found, HasCommandLineOption(row.line, row.option, nullptr, row.ignoreCase));
    }
    EXPECT_FALSE(HasCommandLineOption(nullptr, L"-exit", nullptr, true));
}

TEST_F(ShellMixinTest, TrayIconDataAndCloseBox)
{
    HICON icon = ::LoadIconW(nullptr, IDI_APPLICATION);
    std::wstring longTip(200, L'x');
    ASSERT_TRUE(window.AddTrayIcon(longTip.c_str(), icon, IDR_TRAYMENU));
    const NOTIFYICONDATAW& data = window.IconData();
    EXPECT_EQ(936u, data.cbSize);
    EXPECT_EQ(window.m_hWnd, data.hWnd);
    EXPECT_EQ(static_cast<UINT>(IDR_TRAYMENU), data.uID);
    EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP), data.uFlags);
    EXPECT_EQ(1124u, data.uCallbackMessage);
    EXPECT_EQ(127u, wcslen(data.szTip)) << "127 characters and the terminator";

    window.ShowWindow(SW_SHOW);
    window.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0, window.closeRequests) << "the close box hides while the icon is there";
    EXPECT_FALSE(window.IsWindowVisible());
    EXPECT_TRUE(ReadPlacement().empty()) << "hiding into the tray writes no placement";

    // Double-click brings it back; a message for another icon id does nothing.
    window.SendMessage(WM_USER + 100, IDR_TRAYMENU + 1, WM_LBUTTONDBLCLK);
    EXPECT_FALSE(window.IsWindowVisible());
    window.SendMessage(WM_USER + 100, IDR_TRAYMENU, WM_MOUSEMOVE);
    EXPECT_FALSE(window.IsWindowVisible());
    window.SendMessage(WM_USER + 100, IDR_TRAYMENU, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(window.IsWindowVisible());
    window.ShowWindow(SW_MINIMIZE);
    window.SendMessage(WM_USER + 100, IDR_TRAYMENU, WM_LBUTTONDBLCLK);
    EXPECT_FALSE(window.IsIconic()) << "a minimised window is restored";

    window.SendMessage(WM_DESTROY);
    EXPECT_FALSE(window.IsInstalled()) << "removed with the window";
    window.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(1, window.closeRequests) << "without an icon the close box closes";
}

TEST_F(ShellMixinTest, TrayMenuChoosesACommand)
{
    ASSERT_TRUE(window.AddTrayIcon(L"tip", ::LoadIconW(nullptr, IDI_APPLICATION), IDR_TRAYMENU));
    window.ShowWindow(SW_SHOW);
    struct Row
    {
        std::vector<WPARAM> keys;
        std::vector<UINT> commands;
    } rows[] = {
        {{VK_DOWN, VK_RETURN}, {ID_TRAY_RESTORE}},
        {{VK_DOWN, VK_DOWN, VK_RETURN}, {ID_APP_EXIT}},
        {{VK_ESCAPE}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.keys.size());
        window.menuItems.clear();
        window.commands.clear();
        window.keysInMenu = row.keys;
        window.SendMessage(WM_USER + 100, IDR_TRAYMENU, WM_RBUTTONUP);
        PumpPending(200);
        EXPECT_EQ((std::vector<std::wstring>{L"&Restore", L"E&xit"}), window.menuItems);
        EXPECT_EQ(row.commands, window.commands);
    }
    window.SendMessage(WM_USER + 100, IDR_TRAYMENU, WM_RBUTTONDOWN);
    window.SendMessage(WM_USER + 100, IDR_TRAYMENU, WM_LBUTTONUP);
    EXPECT_TRUE(window.menuItems.size() == 2u) << "only the right button's release shows the menu";
}

TEST_F(ShellMixinTest, IconReturnsWithANewNotificationArea)
{
    ASSERT_TRUE(window.AddTrayIcon(L"tip", ::LoadIconW(nullptr, IDI_APPLICATION), IDR_TRAYMENU));
    NOTIFYICONDATAW probe = window.IconData();
    // The icon is still there: it stays installed, the close box still hides.
    window.SendMessage(WtlTrayIconBase::TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(window.IsInstalled());
    window.ShowWindow(SW_SHOW);
    window.SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0, window.closeRequests);
    // The shell forgets the icon, as a restarted shell does.
    ::Shell_NotifyIconW(NIM_DELETE, &probe);
    probe = window.IconData();
    if (::Shell_NotifyIconW(NIM_MODIFY, &probe))
        GTEST_SKIP() << "this shell accepts changes of icons it does not hold";
    window.SendMessage(WtlTrayIconBase::TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(window.IsInstalled());
    probe = window.IconData();
    EXPECT_TRUE(::Shell_NotifyIconW(NIM_MODIFY, &probe)) << "added again";

    window.RemoveTrayIcon();
    window.SendMessage(WtlTrayIconBase::TaskbarCreatedMessage(), 0, 0);
    EXPECT_FALSE(window.IsInstalled()) << "a removed icon stays away";
}

TEST_F(ShellMixinTest, MinimumTrackSize)
{
    MINMAXINFO info = {};
    info.ptMinTrackSize = {10, 20};
    info.ptMaxTrackSize = {3000, 2000};
    EXPECT_EQ(0, window.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info)));
    EXPECT_EQ(550, info.ptMinTrackSize.x);
    EXPECT_EQ(420, info.ptMinTrackSize.y);
    EXPECT_EQ(3000, info.ptMaxTrackSize.x) << "-1 leaves the system's value";
    EXPECT_EQ(2000, info.ptMaxTrackSize.y);
    WtlMinMaxTrackSize<MixinWindow> maxOnly(-1, -1, 800, -1);
    BOOL handled = TRUE;
    maxOnly.OnGetMinMaxInfo(0, 0, reinterpret_cast<LPARAM>(&info), handled);
    EXPECT_EQ(800, info.ptMaxTrackSize.x);
    EXPECT_EQ(550, info.ptMinTrackSize.x);
}

TEST(ClampToScreenTest, PullsTheRectangleOntoTheScreen)
{
    struct Row
    {
        const char* name;
        RECT in;
        RECT out;
    } rows[] = {
        {"inside stays", {100, 100, 650, 520}, {100, 100, 650, 520}},
        {"left of the screen", {-200, 10, 350, 430}, {0, 10, 350, 430}},
        {"far right", {5000, 10, 5550, 430}, {1870, 10, 1920, 430}},
        {"second monitor on the right", {2000, 100, 2550, 520}, {1870, 100, 1920, 520}},
        {"below", {10, 2000, 560, 2420}, {10, 1030, 560, 1080}},
        {"10 x 10", {300, 300, 310, 310}, {935, 515, 985, 565}},
        {"right edge under 50", {0, 0, 20, 400}, {0, 0, 50, 400}},
        {"inverted", {500, 500, 100, 100}, {935, 515, 985, 565}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RECT r = row.in;
        WtlWindowPlacement::ClampToScreen(r, 1920, 1080);
        EXPECT_EQ(row.out.left, r.left);
        EXPECT_EQ(row.out.top, r.top);
        EXPECT_EQ(row.out.right, r.right);
        EXPECT_EQ(row.out.bottom, r.bottom);
    }
}

TEST_F(ShellMixinTest, PlacementSavedAndLoaded)
{
    const int w = ::GetSystemMetrics(SM_CXSCREEN);
    WritePlacement(static_cast<DWORD>(-200), 40, 900, 450);
    window.Load(true);
    RECT r = WindowRect();
    EXPECT_EQ(0, r.left) << "a saved -200 loads as 0";
    EXPECT_EQ(40, r.top);
    EXPECT_EQ(700, r.right) << "the right edge as saved";
    EXPECT_FALSE(window.IsWindowVisible()) << "kept hidden";

    WritePlacement(5000, 40, 600, 450);
    window.Load(false);
    EXPECT_EQ(w - 50, WindowRect().left);
    EXPECT_TRUE(window.IsWindowVisible());

    WritePlacement(100, 100, 0x7FFFFFFF, 0x7FFFFFFF);
    window.Load(false);
    EXPECT_EQ(w, WindowRect().right) << "a huge width does not overflow";

    // A "PosY" of another type: the whole placement is ignored.
    WritePlacement(200, 210, 600, 450);
    {
        WnRegKey key;
        ASSERT_EQ(0u, key.Open(HKEY_CURRENT_USER, kTestKey, KEY_WRITE));
        ASSERT_EQ(0u, key.SetString(L"PosY", L"210", REG_SZ));
    }
    RECT before = WindowRect();
    window.Load(false);
    RECT after = WindowRect();
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.right, after.right);

    // WM_CLOSE and the minimise command write; a minimised window writes nothing.
    window.SetWindowPos(nullptr, 120, 130, 600, 440, SWP_NOZORDER);
    window.SendMessage(WM_CLOSE);
    EXPECT_EQ((std::vector<LONG>{120, 130, 600, 440}), ReadPlacement());
    window.SetWindowPos(nullptr, 140, 150, 610, 450, SWP_NOZORDER);
    window.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ((std::vector<LONG>{140, 150, 610, 450}), ReadPlacement()) << "saved before it becomes an icon";
    ASSERT_TRUE(window.IsIconic());
    window.SendMessage(WM_CLOSE);
    EXPECT_EQ((std::vector<LONG>{140, 150, 610, 450}), ReadPlacement()) << "closing while minimised keeps it";
}

} // namespace
