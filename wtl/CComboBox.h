#pragma once
#include <string>
#include "CWindow.h"

class CComboBox : public CWindow
{
public:
    CComboBox(HWND hWnd = nullptr) : CWindow(hWnd) {}
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    int AddString(const wchar_t* text) { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
    DWORD_PTR GetItemData(int index) const { return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(index))); }
    int SetItemData(int index, DWORD_PTR data) { return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data))); }
    // CB_ERR when no item has exactly that text.
    int FindStringExact(int startAfter, const wchar_t* text) const
    {
        return static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(startAfter), reinterpret_cast<LPARAM>(text)));
    }
    // Empty for an index out of range.
    std::wstring GetLBText(int index) const;
};
