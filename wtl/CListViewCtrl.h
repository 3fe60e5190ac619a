#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include "CWindow.h"

class CListViewCtrl : public CWindow
{
public:
    CListViewCtrl(HWND hWnd = nullptr) : CWindow(hWnd) {}
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    DWORD SetExtendedListViewStyle(DWORD mask, DWORD style)
    {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style));
    }
    int InsertColumn(int index, const wchar_t* heading, int format = LVCFMT_LEFT, int width = -1);
    BOOL SetColumnWidth(int column, int width) { return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0))); }
    int GetColumnWidth(int column) const { return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column))); }
    // The new row's index, -1 on failure.
    int InsertItem(int index, const wchar_t* text, LPARAM data = 0);
    BOOL SetItemText(int item, int subItem, const wchar_t* text);
    std::wstring GetItemText(int item, int subItem) const;
    LPARAM GetItemData(int item) const;
    // -1 when no row is selected.
    int GetSelectedIndex() const { return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); }
    BOOL SelectItem(int item);
};
