#include "CAppModule.h"
#include <atomic>

namespace {

// The process's one initialised module.
std::atomic<CAppModule*> g_current{nullptr};

} // namespace

CAppModule::CAppModule()
{
    ::InitializeCriticalSection(&m_lock);
}

CAppModule::~CAppModule()
{
    Term();
    ::DeleteCriticalSection(&m_lock);
}

HRESULT CAppModule::Init(HINSTANCE instance)
{
    CAppModule* expected = nullptr;
    if (!g_current.compare_exchange_strong(expected, this) && expected != this)
        return E_UNEXPECTED;
    m_instance = instance != nullptr ? instance : ::GetModuleHandleW(nullptr);
    return S_OK;
}

void CAppModule::Term()
{
    CAppModule* expected = this;
    g_current.compare_exchange_strong(expected, nullptr);
    ::EnterCriticalSection(&m_lock);
    m_loops.clear();
    ::LeaveCriticalSection(&m_lock);
}

BOOL CAppModule::AddMessageLoop(CMessageLoop* loop)
{
    if (loop == nullptr)
        return FALSE;
    ::EnterCriticalSection(&m_lock);
    BOOL added = m_loops.emplace(::GetCurrentThreadId(), loop).second;
    ::LeaveCriticalSection(&m_lock);
    return added;
}

BOOL CAppModule::RemoveMessageLoop()
{
    ::EnterCriticalSection(&m_lock);
    BOOL removed = m_loops.erase(::GetCurrentThreadId()) != 0;
    ::LeaveCriticalSection(&m_lock);
    return removed;
}

CMessageLoop* CAppModule::GetMessageLoop(DWORD threadId) const
{
    ::EnterCriticalSection(&m_lock);
    auto it = m_loops.find(threadId);
    CMessageLoop* loop = it != m_loops.end() ? it->second : nullptr;
    ::LeaveCriticalSection(&m_lock);
    return loop;
}

CAppModule* CAppModule::Current()
{
    return g_current.load();
}

HINSTANCE CAppModule::ModuleInstance()
{
    CAppModule* module = Current();
    return module != nullptr ? module->GetModuleInstance() : ::GetModuleHandleW(nullptr);
}

HINSTANCE CAppModule::ResourceInstance()
{
    CAppModule* module = Current();
    return module != nullptr ? module->GetResourceInstance() : ::GetModuleHandleW(nullptr);
}
