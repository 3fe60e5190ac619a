#include "CMessageLoop.h"
#include <algorithm>

namespace {

template <class Item>
BOOL AddOnce(std::vector<Item*>& items, Item* item)
{
    if (item == nullptr || std::find(items.begin(), items.end(), item) != items.end())
        return FALSE;
    items.push_back(item);
    return TRUE;
}

template <class Item>
BOOL Remove(std::vector<Item*>& items, Item* item)
{
    auto it = std::find(items.begin(), items.end(), item);
    if (it == items.end())
        return FALSE;
    items.erase(it);
    return TRUE;
}

const UINT kSystemTimer = 0x0118;

} // namespace

BOOL CMessageLoop::AddMessageFilter(CMessageFilter* filter)
{
    return AddOnce(m_filters, filter);
}

BOOL CMessageLoop::RemoveMessageFilter(CMessageFilter* filter)
{
    return Remove(m_filters, filter);
}

BOOL CMessageLoop::AddIdleHandler(CIdleHandler* handler)
{
    return AddOnce(m_idleHandlers, handler);
}

BOOL CMessageLoop::RemoveIdleHandler(CIdleHandler* handler)
{
    return Remove(m_idleHandlers, handler);
}

int CMessageLoop::Run()
{
    bool idle = true;
    int idleCount = 0;
    MSG msg = {};
    for (;;) {
        while (idle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++))
                idle = false;
        }
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1)
            continue;
        if (got == 0)
            break;
        if (!PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (IsIdleMessage(&msg)) {
            idle = true;
            idleCount = 0;
        }
    }
    return static_cast<int>(msg.wParam);
}

BOOL CMessageLoop::PreTranslateMessage(MSG* msg)
{
    // A copy: a filter may remove itself or others while it runs.
    std::vector<CMessageFilter*> filters = m_filters;
    for (CMessageFilter* filter : filters) {
        if (filter->PreTranslateMessage(msg))
            return TRUE;
    }
    return FALSE;
}

BOOL CMessageLoop::OnIdle(int)
{
    std::vector<CIdleHandler*> handlers = m_idleHandlers;
    BOOL more = !handlers.empty();
    for (CIdleHandler* handler : handlers) {
        if (!handler->OnIdle())
            more = FALSE;
    }
    return more;
}

BOOL CMessageLoop::IsIdleMessage(const MSG* msg)
{
    switch (msg->message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case kSystemTimer:
        return FALSE;
    default:
        return TRUE;
    }
}
