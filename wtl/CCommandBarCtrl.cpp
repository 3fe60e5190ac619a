#include "CCommandBarCtrl.h"
#include <cwctype>
#include <utility>
#include <vector>

namespace {

// The button of popup i has the command kFirstButton + i (never sent: clicks are ours).
const int kFirstButton = 1;
// Transparent colour of tool bar bitmaps.
const COLORREF kMaskColour = RGB(192, 192, 192);
// Space around a menu picture.
const int kPicturePad = 2;

// The command bar whose popup is open on this thread: the menu's message filter hook has
// no other way to reach it. Set only while a popup is tracked.
thread_local CCommandBarCtrl* t_tracking = nullptr;

// RT_TOOLBAR: version 1, image width and height, count, then the command ids (0 = gap).
struct ToolBarResource
{
    WORD version;
    WORD width;
    WORD height;
    WORD count;
};

} // namespace

CCommandBarCtrl::~CCommandBarCtrl()
{
    if (m_loop != nullptr)
        m_loop->RemoveMessageFilter(this);
    if (m_owner != nullptr)
        ::RemoveWindowSubclass(m_owner, OwnerProc, 0);
    ClearMenu();
}

HWND CCommandBarCtrl::Create(HWND parent, DWORD style, UINT id)
{
    if (m_hWnd != nullptr || parent == nullptr)
        return nullptr;
    HWND hWnd = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, style | TBSTYLE_FLAT | TBSTYLE_LIST, 0, 0, 100,
                                  20, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  CAppModule::ModuleInstance(), nullptr);
    if (hWnd == nullptr)
        return nullptr;
    if (!SubclassWindow(hWnd) || !::SetWindowSubclass(parent, OwnerProc, 0, reinterpret_cast<DWORD_PTR>(this))) {
        UnsubclassWindow();
        ::DestroyWindow(hWnd);
        return nullptr;
    }
    m_owner = parent;
    if (CAppModule* module = CAppModule::Current()) {
        m_loop = module->GetMessageLoop();
        if (m_loop != nullptr)
            m_loop->AddMessageFilter(this);
    }
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELONG(0, 0));
    return hWnd;
}

void CCommandBarCtrl::ClearMenu()
{
    if (m_menu != nullptr)
        ::DestroyMenu(m_menu);
    m_menu = nullptr;
}

BOOL CCommandBarCtrl::AttachMenu(HMENU menu)
{
    if (m_hWnd == nullptr || menu == nullptr || !::IsMenu(menu))
        return FALSE;
    while (SendMessage(TB_DELETEBUTTON, 0) != 0) {
    }
    if (menu != m_menu)
        ClearMenu();
    m_menu = menu;
    int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = {};
        ::GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        TBBUTTON button = {};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = kFirstButton + i;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
        button.iString = reinterpret_cast<INT_PTR>(text);
        SendMessage(TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
    }
    SendMessage(TB_AUTOSIZE);
    SetPictures(m_menu);
    return TRUE;
}

BOOL CCommandBarCtrl::LoadImages(UINT toolBarId, UINT bitmapId)
{
    HINSTANCE instance = CAppModule::ResourceInstance();
    HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(toolBarId), MAKEINTRESOURCEW(241) /* RT_TOOLBAR */);
    HGLOBAL loaded = found != nullptr ? ::LoadResource(instance, found) : nullptr;
    const auto* header = loaded != nullptr ? static_cast<const ToolBarResource*>(::LockResource(loaded)) : nullptr;
    DWORD size = found != nullptr ? ::SizeofResource(instance, found) : 0;
    if (header == nullptr || size < sizeof(ToolBarResource) || header->version != 1 || header->width == 0 ||
        header->height == 0 || size < sizeof(ToolBarResource) + header->count * sizeof(WORD))
        return FALSE;
    HBITMAP bitmap = static_cast<HBITMAP>(::LoadImageW(instance, MAKEINTRESOURCEW(bitmapId != 0 ? bitmapId : toolBarId),
                                                       IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap == nullptr)
        return FALSE;
    SIZE imageSize = {header->width, header->height};
    BITMAP picture = {};
    if (bitmapId != 0 && ::GetObjectW(bitmap, sizeof(picture), &picture) != 0 && picture.bmHeight > 0) {
        imageSize.cy = picture.bmHeight;
        imageSize.cx = ::MulDiv(header->width, picture.bmHeight, header->height);
    }
    CImageListManaged images(ImageList_Create(imageSize.cx, imageSize.cy, ILC_COLOR24 | ILC_MASK, header->count, 1));
    int added = images.Get() != nullptr ? ImageList_AddMasked(images.Get(), bitmap, kMaskColour) : -1;
    ::DeleteObject(bitmap);
    if (added < 0)
        return FALSE;
    m_images = std::move(images);
    m_imageSize = imageSize;
    m_imageOfCommand.clear();
    const WORD* commands = reinterpret_cast<const WORD*>(header + 1);
    int image = 0;
    for (WORD i = 0; i < header->count && image < ImageList_GetImageCount(m_images.Get()); ++i) {
        if (commands[i] != 0)
            m_imageOfCommand[commands[i]] = image++;
    }
    SetPictures(m_menu);
    return TRUE;
}

int CCommandBarCtrl::GetImageIndex(UINT command) const
{
    auto found = m_imageOfCommand.find(command);
    return found != m_imageOfCommand.end() ? found->second : -1;
}

void CCommandBarCtrl::SetPictures(HMENU menu)
{
    if (menu == nullptr || m_images.Get() == nullptr)
        return;
    int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item = {};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_ID | MIIM_SUBMENU;
        if (!::GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item))
            continue;
        if (item.hSubMenu != nullptr) {
            SetPictures(item.hSubMenu);
        } else if (GetImageIndex(item.wID) >= 0) {
            // Drawn by the owner (WM_MEASUREITEM / WM_DRAWITEM), which the command bar serves.
            item.fMask = MIIM_BITMAP;
            item.hbmpItem = HBMMENU_CALLBACK;
            ::SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
        }
    }
}

std::wstring CCommandBarCtrl::GetButtonText(int index) const
{
    wchar_t text[128] = {};
    LRESULT length = SendMessage(TB_GETBUTTONTEXTW, static_cast<WPARAM>(kFirstButton + index),
                                 reinterpret_cast<LPARAM>(text));
    return length > 0 && length < 128 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

int CCommandBarCtrl::FindMnemonic(wchar_t key) const
{
    wchar_t wanted = static_cast<wchar_t>(std::towlower(key));
    int count = GetButtonCount();
    for (int i = 0; i < count; ++i) {
        std::wstring text = GetButtonText(i);
        for (size_t at = text.find(L'&'); at != std::wstring::npos && at + 1 < text.size(); at = text.find(L'&', at + 2)) {
            if (text[at + 1] != L'&' && static_cast<wchar_t>(std::towlower(text[at + 1])) == wanted)
                return i;
        }
    }
    return -1;
}

void CCommandBarCtrl::EnterKeyboardMode(int index)
{
    int count = GetButtonCount();
    if (count <= 0 || !IsWindowVisible())
        return;
    if (!m_keyboardMode) {
        HWND focus = ::GetFocus();
        m_focusBefore = focus != m_hWnd ? focus : nullptr;
        m_keyboardMode = true;
        SetFocus();
    }
    SendMessage(TB_SETHOTITEM, static_cast<WPARAM>((index % count + count) % count));
}

void CCommandBarCtrl::LeaveKeyboardMode()
{
    if (!m_keyboardMode)
        return;
    m_keyboardMode = false;
    SendMessage(TB_SETHOTITEM, static_cast<WPARAM>(-1));
    HWND back = m_focusBefore;
    m_focusBefore = nullptr;
    if (::GetFocus() == m_hWnd)
        ::SetFocus(back != nullptr && ::IsWindow(back) ? back : m_owner);
}

int CCommandBarCtrl::ButtonFromScreenPoint(POINT screen) const
{
    POINT point = screen;
    ::ScreenToClient(m_hWnd, &point);
    RECT client;
    GetClientRect(&client);
    if (!::PtInRect(&client, point))
        return -1;
    int index = static_cast<int>(SendMessage(TB_HITTEST, 0, reinterpret_cast<LPARAM>(&point)));
    return index >= 0 && index < GetButtonCount() ? index : -1;
}

void CCommandBarCtrl::DropDown(int index, bool byKeyboard)
{
    if (m_menu == nullptr || m_openPopup >= 0)
        return;
    bool keyboard = byKeyboard;
    for (m_nextPopup = index; m_nextPopup >= 0;) {
        int popupIndex = m_nextPopup;
        m_nextPopup = -1;
        HMENU popup = ::GetSubMenu(m_menu, popupIndex);
        RECT button = {};
        if (popup == nullptr || !SendMessage(TB_GETITEMRECT, static_cast<WPARAM>(popupIndex), reinterpret_cast<LPARAM>(&button)))
            break;
        ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&button), 2);
        SendMessage(TB_SETHOTITEM, static_cast<WPARAM>(popupIndex));
        SendMessage(TB_PRESSBUTTON, static_cast<WPARAM>(kFirstButton + popupIndex), TRUE);
        if (keyboard)
            PostMessage(WM_KEYDOWN, VK_DOWN, 0); // the menu loop highlights the first item
        m_openPopup = popupIndex;
        m_openSubmenu = nullptr;
        CCommandBarCtrl* outer = t_tracking;
        t_tracking = this;
        m_hook = ::SetWindowsHookExW(WH_MSGFILTER, MenuFilterProc, nullptr, ::GetCurrentThreadId());
        TPMPARAMS params = {};
        params.cbSize = sizeof(params);
        params.rcExclude = button;
        ::TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL | TPM_LEFTBUTTON, button.left,
                           button.bottom, m_owner, &params);
        if (m_hook != nullptr)
            ::UnhookWindowsHookEx(m_hook);
        m_hook = nullptr;
        t_tracking = outer;
        m_openPopup = -1;
        SendMessage(TB_PRESSBUTTON, static_cast<WPARAM>(kFirstButton + popupIndex), FALSE);
        keyboard = m_nextByKeyboard;
    }
    SendMessage(TB_SETHOTITEM, static_cast<WPARAM>(-1));
    LeaveKeyboardMode();
}

void CCommandBarCtrl::SwitchTo(int index)
{
    int count = GetButtonCount();
    if (count <= 0)
        return;
    m_nextPopup = (index % count + count) % count;
    ::EndMenu();
}

LRESULT CALLBACK CCommandBarCtrl::MenuFilterProc(int code, WPARAM wParam, LPARAM lParam)
{
    CCommandBarCtrl* self = t_tracking;
    if (code == MSGF_MENU && self != nullptr && self->OnMenuMessage(reinterpret_cast<const MSG*>(lParam)))
        return 1;
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

bool CCommandBarCtrl::OnMenuMessage(const MSG* msg)
{
    switch (msg->message) {
    case WM_KEYDOWN:
        if (msg->wParam == VK_LEFT && m_openSubmenu == nullptr) {
            m_nextByKeyboard = true;
            SwitchTo(m_openPopup - 1);
            return true;
        }
        if (msg->wParam == VK_RIGHT && m_openSubmenu == nullptr) {
            m_nextByKeyboard = true;
            SwitchTo(m_openPopup + 1);
            return true;
        }
        return false;
    case WM_MOUSEMOVE: {
        int index = ButtonFromScreenPoint(msg->pt);
        if (index >= 0 && index != m_openPopup) {
            m_nextByKeyboard = false;
            SwitchTo(index);
            return true;
        }
        return false;
    }
    case WM_LBUTTONDOWN:
        // A click on the open popup's own button closes it.
        if (ButtonFromScreenPoint(msg->pt) == m_openPopup) {
            m_nextPopup = -1;
            ::EndMenu();
            return true;
        }
        return false;
    default:
        return false;
    }
}

LRESULT CALLBACK CCommandBarCtrl::OwnerProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR self)
{
    LRESULT result = 0;
    if (reinterpret_cast<CCommandBarCtrl*>(self)->OnOwnerMessage(message, wParam, lParam, &result))
        return result;
    if (message == WM_NCDESTROY)
        ::RemoveWindowSubclass(hWnd, OwnerProc, 0);
    return ::DefSubclassProc(hWnd, message, wParam, lParam);
}

bool CCommandBarCtrl::OnOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != SC_KEYMENU || m_menu == nullptr || !IsWindowVisible() || ::IsIconic(m_owner))
            return false;
        if (lParam == 0) { // Alt or F10 alone: switches keyboard mode on and off
            if (m_keyboardMode)
                LeaveKeyboardMode();
            else
                EnterKeyboardMode(0);
            return true;
        }
        if (lParam != L' ') { // Alt+Space is the system menu
            int index = FindMnemonic(static_cast<wchar_t>(lParam));
            if (index >= 0) {
                DropDown(index, true);
                return true;
            }
        }
        return false;
    case WM_MENUSELECT:
        // A submenu of the open popup is open while an item of it is highlighted.
        if (m_openPopup >= 0) {
            HMENU top = ::GetSubMenu(m_menu, m_openPopup);
            HMENU shown = reinterpret_cast<HMENU>(lParam);
            m_openSubmenu = shown != nullptr && shown != top ? shown : nullptr;
        }
        return false;
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlType != ODT_MENU || GetImageIndex(measure->itemID) < 0)
            return false;
        measure->itemWidth = static_cast<UINT>(m_imageSize.cx + kPicturePad);
        measure->itemHeight = static_cast<UINT>(m_imageSize.cy + kPicturePad);
        *result = TRUE;
        return true;
    }
    case WM_DRAWITEM: {
        auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        int image = draw->CtlType == ODT_MENU ? GetImageIndex(draw->itemID) : -1;
        if (image < 0)
            return false;
        const RECT& r = draw->rcItem;
        int x = r.left + (r.right - r.left - m_imageSize.cx) / 2;
        int y = r.top + (r.bottom - r.top - m_imageSize.cy) / 2;
        ImageList_Draw(m_images.Get(), image, draw->hDC, x, y,
                       (draw->itemState & ODS_GRAYED) != 0 ? ILD_TRANSPARENT | ILD_BLEND50 : ILD_TRANSPARENT);
        *result = TRUE;
        return true;
    }
    default:
        return false;
    }
}

LRESULT CCommandBarCtrl::OnLButtonDown(UINT, WPARAM, LPARAM lParam, BOOL& bHandled)
{
    POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(&point);
    int index = ButtonFromScreenPoint(point);
    if (index < 0) {
        bHandled = FALSE;
        return 0;
    }
    DropDown(index, false);
    return 0;
}

LRESULT CCommandBarCtrl::OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    if (!m_keyboardMode) {
        bHandled = FALSE;
        return 0;
    }
    int hot = GetHotItem();
    switch (wParam) {
    case VK_LEFT:
        EnterKeyboardMode(hot - 1);
        break;
    case VK_RIGHT:
        EnterKeyboardMode(hot + 1);
        break;
    case VK_DOWN:
    case VK_UP:
    case VK_RETURN:
        DropDown(hot < 0 ? 0 : hot, true);
        break;
    case VK_ESCAPE:
        LeaveKeyboardMode();
        break;
    default:
        break; // letters arrive as WM_CHAR
    }
    return 0;
}

LRESULT CCommandBarCtrl::OnChar(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    if (!m_keyboardMode) {
        bHandled = FALSE;
        return 0;
    }
    int index = FindMnemonic(static_cast<wchar_t>(wParam));
    if (index >= 0)
        DropDown(index, true);
    else
        ::MessageBeep(0);
    return 0;
}

LRESULT CCommandBarCtrl::OnKillFocus(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    // A popup dropped from keyboard mode does not take the focus; anything else ends it.
    if (m_keyboardMode && m_openPopup < 0) {
        m_keyboardMode = false;
        m_focusBefore = nullptr;
        SendMessage(TB_SETHOTITEM, static_cast<WPARAM>(-1));
    }
    bHandled = FALSE;
    return 0;
}

LRESULT CCommandBarCtrl::OnGetDlgCode(UINT, WPARAM, LPARAM, BOOL&)
{
    return DLGC_WANTARROWS | DLGC_WANTCHARS;
}

BOOL CCommandBarCtrl::PreTranslateMessage(MSG* msg)
{
    if (msg->message != WM_SYSCHAR || (HIWORD(msg->lParam) & KF_ALTDOWN) == 0 || m_menu == nullptr ||
        !IsWindowVisible() || ::GetAncestor(msg->hwnd, GA_ROOT) != m_owner || ::IsIconic(m_owner))
        return FALSE;
    int index = FindMnemonic(static_cast<wchar_t>(msg->wParam));
    if (index < 0)
        return FALSE;
    DropDown(index, true);
    return TRUE;
}

LRESULT CCommandBarCtrl::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    if (m_loop != nullptr)
        m_loop->RemoveMessageFilter(this);
    m_loop = nullptr;
    if (m_owner != nullptr)
        ::RemoveWindowSubclass(m_owner, OwnerProc, 0);
    m_owner = nullptr;
    bHandled = FALSE;
    return 0;
}
