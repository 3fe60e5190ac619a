// quorvelacpl: the control panel of the Quorvela.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <string>
#include "CAppModule.h"
#include "ControlPanel.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int)
{
    // Read again by the main window during its creation ("-notray").
    const std::wstring savedCommandLine = commandLine != nullptr ? commandLine : L"";
    ::CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&controls);
    CAppModule module;
    module.Init(instance);
    int result = RunControlPanel(savedCommandLine.c_str());
    module.Term();
    ::CoUninitialize();
    return result;
}
