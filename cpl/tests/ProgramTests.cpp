#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <string>
#include "MainFrame.h"
#include "ServiceTestSupport.h"
#include "SimControlClient.h"

// quorvelacpl.exe as a process: single instance, hand-over, options, exit codes; and the
// simulator, the service and the control panel together.
namespace {

// Polls cond every 50 ms until it holds or limitMs pass (other processes are waited for).
bool WaitFor(const std::function<bool()>& cond, DWORD limitMs = 15000)
{
    ULONGLONG end = ::GetTickCount64() + limitMs;
    while (!cond()) {
        if (::GetTickCount64() >= end)
            return false;
        ::Sleep(50);
    }
    return true;
}

HWND PanelWindow()
{
    return ::FindWindowW(CPL_MAIN_WINDOW_CLASS, nullptr);
}

HWND FindChildOfClass(HWND parent, const wchar_t* className)
{
    struct Search
    {
        const wchar_t* name;
        HWND found;
    } search = {className, nullptr};
    ::EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) WINAPI -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t name[64] = {};
            ::GetClassNameW(child, name, 64);
            if (lstrcmpiW(name, s->name) != 0)
                return TRUE;
            s->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class ProgramTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(nullptr, PanelWindow()) << "no control panel may run before"; }
    void TearDown() override
    {
        RunChild(L"quorvelacpl.exe", L"-exit", 15000);
        panel.Wait(10000);
        ::RegDeleteKeyW(HKEY_CURRENT_USER, CPL_SETTINGS_KEY); // the placement that closing saved
    }
    // Starts the panel and waits for its window.
    void StartPanel(const wchar_t* arguments)
    {
        ASSERT_TRUE(panel.Start(L"quorvelacpl.exe", arguments));
        ASSERT_TRUE(WaitFor([] { return PanelWindow() != nullptr; })) << "no window";
    }

    ChildProcess panel;
};

TEST_F(ProgramTest, ExitWithNoneRunning)
{
    ChildResult result = RunChild(L"quorvelacpl.exe", L"-EXIT", 10000);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(nullptr, PanelWindow()) << "-exit never starts one";
}

TEST_F(ProgramTest, SecondStartBringsTheFirstForward)
{
    StartPanel(L"-notray");
    HWND window = PanelWindow();
    EXPECT_TRUE(WaitFor([&] { return ::IsWindowVisible(window) != FALSE; }));
    ::ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return ::IsIconic(window) != FALSE; }));

    ChildResult second = RunChild(L"quorvelacpl.exe", L"", 15000);
    ASSERT_TRUE(second.finished);
    EXPECT_EQ(1u, second.exitCode);
    EXPECT_FALSE(::IsIconic(window)) << "restored";
    EXPECT_EQ(window, PanelWindow()) << "no second window";

    ChildResult exit = RunChild(L"quorvelacpl.exe", L"-exit", 15000);
    ASSERT_TRUE(exit.finished);
    EXPECT_EQ(0u, exit.exitCode);
    ASSERT_TRUE(panel.Wait(10000));
    EXPECT_EQ(1u, panel.ExitCode());
}

TEST_F(ProgramTest, HiddenWithoutTrayThenShownByASecondStart)
{
    StartPanel(L"-hide -notray");
    HWND window = PanelWindow();
    EXPECT_FALSE(::IsWindowVisible(window)) << "no visible trace";
    ChildResult second = RunChild(L"quorvelacpl.exe", L"", 15000);
    ASSERT_TRUE(second.finished);
    EXPECT_EQ(1u, second.exitCode);
    EXPECT_TRUE(::IsWindowVisible(window)) << "a plain start shows it";
}

TEST_F(ProgramTest, ExitCommandEndsWithOne)
{
    StartPanel(L"");
    ::PostMessageW(PanelWindow(), WM_COMMAND, MAKEWPARAM(ID_APP_EXIT, 0), 0);
    ASSERT_TRUE(panel.Wait(15000));
    EXPECT_EQ(1u, panel.ExitCode());
    EXPECT_EQ(nullptr, PanelWindow());
}

// Simulator, service (console mode) and control panel: the tree follows unplug and plug.
TEST(EndToEndPanelTest, TreeFollowsTheDevices)
{
    ChildProcess sim, service, panel;
    ASSERT_TRUE(sim.Start(L"zephrasim.exe", L"run"));
    std::string status;
    auto simHas = [&](const char* text) {
        return SimSendCommand(ZEPHRA_CONTROL_DEVICE_NAME, "status", &status) == 0 && status.find(text) != std::string::npos;
    };
    ASSERT_TRUE(WaitFor([&] { return simHas("QV000001"); })) << status;
    ASSERT_TRUE(service.Start(L"quorvelasvc.exe", L"-console"));
    ASSERT_TRUE(WaitFor([&] { return simHas("wdm set up"); })) << status << service.Output();
    ASSERT_TRUE(panel.Start(L"quorvelacpl.exe", L"-notray"));
    HWND tree = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        HWND window = PanelWindow();
        tree = window != nullptr ? FindChildOfClass(window, WC_TREEVIEWW) : nullptr;
        return tree != nullptr && ::SendMessageW(tree, TVM_GETCOUNT, 0, 0) > 0;
    }));
    const LRESULT fixed = 7; // the nodes of the fixed pages
    EXPECT_EQ(fixed + 2, ::SendMessageW(tree, TVM_GETCOUNT, 0, 0)) << "the device present at start and its echo node";
    EXPECT_TRUE(::IsWindowEnabled(::GetParent(tree))) << "the page tree";

    std::string reply;
    ASSERT_EQ(0, SimSendCommand(ZEPHRA_CONTROL_DEVICE_NAME, "plug QV000002", &reply)) << reply;
    EXPECT_TRUE(WaitFor([&] { return ::SendMessageW(tree, TVM_GETCOUNT, 0, 0) == fixed + 3; }))
        << "two device nodes and the first device's echo node; count " << ::SendMessageW(tree, TVM_GETCOUNT, 0, 0);

    ASSERT_EQ(0, SimSendCommand(ZEPHRA_CONTROL_DEVICE_NAME, "unplug QV000001", &reply)) << reply;
    EXPECT_TRUE(WaitFor([&] { return ::SendMessageW(tree, TVM_GETCOUNT, 0, 0) == fixed + 1; }));
    ASSERT_EQ(0, SimSendCommand(ZEPHRA_CONTROL_DEVICE_NAME, "unplug QV000002", &reply)) << reply;
    EXPECT_TRUE(WaitFor([&] { return ::SendMessageW(tree, TVM_GETCOUNT, 0, 0) == 0 && !::IsWindowEnabled(::GetParent(tree)); }))
        << "no device: the tree is empty and disabled";
    ASSERT_EQ(0, SimSendCommand(ZEPHRA_CONTROL_DEVICE_NAME, "plug QV000003 echo", &reply)) << reply;
    EXPECT_TRUE(WaitFor([&] { return ::SendMessageW(tree, TVM_GETCOUNT, 0, 0) == fixed + 2; }))
        << "a device arrival connects again";

    RunChild(L"quorvelacpl.exe", L"-exit", 15000);
    EXPECT_TRUE(panel.Wait(10000));
    SimSendCommand(ZEPHRA_CONTROL_DEVICE_NAME, "quit", &reply);
    sim.Wait(10000);
    service.Wait(10000);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, CPL_SETTINGS_KEY);
}

} // namespace
