// cpl_screens: pictures of the control panel for people to look at (scripts/screens.sh).
// Runs the main window against the simulator and the device server in this process and
// writes build/screens/NAME-DPI.png of every page of two devices (one compact with the echo
// effect, one studio; the sample rate page also with a DSD rate, the status information page
// also with a counter's description), both mixers of each, the weight popup, the About box,
// an error box and the no-device panel. A picture in which a control is not drawn fails the
// run.
#include <windows.h>
#include <cstdio>
#include <string>
#include "AboutDlg.h"
#include "CAppModule.h"
#include "DpiScale.h"
#include "DriverRig.h"
#include "FormMixerConnectionRes.h"
#include "FormSampleRateRes.h"
#include "FormStatusInfoRes.h"
#include "MainFrame.h"
#include "ModalWatcher.h"
#include "ScreenShot.h"
#include "ShowRequestError.h"
#include "UiPump.h"

namespace {

std::wstring g_suffix;
int g_failures = 0;

void Save(HWND window, const std::wstring& name)
{
    WindowPicture picture = TakeWindowPicture(window);
    std::vector<std::wstring> undrawn = UndrawnControls(window, picture);
    std::wstring path = SavePicturePng(picture, (name + g_suffix).c_str());
    if (path.empty()) {
        std::wprintf(L"failed: %ls\n", name.c_str());
        ++g_failures;
        return;
    }
    std::wprintf(L"%ls\n", path.c_str());
    for (const std::wstring& control : undrawn)
        std::wprintf(L"  not drawn: %ls\n", control.c_str());
    if (!undrawn.empty())
        ++g_failures;
}

// The window in front and active, as a person who has just opened it sees it.
// Wine's desktop may leave the caption of a window that is already active drawn inactive
// (the first window of the process): its frame is then told again that it is active.
void BringToFront(HWND window)
{
    if (::GetForegroundWindow() == window && ::GetActiveWindow() == window)
        ::SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
    ::SetForegroundWindow(window);
    ::SetActiveWindow(window);
    PumpUntil([window] { return ::GetForegroundWindow() == window; }, 2000);
}

std::wstring FileName(std::wstring text)
{
    for (wchar_t& c : text)
        c = c == L' ' ? L'-' : static_cast<wchar_t>(towlower(c));
    return text;
}

// The sample rate page (shown) while an ASIO host has chosen a DSD rate: the note below
// the list; the rate is set back afterwards.
void SaveDsdRate(MainFrame& frame, DriverRig& rig, const std::wstring& name)
{
    HWND note = frame.SampleRatePage().GetDlgItem(IDC_DSD_NOTE);
    rig.Command("host rate 5644800");
    PumpUntil([note] { return ::IsWindowVisible(note) != FALSE; }, 5000);
    Save(frame, name);
    rig.Command("host rate 48000");
    PumpUntil([note] { return ::IsWindowVisible(note) == FALSE; }, 5000);
}

// The status information page (shown) with the counter of the longest description selected.
void SaveSelectedCounter(MainFrame& frame, const std::wstring& name)
{
    CListViewCtrl list(frame.CurrentPage()->GetPageWindow().GetDlgItem(IDC_COUNTER_LIST));
    list.SelectItem(3);
    ::SetFocus(list);
    Save(frame, name);
}

// Every node of the tree in order, each page shown and saved; two pages in a second state too.
void SaveEveryPage(MainFrame& frame, DriverRig& rig)
{
    CTreeViewCtrl& tree = frame.PageTree().Tree();
    int index = 0;
    for (HTREEITEM item = tree.GetRootItem(); item != nullptr;) {
        tree.SelectItem(item);
        std::wstring text = tree.GetItemText(item);
        std::wstring name = L"page-" + std::to_wstring(index++) + L"-" + FileName(text);
        Save(frame, name);
        if (text == L"Sample Rate")
            SaveDsdRate(frame, rig, name + L"-dsd");
        if (text == L"Status Info")
            SaveSelectedCounter(frame, name + L"-selected");
        HTREEITEM next = tree.GetChildItem(item);
        if (next == nullptr)
            next = tree.GetNextSiblingItem(item);
        if (next == nullptr && tree.GetNextItem(item, TVGN_PARENT) != nullptr)
            next = tree.GetNextSiblingItem(tree.GetNextItem(item, TVGN_PARENT));
        item = next;
    }
}

// Runs start() and saves the first dialog that it opens modally, then closes that dialog.
template <class Start>
void SaveModal(const std::wstring& name, Start start)
{
    bool seen = false;
    ModalWatcher watcher([&](HWND dialog) {
        if (seen)
            return;
        seen = true;
        BringToFront(dialog);
        Save(dialog, name);
        ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    start();
    if (!seen) {
        std::wprintf(L"failed: %ls never opened\n", name.c_str());
        ++g_failures;
    }
}

// The File menu as the command bar drops it, with its picture: taken from a timer of the
// menu's loop, which then ends the menu.
void SaveFileMenu(MainFrame& frame)
{
    static bool saved;
    saved = false;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR, DWORD) WINAPI {
        HWND menu = ::FindWindowW(L"#32768", nullptr);
        if (saved || menu == nullptr || !::IsWindowVisible(menu))
            return;
        saved = true;
        Save(menu, L"menu-file");
        ::EndMenu();
    });
    frame.CommandBar().DropDown(0, true);
    ::KillTimer(nullptr, timer);
    if (!saved) {
        std::wprintf(L"failed: menu-file never opened\n");
        ++g_failures;
    }
}

// Both mixers of every device; the popup of the first crosspoint of the first one.
void SaveMixers(MainFrame& frame)
{
    bool popupSaved = false;
    for (size_t i = 0; i < frame.Mixers().size(); ++i) {
        FormMixer& mixer = *frame.Mixers()[i];
        mixer.ShowMixer();
        BringToFront(mixer);
        std::wstring layout = i < 2 ? L"compact" : L"studio";
        std::wstring name = L"mixer-" + layout + (mixer.IsHardwareInputs() ? L"-hardware-inputs" : L"-software-outputs");
        Save(mixer, name);
        if ((mixer.GetStyle() & WS_HSCROLL) != 0) {
            // A grid wider than the screen: its last strips, scrolled to.
            mixer.SendMessageW(WM_HSCROLL, SB_BOTTOM, 0);
            mixer.SendMessageW(WM_VSCROLL, SB_BOTTOM, 0);
            Save(mixer, name + L"-scrolled");
        }
        if (!popupSaved && !mixer.Cells().empty()) {
            popupSaved = true;
            HWND cell = *mixer.Cells().front();
            HWND quadrant = ::GetDlgItem(cell, IDC_CELL_LEFT_FROM_LEFT);
            SaveModal(L"weight-popup", [&] {
                ::SendMessageW(cell, WM_COMMAND, MAKEWPARAM(IDC_CELL_LEFT_FROM_LEFT, STN_CLICKED),
                               reinterpret_cast<LPARAM>(quadrant));
            });
        }
        mixer.ShowWindow(SW_HIDE);
    }
}

} // namespace

int wmain()
{
    HDC screen = ::GetDC(nullptr);
    g_suffix = L"-" + std::to_wstring(::GetDeviceCaps(screen, LOGPIXELSY));
    ::ReleaseDC(nullptr, screen);

    CAppModule module;
    module.Init(::GetModuleHandleW(nullptr));
    CMessageLoop loop;
    module.AddMessageLoop(&loop);
    DriverRig rig(L"CplScreens");
    if (rig.Start() != 0)
        return 1;
    // Meters held still and fixed counters, so that two runs give the same pictures.
    rig.Command("plug QV000002 echo model studio");
    rig.Command("levels QV000001 -12");
    rig.Command("levels QV000002 -6");
    rig.Command("errors 0 3 0 4294967295 0");
    CplDriverLink link;
    int result = 0;
    {
        MainFrame frame(link, L"-notray", L"CplScreens");
        RECT rect = {20, 20, 20 + ScaleToDpi(kFrameWidth), 20 + ScaleToDpi(kFrameHeight)};
        if (frame.CreateEx(nullptr, &rect) == nullptr)
            return 1;
        frame.ShowWindow(SW_SHOW);
        BringToFront(frame);
        rig.Command("notify 3030");
        PumpUntil([&] { return frame.PageTree().Tree().GetCount() > 9; }, 5000);
        BringToFront(frame);
        SaveEveryPage(frame, rig);

        SaveMixers(frame);

        BringToFront(frame);
        SaveFileMenu(frame);
        SaveModal(L"about", [&] { frame.SendMessageW(WM_COMMAND, ID_APP_ABOUT, 0); });
        SaveModal(L"error-box", [&] {
            ShowRequestError(frame.SampleRatePage(), L"Changing the sample rate failed.",
                             ZEPHRA_STATUS_SOUND_DEVICE_IN_USE);
        });

        BringToFront(frame);
        rig.Command("unplug QV000001");
        rig.Command("unplug QV000002");
        rig.Command("notify 3030");
        PumpUntil([&] { return !link.IsRunning(); }, 5000);
        Save(frame, L"no-device");
        result = link.IsRunning() ? 1 : 0;
        frame.DestroyWindow();
    }
    module.RemoveMessageLoop();
    return result != 0 ? result : (g_failures != 0 ? 2 : 0);
}
