// Times whole starts of quorvelacpl (with a device in the simulator, so the sample rate page
// is the first page painted) against starts of the smallest Win32 window program: from
// CreateProcess to the end of the first paint, when the new process first waits for input
// (WaitForInputIdle). Prints the medians of 20 starts each and their ratio.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include "MainFrame.h"
#include "ZephraSim.h"

namespace {

const int kRounds = 20;
const DWORD kLimitMs = 30000;

double Milliseconds(LONGLONG ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return ticks * 1e3 / static_cast<double>(frequency.QuadPart);
}

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

// Starts program, waits until it first waits for input, closes its window with WM_CLOSE
// and waits for its end. The time to input idle, or -1.
LONGLONG TimeStart(const std::wstring& program, const wchar_t* windowClass)
{
    std::wstring commandLine = L"\"" + BinFolder() + program + L"\" -notray";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER start, idle;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    DWORD waited = WaitForInputIdle(process.hProcess, kLimitMs);
    QueryPerformanceCounter(&idle);
    HWND window = FindWindowW(windowClass, nullptr);
    if (window != nullptr)
        PostMessageW(window, WM_CLOSE, 0, 0);
    bool ended = WaitForSingleObject(process.hProcess, kLimitMs) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return waited == 0 && window != nullptr && ended ? idle.QuadPart - start.QuadPart : -1;
}

double Median(std::vector<LONGLONG> samples)
{
    std::sort(samples.begin(), samples.end());
    return Milliseconds(samples[samples.size() / 2]);
}

} // namespace

int main()
{
    if (FindWindowW(CPL_MAIN_WINDOW_CLASS, nullptr) != nullptr) {
        fprintf(stderr, "bench: a control panel runs already\n");
        return 1;
    }
    ZephraSim sim;
    if (sim.Start() != 0 || !sim.Execute("plug QV000001").done) {
        fprintf(stderr, "bench: cannot start the simulator (does another one run?)\n");
        return 1;
    }
    std::vector<LONGLONG> panel, bare;
    for (int i = 0; i < kRounds; ++i) {
        LONGLONG bareTime = TimeStart(L"bench_bare_window.exe", L"QuorvelaBenchBareWindow");
        LONGLONG panelTime = TimeStart(L"quorvelacpl.exe", CPL_MAIN_WINDOW_CLASS);
        if (bareTime < 0 || panelTime < 0) {
            fprintf(stderr, "bench: a start failed (round %d)\n", i);
            return 1;
        }
        bare.push_back(bareTime);
        panel.push_back(panelTime);
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, CPL_SETTINGS_KEY);
    double panelMedian = Median(panel);
    double bareMedian = Median(bare);
    printf("bare window program: start to first paint, median %.1f ms (%d starts)\n", bareMedian, kRounds);
    printf("quorvelacpl:         start to first paint, median %.1f ms (%d starts)\n", panelMedian, kRounds);
    printf("ratio: %.2f\n", panelMedian / bareMedian);
    return 0;
}
