// cpl_screens: pictures of the control panel for people to look at (scripts/screens.sh).
// Runs the main window against the simulator and the device server in this process and
// writes build/screens/NAME-DPI.png of every page, the mixers, the About box and the
// no-device panel. Not a test: it checks nothing.
#include <windows.h>
#include <cstdio>
#include <string>
#include "AboutDlg.h"
#include "CAppModule.h"
#include "DpiScale.h"
#include "DriverRig.h"
#include "MainFrame.h"
#include "ScreenShot.h"
#include "UiPump.h"

namespace {

std::wstring g_suffix;

void Save(HWND window, const std::wstring& name)
{
    // Time for the window to reach the screen (Wine's desktop draws it a little later).
    PumpUntil([] { return false; }, 400);
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::wstring path = SaveWindowPng(window, (name + g_suffix).c_str());
    std::wprintf(L"%ls\n", path.empty() ? (L"failed: " + name).c_str() : path.c_str());
}

// Every node of the tree in order, each page shown and saved.
void SaveEveryPage(MainFrame& frame)
{
    CTreeViewCtrl& tree = frame.PageTree().Tree();
    int index = 0;
    for (HTREEITEM item = tree.GetRootItem(); item != nullptr;) {
        tree.SelectItem(item);
        std::wstring name = tree.GetItemText(item);
        for (wchar_t& c : name)
            c = c == L' ' ? L'-' : static_cast<wchar_t>(towlower(c));
        Save(frame, L"page-" + std::to_wstring(index++) + L"-" + name);
        HTREEITEM next = tree.GetChildItem(item);
        if (next == nullptr)
            next = tree.GetNextSiblingItem(item);
        if (next == nullptr && tree.GetNextItem(item, TVGN_PARENT) != nullptr)
            next = tree.GetNextSiblingItem(tree.GetNextItem(item, TVGN_PARENT));
        item = next;
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
    rig.Command("plug QV000002 echo");
    CplDriverLink link;
    int result = 0;
    {
        MainFrame frame(link, L"-notray", L"CplScreens");
        RECT rect = {20, 20, 20 + ScaleToDpi(kFrameWidth), 20 + ScaleToDpi(kFrameHeight)};
        if (frame.CreateEx(nullptr, &rect) == nullptr)
            return 1;
        frame.ShowWindow(SW_SHOW);
        rig.Command("notify 3030");
        PumpUntil([&] { return frame.PageTree().Tree().GetCount() > 7; }, 5000);
        SaveEveryPage(frame);

        // Both mixers of the first device, opened as its page's buttons open them.
        for (const auto& mixer : frame.Mixers()) {
            mixer->ShowMixer();
            Save(*mixer, mixer->IsHardwareInputs() ? L"mixer-hardware-inputs" : L"mixer-software-outputs");
            mixer->ShowWindow(SW_HIDE);
            if (!mixer->IsHardwareInputs())
                break;
        }

        // The About box as "&About" shows it, here modeless so that it can be waited for.
        CAboutDlg about;
        if (about.Create(frame) != nullptr) {
            about.CenterWindow(frame);
            about.ShowWindow(SW_SHOW);
            about.UpdateWindow();
            ::RedrawWindow(about, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
            PumpUntil([] { return false; }, 1500);
            Save(about, L"about");
            about.DestroyWindow();
        }

        rig.Command("unplug QV000001");
        rig.Command("unplug QV000002");
        rig.Command("notify 3030");
        PumpUntil([&] { return !link.IsRunning(); }, 5000);
        Save(frame, L"no-device");
        result = link.IsRunning() ? 1 : 0;
        frame.DestroyWindow();
    }
    module.RemoveMessageLoop();
    return result;
}
