#pragma once
#include <windows.h>
#include <vector>

// Sees every message of the loop before it is translated and dispatched.
class CMessageFilter
{
public:
    // TRUE: the message is consumed (neither translated nor dispatched).
    virtual BOOL PreTranslateMessage(MSG* msg) = 0;

protected:
    ~CMessageFilter() = default;
};

// Called while the thread's queue is empty.
class CIdleHandler
{
public:
    // TRUE: call again while the queue stays empty; FALSE: enough until the next message.
    virtual BOOL OnIdle() = 0;

protected:
    ~CIdleHandler() = default;
};

// A thread's message loop with its message filters and idle handlers (not owned).
class CMessageLoop
{
public:
    CMessageLoop() = default;
    virtual ~CMessageLoop() = default;

    CMessageLoop(const CMessageLoop&) = delete;
    CMessageLoop& operator=(const CMessageLoop&) = delete;

    BOOL AddMessageFilter(CMessageFilter* filter);
    BOOL RemoveMessageFilter(CMessageFilter* filter);
    BOOL AddIdleHandler(CIdleHandler* handler);
    BOOL RemoveIdleHandler(CIdleHandler* handler);

    // Runs until WM_QUIT and returns its wParam.
    int Run();

    // Offers the message to the filters in the order they were added; TRUE when one took it.
    virtual BOOL PreTranslateMessage(MSG* msg);
    // One idle round (idleCount counts the rounds since the last message, from 0): every
    // handler is called; TRUE only when there are handlers and all of them want more.
    virtual BOOL OnIdle(int idleCount);
    // Whether the message allows a new idle phase: all but mouse moves, WM_PAINT and the
    // system timer message.
    static BOOL IsIdleMessage(const MSG* msg);

private:
    std::vector<CMessageFilter*> m_filters;
    std::vector<CIdleHandler*> m_idleHandlers;
};
