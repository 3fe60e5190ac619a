#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <vector>
#include "CAppModule.h"
#include "CCommandBarCtrl.h"
#include "CFrameWindowImpl.h"
#include "CMultiPaneStatusBarCtrl.h"
#include "CSplitterWindow.h"
#include "WtlTestRes.h"

namespace {

// Dispatches messages until done() holds or timeoutMs passes, offering each to the
// thread's message loop filters first; true when done() held.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000)
{
    ULONGLONG end = ::GetTickCount64() + timeoutMs;
    CMessageLoop* loop = CAppModule::Current() != nullptr ? CAppModule::Current()->GetMessageLoop() : nullptr;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (loop != nullptr && loop->PreTranslateMessage(&msg))
                continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done())
            return true;
        ULONGLONG now = ::GetTickCount64();
        if (now >= end)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

void PumpPending()
{
    PumpUntil([] { return true; }, 0);
}

RECT ChildRect(HWND child)
{
    RECT r = {};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A plain child that records the commands it forwards and the notifications it gets.
class Pane : public CWindowImpl<Pane>
{
public:
    DECLARE_WND_CLASS(L"WtlFrameTestPane")
    BEGIN_MSG_MAP(Pane)
    END_MSG_MAP()
};

// The frame of a small program: rebar with the command bar, splitter with two panes,
// status bar with three panes. Records what reaches it.
class TestFrame : public CFrameWindowImpl<TestFrame>
{
public:
    DECLARE_FRAME_WND_CLASS_EX(L"WtlTestFrame", IDR_WTL_FRAME, 0, COLOR_WINDOW)

    BEGIN_MSG_MAP(TestFrame)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_INITMENUPOPUP, OnInitMenuPopup)
        MESSAGE_HANDLER(WM_ENTERIDLE, OnEnterIdle)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        MESSAGE_HANDLER(WM_COMMAND, OnCommand)
        MESSAGE_HANDLER(WM_MENUSELECT, OnMenuSelect)
        CHAIN_MSG_MAP(CFrameWindowImpl<TestFrame>)
    END_MSG_MAP()

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&)
    {
        commandBar.Create(m_hWnd);
        commandBar.AttachMenu(GetMenu(m_hWnd));
        commandBar.LoadImages(IDR_WTL_FRAME);
        SetMenu(m_hWnd, nullptr);
        CreateSimpleReBar();
        AddSimpleReBarBand(commandBar);
        statusBar.Create(m_hWnd, IdleText().c_str());
        m_hWndStatusBar = statusBar;
        const int panes[] = {ID_DEFAULT_PANE, 1, 2};
        statusBar.SetPanes(panes, 3);
        statusBar.SetPaneWidth(1, 120);
        statusBar.SetPaneWidth(2, 90);
        RECT none = {0, 0, 0, 0};
        m_hWndClient = splitter.Create(m_hWnd, &none, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
        left.Create(splitter, &none, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP);
        right.Create(splitter, &none, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP);
        UpdateLayout();
        splitter.SetSplitterPanes(left, right);
        splitter.SetSplitterPos(150);
        ::SetTimer(m_hWnd, kGuardTimer, 3000, nullptr);
        return 0;
    }
    LRESULT OnInitMenuPopup(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        opened.push_back(reinterpret_cast<HMENU>(wParam));
        bHandled = FALSE;
        return 0;
    }
    // The menu loop is waiting: the test's next step runs here.
    LRESULT OnEnterIdle(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        if (wParam == MSGF_MENU && !steps.empty()) {
            std::function<void()> step = steps.front();
            steps.erase(steps.begin());
            step();
        }
        bHandled = FALSE;
        return 0;
    }
    // A test that leaves a menu open does not hang.
    LRESULT OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        if (wParam == kGuardTimer && commandBar.GetOpenPopup() >= 0)
            ::EndMenu();
        bHandled = FALSE;
        return 0;
    }
    LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL&)
    {
        commands.push_back(LOWORD(wParam));
        return 0;
    }
    LRESULT OnMenuSelect(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
    {
        if ((HIWORD(wParam) & MF_POPUP) == 0 && HIWORD(wParam) != 0xFFFF)
            highlighted.push_back(LOWORD(wParam));
        bHandled = FALSE;
        return 0;
    }

    static const UINT_PTR kGuardTimer = 77;
    CCommandBarCtrl commandBar;
    CMultiPaneStatusBarCtrl statusBar;
    CSplitterWindow splitter;
    Pane left;
    Pane right;
    std::vector<HMENU> opened;
    std::vector<std::function<void()>> steps;
    std::vector<UINT> commands;
    std::vector<UINT> highlighted;
};

class FrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, module.Init(::GetModuleHandleW(nullptr)));
        module.AddMessageLoop(&loop);
        RECT rect = {50, 50, 650, 450};
        ASSERT_NE(nullptr, frame.CreateEx(nullptr, &rect));
        frame.ShowWindow(SW_SHOW);
        ::SetForegroundWindow(frame);
        PumpPending();
    }
    void TearDown() override
    {
        if (frame.m_hWnd != nullptr)
            frame.DestroyWindow();
        module.RemoveMessageLoop();
        module.Term();
    }
    HMENU Popup(int index) { return ::GetSubMenu(frame.commandBar.GetMenu(), index); }

    CAppModule module;
    CMessageLoop loop;
    TestFrame frame;
};

TEST_F(FrameTest, BarsAndClientShareTheFrame)
{
    EXPECT_EQ(L"Frame Test", frame.GetWindowText()) << "title from the string of the resource id";
    EXPECT_EQ(nullptr, ::GetMenu(frame)) << "the menu lives in the command bar";
    ASSERT_EQ(2, frame.commandBar.GetButtonCount());
    EXPECT_EQ(L"&File", frame.commandBar.GetButtonText(0));
    EXPECT_EQ(L"&Help", frame.commandBar.GetButtonText(1));
    EXPECT_EQ(frame.m_hWndToolBar, ::GetParent(frame.commandBar)) << "a band of the rebar";
    EXPECT_NE(nullptr, frame.m_hAccel);

    for (SIZE size : {SIZE{600, 400}, SIZE{800, 500}, SIZE{420, 300}}) {
        SCOPED_TRACE(size.cx);
        frame.SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        RECT client, bar, status, body;
        frame.GetClientRect(&client);
        bar = ChildRect(frame.m_hWndToolBar);
        status = ChildRect(frame.statusBar);
        body = ChildRect(frame.splitter);
        EXPECT_GT(bar.bottom, 0);
        EXPECT_EQ(bar.bottom, body.top) << "the client starts below the rebar";
        EXPECT_EQ(status.top, body.bottom) << "and ends on the status bar";
        EXPECT_EQ(client.bottom, status.bottom);
        EXPECT_EQ(client.right, body.right);
        EXPECT_EQ(120, frame.statusBar.GetPaneWidth(1));
        EXPECT_EQ(90, frame.statusBar.GetPaneWidth(2));
        EXPECT_GT(frame.statusBar.GetPaneWidth(ID_DEFAULT_PANE), client.right - 120 - 90 - 40) << "the default pane stretches";
    }
}

TEST_F(FrameTest, StatusBarShowsThePromptOfTheHighlightedItem)
{
    EXPECT_EQ(L"Ready", frame.statusBar.GetPaneText(ID_DEFAULT_PANE));
    struct Row
    {
        const char* name;
        WPARAM wParam;
        LPARAM lParam;
        const wchar_t* text;
    } rows[] = {
        {"item with a prompt: its first line", MAKEWPARAM(ID_WTL_EXIT, MF_HILITE), 1, L"Quit the application"},
        {"item without a prompt", MAKEWPARAM(ID_WTL_NOPICTURE, MF_HILITE), 1, L""},
        {"popup", MAKEWPARAM(0, MF_POPUP | MF_HILITE), 1, L""},
        {"menu closed", MAKEWPARAM(0, 0xFFFF), 0, L"Ready"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        frame.SendMessage(WM_MENUSELECT, row.wParam, row.lParam == 0 ? 0 : reinterpret_cast<LPARAM>(Popup(0)));
        EXPECT_EQ(row.text, frame.statusBar.GetPaneText(ID_DEFAULT_PANE));
    }
    frame.statusBar.SetPaneText(1, L"one");
    EXPECT_EQ(L"one", frame.statusBar.GetPaneText(1)) << "the other panes keep their own texts";

    // While a real popup is open, its highlighted item's prompt shows; afterwards "Ready".
    std::wstring whileOpen;
    frame.steps.push_back([&] {
        whileOpen = frame.statusBar.GetPaneText(ID_DEFAULT_PANE);
        ::EndMenu();
    });
    frame.SendMessage(WM_SYSCOMMAND, SC_KEYMENU, 'f');
    EXPECT_EQ(L"Quit the application", whileOpen);
    EXPECT_EQ(L"Ready", frame.statusBar.GetPaneText(ID_DEFAULT_PANE));
}

TEST_F(FrameTest, SplitterKeepsItsShareAndFollowsTheDrag)
{
    int bar = frame.splitter.GetSplitterBarWidth();
    EXPECT_EQ(150, frame.splitter.GetSplitterPos());
    EXPECT_EQ(150, ChildRect(frame.left).right);
    EXPECT_EQ(150 + bar, ChildRect(frame.right).left);

    RECT body;
    frame.splitter.GetClientRect(&body);
    int width = body.right;
    frame.splitter.SetWindowPos(nullptr, 0, 0, width * 2, body.bottom, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_NEAR(300, frame.splitter.GetSplitterPos(), 1) << "proportional: twice the width, twice the position";
    EXPECT_EQ(width * 2, ChildRect(frame.right).right);
    frame.UpdateLayout();

    struct Row
    {
        int asked;
        int expected;
    } rows[] = {{-5, 0}, {100, 100}, {100000, -1 /* width - bar */}};
    frame.splitter.GetClientRect(&body);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.asked);
        frame.splitter.SetSplitterPos(row.asked);
        int expected = row.expected >= 0 ? row.expected : body.right - bar;
        EXPECT_EQ(expected, frame.splitter.GetSplitterPos());
        EXPECT_EQ(expected, ChildRect(frame.left).right);
    }
    frame.splitter.SetSplitterPos(-1);
    EXPECT_EQ((body.right - bar) / 2, frame.splitter.GetSplitterPos()) << "-1: the middle";

    // Full drag: the panes move while the button is still down.
    frame.splitter.SetSplitterPos(150);
    frame.splitter.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150 + 1, 20));
    frame.splitter.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200 + 1, 20));
    EXPECT_EQ(200, ChildRect(frame.left).right);
    frame.splitter.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(200 + 1, 20));
    frame.splitter.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(260, 20));
    EXPECT_EQ(200, frame.splitter.GetSplitterPos()) << "no drag after the button is up";
    frame.splitter.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    frame.splitter.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 20));
    EXPECT_EQ(200, frame.splitter.GetSplitterPos()) << "a press beside the bar does not drag";
    frame.splitter.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(60, 20));

    // Commands of a pane reach the frame; F6 moves the focus between the panes.
    frame.left.SendMessage(WM_COMMAND, 0, 0);
    ::SendMessageW(frame.splitter, WM_COMMAND, MAKEWPARAM(4711, 0), 0);
    ASSERT_FALSE(frame.commands.empty());
    EXPECT_EQ(4711u, frame.commands.back());
    frame.left.SetFocus();
    frame.splitter.ActivateNextPane();
    EXPECT_EQ(frame.right.m_hWnd, ::GetFocus());
    frame.splitter.ActivateNextPane();
    EXPECT_EQ(frame.left.m_hWnd, ::GetFocus());
}

TEST_F(FrameTest, FrameTranslatesItsAccelerators)
{
    frame.commands.clear();
    MSG key = {frame.left, WM_KEYDOWN, VK_F2, 0, 0, {0, 0}};
    EXPECT_TRUE(frame.PreTranslateMessage(&key));
    ASSERT_EQ(1u, frame.commands.size());
    EXPECT_EQ(static_cast<UINT>(ID_WTL_ABOUT), frame.commands[0]) << "F2's command reaches the frame";
    key.wParam = VK_F3;
    EXPECT_FALSE(frame.PreTranslateMessage(&key)) << "no accelerator";
    EXPECT_EQ(1u, frame.commands.size());
}

TEST_F(FrameTest, StatusBarPartsFromPaneWidths)
{
    CMultiPaneStatusBarCtrl& bar = frame.statusBar;
    const int grip = ::GetSystemMetrics(SM_CXVSCROLL);
    std::vector<int> edges = bar.PartEdges(600);
    ASSERT_EQ(3u, edges.size());
    EXPECT_EQ(600 - grip - 210, edges[0]);
    EXPECT_EQ(600 - grip - 90, edges[1]);
    EXPECT_EQ(600 - grip, edges[2]);
    edges = bar.PartEdges(100);
    EXPECT_EQ(0, edges[0]) << "a default pane never gets a negative width";
    EXPECT_EQ(120, edges[1]);
    EXPECT_FALSE(bar.SetPaneWidth(ID_DEFAULT_PANE, 50)) << "the default pane stretches";
    EXPECT_FALSE(bar.SetPaneText(9, L"x")) << "unknown pane";
    EXPECT_EQ(-1, bar.GetPaneIndexFromID(9));
    const int two[] = {2, ID_DEFAULT_PANE};
    ASSERT_TRUE(bar.SetPanes(two, 2));
    EXPECT_EQ(0, bar.GetPaneIndexFromID(2));
    EXPECT_EQ(90, bar.GetPaneWidth(2)) << "a kept pane keeps its width";
    EXPECT_EQ(2, static_cast<int>(bar.SendMessage(SB_GETPARTS)));
}

TEST_F(FrameTest, ClickDropsThePopupAndTheMouseMovesToTheNext)
{
    RECT help = {};
    frame.commandBar.SendMessage(TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&help));
    POINT helpCentre = {(help.left + help.right) / 2, (help.top + help.bottom) / 2};
    ::ClientToScreen(frame.commandBar, &helpCentre);
    frame.steps.push_back([&] {
        // The hook sees the mouse over "Help" while "File" is open.
        MSG msg = {};
        msg.hwnd = frame.commandBar;
        msg.message = WM_MOUSEMOVE;
        msg.pt = helpCentre;
        ::CallMsgFilterW(&msg, MSGF_MENU);
    });
    frame.steps.push_back([] { ::EndMenu(); });
    frame.commandBar.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ASSERT_EQ(2u, frame.opened.size());
    EXPECT_EQ(Popup(0), frame.opened[0]);
    EXPECT_EQ(Popup(1), frame.opened[1]);
    EXPECT_EQ(-1, frame.commandBar.GetOpenPopup());
    EXPECT_TRUE(frame.highlighted.empty()) << "a mouse drop-down highlights nothing";
}

TEST_F(FrameTest, KeyboardReachesEveryPopup)
{
    // Alt+F: "File" opens with its first item highlighted; Right goes on to "Help",
    // Left from there back to "File"; Enter chooses.
    frame.steps.push_back([&] { frame.PostMessage(WM_KEYDOWN, VK_RIGHT, 0); });
    frame.steps.push_back([&] { frame.PostMessage(WM_KEYDOWN, VK_LEFT, 0); });
    frame.steps.push_back([&] { frame.PostMessage(WM_KEYDOWN, VK_RETURN, 0); });
    frame.SendMessage(WM_SYSCOMMAND, SC_KEYMENU, 'f');
    ASSERT_EQ(3u, frame.opened.size());
    EXPECT_EQ(Popup(0), frame.opened[0]);
    EXPECT_EQ(Popup(1), frame.opened[1]);
    EXPECT_EQ(Popup(0), frame.opened[2]);
    PumpUntil([&] { return !frame.commands.empty(); });
    ASSERT_EQ(1u, frame.commands.size());
    EXPECT_EQ(static_cast<UINT>(ID_WTL_EXIT), frame.commands[0]) << "the chosen command reaches the frame";
    ASSERT_FALSE(frame.highlighted.empty());
    EXPECT_EQ(static_cast<UINT>(ID_WTL_ABOUT), frame.highlighted[1]) << "each keyboard drop-down highlights the first item";

    // Alt alone: keyboard mode on the first button; arrows move; Down drops; Esc leaves.
    frame.left.SetFocus();
    frame.opened.clear();
    frame.SendMessage(WM_SYSCOMMAND, SC_KEYMENU, 0);
    EXPECT_TRUE(frame.commandBar.IsKeyboardMode());
    EXPECT_EQ(0, frame.commandBar.GetHotItem());
    EXPECT_EQ(frame.commandBar.m_hWnd, ::GetFocus());
    struct Row
    {
        WPARAM key;
        int hot;
    } rows[] = {{VK_RIGHT, 1}, {VK_RIGHT, 0}, {VK_LEFT, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        frame.commandBar.SendMessage(WM_KEYDOWN, row.key, 0);
        EXPECT_EQ(row.hot, frame.commandBar.GetHotItem());
    }
    frame.steps.push_back([] { ::EndMenu(); });
    frame.commandBar.SendMessage(WM_KEYDOWN, VK_DOWN, 0);
    ASSERT_EQ(1u, frame.opened.size());
    EXPECT_EQ(Popup(1), frame.opened[0]);
    EXPECT_FALSE(frame.commandBar.IsKeyboardMode()) << "a drop-down ends keyboard mode";
    EXPECT_EQ(frame.left.m_hWnd, ::GetFocus()) << "the focus goes back";

    frame.SendMessage(WM_SYSCOMMAND, SC_KEYMENU, 0);
    frame.commandBar.SendMessage(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(frame.commandBar.IsKeyboardMode());
    EXPECT_EQ(frame.left.m_hWnd, ::GetFocus());
    frame.SendMessage(WM_SYSCOMMAND, SC_KEYMENU, 0);
    frame.SendMessage(WM_SYSCOMMAND, SC_KEYMENU, 0);
    EXPECT_FALSE(frame.commandBar.IsKeyboardMode()) << "Alt again leaves";
}

TEST_F(FrameTest, RealKeysReachTheCommandBar)
{
    frame.left.SetFocus();
    struct Key
    {
        UINT message;
        WPARAM key;
        LPARAM data; // bit 29: Alt held; bits 30, 31: a release
    };
    struct Row
    {
        const char* name;
        std::vector<Key> keys;
        size_t popups;
        bool keyboardMode;
    } rows[] = {
        {"Alt", {{WM_SYSKEYDOWN, VK_MENU, 0x20380001}, {WM_SYSKEYUP, VK_MENU, static_cast<LPARAM>(0xE0380001)}}, 0, true},
        {"F10", {{WM_SYSKEYDOWN, VK_F10, 0x00440001}, {WM_SYSKEYUP, VK_F10, static_cast<LPARAM>(0xC0440001)}}, 0, true},
        {"Alt+H", {{WM_SYSKEYDOWN, 'H', 0x20230001}, {WM_SYSKEYUP, 'H', static_cast<LPARAM>(0xE0230001)}}, 1, false},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        frame.opened.clear();
        frame.steps.push_back([] { ::EndMenu(); });
        for (const Key& key : row.keys)
            ::PostMessageW(::GetFocus(), key.message, key.key, key.data);
        PumpUntil([&] { return frame.opened.size() >= row.popups && frame.commandBar.IsKeyboardMode() == row.keyboardMode; }, 1000);
        EXPECT_EQ(row.popups, frame.opened.size());
        EXPECT_EQ(row.keyboardMode, frame.commandBar.IsKeyboardMode());
        if (row.popups > 0 && !frame.opened.empty()) {
            EXPECT_EQ(Popup(1), frame.opened[0]);
        }
        frame.steps.clear();
        frame.commandBar.LeaveKeyboardMode();
        frame.left.SetFocus();
    }
}

TEST_F(FrameTest, MenuPicturesFromTheToolBarResource)
{
    CCommandBarCtrl& bar = frame.commandBar;
    EXPECT_EQ(0, bar.GetImageIndex(ID_WTL_EXIT));
    EXPECT_EQ(1, bar.GetImageIndex(ID_WTL_ABOUT)) << "a gap in the tool bar takes no picture";
    EXPECT_EQ(-1, bar.GetImageIndex(ID_WTL_NOPICTURE));
    ASSERT_NE(nullptr, bar.GetImageList());
    int cx = 0, cy = 0;
    ImageList_GetIconSize(bar.GetImageList(), &cx, &cy);
    EXPECT_EQ(16, cx);
    EXPECT_EQ(15, cy);
    struct Row
    {
        int popup;
        int position;
        bool picture;
    } rows[] = {{0, 0, true}, {1, 0, true}, {1, 1, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.popup * 10 + row.position);
        MENUITEMINFOW item = {};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_BITMAP;
        ASSERT_TRUE(::GetMenuItemInfoW(Popup(row.popup), static_cast<UINT>(row.position), TRUE, &item));
        EXPECT_EQ(row.picture, item.hbmpItem == HBMMENU_CALLBACK);
    }
    MEASUREITEMSTRUCT measure = {};
    measure.CtlType = ODT_MENU;
    measure.itemID = ID_WTL_ABOUT;
    EXPECT_TRUE(frame.SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)));
    EXPECT_GE(measure.itemWidth, 16u);
    EXPECT_GE(measure.itemHeight, 15u);
    EXPECT_FALSE(bar.LoadImages(IDR_WTL_FRAME + 1)) << "no such tool bar";
    EXPECT_EQ(0, bar.GetImageIndex(ID_WTL_EXIT)) << "a failed load keeps the pictures";
}

} // namespace
