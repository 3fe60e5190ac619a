#pragma once
#include "CWindowImpl.h"
#include "FormBase.h"

// A visible top-level window that holds a page over its whole client area, as the main
// window's right pane does.
class PageHost : public CWindowImpl<PageHost>
{
public:
    DECLARE_WND_CLASS_EX(L"CplTestPageHost", 0, COLOR_BTNFACE)
    BEGIN_MSG_MAP(PageHost)
    END_MSG_MAP()

    ~PageHost() override;

    // At the top left of the screen, client area width by height.
    HWND Create(int width = 400, int height = 300);
    // Creates the page window as a hidden child (modeless dialog), places it and shows it
    // with the page's Show (which refreshes first); false when the dialog is not created.
    template <class Page>
    bool Open(Page& page)
    {
        if (page.Create(m_hWnd) == nullptr)
            return false;
        Place(page);
        page.Show();
        return true;
    }
    // Sizes the page to the client area and calls its OnResize, as the main window does.
    void Place(FormBase& page);
    // Resizes the client area (the page with it, when one was placed).
    void Resize(int width, int height);

private:
    FormBase* m_page = nullptr; // not owned
};
