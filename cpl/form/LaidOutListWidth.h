#pragma once
#include <windows.h>

// The width of a list's client area once page's resize list has been applied to the page's
// present size; 0 before the list exists. WM_SIZE reaches a page's OnResize before its resize
// list, so a page that fits its columns to the list lays the controls out first (applying the
// list twice is harmless).
template <class Page>
int LaidOutListWidth(Page& page, HWND list)
{
    RECT client = {};
    page.GetClientRect(&client);
    page.DlgResize_UpdateLayout(client.right, client.bottom);
    RECT listClient = {};
    if (list == nullptr || !::GetClientRect(list, &listClient))
        return 0;
    return listClient.right;
}
