#pragma once
#include <windows.h>
#include <initializer_list>
#include <string>
#include <vector>
#include "WnHandle.h"

std::wstring BinPath(const std::wstring& program);

// A program of the build's bin folder, its output (standard output and error) in a file.
class ChildProcess
{
public:
    ~ChildProcess();
    bool Start(const std::wstring& program, const std::wstring& arguments, DWORD flags = 0);
    // Waits for the end; false on time-out (the child is then terminated).
    bool Wait(DWORD timeoutMs);
    DWORD ExitCode() const;
    std::string Output() const;
    DWORD Id() const { return m_id; }

private:
    WnHandle m_process;
    DWORD m_id = 0;
    std::wstring m_outputPath;
};

struct ChildResult
{
    bool finished = false;
    DWORD exitCode = 0;
    std::string output;
};

// Removes, when it goes, the device keys the service wrote under HKEY_LOCAL_MACHINE for
// these serial numbers, and the product's keys above them once they are empty.
class DeviceKeysCleanup
{
public:
    explicit DeviceKeysCleanup(std::initializer_list<const wchar_t*> serials) : m_serials(serials) {}
    ~DeviceKeysCleanup();
    DeviceKeysCleanup(const DeviceKeysCleanup&) = delete;
    DeviceKeysCleanup& operator=(const DeviceKeysCleanup&) = delete;

private:
    std::vector<const wchar_t*> m_serials;
};

ChildResult RunChild(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs);
