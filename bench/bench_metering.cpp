// CPU time of an open mixer window against the simulator, compared with a bare loop that
// sends the same two level requests every 20 ms on one connection. Both run on this
// process's main thread; the simulator's threads are not counted. Prints the medians of
// the CPU milliseconds per second of several runs and their ratio.
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <vector>
#include "CAppModule.h"
#include "FormMixer.h"
#include "ZephraClient.h"
#include "ZephraSim.h"

namespace {

const wchar_t* const kSimName = L"ZephraBenchMetering";
const DWORD kRunMs = 10000;
const int kRuns = 3;

double ThreadCpuMs()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return static_cast<double>(k.QuadPart + u.QuadPart) / 10000.0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
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

// CPU ms per second of the mixer window of the device, open for kRunMs.
double MixerRun(ZephraCplClient& client, ZephraDeviceId key, uint32_t* strips)
{
    FormMixer mixer(client, key, true);
    mixer.Create(nullptr);
    mixer.ShowMixer();
    *strips = static_cast<uint32_t>(mixer.SourceStrips().size() + mixer.DestinationStrips().size());
    RunMessages(500); // past the first paint
    double before = ThreadCpuMs();
    RunMessages(kRunMs);
    double used = ThreadCpuMs() - before;
    mixer.DestroyWindow();
    return used * 1000.0 / kRunMs;
}

// The same two level requests every 20 ms, nothing shown.
double BareRun(ZephraDevice& device)
{
    ZephraMixerPin destinations[ZEPHRA_MIXER_MAX_DESTINATIONS];
    ZephraMixerPin sources[ZEPHRA_MIXER_MAX_SOURCES];
    uint32_t destinationCount = 0, sourceCount = 0;
    device.GetMixerPins(ZEPHRA_PIN_CLASS_OUTPUTS, destinations, ZEPHRA_MIXER_MAX_DESTINATIONS, &destinationCount);
    device.GetMixerPins(ZEPHRA_PIN_CLASS_HARDWARE_INPUTS, sources, ZEPHRA_MIXER_MAX_SOURCES, &sourceCount);
    ZephraMixerLevel destinationLevels[ZEPHRA_MIXER_MAX_DESTINATIONS] = {};
    ZephraMixerLevel sourceLevels[ZEPHRA_MIXER_MAX_SOURCES] = {};
    for (uint32_t i = 0; i < destinationCount; ++i)
        destinationLevels[i].pin = destinations[i];
    for (uint32_t i = 0; i < sourceCount; ++i)
        sourceLevels[i].pin = sources[i];
    HANDLE timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    LARGE_INTEGER due;
    due.QuadPart = -20 * 10000LL;
    SetWaitableTimer(timer, &due, 20, nullptr, nullptr, FALSE);
    double before = ThreadCpuMs();
    DWORD start = GetTickCount();
    while (GetTickCount() - start < kRunMs) {
        WaitForSingleObject(timer, INFINITE);
        device.GetMixerOutputLevels(destinationLevels, destinationCount);
        device.GetMixerInputLevels(sourceLevels, sourceCount);
    }
    double used = ThreadCpuMs() - before;
    CloseHandle(timer);
    return used * 1000.0 / kRunMs;
}

} // namespace

int main()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    CAppModule module;
    module.Init(GetModuleHandleW(nullptr));
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

    // Moving meters, as in use; and held meters, which show what the requests and the timer
    // cost without any meter to repaint.
    std::vector<double> mixer, still, bare;
    uint32_t strips = 0;
    for (int run = 0; run < kRuns; ++run) {
        sim.Execute("levels QV000001 moving");
        mixer.push_back(MixerRun(client, key, &strips));
        sim.Execute("levels QV000001 -20");
        still.push_back(MixerRun(client, key, &strips));
        bare.push_back(BareRun(*device));
        printf("run %d: mixer %.1f ms/s, mixer with held meters %.1f ms/s, bare loop %.1f ms/s\n", run + 1,
               mixer.back(), still.back(), bare.back());
    }
    double mixerMedian = Median(mixer), bareMedian = Median(bare);
    printf("mixer window (%u strips), CPU per second: median %.1f ms\n", strips, mixerMedian);
    printf("the same with held meters:                median %.1f ms\n", Median(still));
    printf("bare level loop, CPU per second:          median %.1f ms\n", bareMedian);
    printf("ratio: %.2f (target: at most 1.2)\n", bareMedian > 0 ? mixerMedian / bareMedian : 0.0);
    client.CloseDriver();
    sim.Stop();
    module.Term();
    return 0;
}
