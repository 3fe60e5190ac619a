#include "CComboBox.h"
#include <vector>

std::wstring CComboBox::GetLBText(int index) const
{
    LRESULT length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length == CB_ERR || length <= 0)
        return std::wstring();
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
    LRESULT copied = SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return copied > 0 ? std::wstring(text.data(), static_cast<size_t>(copied)) : std::wstring();
}
