#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "CWindow.h"

class CTreeViewCtrl : public CWindow
{
public:
    CTreeViewCtrl(HWND hWnd = nullptr) : CWindow(hWnd) {}
    HTREEITEM InsertItem(const wchar_t* text, int image, int selectedImage, HTREEITEM parent, HTREEITEM after,
                         LPARAM data);
    BOOL DeleteItem(HTREEITEM item) { return static_cast<BOOL>(SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item))); }
    BOOL Expand(HTREEITEM item, UINT action = TVE_EXPAND) { return static_cast<BOOL>(SendMessage(TVM_EXPAND, action, reinterpret_cast<LPARAM>(item))); }
    BOOL SelectItem(HTREEITEM item) { return static_cast<BOOL>(SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item))); }
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const
    {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
    }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
    int GetCount() const { return static_cast<int>(SendMessage(TVM_GETCOUNT)); }
    LPARAM GetItemData(HTREEITEM item) const;
    BOOL SetItemData(HTREEITEM item, LPARAM data);
    std::wstring GetItemText(HTREEITEM item) const;
    HIMAGELIST SetImageList(HIMAGELIST list, int kind = TVSIL_NORMAL)
    {
        return reinterpret_cast<HIMAGELIST>(SendMessage(TVM_SETIMAGELIST, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(list)));
    }
};
