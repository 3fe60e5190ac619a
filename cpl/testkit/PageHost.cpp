#include "PageHost.h"

PageHost::~PageHost()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
}

HWND PageHost::Create(int width, int height)
{
    RECT rect = {0, 0, width, height};
    if (CWindowImpl<PageHost>::Create(nullptr, &rect, L"Page host", WS_POPUP | WS_CLIPCHILDREN, WS_EX_NOACTIVATE) == nullptr)
        return nullptr;
    ShowWindow(SW_SHOWNOACTIVATE);
    return m_hWnd;
}

void PageHost::Place(FormBase& page)
{
    m_page = &page;
    RECT client = {};
    GetClientRect(&client);
    page.GetPageWindow().SetWindowPos(nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    page.OnResize();
}

void PageHost::Resize(int width, int height)
{
    SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_page != nullptr)
        Place(*m_page);
}
