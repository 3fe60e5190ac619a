#pragma once
#include <windows.h>
#include <string>
#include <vector>

// The items of a combo box, in list order.
std::vector<std::wstring> ComboItems(HWND combo);
// The selected item's text; empty when none is selected.
std::wstring ComboSelection(HWND combo);
// Selects the item with that text as the user does: the selection, then CBN_SELCHANGE to
// the parent. False when there is no such item.
bool ChooseComboItem(HWND combo, const std::wstring& text);
// Clicks a button as the user does (BM_CLICK). Returns once the click is handled, which
// includes any modal window it opened: catch those with a MessageBoxCatcher or ModalWatcher.
void ClickButton(HWND button);
