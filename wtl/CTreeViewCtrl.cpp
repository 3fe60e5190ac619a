#include "CTreeViewCtrl.h"

HTREEITEM CTreeViewCtrl::InsertItem(const wchar_t* text, int image, int selectedImage, HTREEITEM parent,
                                    HTREEITEM after, LPARAM data)
{
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(text);
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    insert.item.lParam = data;
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

LPARAM CTreeViewCtrl::GetItemData(HTREEITEM handle) const
{
    TVITEMW item = {};
    item.mask = TVIF_PARAM;
    item.hItem = handle;
    return SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

BOOL CTreeViewCtrl::SetItemData(HTREEITEM handle, LPARAM data)
{
    TVITEMW item = {};
    item.mask = TVIF_PARAM;
    item.hItem = handle;
    item.lParam = data;
    return static_cast<BOOL>(SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

std::wstring CTreeViewCtrl::GetItemText(HTREEITEM handle) const
{
    wchar_t buffer[256] = {};
    TVITEMW item = {};
    item.mask = TVIF_TEXT;
    item.hItem = handle;
    item.pszText = buffer;
    item.cchTextMax = static_cast<int>(sizeof(buffer) / sizeof(buffer[0]));
    if (!SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return std::wstring();
    return item.pszText != nullptr ? std::wstring(item.pszText) : std::wstring();
}
