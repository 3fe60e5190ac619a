#include "CDialogResize.h"

void DlgResizeLayout::Init(HWND dialog, const DlgResizeEntry* entries, bool useMinTrackSize)
{
    m_controls.clear();
    RECT client = {};
    RECT window = {};
    ::GetClientRect(dialog, &client);
    ::GetWindowRect(dialog, &window);
    m_client = {client.right - client.left, client.bottom - client.top};
    m_window = {window.right - window.left, window.bottom - window.top};
    m_useMinTrackSize = useMinTrackSize;
    for (const DlgResizeEntry* entry = entries; entry != nullptr && entry->id != -1; ++entry) {
        HWND control = ::GetDlgItem(dialog, entry->id);
        if (control == nullptr)
            continue;
        Control item = {entry->id, entry->flags, {}};
        ::GetWindowRect(control, &item.rect);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&item.rect), 2);
        m_controls.push_back(item);
    }
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
        if (control.flags & DLSZ_SIZE_Y)
            rect.bottom += dy;
        if (control.flags & DLSZ_MOVE_X)
            ::OffsetRect(&rect, dx, 0);
        if (control.flags & DLSZ_MOVE_Y)
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
