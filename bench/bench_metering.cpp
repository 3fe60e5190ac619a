// CPU time of an open studio mixer window against the simulator (in this process), with
// moving and with held meters, against two references that send the same two level
// requests every 20 ms and show nothing: the bare loop (a waitable timer, no window) and the
// floor (a window whose WM_TIMER sends them, which is what any window costs under its
// message loop). Each figure is CPU milliseconds per second, of the GUI thread and of the
// whole process (the simulator's threads included); medians of several runs. The last two
// lines are the ratios of the GUI thread's medians against the floor.
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>
#include "CAppModule.h"
#include "FormMixer.h"
#include "ZephraClient.h"
#include "ZephraSim.h"

namespace {

const wchar_t* const kSimName = L"ZephraBenchMetering";
const wchar_t* const kFloorClass = L"QuorvelaBenchMeteringFloor";
const DWORD kRunMs = 10000;
const int kRuns = 3;
const UINT kPeriodMs = 20;

double Ms(const FILETIME& kernel, const FILETIME& user)
{
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return static_cast<double>(k.QuadPart + u.QuadPart) / 10000.0;
}

struct Cpu
{
    double thread = 0;
    double process = 0;
};

Cpu CpuNow()
{
    FILETIME created, exited, kernel, user;
    Cpu now;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    now.thread = Ms(kernel, user);
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    now.process = Ms(kernel, user);
    return now;
}

// CPU ms per second of this thread and of the process while run() runs for kRunMs.
Cpu Measure(const std::function<void()>& run)
{
    Cpu before = CpuNow();
    run();
    Cpu after = CpuNow();
    return {(after.thread - before.thread) * 1000.0 / kRunMs, (after.process - before.process) * 1000.0 / kRunMs};
}

// Dispatches messages for ms milliseconds.
void RunMessages(DWORD ms)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        DWORD elapsed = GetTickCount() - start;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, elapsed < ms ? ms - elapsed : 0, QS_ALLINPUT);
        MSG msg;
        // Bounded too: a window that cannot keep up with its timer never empties the queue.
        while (GetTickCount() - start < ms && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

// The two level requests of the studio mixer: all destination and all hardware input pins.
class LevelRequests
{
public:
    explicit LevelRequests(ZephraDevice& device) : m_device(device)
    {
        ZephraMixerPin destinations[ZEPHRA_MIXER_MAX_DESTINATIONS];
        ZephraMixerPin sources[ZEPHRA_MIXER_MAX_SOURCES];
        if (device.GetMixerPins(ZEPHRA_PIN_CLASS_OUTPUTS, destinations, ZEPHRA_MIXER_MAX_DESTINATIONS, &m_destinationCount) != 0 ||
            m_destinationCount > ZEPHRA_MIXER_MAX_DESTINATIONS)
            m_destinationCount = 0;
        if (device.GetMixerPins(ZEPHRA_PIN_CLASS_HARDWARE_INPUTS, sources, ZEPHRA_MIXER_MAX_SOURCES, &m_sourceCount) != 0 ||
            m_sourceCount > ZEPHRA_MIXER_MAX_SOURCES)
            m_sourceCount = 0;
        for (uint32_t i = 0; i < m_destinationCount; ++i)
            m_destinationLevels[i].pin = destinations[i];
        for (uint32_t i = 0; i < m_sourceCount; ++i)
            m_sourceLevels[i].pin = sources[i];
    }
    void Send()
    {
        m_device.GetMixerOutputLevels(m_destinationLevels, m_destinationCount);
        m_device.GetMixerInputLevels(m_sourceLevels, m_sourceCount);
    }

private:
    ZephraDevice& m_device;
    ZephraMixerLevel m_destinationLevels[ZEPHRA_MIXER_MAX_DESTINATIONS] = {};
    ZephraMixerLevel m_sourceLevels[ZEPHRA_MIXER_MAX_SOURCES] = {};
    uint32_t m_destinationCount = 0;
    uint32_t m_sourceCount = 0;
};

Cpu BareRun(ZephraDevice& device)
{
    LevelRequests requests(device);
    HANDLE timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(kPeriodMs) * 10000;
    SetWaitableTimer(timer, &due, kPeriodMs, nullptr, nullptr, FALSE);
    Cpu used = Measure([&] {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < kRunMs) {
            WaitForSingleObject(timer, INFINITE);
            requests.Send();
        }
    });
    CloseHandle(timer);
    return used;
}

LRESULT CALLBACK FloorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER) {
        reinterpret_cast<LevelRequests*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))->Send();
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

Cpu FloorRun(ZephraDevice& device)
{
    LevelRequests requests(device);
    HWND window = CreateWindowExW(0, kFloorClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&requests));
    SetTimer(window, 1, kPeriodMs, nullptr);
    Cpu used = Measure([] { RunMessages(kRunMs); });
    DestroyWindow(window);
    return used;
}

Cpu MixerRun(ZephraCplClient& client, ZephraDeviceId key, uint32_t* strips)
{
    FormMixer mixer(client, key, true);
    mixer.Create(nullptr);
    mixer.ShowMixer();
    *strips = static_cast<uint32_t>(mixer.SourceStrips().size() + mixer.DestinationStrips().size());
    RunMessages(500); // past the first paint
    Cpu used = Measure([] { RunMessages(kRunMs); });
    mixer.DestroyWindow();
    return used;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Series
{
    explicit Series(const char* label) : name(label) {}
    const char* name;
    std::vector<double> thread, process;
    void Add(const Cpu& cpu)
    {
        thread.push_back(cpu.thread);
        process.push_back(cpu.process);
    }
};

double Ratio(const Series& a, const Series& b)
{
    double floor = Median(b.thread);
    return floor > 0 ? Median(a.thread) / floor : 0.0;
}

} // namespace

int main()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    CAppModule module;
    module.Init(GetModuleHandleW(nullptr));
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kFloorClass;
    RegisterClassExW(&wc);
    ZephraSim sim;
    if (sim.Start(kSimName, false) != 0) {
        printf("simulator did not start\n");
        return 1;
    }
    sim.Execute("plug QV000001 model studio");
    ZephraCplClient client;
    bool changed = false;
    if (client.OpenAsClient(kSimName) != 0 || client.RefreshDevices(&changed) != 0 || client.GetDeviceCount() == 0) {
        printf("no device\n");
        return 1;
    }
    ZephraDevice* device = client.GetDeviceAt(0);
    ZephraDeviceId key = {device->GetIdFirst(), device->GetIdSecond()};

    Series bare("bare loop (waitable timer, no window)"), floor("floor (window, WM_TIMER, nothing shown)");
    Series held("mixer, meters held"), moving("mixer, meters moving");
    uint32_t strips = 0;
    for (int run = 0; run < kRuns; ++run) {
        bare.Add(BareRun(*device));
        floor.Add(FloorRun(*device));
        sim.Execute("levels QV000001 -20");
        held.Add(MixerRun(client, key, &strips));
        sim.Execute("levels QV000001 moving");
        moving.Add(MixerRun(client, key, &strips));
        printf("run %d (GUI thread / process, ms/s): bare %.1f / %.1f, floor %.1f / %.1f, held %.1f / %.1f, "
               "moving %.1f / %.1f\n",
               run + 1, bare.thread.back(), bare.process.back(), floor.thread.back(), floor.process.back(),
               held.thread.back(), held.process.back(), moving.thread.back(), moving.process.back());
    }
    printf("studio mixer: %u strips; medians of %d runs of %lu ms, CPU ms per second:\n", strips, kRuns,
           static_cast<unsigned long>(kRunMs));
    printf("%-42s %10s %10s\n", "", "GUI thread", "process");
    for (const Series* series : {&bare, &floor, &held, &moving})
        printf("%-42s %10.1f %10.1f\n", series->name, Median(series->thread), Median(series->process));
    printf("floor/bare ratio: %.2f\n", Ratio(floor, bare));
    printf("held/floor ratio: %.2f\n", Ratio(held, floor));
    printf("moving/floor ratio: %.2f\n", Ratio(moving, floor));
    client.CloseDriver();
    sim.Stop();
    module.Term();
    return 0;
}
