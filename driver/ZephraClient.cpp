#include "ZephraClient.h"

ZephraStatus ZephraClient::Transact(ZephraMessage* request, ZephraMessage* reply, DWORD timeoutMs)
{
    LockScope guard(this);
    ++m_sequence;
    if (m_sequence == 0)
        m_sequence = 1;
    request->correlation[0] = m_sequence;
    ZephraStatus status = SendMessageRecord(*request);
    if (status != 0)
        return status;

    for (;;) {
        DWORD wait = m_replyWait != nullptr ? m_replyWait(GetMessageEvent(), timeoutMs)
                                            : WaitForSingleObject(GetMessageEvent(), timeoutMs);
        if (wait == WAIT_TIMEOUT)
            return ZEPHRA_STATUS_TIMEOUT;
        if (wait != WAIT_OBJECT_0)
            return ZEPHRA_STATUS_FAILED;
        // One signal may stand for several records: read on past late replies and malformed
        // records, so a reply queued behind them is not left waiting for a signal that has passed.
        bool found = false;
        status = DrainQueue(false, [&](const ZephraMessage& record) {
            found = record.kind == ZEPHRA_MSG_KIND_REPLY && record.correlation[0] == m_sequence;
            if (found)
                *reply = record;
            return !found;
        });
        if (found)
            return 0;
        // A pass cut short by its bound comes back through the wait (its event is set again).
        if (status != ZEPHRA_STATUS_NO_MORE_ITEMS && status != ZEPHRA_STATUS_PENDING)
            return status;
    }
}

ZephraStatus ZephraClient::Request(uint32_t code, const void* payload, uint32_t length, DWORD timeoutMs)
{
    ZephraMessage request;
    request.Init(ZEPHRA_MSG_KIND_REQUEST, code);
    ZephraStatus status = request.WritePayload(payload, length);
    if (status != 0)
        return status;
    ZephraMessage reply;
    reply.Clear();
    status = Transact(&request, &reply, timeoutMs);
    if (status != 0)
        return status;
    return reply.code == ZEPHRA_MSG_REPLY ? reply.status : ZEPHRA_STATUS_UNEXPECTED_MSG_CODE;
}

ZephraStatus ZephraClient::RequestSetSampleRate(uint32_t rate, DWORD timeoutMs)
{
    return Request(ZEPHRA_MSG_SET_SAMPLE_RATE, &rate, sizeof(rate), timeoutMs);
}

ZephraStatus ZephraClient::RequestSetBufferSizes(const void* record, DWORD timeoutMs)
{
    return Request(ZEPHRA_MSG_SET_BUFFER_SIZES, record, 12, timeoutMs);
}

ZephraStatus ZephraClient::RequestSetStreamingDevice(uint32_t idFirst, uint32_t idSecond, uint32_t allDevices,
                                                     DWORD timeoutMs)
{
    uint32_t record[3] = {idFirst, idSecond, allDevices};
    return Request(ZEPHRA_MSG_SET_STREAMING_DEVICE, record, sizeof(record), timeoutMs);
}

ZephraStatus ZephraClient::RequestSetOptions(uint32_t options, DWORD timeoutMs)
{
    return Request(ZEPHRA_MSG_SET_OPTIONS, &options, sizeof(options), timeoutMs);
}
