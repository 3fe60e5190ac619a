#include "ControlPanel.h"
#include "CAppModule.h"
#include "CMessageLoop.h"
#include "CommandLine.h"
#include "DpiScale.h"
#include "MainFrame.h"
#include "WnMutex.h"

namespace {

const int kExitBudgetMs = 10000;
const int kExitPauseMs = 200;

// "-exit": closes every running control panel; 0 when none is left, 1 when the budget ran out.
int CloseRunningPanels()
{
    int budget = kExitBudgetMs;
    for (HWND running = ::FindWindowW(CPL_MAIN_WINDOW_CLASS, nullptr); running != nullptr;
         running = ::FindWindowW(CPL_MAIN_WINDOW_CLASS, nullptr)) {
        ::SendMessageW(running, WM_CLOSE, 0, 0); // returns when that instance has handled it
        ::Sleep(kExitPauseMs);
        budget -= kExitPauseMs;
        if (budget <= 0)
            return 1;
    }
    return 0;
}

// A second start brings the running window (or its last popup) forward.
void ShowRunningPanel()
{
    HWND running = ::FindWindowW(CPL_MAIN_WINDOW_CLASS, nullptr);
    if (running == nullptr)
        return;
    HWND popup = ::GetLastActivePopup(running);
    if (::IsIconic(running))
        ::ShowWindow(running, SW_RESTORE);
    ::ShowWindow(popup, SW_SHOW);
    ::SetForegroundWindow(popup);
}

// Centred on the desktop: 550 x 420 pixels at 96 DPI, in proportion above.
RECT InitialRect()
{
    const int width = ScaleToDpi(kFrameWidth);
    const int height = ScaleToDpi(kFrameHeight);
    RECT desktop;
    RECT rect = {100, 100, 100 + width, 100 + height};
    if (::GetWindowRect(::GetDesktopWindow(), &desktop)) {
        rect.left = (desktop.right - desktop.left) / 2 - width / 2;
        rect.top = (desktop.bottom - desktop.top) / 2 - height / 2;
        rect.right = rect.left + width;
        rect.bottom = rect.top + height;
    }
    return rect;
}

} // namespace

int RunControlPanel(const wchar_t* commandLine, const wchar_t* deviceName)
{
    if (HasCommandLineOption(commandLine, L"-exit", nullptr, true))
        return CloseRunningPanels();

    // Held until the process ends.
    static WnMutex instanceMutex;
    DWORD error = instanceMutex.Create(nullptr, TRUE, CPL_MAIN_WINDOW_CLASS);
    if (!instanceMutex.IsValid() || error == ERROR_ALREADY_EXISTS) {
        ShowRunningPanel();
        return 1;
    }

    CAppModule* module = CAppModule::Current();
    if (module == nullptr)
        return 1;
    CMessageLoop loop;
    module->AddMessageLoop(&loop);
    int result = 1;
    {
        CplDriverLink link;
        MainFrame frame(link, commandLine, deviceName);
        RECT rect = InitialRect();
        if (frame.CreateEx(nullptr, &rect) != nullptr) {
            frame.ShowWindow(HasCommandLineOption(commandLine, L"-hide", nullptr, true) ? SW_HIDE : SW_SHOW);
            result = loop.Run();
        }
    }
    module->RemoveMessageLoop();
    return result;
}
