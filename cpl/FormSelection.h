#pragma once
#include <map>
#include <string>
#include <vector>
#include "CTreeViewCtrl.h"
#include "FormBaseImpl.h"
#include "FormSelectionRes.h"
#include "resource.h"

// The page tree in the main window's left pane: one item per page, the page as the item's
// data. Its notifications and commands go on to the parent.
class FormSelection : public FormBaseImpl<FormSelection>
{
public:
    enum { IDD = IDD_SELECTION };

    // The tree's images: not owned, set before the window is created.
    void SetImageList(HIMAGELIST images) { m_images = images; }

    BEGIN_MSG_MAP(FormSelection)
        FORWARD_NOTIFICATIONS()
        CHAIN_MSG_MAP(FormBaseImpl<FormSelection>)
    END_MSG_MAP()

    BEGIN_DLGRESIZE_MAP(FormSelection)
        DLGRESIZE_CONTROL(IDC_PAGE_TREE, DLSZ_SIZE_X | DLSZ_SIZE_Y)
    END_DLGRESIZE_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override;
    void Refresh() override {}

    // The last child of parent's item (at root when parent is null or has no item).
    void AddItem(const wchar_t* text, FormBase* page, FormBase* parent, int image);
    void RemoveItem(FormBase* page);
    // The selected item's page, or null.
    FormBase* GetSelectedPage() const;
    // Selects the first root item and gives the tree the focus.
    void SelectFirstItem();

    // Width of the pane that shows items of these texts at root and one level below whole,
    // beside a vertical scroll bar, so that the tree needs no horizontal one.
    int PaneWidthFor(const std::vector<std::wstring>& rootTexts, const std::vector<std::wstring>& childTexts) const;

    CTreeViewCtrl& Tree() { return m_tree; }
    // The item of a page, or null.
    HTREEITEM ItemOf(FormBase* page) const;

private:
    CTreeViewCtrl m_tree;
    HIMAGELIST m_images = nullptr;
    std::map<FormBase*, HTREEITEM> m_items;
};
