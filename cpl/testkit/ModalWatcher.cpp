#include "ModalWatcher.h"

namespace {

const UINT_PTR kTimer = 1;
const UINT kPeriodMs = 15;
const int kMessageBoxTextId = 0xFFFF;

struct Search
{
    std::set<HWND>* seen;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM lParam)
{
    Search* search = reinterpret_cast<Search*>(lParam);
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, 16);
    if (wcscmp(className, L"#32770") == 0 && ::IsWindowVisible(window) && search->seen->insert(window).second)
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK FindIcon(HWND child, LPARAM lParam)
{
    if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
        return TRUE;
    *reinterpret_cast<HICON*>(lParam) = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0));
    return FALSE;
}

// The message box's icon, told by the shared system icon its static shows.
UINT BoxIcon(HWND box)
{
    HICON icon = nullptr;
    ::EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&icon));
    if (icon == nullptr)
        return 0;
    if (icon == ::LoadIconW(nullptr, IDI_ERROR))
        return MB_ICONERROR;
    if (icon == ::LoadIconW(nullptr, IDI_WARNING))
        return MB_ICONWARNING;
    if (icon == ::LoadIconW(nullptr, IDI_INFORMATION))
        return MB_ICONINFORMATION;
    return 0;
}

} // namespace

ModalWatcher::ModalWatcher(std::function<void(HWND)> onDialog) : m_onDialog(std::move(onDialog))
{
    if (Create(HWND_MESSAGE) != nullptr)
        SetTimer(kTimer, kPeriodMs);
}

ModalWatcher::~ModalWatcher()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
}

LRESULT ModalWatcher::OnTimer(UINT, WPARAM, LPARAM, BOOL&)
{
    Search search = {&m_seen, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&search));
    for (HWND dialog : search.found)
        m_onDialog(dialog);
    return 0;
}

MessageBoxCatcher::MessageBoxCatcher() : m_watcher([this](HWND box) { Catch(box); })
{
}

void MessageBoxCatcher::Catch(HWND box)
{
    CaughtBox caught = {CWindow(box).GetWindowText(), CWindow(box).GetDlgItemText(kMessageBoxTextId),
                        ::GetWindow(box, GW_OWNER), BoxIcon(box)};
    m_boxes.push_back(caught);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0); // WM_CLOSE would give IDCANCEL under Wine
}
