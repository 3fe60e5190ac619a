#pragma once
#include <windows.h>

// A class whose window messages go through a message map. BEGIN_MSG_MAP defines
// ProcessWindowMessage; in classes derived from CMessageMap it overrides this one, so the
// window procedure reaches the map of the most derived class.
class CMessageMap
{
public:
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                                      DWORD dwMsgMapID = 0) = 0;

protected:
    ~CMessageMap() = default;
};

// Entries are tried in the order written; the first whose handler leaves bHandled TRUE ends
// the search. A handler that sets bHandled to FALSE lets the search go on.
//   MESSAGE_HANDLER:  LRESULT OnX(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
//   COMMAND_*:        LRESULT OnX(WORD wNotifyCode, WORD wID, HWND hWndCtl, BOOL& bHandled)
//   NOTIFY_*:         LRESULT OnX(int idCtrl, LPNMHDR pnmh, BOOL& bHandled)
#define BEGIN_MSG_MAP(theClass)                                                                             \
public:                                                                                                     \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,         \
                              DWORD dwMsgMapID = 0)                                                         \
    {                                                                                                       \
        BOOL bHandled = TRUE;                                                                               \
        (void)hWnd;                                                                                         \
        (void)uMsg;                                                                                         \
        (void)wParam;                                                                                       \
        (void)lParam;                                                                                       \
        (void)lResult;                                                                                      \
        (void)bHandled;                                                                                     \
        switch (dwMsgMapID) {                                                                               \
        case 0:

// Entries after this belong to the alternate map msgMapID (reached by CHAIN_MSG_MAP_ALT).
#define ALT_MSG_MAP(msgMapID)                                                                               \
    break;                                                                                                  \
    case msgMapID:

#define WTL_CALL_HANDLER(call)                                                                              \
    {                                                                                                       \
        bHandled = TRUE;                                                                                    \
        lResult = call;                                                                                     \
        if (bHandled)                                                                                       \
            return TRUE;                                                                                    \
    }

#define MESSAGE_HANDLER(msg, func)                                                                          \
    if (uMsg == (msg))                                                                                      \
    WTL_CALL_HANDLER(func(uMsg, wParam, lParam, bHandled))

#define MESSAGE_RANGE_HANDLER(msgFirst, msgLast, func)                                                      \
    if (uMsg >= (msgFirst) && uMsg <= (msgLast))                                                            \
    WTL_CALL_HANDLER(func(uMsg, wParam, lParam, bHandled))

#define WTL_COMMAND_CALL(func) WTL_CALL_HANDLER(func(HIWORD(wParam), LOWORD(wParam), (HWND)lParam, bHandled))

#define COMMAND_HANDLER(id, code, func)                                                                     \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code))                           \
    WTL_COMMAND_CALL(func)

#define COMMAND_ID_HANDLER(id, func)                                                                        \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id))                                                       \
    WTL_COMMAND_CALL(func)

#define COMMAND_CODE_HANDLER(code, func)                                                                    \
    if (uMsg == WM_COMMAND && HIWORD(wParam) == (code))                                                     \
    WTL_COMMAND_CALL(func)

#define COMMAND_RANGE_HANDLER(idFirst, idLast, func)                                                        \
    if (uMsg == WM_COMMAND && LOWORD(wParam) >= (idFirst) && LOWORD(wParam) <= (idLast))                    \
    WTL_COMMAND_CALL(func)

#define WTL_NOTIFY_CALL(func) WTL_CALL_HANDLER(func((int)wParam, (LPNMHDR)lParam, bHandled))

#define NOTIFY_HANDLER(id, cd, func)                                                                        \
    if (uMsg == WM_NOTIFY && ((LPNMHDR)lParam)->idFrom == (UINT_PTR)(id) && ((LPNMHDR)lParam)->code == (UINT)(cd)) \
    WTL_NOTIFY_CALL(func)

#define NOTIFY_ID_HANDLER(id, func)                                                                         \
    if (uMsg == WM_NOTIFY && ((LPNMHDR)lParam)->idFrom == (UINT_PTR)(id))                                   \
    WTL_NOTIFY_CALL(func)

#define NOTIFY_CODE_HANDLER(cd, func)                                                                       \
    if (uMsg == WM_NOTIFY && ((LPNMHDR)lParam)->code == (UINT)(cd))                                         \
    WTL_NOTIFY_CALL(func)

// Offers the message to another map; what it handles ends the search.
#define CHAIN_MSG_MAP(theChainClass)                                                                        \
    if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult))                           \
        return TRUE;

#define CHAIN_MSG_MAP_ALT(theChainClass, msgMapID)                                                          \
    if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult, msgMapID))                 \
        return TRUE;

#define CHAIN_MSG_MAP_MEMBER(theChainMember)                                                                \
    if ((theChainMember).ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult))                         \
        return TRUE;

// Sends command and notification messages on to the parent window and takes its result.
#define FORWARD_NOTIFICATIONS()                                                                             \
    if (uMsg == WM_COMMAND || uMsg == WM_NOTIFY) {                                                          \
        lResult = ::SendMessageW(::GetParent(hWnd), uMsg, wParam, lParam);                                  \
        return TRUE;                                                                                        \
    }

#define END_MSG_MAP()                                                                                       \
    break;                                                                                                  \
    default:                                                                                                \
        break;                                                                                              \
        }                                                                                                   \
        return FALSE;                                                                                       \
    }
