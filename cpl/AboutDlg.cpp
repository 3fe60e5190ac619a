#include "AboutDlg.h"
#include "CplVersion.h"
#include "WnString.h"

std::wstring CAboutDlg::AboutText()
{
    wchar_t version[64] = {};
    WnFormat(version, 64, L"Version %u.%u.%u", static_cast<unsigned>(CPL_VERSION_MAJOR),
             static_cast<unsigned>(CPL_VERSION_MINOR), static_cast<unsigned>(CPL_VERSION_BUILD));
    return std::wstring(L"Brightmoor Device Driver\n") + version + L"\nCopyright \u00A9 Brightmoor";
}

const wchar_t* CAboutDlg::MakerAddress()
{
    return L"https://www.brightmoor.example/";
}

LRESULT CAboutDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow(::GetParent(m_hWnd));
    SetDlgItemText(IDC_ABOUT_TEXT, AboutText().c_str());
    m_link.SubclassWindow(GetDlgItem(IDC_ABOUT_LINK));
    m_link.SetLabel(MakerAddress());
    m_link.SetHyperLink(MakerAddress());
    return TRUE;
}

LRESULT CAboutDlg::OnCloseCmd(WORD, WORD id, HWND, BOOL&)
{
    EndDialog(id);
    return 0;
}
