#include "CListViewCtrl.h"
#include <string>

int CListViewCtrl::InsertColumn(int index, const wchar_t* heading, int format, int width)
{
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_FMT | (width >= 0 ? LVCF_WIDTH : 0);
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(heading);
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
}

int CListViewCtrl::InsertItem(int index, const wchar_t* text, LPARAM data)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(text);
    item.lParam = data;
    return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListViewCtrl::SetItemText(int index, int subItem, const wchar_t* text)
{
    LVITEMW item = {};
    item.iSubItem = subItem;
    item.pszText = const_cast<wchar_t*>(text);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

std::wstring CListViewCtrl::GetItemText(int index, int subItem) const
{
    wchar_t buffer[512] = {};
    LVITEMW item = {};
    item.iSubItem = subItem;
    item.pszText = buffer;
    item.cchTextMax = static_cast<int>(sizeof(buffer) / sizeof(buffer[0]));
    LRESULT length = SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return std::wstring(item.pszText != nullptr ? item.pszText : L"", length > 0 ? static_cast<size_t>(length) : 0);
}

LPARAM CListViewCtrl::GetItemData(int index) const
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    return SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

BOOL CListViewCtrl::SelectItem(int index)
{
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}
