#pragma once
#include <windows.h>
#include <commctrl.h>
#include <map>
#include <string>
#include "CImageList.h"
#include "CMessageLoop.h"
#include "CWindowImpl.h"

enum : DWORD {
    // child, visible, clipping, no divider, sized and placed by its rebar band
    ATL_SIMPLE_CMDBAR_PANE_STYLE =
        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
};

// A menu bar drawn as a flat tool bar, to sit in a band of a rebar: one button per popup of
// the attached menu. A click on a button drops its popup below it; with the keyboard, Alt
// or F10 alone makes the first button hot (Left and Right move, Down, Up or Enter drop it
// down, Esc leaves), Alt with a mnemonic drops that popup, and while a popup is open Left
// and Right (and the mouse over another button) move to the neighbouring popup. Menu
// items whose commands appear in the tool bar resource loaded by LoadImages show its
// pictures. Commands, WM_MENUSELECT and WM_INITMENUPOPUP go to the window that was the
// parent at creation (the frame). Alt with a mnemonic reaches the command bar through the
// message filter it adds to the thread's message loop (first, before the frame's own).
class CCommandBarCtrl : public CWindowImpl<CCommandBarCtrl>, public CMessageFilter
{
public:
    CCommandBarCtrl() = default;
    ~CCommandBarCtrl() override;

    BEGIN_MSG_MAP(CCommandBarCtrl)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
        MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnLButtonDown)
        MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
        MESSAGE_HANDLER(WM_CHAR, OnChar)
        MESSAGE_HANDLER(WM_KILLFOCUS, OnKillFocus)
        MESSAGE_HANDLER(WM_GETDLGCODE, OnGetDlgCode)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    END_MSG_MAP()

    HWND Create(HWND parent, DWORD style = ATL_SIMPLE_CMDBAR_PANE_STYLE, UINT id = 0xE802 /* ATL_IDW_COMMAND_BAR */);
    // Takes the menu (owned from now on) and makes its buttons.
    BOOL AttachMenu(HMENU menu);
    HMENU GetMenu() const { return m_menu; }
    // Reads the tool bar resource id (RT_TOOLBAR: its command ids and image size) and the
    // bitmap of the same id (light grey is transparent). A bitmapId names a larger bitmap of
    // the same pictures instead: their size is then its height in the resource's proportion.
    BOOL LoadImages(UINT toolBarId, UINT bitmapId = 0);
    // The picture of a command in the image list, or -1.
    int GetImageIndex(UINT command) const;
    HIMAGELIST GetImageList() const { return m_images.Get(); }

    int GetButtonCount() const { return static_cast<int>(SendMessage(TB_BUTTONCOUNT)); }
    std::wstring GetButtonText(int index) const;
    // The button whose text has that mnemonic (after '&'), or -1.
    int FindMnemonic(wchar_t key) const;
    int GetHotItem() const { return static_cast<int>(SendMessage(TB_GETHOTITEM)); }
    // Keyboard mode: a hot button and the keyboard, until Esc, a drop-down or the focus goes.
    void EnterKeyboardMode(int index = 0);
    void LeaveKeyboardMode();
    bool IsKeyboardMode() const { return m_keyboardMode; }
    // The popup being shown, or -1.
    int GetOpenPopup() const { return m_openPopup; }
    // Alt with a mnemonic of a popup, in the frame: drops that popup.
    BOOL PreTranslateMessage(MSG* msg) override;
    // Shows popup index below its button until the user chooses or cancels; byKeyboard
    // highlights its first item. Returns when all popups are closed.
    void DropDown(int index, bool byKeyboard);

    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnKeyDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnChar(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnKillFocus(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGetDlgCode(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);

private:
    // Messages of the owner window (the frame) that the command bar serves: the keyboard's
    // menu command and the drawing of the menu pictures.
    static LRESULT CALLBACK OwnerProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
    bool OnOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Message filter hook of the menu's modal loop while a popup is open.
    static LRESULT CALLBACK MenuFilterProc(int code, WPARAM wParam, LPARAM lParam);
    bool OnMenuMessage(const MSG* msg);
    // Ends the open popup and asks for index to be shown next.
    void SwitchTo(int index);
    int ButtonFromScreenPoint(POINT screen) const;
    void SetPictures(HMENU menu);
    void ClearMenu();

    HWND m_owner = nullptr;
    CMessageLoop* m_loop = nullptr; // not owned: the loop the filter was added to
    HMENU m_menu = nullptr; // owned
    CImageListManaged m_images;
    std::map<UINT, int> m_imageOfCommand;
    SIZE m_imageSize = {16, 15};
    bool m_keyboardMode = false;
    HWND m_focusBefore = nullptr; // gets the focus back when keyboard mode ends
    int m_openPopup = -1;
    int m_nextPopup = -1;       // set while switching from one popup to its neighbour
    bool m_nextByKeyboard = false;
    HMENU m_openSubmenu = nullptr; // a submenu of the open popup that is open too
    HHOOK m_hook = nullptr;
};
