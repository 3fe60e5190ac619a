// Times GetVersion round trips through the simulator's pipe against bare round trips of
// frames of the same sizes over a plain named pipe, and prints both medians and their ratio.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <vector>
#include "WnThread.h"
#include "ZephraApiContext.h"
#include "ZephraSim.h"

namespace {

const int kRounds = 5000;
const wchar_t* const kSimName = L"ZephraBenchSim";
const wchar_t* const kBarePipe = L"\\\\.\\pipe\\ZephraBenchBare";

double Microseconds(LONGLONG ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return ticks * 1e6 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<LONGLONG> samples)
{
    std::sort(samples.begin(), samples.end());
    return Microseconds(samples[samples.size() / 2]);
}

// Answers each 12-byte frame with a 32-byte one, as plainly as a pipe server can.
struct BareServer : WnThreadCallbackInterface
{
    HANDLE pipe = INVALID_HANDLE_VALUE;
    DWORD Run() override
    {
        ConnectNamedPipe(pipe, nullptr);
        unsigned char in[12], out[32] = {};
        DWORD bytes = 0;
        while (ReadFile(pipe, in, sizeof(in), &bytes, nullptr) && bytes == sizeof(in)) {
            if (!WriteFile(pipe, out, sizeof(out), &bytes, nullptr))
                break;
        }
        return 0;
    }
};

std::vector<LONGLONG> TimeBare()
{
    BareServer server;
    server.pipe = CreateNamedPipeW(kBarePipe, PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                   1, 65536, 65536, 0, nullptr);
    WnThread thread;
    thread.Start(&server);
    HANDLE client = CreateFileW(kBarePipe, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    DWORD mode = PIPE_READMODE_MESSAGE;
    SetNamedPipeHandleState(client, &mode, nullptr, nullptr);
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<LONGLONG> samples;
    unsigned char frame[12] = {}, reply[32];
    for (int i = 0; i < kRounds; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        OVERLAPPED ov = {};
        ov.hEvent = event;
        DWORD bytes = 0;
        if (!WriteFile(client, frame, sizeof(frame), &bytes, &ov))
            GetOverlappedResult(client, &ov, &bytes, TRUE);
        ov = OVERLAPPED();
        ov.hEvent = event;
        if (!ReadFile(client, reply, sizeof(reply), &bytes, &ov))
            GetOverlappedResult(client, &ov, &bytes, TRUE);
        QueryPerformanceCounter(&end);
        samples.push_back(end.QuadPart - start.QuadPart);
    }
    CloseHandle(client);
    CloseHandle(event);
    thread.Wait(INFINITE);
    CloseHandle(server.pipe);
    return samples;
}

std::vector<LONGLONG> TimeSimulator()
{
    ZephraSim sim;
    sim.Start(kSimName, false);
    ZephraApiContext context;
    std::vector<LONGLONG> samples;
    if (context.Open(kSimName) != 0) {
        fprintf(stderr, "bench: cannot open the simulator\n");
        return samples;
    }
    for (int i = 0; i < kRounds; ++i) {
        ZephraVersionInfo info = {};
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        context.GetVersion(&info);
        QueryPerformanceCounter(&end);
        samples.push_back(end.QuadPart - start.QuadPart);
    }
    return samples;
}

} // namespace

int main()
{
    // Alternate the two so that neither gets a warmer machine.
    std::vector<LONGLONG> bare, simulated;
    for (int pass = 0; pass < 3; ++pass) {
        std::vector<LONGLONG> b = TimeBare();
        std::vector<LONGLONG> s = TimeSimulator();
        if (s.empty())
            return 1;
        bare.insert(bare.end(), b.begin(), b.end());
        simulated.insert(simulated.end(), s.begin(), s.end());
    }
    double bareMedian = Median(bare), simMedian = Median(simulated);
    printf("bare pipe round trip:       median %.1f us (%zu rounds)\n", bareMedian, bare.size());
    printf("GetVersion via simulator:   median %.1f us (%zu rounds)\n", simMedian, simulated.size());
    printf("ratio: %.2f\n", simMedian / bareMedian);
    return 0;
}
