#include "ServiceTestSupport.h"
#include <vector>

std::wstring BinPath(const std::wstring& program)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + program;
}

ChildProcess::~ChildProcess()
{
    if (m_process.IsValid() && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT)
        TerminateProcess(m_process.Get(), 1);
    if (!m_outputPath.empty())
        DeleteFileW(m_outputPath.c_str());
}

bool ChildProcess::Start(const std::wstring& program, const std::wstring& arguments, DWORD flags)
{
    wchar_t dir[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, L"qvt", 0, file);
    m_outputPath = file;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    WnHandle output(CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (output.Get() == INVALID_HANDLE_VALUE) {
        output.Detach();
        return false;
    }
    std::wstring command = L"\"" + BinPath(program) + L"\"";
    if (!arguments.empty())
        command += L" " + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = output.Get();
    si.hStdError = output.Get();
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, flags, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    m_process.Attach(pi.hProcess);
    m_id = pi.dwProcessId;
    return true;
}

bool ChildProcess::Wait(DWORD timeoutMs)
{
    if (WaitForSingleObject(m_process.Get(), timeoutMs) == WAIT_OBJECT_0)
        return true;
    TerminateProcess(m_process.Get(), 1);
    WaitForSingleObject(m_process.Get(), 5000);
    return false;
}

DWORD ChildProcess::ExitCode() const
{
    DWORD code = 0;
    GetExitCodeProcess(m_process.Get(), &code);
    return code;
}

std::string ChildProcess::Output() const
{
    std::string text;
    HANDLE file = CreateFileW(m_outputPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    std::vector<char> chunk(4096);
    DWORD bytes = 0;
    while (ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &bytes, nullptr) && bytes != 0)
        text.append(chunk.data(), bytes);
    CloseHandle(file);
    return text;
}

DeviceKeysCleanup::~DeviceKeysCleanup()
{
    const std::wstring product = L"Software\\BRIGHTMOOR\\quorvela";
    for (const wchar_t* serial : m_serials)
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, (product + L"\\Devices\\" + serial).c_str());
    // Each fails while something else is left below it.
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, (product + L"\\Devices").c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, product.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\BRIGHTMOOR");
}

ChildResult RunChild(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs)
{
    ChildResult result;
    ChildProcess child;
    if (!child.Start(program, arguments))
        return result;
    result.finished = child.Wait(timeoutMs);
    result.exitCode = child.ExitCode();
    result.output = child.Output();
    return result;
}
