// Times the way of a sample rate change that an ASIO host makes (notification 3001) from
// the simulator to the main window's status bar, and prints the median of 200 changes.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include "CAppModule.h"
#include "MainFrame.h"
#include "ZephraSim.h"

namespace {

const int kRounds = 200;
const DWORD kLimitMs = 5000;
const wchar_t* const kSimName = L"ZephraBenchNotify";

double Milliseconds(LONGLONG ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return ticks * 1e3 / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Dispatches messages until the rate pane shows text; false after kLimitMs.
bool PumpUntilRateShown(MainFrame& frame, const std::wstring& text)
{
    ULONGLONG end = GetTickCount64() + kLimitMs;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (frame.StatusBar().GetPaneText(2) == text)
            return true;
        if (GetTickCount64() >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

} // namespace

int main()
{
    CAppModule module;
    module.Init(GetModuleHandleW(nullptr));
    ZephraSim sim;
    if (sim.Start(kSimName, false) != 0 || !sim.Execute("plug QV000001").done) {
        fprintf(stderr, "bench: cannot start the simulator\n");
        return 1;
    }
    std::vector<LONGLONG> samples;
    {
        CplDriverLink link;
        MainFrame frame(link, L"-notray", kSimName);
        RECT rect = {0, 0, 550, 420};
        if (frame.CreateEx(nullptr, &rect) == nullptr || !link.IsRunning()) {
            fprintf(stderr, "bench: the main window did not connect\n");
            return 1;
        }
        frame.ShowWindow(SW_SHOW);
        const uint32_t rates[2] = {44100, 96000};
        for (int i = 0; i < kRounds; ++i) {
            uint32_t rate = rates[i % 2];
            std::wstring text = SamplingRateText(rate);
            LONGLONG start = Now();
            if (!sim.Execute("host rate " + std::to_string(rate)).done || !PumpUntilRateShown(frame, text)) {
                fprintf(stderr, "bench: the rate %u did not reach the status bar\n", rate);
                return 1;
            }
            samples.push_back(Now() - start);
        }
        frame.DestroyWindow();
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, CPL_SETTINGS_KEY);
    std::sort(samples.begin(), samples.end());
    printf("host rate change to status bar: median %.2f ms, fastest %.2f ms, slowest %.2f ms (%zu changes)\n",
           Milliseconds(samples[samples.size() / 2]), Milliseconds(samples.front()), Milliseconds(samples.back()),
           samples.size());
    return 0;
}
