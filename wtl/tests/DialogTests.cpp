#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <map>
#include "CDialogImpl.h"
#include "CDialogResize.h"
#include "CHyperLink.h"
#include "CWinDataExchange.h"
#include "CWindowImpl.h"
#include "WtlTestRes.h"

// Found by argument lookup for RECT, which lives in the global namespace.
inline bool operator==(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline std::ostream& operator<<(std::ostream& out, const RECT& r)
{
    return out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

namespace {

const UINT WM_ASK = WM_APP + 1;
const UINT WM_END = WM_APP + 2;

class Host : public CWindowImpl<Host>
{
public:
    DECLARE_WND_CLASS(L"WtlDialogTestHost")
    BEGIN_MSG_MAP(Host)
    END_MSG_MAP()
};

class DialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES};
        ::InitCommonControlsEx(&icc);
        ASSERT_NE(nullptr, host.Create(nullptr, nullptr, L"host", WS_POPUP | WS_VISIBLE));
    }
    void TearDown() override { host.DestroyWindow(); }

    Host host;
};

// Rectangle of a control in its dialog's client coordinates.
RECT ControlRect(HWND dialog, int id)
{
    RECT rect = {};
    ::GetWindowRect(::GetDlgItem(dialog, id), &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Resizes a dialog's client area to width by height.
void SetClientSize(HWND dialog, int width, int height)
{
    RECT client = {}, window = {};
    ::GetClientRect(dialog, &client);
    ::GetWindowRect(dialog, &window);
    ::SetWindowPos(dialog, nullptr, 0, 0, width + (window.right - window.left) - client.right,
                   height + (window.bottom - window.top) - client.bottom, SWP_NOMOVE | SWP_NOZORDER);
}

class ResizeDialog : public CDialogImpl<ResizeDialog>, public CDialogResize<ResizeDialog>
{
public:
    enum { IDD = IDD_WTL_RESIZE };

    BEGIN_DLGRESIZE_MAP(ResizeDialog)
        DLGRESIZE_CONTROL(IDC_GROW, DLSZ_SIZE_X | DLSZ_SIZE_Y)
        DLGRESIZE_CONTROL(IDC_MOVE_DOWN, DLSZ_MOVE_Y)
        DLGRESIZE_CONTROL(IDC_WIDEN_DOWN, DLSZ_SIZE_X | DLSZ_MOVE_Y)
    END_DLGRESIZE_MAP()

    BEGIN_MSG_MAP(ResizeDialog)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_ASK, OnAsk)
        MESSAGE_HANDLER(WM_END, OnEnd)
        CHAIN_MSG_MAP(CDialogResize<ResizeDialog>)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM lParam, BOOL&)
    {
        initParam = lParam;
        DlgResize_Init(false, true, 0);
        return TRUE;
    }
    LRESULT OnAsk(UINT, WPARAM wParam, LPARAM, BOOL&) { return static_cast<LRESULT>(wParam + 1000); }
    LRESULT OnEnd(UINT, WPARAM wParam, LPARAM, BOOL&)
    {
        EndDialog(static_cast<int>(wParam));
        return 0;
    }

    LPARAM initParam = -1;
};

TEST_F(DialogTest, ModelessDialogGetsItsInitParamAndAnswersThroughTheMap)
{
    ResizeDialog dialog;
    ASSERT_NE(nullptr, dialog.Create(host, 1234));
    EXPECT_EQ(1234, dialog.initParam);
    EXPECT_EQ(host.m_hWnd, ::GetParent(dialog.m_hWnd));
    EXPECT_EQ(1007, ::SendMessageW(dialog, WM_ASK, 7, 0)) << "results of ordinary messages pass DWLP_MSGRESULT";
    EXPECT_EQ(nullptr, dialog.Create(host)) << "one window per object";
    EXPECT_TRUE(dialog.DestroyWindow());
    EXPECT_EQ(nullptr, dialog.m_hWnd);
}

// The modal dialog ends itself from a message posted before it runs.
class ModalDialog : public CDialogImpl<ModalDialog>
{
public:
    enum { IDD = IDD_WTL_LINK };
    BEGIN_MSG_MAP(ModalDialog)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
    {
        ::PostMessageW(m_hWnd, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    LRESULT OnCancel(WORD, WORD id, HWND, BOOL&)
    {
        EndDialog(id + 40);
        return 0;
    }
};

TEST_F(DialogTest, ModalDialogReturnsWhatEndDialogGives)
{
    ModalDialog dialog;
    EXPECT_EQ(IDCANCEL + 40, dialog.DoModal(host));
    EXPECT_EQ(nullptr, dialog.m_hWnd);
}

TEST_F(DialogTest, ResizeListMovesAndGrowsExactlyTheListedControls)
{
    ResizeDialog dialog;
    ASSERT_NE(nullptr, dialog.Create(host));
    std::map<int, RECT> before;
    for (int id : {IDC_GROW, IDC_MOVE_DOWN, IDC_WIDEN_DOWN, IDC_FIXED})
        before[id] = ControlRect(dialog, id);
    RECT client = {};
    dialog.GetClientRect(&client);
    RECT window = {};
    dialog.GetWindowRect(&window);

    struct Step
    {
        const char* name;
        int dx, dy;
    };
    const Step steps[] = {{"larger", 40, 30}, {"back", 0, 0}, {"smaller", -10, -5}, {"wider only", 25, 0}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        SetClientSize(dialog, client.right + step.dx, client.bottom + step.dy);
        RECT grow = before[IDC_GROW];
        grow.right += step.dx;
        grow.bottom += step.dy;
        EXPECT_EQ(grow, ControlRect(dialog, IDC_GROW));
        RECT down = before[IDC_MOVE_DOWN];
        ::OffsetRect(&down, 0, step.dy);
        EXPECT_EQ(down, ControlRect(dialog, IDC_MOVE_DOWN));
        RECT widenDown = before[IDC_WIDEN_DOWN];
        widenDown.right += step.dx;
        ::OffsetRect(&widenDown, 0, step.dy);
        EXPECT_EQ(widenDown, ControlRect(dialog, IDC_WIDEN_DOWN));
        EXPECT_EQ(before[IDC_FIXED], ControlRect(dialog, IDC_FIXED));
    }

    MINMAXINFO info = {};
    ::SendMessageW(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(window.right - window.left, info.ptMinTrackSize.x) << "the initial size is the minimum";
    EXPECT_EQ(window.bottom - window.top, info.ptMinTrackSize.y);
    dialog.DestroyWindow();
}

// The growing control also has the move flags, which its size flags beat; the grip as asked.
class GripDialog : public CDialogImpl<GripDialog>, public CDialogResize<GripDialog>
{
public:
    enum { IDD = IDD_WTL_RESIZE };
    explicit GripDialog(bool gripper) : gripper(gripper) {}

    BEGIN_DLGRESIZE_MAP(GripDialog)
        DLGRESIZE_CONTROL(IDC_GROW, DLSZ_SIZE_X | DLSZ_MOVE_X | DLSZ_SIZE_Y | DLSZ_MOVE_Y)
    END_DLGRESIZE_MAP()
    BEGIN_MSG_MAP(GripDialog)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        CHAIN_MSG_MAP(CDialogResize<GripDialog>)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
    {
        DlgResize_Init(gripper, false, 0);
        DlgResize_Init(gripper, false, 0); // again: still one grip
        return TRUE;
    }
    bool gripper;
};

TEST_F(DialogTest, SizeGripFollowsTheCornerAndSizeBeatsMove)
{
    for (bool gripper : {true, false}) {
        SCOPED_TRACE(gripper ? "grip" : "no grip");
        GripDialog dialog(gripper);
        ASSERT_NE(nullptr, dialog.Create(host));
        RECT grow = ControlRect(dialog, IDC_GROW);
        RECT client = {};
        dialog.GetClientRect(&client);
        SetClientSize(dialog, client.right + 40, client.bottom + 30);
        grow.right += 40;
        grow.bottom += 30;
        EXPECT_EQ(grow, ControlRect(dialog, IDC_GROW)) << "grows and stays";
        int grips = 0;
        for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
            grips += ::GetDlgCtrlID(child) == DLGRESIZE_GRIPPER_ID ? 1 : 0;
        EXPECT_EQ(gripper ? 1 : 0, grips);
        if (gripper) {
            CWindow grip = dialog.GetDlgItem(DLGRESIZE_GRIPPER_ID);
            wchar_t name[16] = {};
            ::GetClassNameW(grip, name, 16);
            EXPECT_EQ(0, ::lstrcmpiW(L"ScrollBar", name));
            EXPECT_EQ(static_cast<DWORD>(SBS_SIZEBOX | SBS_SIZEGRIP), grip.GetStyle() & (SBS_SIZEBOX | SBS_SIZEGRIP));
            RECT box = ControlRect(dialog, DLGRESIZE_GRIPPER_ID);
            dialog.GetClientRect(&client);
            EXPECT_EQ(client.right, box.right) << "in the bottom right corner";
            EXPECT_EQ(client.bottom, box.bottom);
            EXPECT_LT(box.right - box.left, client.right / 4) << "a box, not the client";
        }
        dialog.DestroyWindow();
    }
}

class RadioDialog : public CDialogImpl<RadioDialog>, public CWinDataExchange<RadioDialog>
{
public:
    enum { IDD = IDD_WTL_RADIO };
    BEGIN_MSG_MAP(RadioDialog)
    END_MSG_MAP()
    BEGIN_DDX_MAP(RadioDialog)
        DDX_RADIO(IDC_RADIO_A, choice)
    END_DDX_MAP()

    int choice = 0;
};

TEST_F(DialogTest, RadioGroupExchangeStopsAtTheNextGroup)
{
    RadioDialog dialog;
    ASSERT_NE(nullptr, dialog.Create(host));
    ::CheckDlgButton(dialog, IDC_RADIO_OTHER, BST_CHECKED);
    struct Case
    {
        int value;
        UINT a, b, c;
    };
    const Case cases[] = {{1, 0, 1, 0}, {2, 0, 0, 1}, {0, 1, 0, 0}, {3, 0, 0, 0}, {-1, 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        dialog.choice = c.value;
        dialog.DoDataExchange(FALSE);
        EXPECT_EQ(c.a, ::IsDlgButtonChecked(dialog, IDC_RADIO_A));
        EXPECT_EQ(c.b, ::IsDlgButtonChecked(dialog, IDC_RADIO_B));
        EXPECT_EQ(c.c, ::IsDlgButtonChecked(dialog, IDC_RADIO_C));
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(dialog, IDC_RADIO_OTHER)) << "another group";
        dialog.choice = 77;
        dialog.DoDataExchange(TRUE);
        EXPECT_EQ(c.value >= 0 && c.value <= 2 ? c.value : -1, dialog.choice);
    }
    dialog.DestroyWindow();
}

class CountingLink : public CHyperLink
{
public:
    bool Navigate() override
    {
        ++navigations;
        return true;
    }
    int navigations = 0;
};

class LinkDialog : public CDialogImpl<LinkDialog>
{
public:
    enum { IDD = IDD_WTL_LINK };
    BEGIN_MSG_MAP(LinkDialog)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    END_MSG_MAP()
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
    {
        link.SubclassWindow(GetDlgItem(IDC_LINK));
        return TRUE;
    }
    CountingLink link;
};

TEST_F(DialogTest, HyperLinkIsUnderlinedReachableByKeyboardAndOpensOnClickOrSpace)
{
    LinkDialog dialog;
    ASSERT_NE(nullptr, dialog.Create(host));
    CountingLink& link = dialog.link;
    ASSERT_EQ(dialog.GetDlgItem(IDC_LINK).m_hWnd, link.m_hWnd);
    EXPECT_EQ(L"https://example.invalid/", link.GetLabel());
    EXPECT_EQ(L"https://example.invalid/", link.GetHyperLink());
    LOGFONTW font = {};
    ASSERT_NE(0, ::GetObjectW(link.GetLinkFont(), sizeof(font), &font));
    EXPECT_TRUE(font.lfUnderline);
    EXPECT_NE(0u, link.GetStyle() & WS_TABSTOP);
    EXPECT_EQ(link.m_hWnd, ::GetNextDlgTabItem(dialog, dialog.GetDlgItem(IDOK), FALSE)) << "Tab reaches the link";
    EXPECT_NE(0, ::SendMessageW(link, WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS);

    ::SendMessageW(link, WM_CHAR, L' ', 0);
    ::SendMessageW(link, WM_CHAR, L'x', 0);
    EXPECT_EQ(1, link.navigations) << "space opens the link";
    ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(2, link.navigations) << "a click opens the link";
    ::SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 30000));
    EXPECT_EQ(2, link.navigations) << "released outside: nothing";

    ::SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link.m_hWnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::LoadCursorW(nullptr, IDC_HAND), ::GetCursor());

    link.SetLabel(L"Label");
    link.SetHyperLink(L"https://target.invalid/");
    EXPECT_EQ(L"Label", link.GetWindowText());
    EXPECT_EQ(L"https://target.invalid/", link.GetHyperLink());
    dialog.DestroyWindow();
    EXPECT_EQ(nullptr, link.m_hWnd) << "detached with its window";
}

} // namespace
