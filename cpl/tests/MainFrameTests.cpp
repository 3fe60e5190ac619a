#include <gtest/gtest.h>
#include <windows.h>
#include <dbt.h>
#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include "CAppModule.h"
#include "Controls.h"
#include "DriverRig.h"
#include "FormWeightCtrlRes.h"
#include "MainFrame.h"
#include "ModalWatcher.h"
#include "UiPump.h"

// The main window in the test process, against the simulator and the device server.
namespace {

const wchar_t* const kRigName = L"CplMainFrameTests";

size_t Count(const std::vector<std::string>& names, const char* name)
{
    size_t n = 0;
    for (const std::string& entry : names)
        n += entry == name ? 1 : 0;
    return n;
}

class MainFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, module.Init(::GetModuleHandleW(nullptr)));
        module.AddMessageLoop(&loop);
        ASSERT_EQ(0u, rig.Start());
        frame = new MainFrame(link, commandLine, kRigName);
        RECT rect = {40, 40, 590, 460};
        ASSERT_NE(nullptr, frame->CreateEx(nullptr, &rect));
        pagesAtCreate = frame->DevicePageCount(); // before any 3030 is read
        frame->ShowWindow(SW_SHOW);
        EXPECT_FALSE(frame->IsStarted() || frame->Observer().IsOpened()) << "the observer waits for the first paint";
        ASSERT_TRUE(PumpUntil([&] { return frame->IsStarted(); }, 5000));
        PumpPending();
    }
    void TearDown() override
    {
        delete frame;
        module.RemoveMessageLoop();
        module.Term();
        ::RegDeleteKeyW(HKEY_CURRENT_USER, CPL_SETTINGS_KEY);
    }

    std::vector<std::wstring> Texts(HTREEITEM first)
    {
        std::vector<std::wstring> texts;
        CTreeViewCtrl& tree = frame->PageTree().Tree();
        for (HTREEITEM item = first; item != nullptr; item = tree.GetNextSiblingItem(item))
            texts.push_back(tree.GetItemText(item));
        return texts;
    }
    std::vector<std::wstring> RootTexts() { return Texts(frame->PageTree().Tree().GetRootItem()); }
    HTREEITEM FindRoot(const wchar_t* text)
    {
        CTreeViewCtrl& tree = frame->PageTree().Tree();
        for (HTREEITEM item = tree.GetRootItem(); item != nullptr; item = tree.GetNextSiblingItem(item)) {
            if (tree.GetItemText(item) == text)
                return item;
        }
        return nullptr;
    }
    std::wstring Pane(int id) { return frame->StatusBar().GetPaneText(id); }
    // A driver notification to every connection; waits until done() holds, or (without
    // one) until the frame has read its notification queue empty.
    void Notify(const std::string& words, const std::function<bool()>& done = nullptr)
    {
        size_t reads = Count(rig.RequestNames(2), "GET_NOTIFICATION");
        rig.Command("notify " + words);
        auto drained = [&] { return Count(rig.RequestNames(2), "GET_NOTIFICATION") >= reads + 2; };
        EXPECT_TRUE(PumpUntil(done ? done : drained, 5000)) << words;
    }

    // The software-outputs mixer of QV000001 (two mixers per device, in list order).
    FormMixer* MixerOfFirst()
    {
        for (size_t i = 0; i < link.Client().GetDeviceCount(); ++i) {
            if (link.Client().GetDeviceAt(i)->GetSerialNumber() == L"QV000001")
                return 2 * i + 1 < frame->Mixers().size() ? frame->Mixers()[2 * i + 1].get() : nullptr;
        }
        return nullptr;
    }
    // Opens the weight popup of that mixer's first cell, runs during() in the popup's loop and
    // pumps; true when the popup then closed itself.
    bool PopupClosesItself(const std::function<void()>& during)
    {
        FormMixer* mixer = MixerOfFirst();
        if (mixer == nullptr)
            return false;
        mixer->ShowMixer();
        if (mixer->Cells().empty())
            return false;
        HWND cell = *mixer->Cells()[0];
        bool closed = false;
        ModalWatcher watcher([&](HWND dialog) {
            if (::GetDlgItem(dialog, IDC_WEIGHT_SLIDER) == nullptr)
                return; // the mixer window
            during();
            closed = PumpUntil([&] { return !::IsWindow(dialog) || !::IsWindowVisible(dialog); }, 5000);
            if (!closed)
                ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        ::SendMessageW(cell, WM_COMMAND, MAKEWPARAM(IDC_CELL_LEFT_FROM_LEFT, STN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(cell, IDC_CELL_LEFT_FROM_LEFT)));
        return closed;
    }

    const wchar_t* commandLine = L"-notray";
    CAppModule module;
    CMessageLoop loop;
    DriverRig rig{kRigName};
    CplDriverLink link;
    MainFrame* frame = nullptr;
    size_t pagesAtCreate = 0;
};

TEST_F(MainFrameTest, StartWithADevice)
{
    EXPECT_EQ((std::vector<std::wstring>{L"Sample Rate", L"Buffer Settings", L"Devices", L"ASIO IN Channels",
                                         L"ASIO OUT Channels", L"Status Info", L"Driver Info"}),
              RootTexts());
    EXPECT_EQ(1u, pagesAtCreate) << "the device list is read on connecting, not left to a 3030";
    EXPECT_EQ(std::vector<std::wstring>{L"Quorvela"}, Texts(frame->PageTree().Tree().GetChildItem(FindRoot(L"Devices"))));
    EXPECT_EQ(static_cast<FormBase*>(&frame->SampleRatePage()), frame->PageTree().GetSelectedPage());
    EXPECT_EQ(static_cast<FormBase*>(&frame->SampleRatePage()), frame->CurrentPage());
    EXPECT_TRUE(frame->SampleRatePage().IsWindowVisible());
    EXPECT_EQ(nullptr, frame->NoDevicePanel().m_hWnd) << "never shown, never created";
    EXPECT_TRUE(frame->PageTree().IsWindowEnabled());
    EXPECT_TRUE(link.IsRunning());
    EXPECT_TRUE(frame->Observer().IsOpened()) << "open while the window is shown";
    EXPECT_EQ(L"Ready", Pane(ID_DEFAULT_PANE));
    EXPECT_EQ(L"Streaming state: Ready", Pane(1));
    EXPECT_EQ(L"Current sampling rate: 48.000 kHz", Pane(2));
    EXPECT_EQ(frame->SampleRatePage().m_hWnd, frame->Splitter().GetSplitterPane(SPLIT_PANE_RIGHT));
    EXPECT_EQ(frame->PageTree().m_hWnd, frame->Splitter().GetSplitterPane(SPLIT_PANE_LEFT));
    EXPECT_LE(150, frame->Splitter().GetSplitterPos());
    EXPECT_EQ(0, frame->GetStyle() & WS_MAXIMIZEBOX) << "no maximise button";
    EXPECT_EQ(nullptr, ::GetMenu(*frame)) << "the menu is in the command bar";
    EXPECT_EQ(2, frame->CommandBar().GetButtonCount());

    // Selecting a node refreshes and shows its page.
    frame->PageTree().Tree().SelectItem(FindRoot(L"Driver Info"));
    EXPECT_EQ(L"Driver Info", frame->PageTree().Tree().GetItemText(frame->PageTree().Tree().GetSelectedItem()));
    EXPECT_NE(static_cast<FormBase*>(&frame->SampleRatePage()), frame->CurrentPage());
    EXPECT_FALSE(frame->SampleRatePage().IsWindowVisible()) << "the page that leaves is hidden";
    EXPECT_EQ(frame->CurrentPage()->GetPageWindow().m_hWnd, frame->Splitter().GetSplitterPane(SPLIT_PANE_RIGHT));
}

TEST_F(MainFrameTest, TreeAndStatusBarShowTheirLongestTextsWhole)
{
    rig.Command("plug QV000002 echo");
    Notify("3030", [&] { return frame->PageTree().Tree().GetCount() > 9; });
    CTreeViewCtrl& tree = frame->PageTree().Tree();
    RECT client = {};
    tree.GetClientRect(&client);
    std::vector<HTREEITEM> items;
    for (HTREEITEM root = tree.GetRootItem(); root != nullptr; root = tree.GetNextSiblingItem(root)) {
        items.push_back(root);
        for (HTREEITEM child = tree.GetChildItem(root); child != nullptr; child = tree.GetNextSiblingItem(child))
            items.push_back(child);
    }
    for (HTREEITEM item : items) {
        RECT text = {};
        std::memcpy(&text, &item, sizeof(item)); // TVM_GETITEMRECT's input: the item
        ASSERT_TRUE(::SendMessageW(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text)));
        // Room beside the text also when the tree needs a vertical scroll bar.
        EXPECT_LE(text.right + ::GetSystemMetrics(SM_CXVSCROLL), client.right) << tree.GetItemText(item).c_str();
    }
    EXPECT_EQ(0, tree.GetStyle() & WS_HSCROLL);

    // Each pane at least as wide as its longest text (the default pane: the longest menu
    // prompt), at the window's first size.
    const struct
    {
        int pane;
        const wchar_t* text;
    } rows[] = {
        {0, L"Display program information, version number and copyright"},
        {1, L"Streaming not supported on USB 1.1 port."},
        {2, L"Current sampling rate: 5644.800 kHz"},
    };
    CMultiPaneStatusBarCtrl& bar = frame->StatusBar();
    HDC dc = ::GetDC(bar);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(bar.SendMessageW(WM_GETFONT)));
    for (const auto& row : rows) {
        RECT part = {};
        SIZE text = {};
        ASSERT_TRUE(bar.SendMessageW(SB_GETRECT, static_cast<WPARAM>(row.pane), reinterpret_cast<LPARAM>(&part)));
        ::GetTextExtentPoint32W(dc, row.text, static_cast<int>(wcslen(row.text)), &text);
        EXPECT_LT(text.cx, part.right - part.left) << row.text;
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(bar, dc);
    RECT window = {};
    frame->GetWindowRect(&window);
    MINMAXINFO limits = {};
    frame->SendMessageW(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(window.right - window.left, limits.ptMinTrackSize.x) << "no narrower than the panes need";
}

TEST_F(MainFrameTest, StatusBarFollowsTheStreamingState)
{
    struct Row
    {
        uint32_t state;
        const wchar_t* text;
    } rows[] = {
        {0, L"Streaming state: Undefined"}, {1, L"Streaming state: Down"},     {2, L"Streaming state: Ready"},
        {3, L"Streaming state: Prepared"},  {4, L"Streaming state: Running"},  {5, L"Streaming state: Error"},
        {6, L"Streaming not supported on USB 1.1 port."}, {9, L"Streaming not supported on USB 1.1 port."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.state);
        rig.Sim().SetNextReplyWord(IOCTL_ZEPHRA_GET_STREAMING_STATUS, 0, row.state);
        frame->UpdateStatusBar();
        EXPECT_EQ(row.text, Pane(1)) << "a state above 6 leaves the text as it was";
        EXPECT_EQ(L"Current sampling rate: 48.000 kHz", Pane(2));
    }
    struct RateRow
    {
        uint32_t rate;
        const wchar_t* text;
    } rates[] = {{44100, L"Current sampling rate: 44.100 kHz"}, {0, L"Current sampling rate: 0.000 kHz"},
                 {5644800, L"Current sampling rate: 5644.800 kHz"}};
    for (const RateRow& row : rates) {
        SCOPED_TRACE(row.rate);
        rig.Sim().SetNextReplyWord(IOCTL_ZEPHRA_GET_STREAMING_STATUS, 8, row.rate);
        frame->UpdateStatusBar();
        EXPECT_EQ(row.text, Pane(2));
    }
    rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_STREAMING_STATUS, ZEPHRA_STATUS_TIMEOUT);
    frame->UpdateStatusBar();
    EXPECT_EQ(L"Streaming state unknown", Pane(1));
    EXPECT_EQ(L"Current sampling rate: unknown", Pane(2));
    rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_STREAMING_STATUS, 0);

    // A host's rate change (3001) reaches the status bar; 3040 with a short payload still
    // updates it.
    rig.Command("host rate 44100");
    EXPECT_TRUE(PumpUntil([&] { return Pane(2) == L"Current sampling rate: 44.100 kHz"; }, 5000));
    rig.Command("state 4");
    Notify("3040 7", [&] { return Pane(1) == L"Streaming state: Running"; });
    rig.Command("state 2");
    Notify("3050 1 2"); // no device page: nothing at all
    EXPECT_EQ(L"Streaming state: Running", Pane(1));
}

TEST_F(MainFrameTest, DeviceListChanges)
{
    // A 3030 without a change of the list (the first one too) leaves tree and page and
    // refreshes the page.
    HTREEITEM first = frame->PageTree().Tree().GetRootItem();
    FormBase* page = frame->CurrentPage();
    size_t readsBefore = Count(rig.RequestNames(2), "GET_SAMPLE_RATES");
    Notify("3030");
    EXPECT_EQ(first, frame->PageTree().Tree().GetRootItem()) << "tree not rebuilt";
    EXPECT_EQ(page, frame->CurrentPage());
    EXPECT_EQ(readsBefore + 1, Count(rig.RequestNames(2), "GET_SAMPLE_RATES")) << "the selected page refreshed";

    // The last device leaves: disconnected, empty and disabled tree, no-device panel.
    ASSERT_EQ(std::string::npos, rig.Command("unplug QV000001").find("refused"));
    Notify("3030", [&] { return !link.IsRunning(); });
    EXPECT_FALSE(link.IsRunning()) << "thread stopped and joined";
    EXPECT_FALSE(link.Client().IsOpened());
    EXPECT_FALSE(frame->Observer().IsOpened());
    EXPECT_EQ(0, frame->PageTree().Tree().GetCount());
    EXPECT_FALSE(frame->PageTree().IsWindowEnabled());
    EXPECT_EQ(static_cast<FormBase*>(&frame->NoDevicePanel()), frame->CurrentPage());
    EXPECT_TRUE(frame->NoDevicePanel().IsWindowVisible());
    EXPECT_EQ(L"There is no Brightmoor device connected.", frame->NoDevicePanel().GetDlgItemText(IDC_STATIC_TEXT));
    EXPECT_EQ(L"Driver not available.", Pane(1));
    EXPECT_EQ(L"", Pane(2));

    // A removal broadcast does nothing; an arrival connects and shows the devices at once.
    frame->SendMessage(WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
    EXPECT_FALSE(link.Client().IsOpened());
    ASSERT_EQ(std::string::npos, rig.Command("plug QV000002").find("refused"));
    EXPECT_TRUE(PumpUntil([&] { return link.IsRunning(); }, 5000)) << "the simulator's arrival broadcast";
    EXPECT_EQ(1u, frame->DevicePageCount());
    EXPECT_TRUE(frame->PageTree().IsWindowEnabled());
    EXPECT_EQ(static_cast<FormBase*>(&frame->SampleRatePage()), frame->CurrentPage()) << "Sample Rate selected";
}

TEST_F(MainFrameTest, DevicesAndTheirEchoPagesUnderDevices)
{
    // The first device has the echo effect, the second has not.
    rig.Command("unplug QV000001");
    rig.Command("plug QV000003 echo");
    rig.Command("plug QV000004");
    Notify("3030", [&] { return frame->DevicePageCount() == 2; });
    HTREEITEM devices = FindRoot(L"Devices");
    ASSERT_NE(nullptr, devices);
    EXPECT_EQ((std::vector<std::wstring>{L"Quorvela", L"Plugin0", L"Quorvela"}),
              Texts(frame->PageTree().Tree().GetChildItem(devices)));
    EXPECT_EQ(4u, frame->Mixers().size()) << "two mixers per device";
    EXPECT_EQ(static_cast<FormBase*>(&frame->SampleRatePage()), frame->CurrentPage());

    // Each node shows its page; a rebuild destroys the pages it had.
    CTreeViewCtrl& tree = frame->PageTree().Tree();
    HTREEITEM echo = tree.GetNextSiblingItem(tree.GetChildItem(devices));
    tree.SelectItem(echo);
    FormBase* echoPage = frame->CurrentPage();
    ASSERT_NE(nullptr, echoPage);
    HWND echoWindow = echoPage->GetPageWindow();
    EXPECT_TRUE(::IsWindowVisible(echoWindow));
    rig.Command("plug QV000005");
    Notify("3030", [&] { return frame->DevicePageCount() == 3; });
    EXPECT_FALSE(::IsWindow(echoWindow)) << "device and echo windows never survive a rebuild";
    EXPECT_EQ(static_cast<FormBase*>(&frame->SampleRatePage()), frame->CurrentPage()) << "Sample Rate again";

    // 3040 names a device page: that page reads the driver again.
    ZephraDevice* first = link.Client().GetDeviceAt(0);
    ASSERT_NE(nullptr, first);
    EXPECT_NE(nullptr, frame->DevicePage(first->GetIdFirst(), first->GetIdSecond()));
    EXPECT_EQ(nullptr, frame->DevicePage(first->GetIdFirst() + 100, 0));
    FormDevice* page = frame->DevicePage(first->GetIdFirst(), first->GetIdSecond());
    EXPECT_EQ(nullptr, page->m_hWnd) << "a page's dialog is created when it is first shown";
    tree.SelectItem(tree.GetChildItem(FindRoot(L"Devices"))); // the tree was rebuilt
    ASSERT_EQ(static_cast<FormBase*>(page), frame->CurrentPage());
    EXPECT_TRUE(page->IsWindowVisible());
    size_t reads = rig.RequestNames(2).size();
    Notify("3040 " + std::to_string(first->GetIdFirst()) + " " + std::to_string(first->GetIdSecond()));
    EXPECT_GT(rig.RequestNames(2).size(), reads + 3) << "the page's reads besides the drain and the status";
}

TEST_F(MainFrameTest, DeviceGoneBeforeTheFirstListDisconnects)
{
    // The list is still empty from the start when the only device leaves.
    ASSERT_EQ(std::string::npos, rig.Command("unplug QV000001").find("refused"));
    Notify("3030", [&] { return !link.IsRunning(); });
    EXPECT_FALSE(link.Client().IsOpened());
    EXPECT_EQ(0, frame->PageTree().Tree().GetCount());
    EXPECT_EQ(static_cast<FormBase*>(&frame->NoDevicePanel()), frame->CurrentPage());
    EXPECT_EQ(L"Driver not available.", Pane(1));
}

TEST_F(MainFrameTest, IdleAsksTheDriverNothing)
{
    // After the start, on the sample rate page and hidden in the tray: no timer, no request.
    for (int show : {SW_SHOW, SW_HIDE}) {
        frame->ShowWindow(show);
        PumpPending();
        size_t main = rig.RequestNames(2).size(), observer = rig.RequestNames(3).size();
        PumpUntil([] { return false; }, 1200);
        EXPECT_EQ(main, rig.RequestNames(2).size()) << (show == SW_SHOW ? "shown" : "hidden");
        EXPECT_EQ(observer, rig.RequestNames(3).size()) << (show == SW_SHOW ? "shown" : "hidden");
    }
}

TEST_F(MainFrameTest, AFailedListReadChangesNothing)
{
    const char* const failures[] = {"reply GET_DEVICE_LIST short", "fail GET_DEVICE_LIST FAILED once"};
    for (const char* failure : failures) {
        SCOPED_TRACE(failure);
        ASSERT_EQ(std::string::npos, rig.Command(failure).find("refused"));
        Notify("3030");
        EXPECT_TRUE(link.IsRunning()) << "connected";
        EXPECT_NE(L"Driver not available.", Pane(1));
        Notify("3030", [&] { return frame->DevicePageCount() == 1; }); // read again
    }
}

TEST_F(MainFrameTest, NothingWithCodeOnTheStackIsDestroyed)
{
    // A device arrives while the device page's error box is open: the rebuild waits for it.
    CTreeViewCtrl& tree = frame->PageTree().Tree();
    tree.SelectItem(tree.GetChildItem(FindRoot(L"Devices")));
    HWND page = frame->CurrentPage()->GetPageWindow();
    rig.Command("fail SET_VOLUME_BYPASS FAILED");
    bool kept = false;
    {
        ModalWatcher watcher([&](HWND box) {
            rig.Command("plug QV000006");
            PumpUntil([&] { return link.Client().GetDeviceCount() == 2; }, 5000);
            kept = ::IsWindow(page) && frame->DevicePageCount() == 1;
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        ClickButton(::GetDlgItem(page, IDC_DEVICE_BYPASS));
    }
    EXPECT_TRUE(kept) << "the page of the box lives on";
    EXPECT_TRUE(PumpUntil([&] { return frame->DevicePageCount() == 2; }, 5000)) << "rebuilt once it has closed";

    // The weight popup closes without writing when its grid goes: new pins (3050), its
    // device leaving (3030), the program told to end ("-exit").
    ASSERT_NE(nullptr, MixerOfFirst());
    uint32_t pins = MixerOfFirst()->SourcePinCount();
    EXPECT_TRUE(PopupClosesItself([&] { rig.Command("model QV000001 studio"); }));
    EXPECT_TRUE(PumpUntil([&] { return MixerOfFirst()->SourcePinCount() != pins; }, 5000)) << "then rebuilt";
    EXPECT_TRUE(PopupClosesItself([&] { rig.Command("unplug QV000006"); }));
    EXPECT_TRUE(PumpUntil([&] { return frame->DevicePageCount() == 1; }, 5000));

    // A mixer window being moved: the rebuild waits for the move to end.
    HWND moved = *MixerOfFirst();
    ::SendMessageW(moved, WM_ENTERSIZEMOVE, 0, 0);
    rig.Command("plug QV000007");
    PumpUntil([&] { return link.Client().GetDeviceCount() == 2; }, 5000);
    EXPECT_TRUE(::IsWindow(moved));
    ::SendMessageW(moved, WM_EXITSIZEMOVE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return frame->DevicePageCount() == 2; }, 5000));
    HWND window = *frame;
    bool alive = false;
    EXPECT_TRUE(PopupClosesItself([&] {
        frame->SendMessage(WM_CLOSE);
        alive = ::IsWindow(window) != FALSE;
    }));
    EXPECT_TRUE(alive) << "the close waits for the popup";
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(window); }, 5000));
}

// From another thread while the control panel waits for a held service: is the frame
// answering sent messages and painting, and does a close wait for the reply?
struct WaitProbe
{
    DriverRig* rig;
    HWND frame;
    HWND page;
    bool answered = false;
    bool repainted = false;
    bool closeWaited = false;

    static DWORD WINAPI Run(void* self) { return static_cast<WaitProbe*>(self)->Probe(); }
    DWORD Probe()
    {
        for (int i = 0; i < 250 && Count(rig->RequestNames(2), "SEND_MESSAGE") == 0; ++i)
            ::Sleep(20);
        DWORD_PTR result = 0;
        answered = ::SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) != 0;
        ::InvalidateRect(page, nullptr, TRUE);
        for (int i = 0; i < 50 && !repainted; ++i) {
            ::Sleep(20);
            repainted = ::GetUpdateRect(page, nullptr, FALSE) == FALSE;
        }
        ::SendMessageTimeoutW(frame, WM_CLOSE, 0, 0, SMTO_NORMAL, 1000, &result);
        closeWaited = ::IsWindow(frame) != FALSE;
        return 0;
    }
};

TEST_F(MainFrameTest, TheWindowLivesWhileTheServiceIsSilent)
{
    ASSERT_EQ(0u, rig.HoldServer());
    frame->SampleRatePage().SetRequestTimeout(3000);
    HWND page = frame->SampleRatePage();
    ASSERT_TRUE(ChooseComboItem(::GetDlgItem(page, IDC_RATE_LIST), L"96.000 kHz"));
    WaitProbe probe{&rig, *frame, page};
    HANDLE thread = ::CreateThread(nullptr, 0, &WaitProbe::Run, &probe, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    MessageBoxCatcher catcher;
    ClickButton(::GetDlgItem(page, IDC_RATE_APPLY));
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    EXPECT_TRUE(probe.answered) << "sent messages are answered during the wait";
    EXPECT_TRUE(probe.repainted) << "and the page paints";
    EXPECT_TRUE(probe.closeWaited) << "-exit waits for the reply";
    ASSERT_EQ(1u, catcher.Boxes().size());
    EXPECT_EQ(L"Changing the sample rate failed. (Status=ZEPHRA_STATUS_TIMEOUT).", catcher.Boxes()[0].text);
    EXPECT_TRUE(PumpUntil([&] { return !frame->IsWindow(); }, 5000)) << "then the window closes";
}

TEST_F(MainFrameTest, HidingClosesTheObserver)
{
    ASSERT_TRUE(frame->Observer().IsOpened());
    frame->ShowWindow(SW_HIDE);
    EXPECT_FALSE(frame->Observer().IsOpened());
    frame->ShowWindow(SW_SHOW);
    EXPECT_TRUE(frame->Observer().IsOpened()) << "shown again";
    frame->ShowWindow(SW_MINIMIZE);
    frame->ShowWindow(SW_RESTORE);
    EXPECT_TRUE(frame->Observer().IsOpened()) << "minimising and restoring do not close it";

    // The menu's prompts and "E&xit".
    frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_APP_EXIT, MF_HILITE), reinterpret_cast<LPARAM>(frame->CommandBar().GetMenu()));
    EXPECT_EQ(L"Quit the application", Pane(ID_DEFAULT_PANE));
    frame->SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(L"Ready", Pane(ID_DEFAULT_PANE));
    HWND window = *frame;
    frame->SendMessage(WM_COMMAND, ID_APP_EXIT);
    MSG close = {};
    ASSERT_TRUE(::PeekMessageW(&close, window, WM_CLOSE, WM_CLOSE, PM_REMOVE)) << "E&xit posts WM_CLOSE";
    ::DispatchMessageW(&close);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(link.IsRunning());
    MSG quit = {};
    EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(1u, quit.wParam) << "the program ends with 1";
}

TEST_F(MainFrameTest, KeyboardMovesBetweenTreeAndPage)
{
    HWND tree = frame->PageTree().Tree();
    ::SetFocus(tree);
    MSG f6 = {tree, WM_KEYDOWN, VK_F6, 0, 0, {0, 0}};
    EXPECT_TRUE(frame->PreTranslateMessage(&f6));
    HWND page = frame->SampleRatePage();
    EXPECT_TRUE(::IsChild(page, ::GetFocus())) << "F6: into the page";
    HWND before = ::GetFocus();
    MSG tab = {before, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_TRUE(frame->PreTranslateMessage(&tab)) << "the page's dialog takes its Tab";
    EXPECT_NE(before, ::GetFocus());
    EXPECT_TRUE(::IsChild(page, ::GetFocus()));
    f6.hwnd = ::GetFocus();
    EXPECT_TRUE(frame->PreTranslateMessage(&f6));
    EXPECT_EQ(tree, ::GetFocus()) << "F6: back to the tree";
    MSG other = {tree, WM_MOUSEMOVE, 0, 0, 0, {0, 0}};
    EXPECT_FALSE(frame->PreTranslateMessage(&other));
}

TEST(StatusTextTest, StatesAndRates)
{
    EXPECT_EQ(nullptr, StreamingStateText(ZEPHRA_STREAM_NOT_POSSIBLE + 1)) << "beyond the last state";
    EXPECT_STREQ(L"Streaming state: Error", StreamingStateText(ZEPHRA_STREAM_ERROR));
    EXPECT_EQ(L"Current sampling rate: 48.000 kHz", SamplingRateText(48000));
    EXPECT_EQ(L"Current sampling rate: 4294967.295 kHz", SamplingRateText(0xFFFFFFFFu));
}

} // namespace
