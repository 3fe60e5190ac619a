#pragma once
#include "ZephraDriver.h"

enum : DWORD { ZEPHRA_REQUEST_TIMEOUT_MS = 30000 };

// Asks the server for configuration changes through the driver and waits for the reply.
class ZephraClient : public ZephraDriver
{
public:
    ZephraClient() = default;
    ~ZephraClient() override = default;

    // Sends request and waits for the reply carrying its sequence number; every wait
    // restarts the full time-out.
    ZephraStatus Transact(ZephraMessage* request, ZephraMessage* reply, DWORD timeoutMs);

    ZephraStatus RequestSetSampleRate(uint32_t rate, DWORD timeoutMs = ZEPHRA_REQUEST_TIMEOUT_MS);
    // record: the 12-byte buffer-size change record
    ZephraStatus RequestSetBufferSizes(const void* record, DWORD timeoutMs = ZEPHRA_REQUEST_TIMEOUT_MS);
    ZephraStatus RequestSetStreamingDevice(uint32_t idFirst, uint32_t idSecond, uint32_t allDevices,
                                           DWORD timeoutMs = ZEPHRA_REQUEST_TIMEOUT_MS);
    ZephraStatus RequestSetOptions(uint32_t options, DWORD timeoutMs = ZEPHRA_REQUEST_TIMEOUT_MS);

    // How Transact waits for the reply event: a WaitForSingleObject result. Null (the
    // default): WaitForSingleObject itself.
    typedef DWORD (*ReplyWait)(HANDLE event, DWORD timeoutMs);
    void SetReplyWait(ReplyWait wait) { m_replyWait = wait; }

    uint32_t GetLastSequence() const { return m_sequence; }
    void SetLastSequence(uint32_t sequence) { m_sequence = sequence; }

private:
    ZephraStatus Request(uint32_t code, const void* payload, uint32_t length, DWORD timeoutMs);

    uint32_t m_sequence = 0; // the last sequence number used
    ReplyWait m_replyWait = nullptr;
};

// The control panel's client: the main one (type 2) and the main window's observer (type 3).
class ZephraCplClient : public ZephraClient
{
public:
    ZephraCplClient() = default;
    ~ZephraCplClient() override = default;
};
