#include "CWinDataExchange.h"

namespace {

bool IsRadioButton(HWND control)
{
    if (::SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
        return true;
    LONG type = ::GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

} // namespace

void WtlExchangeRadio(HWND dialog, UINT firstId, int& value, BOOL save)
{
    HWND control = ::GetDlgItem(dialog, static_cast<int>(firstId));
    if (save)
        value = -1;
    for (int index = 0; control != nullptr && IsRadioButton(control); ++index) {
        if (save) {
            if (::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                value = index;
                return;
            }
        } else {
            ::SendMessageW(control, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        control = ::GetWindow(control, GW_HWNDNEXT);
        if (control != nullptr && (::GetWindowLongW(control, GWL_STYLE) & WS_GROUP) != 0)
            break;
    }
}
