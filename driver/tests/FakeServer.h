#pragma once
#include <functional>
#include <vector>
#include "WnEvent.h"
#include "WnThread.h"
#include "ZephraDriver.h"

// A server connection on its own thread that answers each request with the records
// that answer() returns (none: the request goes unanswered).
class FakeServer : public WnThreadCallbackInterface
{
public:
    typedef std::function<std::vector<ZephraMessage>(const ZephraMessage&)> Answer;

    explicit FakeServer(Answer answer) : m_answer(answer) { m_stop.Create(true); }
    ~FakeServer() { Stop(); }

    ZephraStatus Start(const wchar_t* name)
    {
        ZephraStatus status = m_driver.OpenAsServer(name);
        return status != 0 ? status : m_thread.Start(this);
    }
    void Stop()
    {
        m_stop.Set();
        m_thread.Wait(INFINITE);
        m_driver.CloseDriver();
    }

    // A reply to request with its correlation words, the given code and status.
    static ZephraMessage ReplyTo(const ZephraMessage& request, uint32_t code, ZephraStatus status)
    {
        ZephraMessage reply;
        reply.Init(ZEPHRA_MSG_KIND_REPLY, code);
        for (int i = 0; i < 3; ++i)
            reply.correlation[i] = request.correlation[i];
        reply.status = status;
        return reply;
    }

    DWORD Run() override
    {
        HANDLE handles[2] = {m_stop.Get(), m_driver.GetMessageEvent()};
        while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
            ZephraMessage request;
            while (m_driver.GetMessageRecord(&request) == 0) {
                for (const ZephraMessage& reply : m_answer(request))
                    m_sendStatuses.push_back(m_driver.SendMessageRecord(reply));
            }
        }
        return 0;
    }

    // What the driver said to each reply sent; read once stopped.
    const std::vector<ZephraStatus>& SendStatuses() const { return m_sendStatuses; }

private:
    Answer m_answer;
    std::vector<ZephraStatus> m_sendStatuses;
    ZephraDriver m_driver;
    WnEvent m_stop;
    WnThread m_thread;
};
