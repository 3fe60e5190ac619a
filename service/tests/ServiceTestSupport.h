#pragma once
#include <windows.h>
#include <string>
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

ChildResult RunChild(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs);
