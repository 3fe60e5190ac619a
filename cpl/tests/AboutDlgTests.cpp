#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "AboutDlg.h"
#include "ModalWatcher.h"
#include "PageHost.h"
#include "WnString.h"

namespace {

// "Version %u.%u.%u" from the program's version resource.
std::wstring VersionLineOfTheResource()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    std::vector<uint8_t> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (size == 0 || !::GetFileVersionInfoW(path, 0, size, data.data()) ||
        !::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || info == nullptr)
        return L"no version resource";
    wchar_t line[64] = {};
    WnFormat(line, 64, L"Version %u.%u.%u", static_cast<unsigned>(HIWORD(info->dwFileVersionMS)),
             static_cast<unsigned>(LOWORD(info->dwFileVersionMS)), static_cast<unsigned>(HIWORD(info->dwFileVersionLS)));
    return line;
}

// What the About box showed while it ran.
struct Seen
{
    std::wstring caption;
    std::wstring text;
    std::wstring link;
    int focus = 0;
};

TEST(AboutDlgTest, ShowsVersionAndLinkAndClosesWithEscOrOk)
{
    PageHost owner;
    ASSERT_NE(nullptr, owner.Create(500, 400));
    struct Case
    {
        const char* name;
        bool escape;
        INT_PTR result;
    };
    const Case cases[] = {{"Esc", true, IDCANCEL}, {"OK", false, IDOK}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Seen seen;
        ModalWatcher watcher([&](HWND box) {
            CWindow dialog(box);
            seen.caption = dialog.GetWindowText();
            seen.text = dialog.GetDlgItemText(IDC_ABOUT_TEXT);
            seen.link = dialog.GetDlgItemText(IDC_ABOUT_LINK);
            seen.focus = ::GetDlgCtrlID(::GetFocus());
            if (c.escape) {
                ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0); // through the dialog manager
            } else {
                ::PostMessageW(dialog.GetDlgItem(IDOK), BM_CLICK, 0, 0);
            }
        });
        CAboutDlg about;
        EXPECT_EQ(c.result, about.DoModal(owner));
        EXPECT_EQ(L"About Quorvela Control Panel", seen.caption);
        EXPECT_EQ(L"Brightmoor Device Driver\n" + VersionLineOfTheResource() + L"\nCopyright \u00A9 Brightmoor", seen.text);
        EXPECT_EQ(CAboutDlg::MakerAddress(), seen.link);
        EXPECT_EQ(IDOK, seen.focus) << "the focus on the default button";
    }
    EXPECT_EQ(L"Version 1.36.1", VersionLineOfTheResource());
}

} // namespace
