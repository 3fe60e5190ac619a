#pragma once
#include <string>
#include "CWindowImpl.h"

// A static control turned into a link: its label drawn underlined in the link colour, a hand
// cursor over it, a tab stop, and its target opened with the shell on a click or on the
// space bar while it has the focus.
class CHyperLink : public CWindowImpl<CHyperLink>
{
public:
    CHyperLink() = default;
    ~CHyperLink() override;

    // Takes over the static; label and target default to its text.
    BOOL SubclassWindow(HWND hWnd);
    void SetLabel(const wchar_t* label);
    void SetHyperLink(const wchar_t* target) { m_target = target != nullptr ? target : L""; }
    const std::wstring& GetLabel() const { return m_label; }
    const std::wstring& GetHyperLink() const { return m_target; }
    // The underlined font the label is drawn with.
    HFONT GetLinkFont() const { return m_font; }

    // Opens the target with the shell; true when the shell took it.
    virtual bool Navigate();

    BEGIN_MSG_MAP(CHyperLink)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
        MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
        MESSAGE_HANDLER(WM_GETDLGCODE, OnGetDlgCode)
        MESSAGE_HANDLER(WM_CHAR, OnChar)
        MESSAGE_HANDLER(WM_SETFOCUS, OnFocus)
        MESSAGE_HANDLER(WM_KILLFOCUS, OnFocus)
        MESSAGE_HANDLER(WM_SETFONT, OnSetFont)
    END_MSG_MAP()

    static const COLORREF kLinkColour = RGB(0, 0, 255);

private:
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGetDlgCode(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnChar(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnFocus(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetFont(UINT, WPARAM wParam, LPARAM, BOOL&);

    // An underlined copy of font (or of the dialog font when null).
    void MakeLinkFont(HFONT font);
    // The label's rectangle in client coordinates.
    RECT LabelRect(HDC dc) const;

    std::wstring m_label;
    std::wstring m_target;
    HFONT m_font = nullptr; // owned
};
