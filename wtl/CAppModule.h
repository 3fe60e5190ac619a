#pragma once
#include <windows.h>
#include <map>

class CMessageLoop;

// The program's module: its instance handle and the message loop of each GUI thread.
// One is initialised per process; the framework finds it through Current().
class CAppModule
{
public:
    CAppModule();
    ~CAppModule();

    CAppModule(const CAppModule&) = delete;
    CAppModule& operator=(const CAppModule&) = delete;

    // Makes this the process's module. E_UNEXPECTED when another one is initialised.
    HRESULT Init(HINSTANCE instance);
    void Term();

    HINSTANCE GetModuleInstance() const { return m_instance; }
    HINSTANCE GetResourceInstance() const { return m_instance; }

    // One loop per thread (not owned); FALSE when the thread has one already.
    BOOL AddMessageLoop(CMessageLoop* loop);
    BOOL RemoveMessageLoop();
    CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId()) const;

    // The initialised module, or null.
    static CAppModule* Current();
    // The initialised module's instance, or the executable's when none is initialised.
    static HINSTANCE ModuleInstance();
    static HINSTANCE ResourceInstance();

private:
    HINSTANCE m_instance = nullptr;
    mutable CRITICAL_SECTION m_lock;
    std::map<DWORD, CMessageLoop*> m_loops; // by thread id
};
