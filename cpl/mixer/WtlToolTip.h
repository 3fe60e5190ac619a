#pragma once
#include <cstddef>
#include "CToolTipCtrl.h"
#include "MessageMap.h"

// The text of one child's tool.
struct WtlToolText
{
    int id;
    const wchar_t* text;
};

// Mix-in for a window T with tool tips: one tool for T's window and one for each of its
// children, texts from a table (children not in it get an empty tool). Mouse messages that
// reach T are relayed to the control. Chain it: CHAIN_MSG_MAP(WtlToolTip<T>).
template <class T>
class WtlToolTip
{
public:
    BEGIN_MSG_MAP(WtlToolTip)
        MESSAGE_RANGE_HANDLER(WM_MOUSEFIRST, WM_MOUSELAST, OnToolTipMouse)
    END_MSG_MAP()

    const CToolTipCtrl& GetToolTip() const { return m_toolTip; }

protected:
    // Call when T's window and its children exist (WM_INITDIALOG).
    void ToolTip_Init(const WtlToolText* texts, size_t count)
    {
        HWND owner = static_cast<T*>(this)->m_hWnd;
        if (m_toolTip.Create(owner) == nullptr)
            return;
        m_toolTip.AddTool(owner, owner, nullptr);
        for (HWND child = ::GetWindow(owner, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
            const wchar_t* text = nullptr;
            for (size_t i = 0; i < count; ++i) {
                if (texts[i].id == ::GetDlgCtrlID(child))
                    text = texts[i].text;
            }
            m_toolTip.AddTool(owner, child, text);
        }
    }

private:
    LRESULT OnToolTipMouse(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
    {
        if (m_toolTip.m_hWnd != nullptr) {
            MSG msg = {};
            msg.hwnd = static_cast<T*>(this)->m_hWnd;
            msg.message = uMsg;
            msg.wParam = wParam;
            msg.lParam = lParam;
            msg.time = static_cast<DWORD>(::GetMessageTime());
            m_toolTip.RelayEvent(&msg);
        }
        bHandled = FALSE; // the window still handles its mouse
        return 0;
    }

    CToolTipCtrl m_toolTip;
};
