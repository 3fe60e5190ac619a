// Runs the device server against a seeded hostile driver (corrupted answers, malformed
// records, random notifications and device changes) while a client keeps asking it for
// sample rate changes, and prints what happened. Exit code 0 when every request was
// answered and the server stopped when told; 1 otherwise.
//
//     bench_hostile [SEED [CORRUPTED [PERCENT]]]
//
// runs until the driver has corrupted at least CORRUPTED answers (default 10000), with
// PERCENT of the server's requests corrupted (default 30).
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "CustomServer.h"
#include "SimHostile.h"
#include "WnEvent.h"
#include "WnThread.h"
#include "ZephraClient.h"

namespace {

const wchar_t* const kName = L"ZephraHostileBench";
const DWORD kRequestTimeoutMs = 5000;
const DWORD kStopBudgetMs = 10000;
const uint32_t kTickEvery = 4; // rounds per random event
const char* const kBaseSerial = "HB0";

struct ServerRun : WnThreadCallbackInterface
{
    CustomServer* server = nullptr;
    HANDLE stop = nullptr;
    HANDLE arrival = nullptr;
    ZephraStatus result = ZEPHRA_STATUS_PENDING;
    DWORD Run() override
    {
        result = server->Run(stop, arrival);
        return 0;
    }
};

// The device keys the service wrote for the bench's devices, and their parents when empty.
void RemoveDeviceKeys(const wchar_t* productKey)
{
    std::wstring devices = std::wstring(productKey) + L"\\Devices";
    for (const wchar_t* serial : {L"HB0", L"HX0", L"HX1", L"HX2"})
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (devices + L"\\" + serial).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, devices.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, productKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\BRIGHTMOOR");
}

uint32_t Argument(int argc, char** argv, int index, uint32_t fallback)
{
    return argc > index ? static_cast<uint32_t>(strtoul(argv[index], nullptr, 10)) : fallback;
}

} // namespace

int main(int argc, char** argv)
{
    const uint32_t seed = Argument(argc, argv, 1, 1);
    const uint32_t target = Argument(argc, argv, 2, 10000);
    const uint32_t percent = Argument(argc, argv, 3, 30);

    ZephraSim sim;
    if (sim.Start(kName, false) != 0 || !sim.Execute(std::string("plug ") + kBaseSerial + " echo").done) {
        printf("the simulator did not start\n");
        return 1;
    }
    SimHostile hostile(&sim, seed, ZEPHRA_CLIENT_SERVER, percent);
    hostile.Attach();

    CustomServer server(kName);
    WnEvent stop, arrival;
    stop.Create(false);
    arrival.Create(false);
    ServerRun run;
    run.server = &server;
    run.stop = stop.Get();
    run.arrival = arrival.Get();
    WnThread thread;
    thread.Start(&run);

    ZephraClient client;
    ZephraStatus opened = ZEPHRA_STATUS_NO_SERVER;
    for (int i = 0; i < 100 && opened != 0; ++i) {
        opened = client.OpenAsClient(kName);
        if (opened != 0)
            Sleep(10);
    }
    const uint32_t rates[2] = {44100, 48000};
    uint32_t rounds = 0, answered = 0, unanswered = 0, noServer = 0, lostAtClose = 0;
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    // A server that no longer asks the driver anything would keep the count still: the
    // rounds are bounded too.
    const uint32_t maxRounds = target * 2 + 100;
    while (opened == 0 && hostile.Counts().Corrupted() < target && rounds < maxRounds) {
        if (rounds % kTickEvery == 0 && hostile.Tick())
            arrival.Set(); // what Plug and Play would tell the service
        uint32_t closes = server.GetCloseCount();
        ZephraStatus status = client.RequestSetSampleRate(rates[rounds % 2], kRequestTimeoutMs);
        if (status == ZEPHRA_STATUS_TIMEOUT && server.GetCloseCount() != closes) {
            ++lostAtClose; // queued as the server closed: only the driver can fail it
        } else if (status == ZEPHRA_STATUS_TIMEOUT) {
            ++unanswered;
            fprintf(stderr, "round %u: no answer\n", rounds);
        } else if (status == ZEPHRA_STATUS_NO_SERVER) {
            ++noServer; // the server closed on an empty device list; the next arrival reopens it
            arrival.Set();
        } else {
            ++answered;
        }
        ++rounds;
    }
    QueryPerformanceCounter(&end);
    hostile.Detach();

    stop.Set();
    bool stopped = thread.Wait(kStopBudgetMs) == 0;
    client.CloseDriver();
    RemoveDeviceKeys(server.GetRegistryKey());

    SimHostileCounts counts = hostile.Counts();
    double seconds = static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart);
    printf("seed %u, %u%% of the server's requests corrupted, %.1f s\n", seed, percent, seconds);
    printf("requests: %u sent, %u answered, %u refused for want of a server, %u lost as the server closed on an "
           "empty list, %u unanswered\n",
           rounds, answered, noServer, lostAtClose, unanswered);
    printf("driver answers: %u served, %u corrupted (%u failed, %u short, %u random, %u overlong, %u mismatched, "
           "%u endless)\n",
           counts.passed, counts.Corrupted(), counts.failed, counts.cut, counts.garbage, counts.oversized,
           counts.mismatched, counts.endless);
    printf("random notifications %u, device changes %u\n", counts.notifications, counts.deviceChanges);
    printf("server stopped when told: %s (status 0x%08X)\n", stopped ? "yes" : "no", stopped ? run.result : 0u);
    fflush(stdout);
    return opened == 0 && unanswered == 0 && stopped && run.result == 0 ? 0 : 1;
}
