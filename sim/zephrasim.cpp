// zephrasim: runs the simulated driver, or sends one command to a running one.
#include <windows.h>
#include <cstdio>
#include <string>
#include "SimControlClient.h"
#include "ZephraSim.h"

namespace {

HANDLE g_interrupt = nullptr;

BOOL WINAPI OnConsoleControl(DWORD)
{
    SetEvent(g_interrupt);
    return TRUE;
}

int Run()
{
    ZephraSim sim;
    DWORD error = sim.Start();
    if (error != 0) {
        fprintf(stderr, "zephrasim: cannot serve the control device (error %lu)\n", static_cast<unsigned long>(error));
        return 1;
    }
    sim.Execute("plug QV000001 echo");
    g_interrupt = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
    printf("zephrasim: serving %ls; Ctrl+C or 'zephrasim quit' ends it\n", ZEPHRA_CONTROL_DEVICE_NAME);
    fflush(stdout);
    HANDLE handles[2] = {g_interrupt, sim.QuitEvent()};
    WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    sim.Stop();
    printf("zephrasim: stopped\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help" ||
        (argc == 2 && std::string(argv[1]) == "help")) {
        printf("usage: zephrasim run                serve until Ctrl+C or 'quit'\n"
               "       zephrasim COMMAND ARGS...    one command to the running simulator:\n%s",
               ZephraSim::HelpText().c_str());
        return argc < 2 ? 2 : 0;
    }
    if (std::string(argv[1]) == "run")
        return Run();

    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    std::string reply;
    int result = SimSendCommand(ZEPHRA_CONTROL_DEVICE_NAME, line, &reply);
    if (result == 1) {
        fprintf(stderr, "zephrasim: no simulator runs\n");
        return 1;
    }
    fputs(reply.c_str(), result == 0 ? stdout : stderr);
    return result;
}
