#include "SimControlClient.h"
#include <windows.h>
#include <cstring>
#include <vector>

int SimSendCommand(const wchar_t* name, const std::string& line, std::string* reply)
{
    reply->clear();
    std::wstring path = std::wstring(L"\\\\.\\pipe\\") + name + L".control";
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 20; ++attempt) {
        pipe = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (pipe != INVALID_HANDLE_VALUE || GetLastError() != ERROR_PIPE_BUSY)
            break;
        WaitNamedPipeW(path.c_str(), 100);
    }
    if (pipe == INVALID_HANDLE_VALUE)
        return 1;
    DWORD mode = PIPE_READMODE_MESSAGE;
    DWORD bytes = 0;
    int result = 1;
    if (SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr) &&
        WriteFile(pipe, line.data(), static_cast<DWORD>(line.size()), &bytes, nullptr)) {
        std::vector<char> message;
        std::vector<char> chunk(65536);
        for (;;) {
            BOOL ok = ReadFile(pipe, chunk.data(), static_cast<DWORD>(chunk.size()), &bytes, nullptr);
            if (!ok && GetLastError() != ERROR_MORE_DATA)
                break;
            message.insert(message.end(), chunk.begin(), chunk.begin() + bytes);
            if (ok) {
                if (message.size() >= 4) {
                    uint32_t code;
                    memcpy(&code, message.data(), 4);
                    reply->assign(message.begin() + 4, message.end());
                    result = code == 0 ? 0 : 2;
                }
                break;
            }
        }
    }
    CloseHandle(pipe);
    return result;
}
