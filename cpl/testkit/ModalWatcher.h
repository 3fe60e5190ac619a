#pragma once
#include <functional>
#include <set>
#include <string>
#include <vector>
#include "CWindowImpl.h"

// While it exists, a timer of this thread (so also inside modal loops such as a message
// box's) looks for new visible top-level dialog windows of this thread and hands each to
// onDialog once.
class ModalWatcher : public CWindowImpl<ModalWatcher>
{
public:
    DECLARE_WND_CLASS(L"CplTestModalWatcher")
    explicit ModalWatcher(std::function<void(HWND)> onDialog);
    ~ModalWatcher() override;

    BEGIN_MSG_MAP(ModalWatcher)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
    END_MSG_MAP()

private:
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);

    std::function<void(HWND)> m_onDialog;
    std::set<HWND> m_seen;
};

// A message box as the catcher found it.
struct CaughtBox
{
    std::wstring caption;
    std::wstring text;
    HWND owner;
    UINT icon; // MB_ICONERROR, MB_ICONWARNING, MB_ICONINFORMATION, or 0 when not told
};

// Reads and closes every message box of this thread with WM_COMMAND IDOK while it exists.
class MessageBoxCatcher
{
public:
    MessageBoxCatcher();
    const std::vector<CaughtBox>& Boxes() const { return m_boxes; }

private:
    void Catch(HWND box);

    std::vector<CaughtBox> m_boxes;
    ModalWatcher m_watcher;
};
