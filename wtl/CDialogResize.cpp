#include "CDialogResize.h"

namespace {

// A child's rectangle in the dialog's client coordinates.
RECT ClientRectOf(HWND dialog, HWND child)
{
    RECT rect = {};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The size box aligns itself to the bottom right of the rectangle it is created with.
HWND CreateGripper(HWND dialog)
{
    RECT client = {};
    ::GetClientRect(dialog, &client);
    return ::CreateWindowExW(0, L"SCROLLBAR", nullptr,
                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBS_SIZEBOX | SBS_SIZEGRIP |
                                 SBS_SIZEBOXBOTTOMRIGHTALIGN,
                             client.left, client.top, client.right - client.left, client.bottom - client.top,
                             dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(DLGRESIZE_GRIPPER_ID)),
                             reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(dialog, GWLP_HINSTANCE)), nullptr);
}

} // namespace

void DlgResizeLayout::Init(HWND dialog, const DlgResizeEntry* entries, bool addGripper, bool useMinTrackSize)
{
    m_controls.clear();
    HWND gripper = ::GetDlgItem(dialog, DLGRESIZE_GRIPPER_ID);
    if (addGripper && gripper == nullptr)
        gripper = CreateGripper(dialog);
    RECT client = {};
    RECT window = {};
    ::GetClientRect(dialog, &client);
    ::GetWindowRect(dialog, &window);
    m_client = {client.right - client.left, client.bottom - client.top};
    m_window = {window.right - window.left, window.bottom - window.top};
    m_useMinTrackSize = useMinTrackSize;
    for (const DlgResizeEntry* entry = entries; entry != nullptr && entry->id != -1; ++entry) {
        HWND control = ::GetDlgItem(dialog, entry->id);
        if (control != nullptr)
            m_controls.push_back({entry->id, entry->flags, ClientRectOf(dialog, control)});
    }
    if (gripper != nullptr)
        m_controls.push_back({DLGRESIZE_GRIPPER_ID, DLSZ_MOVE_X | DLSZ_MOVE_Y, ClientRectOf(dialog, gripper)});
    m_initialised = true;
}

void DlgResizeLayout::Update(HWND dialog, int cx, int cy) const
{
    int dx = cx - m_client.cx;
    int dy = cy - m_client.cy;
    for (const Control& control : m_controls) {
        RECT rect = control.rect;
        if (control.flags & DLSZ_SIZE_X)
            rect.right += dx;
        else if (control.flags & DLSZ_MOVE_X)
            ::OffsetRect(&rect, dx, 0);
        if (control.flags & DLSZ_SIZE_Y)
            rect.bottom += dy;
        else if (control.flags & DLSZ_MOVE_Y)
            ::OffsetRect(&rect, 0, dy);
        int width = rect.right > rect.left ? rect.right - rect.left : 0;
        int height = rect.bottom > rect.top ? rect.bottom - rect.top : 0;
        ::SetWindowPos(::GetDlgItem(dialog, control.id), nullptr, rect.left, rect.top, width, height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!m_controls.empty())
        ::InvalidateRect(dialog, nullptr, TRUE);
}

void DlgResizeLayout::ApplyMinTrackSize(MINMAXINFO* info) const
{
    if (!m_initialised || !m_useMinTrackSize)
        return;
    info->ptMinTrackSize.x = m_window.cx;
    info->ptMinTrackSize.y = m_window.cy;
}
