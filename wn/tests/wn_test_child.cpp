// Holds a named mutex for the cross-process test: wn_test_child MUTEX READY RELEASE.
#include <windows.h>
#include <shellapi.h>

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc != 4)
        return 2;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, argv[1]);
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
    if (!mutex || !ready || !release)
        return 1;
    SetEvent(ready);
    WaitForSingleObject(release, 30000);
    CloseHandle(mutex);
    return 0;
}
