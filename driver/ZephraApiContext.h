#pragma once
#include <windows.h>
#include <vector>
#include "ZephraIoctl.h"
#include "ZephraStatus.h"
#include "WnEvent.h"

// One connection to the driver's control device: its handle, its lock and its
// completion event. Requests on one object run one at a time.
class ZephraApiContext
{
public:
    ZephraApiContext();
    virtual ~ZephraApiContext();

    ZephraApiContext(const ZephraApiContext&) = delete;
    ZephraApiContext& operator=(const ZephraApiContext&) = delete;

    // name: the device's symbolic-link name without the "\\.\" prefix.
    ZephraStatus Open(const wchar_t* name);
    void Close();
    bool IsOpened() const { return m_device != nullptr; }

    ZephraStatus DoRequest(uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                           uint32_t* bytesReturned = nullptr);

    ZephraStatus GetVersion(ZephraVersionInfo* info);

    // Whether the connection runs over the simulator's pipe instead of the device.
    bool IsSimulated() const { return m_simulated; }

protected:
    // Holds the connection's re-entrant lock for a scope (a transaction of several requests).
    class LockScope
    {
    public:
        explicit LockScope(ZephraApiContext* context) : m_lock(&context->m_lock) { EnterCriticalSection(m_lock); }
        ~LockScope() { LeaveCriticalSection(m_lock); }
        LockScope(const LockScope&) = delete;
        LockScope& operator=(const LockScope&) = delete;

    private:
        CRITICAL_SECTION* m_lock;
    };

private:
    ZephraStatus OpenDevice(const wchar_t* path);
    ZephraStatus TransactFrame(uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                               uint32_t* count);
    ZephraStatus CompleteIo(BOOL ok, OVERLAPPED* ov, DWORD* count);

    CRITICAL_SECTION m_lock;
    HANDLE m_device = nullptr; // null while closed, never INVALID_HANDLE_VALUE
    WnEvent m_completion;
    bool m_simulated = false;
    std::vector<uint8_t> m_frame; // request and response frames of the simulator transport
};
