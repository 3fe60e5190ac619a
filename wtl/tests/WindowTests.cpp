#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "CWaitCursor.h"
#include "CWindowImpl.h"

namespace {

const UINT WM_ASK = WM_APP + 1;

class TestWindow : public CWindowImpl<TestWindow>
{
public:
    DECLARE_WND_CLASS_EX(L"WtlTestWindow", CS_DBLCLKS, COLOR_BTNFACE)
    BEGIN_MSG_MAP(TestWindow)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_ASK, OnAsk)
        MESSAGE_HANDLER(WM_SETTEXT, OnSetText)
    END_MSG_MAP()

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&)
    {
        createdWith = m_hWnd;
        return 0;
    }
    LRESULT OnAsk(UINT, WPARAM wParam, LPARAM, BOOL&) { return static_cast<LRESULT>(wParam * 2); }
    // Declines, then lets the default processing store the text.
    LRESULT OnSetText(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        ++setTexts;
        bHandled = FALSE;
        return 0;
    }
    void OnFinalMessage(HWND hWnd) override { finalWindow = hWnd; }

    HWND createdWith = nullptr;
    HWND finalWindow = nullptr;
    int setTexts = 0;
};

TEST(WindowImplTest, MessagesReachTheMapAndTheRestTheDefault)
{
    TestWindow window;
    HWND hWnd = window.Create(nullptr, nullptr, L"first", WS_POPUP);
    ASSERT_NE(nullptr, hWnd);
    EXPECT_EQ(hWnd, window.m_hWnd);
    EXPECT_EQ(hWnd, window.createdWith) << "the object is reachable from WM_CREATE on";
    EXPECT_EQ(42, ::SendMessageW(hWnd, WM_ASK, 21, 0));
    EXPECT_TRUE(window.SetWindowText(L"second"));
    EXPECT_EQ(L"second", window.GetWindowText()) << "a declined message gets the default processing";
    EXPECT_EQ(1, window.setTexts);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(::GetClassInfoExW(::GetModuleHandleW(nullptr), L"WtlTestWindow", &wc));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), wc.hbrBackground);
    EXPECT_EQ(nullptr, window.Create(nullptr)) << "one window per object";

    EXPECT_TRUE(window.DestroyWindow());
    EXPECT_EQ(hWnd, window.finalWindow);
    EXPECT_EQ(nullptr, window.m_hWnd);
}

TEST(WindowImplTest, ObjectGoneBeforeItsWindowIsNotReachedAgain)
{
    HWND hWnd = nullptr;
    {
        TestWindow window;
        hWnd = window.Create(nullptr, nullptr, L"", WS_POPUP);
        ASSERT_NE(nullptr, hWnd);
    }
    EXPECT_EQ(0, ::SendMessageW(hWnd, WM_ASK, 21, 0)) << "default processing only";
    EXPECT_TRUE(::DestroyWindow(hWnd));
}

// A subclassed edit control: the map first, then the control's own procedure.
class UpperEdit : public CWindowImpl<UpperEdit>
{
public:
    BEGIN_MSG_MAP(UpperEdit)
        MESSAGE_HANDLER(WM_CHAR, OnChar)
    END_MSG_MAP()

    LRESULT OnChar(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
    {
        return DefWindowProc(WM_CHAR, ::towupper(static_cast<wint_t>(wParam)), lParam);
    }
};

TEST(WindowImplTest, SubclassedControlKeepsItsOwnBehaviour)
{
    HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, edit);
    {
        UpperEdit upper;
        ASSERT_TRUE(upper.SubclassWindow(edit));
        EXPECT_FALSE(upper.SubclassWindow(edit)) << "already attached";
        ::SendMessageW(edit, WM_CHAR, L'a', 0);
        ::SendMessageW(edit, WM_CHAR, L'b', 0);
        EXPECT_EQ(L"AB", upper.GetWindowText());
    } // the destructor gives the control back
    ::SendMessageW(edit, WM_CHAR, L'c', 0);
    wchar_t text[8] = {};
    ::GetWindowTextW(edit, text, 8);
    EXPECT_STREQ(L"ABc", text);
    ::DestroyWindow(edit);
}

TEST(WaitCursorTest, WaitCursorForItsLifetimeThenThePreviousOne)
{
    HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
    ::SetCursor(arrow);
    {
        CWaitCursor wait;
        EXPECT_EQ(::LoadCursorW(nullptr, IDC_WAIT), ::GetCursor());
    }
    EXPECT_EQ(arrow, ::GetCursor());
}

} // namespace
