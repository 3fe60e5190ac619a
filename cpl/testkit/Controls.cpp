#include "Controls.h"
#include "CComboBox.h"

std::vector<std::wstring> ComboItems(HWND combo)
{
    CComboBox box(combo);
    std::vector<std::wstring> items;
    for (int i = 0; i < box.GetCount(); ++i)
        items.push_back(box.GetLBText(i));
    return items;
}

std::wstring ComboSelection(HWND combo)
{
    CComboBox box(combo);
    int selected = box.GetCurSel();
    return selected == CB_ERR ? std::wstring() : box.GetLBText(selected);
}

bool ChooseComboItem(HWND combo, const std::wstring& text)
{
    CComboBox box(combo);
    int item = box.FindStringExact(-1, text.c_str());
    if (item == CB_ERR || box.SetCurSel(item) == CB_ERR)
        return false;
    ::SendMessageW(::GetParent(combo), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(combo), CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
    return true;
}

void ClickButton(HWND button)
{
    ::SendMessageW(button, BM_CLICK, 0, 0);
}
