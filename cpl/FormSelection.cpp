#include "FormSelection.h"
#include <commctrl.h>
#include "DpiScale.h"

LRESULT FormSelection::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    m_tree.Attach(GetDlgItem(IDC_PAGE_TREE));
    m_tree.SetImageList(m_images, TVSIL_NORMAL);
    return 0;
}

int FormSelection::PaneWidthFor(const std::vector<std::wstring>& rootTexts,
                                const std::vector<std::wstring>& childTexts) const
{
    int indent = static_cast<int>(::SendMessageW(m_tree, TVM_GETINDENT, 0, 0));
    int image = 0;
    int imageHeight = 0;
    if (m_images != nullptr)
        ImageList_GetIconSize(m_images, &image, &imageHeight);
    // Lines at root: a root item's text starts one indent in, after its image; the text's
    // own padding, the gap after the image and the space after the text are in the margin.
    int root = indent + image + WidestText(m_tree, rootTexts);
    int child = 2 * indent + image + WidestText(m_tree, childTexts);
    int text = root > child ? root : child;
    return text + ScaleToDpi(12) + ::GetSystemMetrics(SM_CXVSCROLL);
}

HTREEITEM FormSelection::ItemOf(FormBase* page) const
{
    auto found = m_items.find(page);
    return found != m_items.end() ? found->second : nullptr;
}

void FormSelection::AddItem(const wchar_t* text, FormBase* page, FormBase* parent, int image)
{
    HTREEITEM parentItem = parent != nullptr ? ItemOf(parent) : nullptr;
    HTREEITEM item = m_tree.InsertItem(text, image, image, parentItem != nullptr ? parentItem : TVI_ROOT, TVI_LAST,
                                       reinterpret_cast<LPARAM>(page));
    if (parentItem != nullptr)
        m_tree.Expand(parentItem);
    if (item != nullptr)
        m_items[page] = item;
    ::RedrawWindow(m_tree, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
}

void FormSelection::RemoveItem(FormBase* page)
{
    auto found = m_items.find(page);
    if (found == m_items.end())
        return;
    // No page for the selection change that the deletion may cause.
    m_tree.SetItemData(found->second, 0);
    m_tree.DeleteItem(found->second);
    m_items.erase(found);
}

FormBase* FormSelection::GetSelectedPage() const
{
    HTREEITEM selected = m_tree.GetSelectedItem();
    return selected != nullptr ? reinterpret_cast<FormBase*>(m_tree.GetItemData(selected)) : nullptr;
}

void FormSelection::SelectFirstItem()
{
    m_tree.SelectItem(m_tree.GetRootItem());
    m_tree.SetFocus();
}
