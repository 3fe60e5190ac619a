#include "CMultiPaneStatusBarCtrl.h"

HWND CMultiPaneStatusBarCtrl::Create(HWND parent, const wchar_t* text, DWORD style, UINT id)
{
    HWND hWnd = ::CreateWindowExW(0, STATUSCLASSNAMEW, text, style, 0, 0, 0, 0, parent,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  CAppModule::ModuleInstance(), nullptr);
    if (hWnd == nullptr)
        return nullptr;
    if (!SubclassWindow(hWnd)) {
        ::DestroyWindow(hWnd);
        return nullptr;
    }
    return hWnd;
}

BOOL CMultiPaneStatusBarCtrl::SetPanes(const int* ids, int count)
{
    if (m_hWnd == nullptr || ids == nullptr || count <= 0 || count > 255)
        return FALSE;
    std::vector<Pane> panes;
    for (int i = 0; i < count; ++i) {
        int old = GetPaneIndexFromID(ids[i]);
        panes.push_back({ids[i], old >= 0 ? m_panes[old].width : 100});
    }
    m_panes = panes;
    UpdatePanesLayout();
    return TRUE;
}

int CMultiPaneStatusBarCtrl::GetPaneIndexFromID(int id) const
{
    for (size_t i = 0; i < m_panes.size(); ++i) {
        if (m_panes[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

BOOL CMultiPaneStatusBarCtrl::SetPaneWidth(int id, int width)
{
    int index = GetPaneIndexFromID(id);
    if (index < 0 || id == ID_DEFAULT_PANE || width < 0)
        return FALSE;
    m_panes[index].width = width;
    UpdatePanesLayout();
    return TRUE;
}

int CMultiPaneStatusBarCtrl::GetPaneWidth(int id) const
{
    int index = GetPaneIndexFromID(id);
    if (index < 0)
        return 0;
    if (id != ID_DEFAULT_PANE)
        return m_panes[index].width;
    RECT client;
    GetClientRect(&client);
    std::vector<int> edges = PartEdges(client.right - client.left);
    return edges[index] - (index > 0 ? edges[index - 1] : 0);
}

BOOL CMultiPaneStatusBarCtrl::SetPaneText(int id, const wchar_t* text)
{
    int index = GetPaneIndexFromID(id);
    if (index < 0 && !(id == ID_DEFAULT_PANE && m_panes.empty()))
        return FALSE;
    return static_cast<BOOL>(SendMessage(SB_SETTEXTW, static_cast<WPARAM>(index < 0 ? 0 : index),
                                         reinterpret_cast<LPARAM>(text != nullptr ? text : L"")));
}

std::wstring CMultiPaneStatusBarCtrl::GetPaneText(int id) const
{
    int index = GetPaneIndexFromID(id);
    if (index < 0 && !(id == ID_DEFAULT_PANE && m_panes.empty()))
        return std::wstring();
    WPARAM part = static_cast<WPARAM>(index < 0 ? 0 : index);
    size_t length = LOWORD(SendMessage(SB_GETTEXTLENGTHW, part));
    std::wstring text(length + 1, L'\0');
    SendMessage(SB_GETTEXTW, part, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(length);
    return text;
}

std::vector<int> CMultiPaneStatusBarCtrl::PartEdges(int clientWidth) const
{
    int fixed = 0;
    for (const Pane& pane : m_panes) {
        if (pane.id != ID_DEFAULT_PANE)
            fixed += pane.width;
    }
    int stretch = clientWidth - fixed;
    if ((GetStyle() & SBARS_SIZEGRIP) != 0)
        stretch -= ::GetSystemMetrics(SM_CXVSCROLL);
    if (stretch < 0)
        stretch = 0;
    std::vector<int> edges;
    int right = 0;
    for (const Pane& pane : m_panes) {
        right += pane.id == ID_DEFAULT_PANE ? stretch : pane.width;
        edges.push_back(right);
    }
    return edges;
}

void CMultiPaneStatusBarCtrl::UpdatePanesLayout()
{
    if (m_hWnd == nullptr || m_panes.empty())
        return;
    RECT client;
    GetClientRect(&client);
    std::vector<int> edges = PartEdges(client.right - client.left);
    SendMessage(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

LRESULT CMultiPaneStatusBarCtrl::OnSize(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&)
{
    LRESULT result = DefWindowProc(uMsg, wParam, lParam);
    UpdatePanesLayout();
    return result;
}
