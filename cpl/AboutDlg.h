#pragma once
#include <string>
#include "AboutDlgRes.h"
#include "CDialogImpl.h"
#include "CHyperLink.h"
#include "resource.h"

// The modal About box: package name, version and maker, and a link to the maker's site.
class CAboutDlg : public CDialogImpl<CAboutDlg>
{
public:
    enum { IDD = IDD_ABOUTBOX };

    BEGIN_MSG_MAP(CAboutDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnCloseCmd)
        COMMAND_ID_HANDLER(IDCANCEL, OnCloseCmd)
    END_MSG_MAP()

    // The three lines of static 1006.
    static std::wstring AboutText();
    // Label and target of the link.
    static const wchar_t* MakerAddress();

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCloseCmd(WORD, WORD id, HWND, BOOL&);

    CHyperLink m_link;
};
