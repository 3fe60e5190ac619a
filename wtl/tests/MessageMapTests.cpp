#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "CMessageLoop.h"
#include "CWindowImpl.h"

namespace {

typedef std::vector<std::string> Journal;

const UINT WM_FIRST_DECLINES = WM_APP + 1; // the first entry declines, the second takes it
const UINT WM_CHAINED = WM_APP + 2;        // only the chained map knows it
const UINT WM_MEMBER = WM_APP + 3;         // only the chained member knows it
const UINT WM_RANGE_LOW = WM_APP + 10;
const UINT WM_RANGE_HIGH = WM_APP + 12;
const UINT WM_NOBODY = WM_APP + 20;

// A mix-in whose map is chained after the class's own entries.
template <class T>
class JournalMixin
{
public:
    BEGIN_MSG_MAP(JournalMixin)
        MESSAGE_HANDLER(WM_FIRST_DECLINES, OnMixin)
        MESSAGE_HANDLER(WM_CHAINED, OnMixin)
    ALT_MSG_MAP(1)
        MESSAGE_HANDLER(WM_NOBODY, OnMixinAlt)
    END_MSG_MAP()

    LRESULT OnMixin(UINT, WPARAM, LPARAM, BOOL&)
    {
        static_cast<T*>(this)->journal.push_back("mixin");
        return 2;
    }
    LRESULT OnMixinAlt(UINT, WPARAM, LPARAM, BOOL&)
    {
        static_cast<T*>(this)->journal.push_back("mixin alt");
        return 3;
    }
};

class MemberMap
{
public:
    explicit MemberMap(Journal* journal) : m_journal(journal) {}
    BEGIN_MSG_MAP(MemberMap)
        MESSAGE_HANDLER(WM_MEMBER, OnMember)
    END_MSG_MAP()

    LRESULT OnMember(UINT, WPARAM, LPARAM, BOOL&)
    {
        m_journal->push_back("member");
        return 4;
    }

private:
    Journal* m_journal;
};

class Mapped : public CWindowImpl<Mapped>, public JournalMixin<Mapped>
{
public:
    Mapped() : member(&journal) {}

    BEGIN_MSG_MAP(Mapped)
        MESSAGE_HANDLER(WM_FIRST_DECLINES, OnDecline)
        MESSAGE_HANDLER(WM_FIRST_DECLINES, OnTake)
        MESSAGE_RANGE_HANDLER(WM_RANGE_LOW, WM_RANGE_HIGH, OnRange)
        COMMAND_HANDLER(100, BN_CLICKED, OnCommand)
        COMMAND_ID_HANDLER(101, OnCommand)
        COMMAND_CODE_HANDLER(EN_CHANGE, OnCommand)
        NOTIFY_HANDLER(200, NM_CLICK, OnNotify)
        NOTIFY_ID_HANDLER(201, OnNotify)
        NOTIFY_CODE_HANDLER(NM_DBLCLK, OnNotify)
        CHAIN_MSG_MAP(JournalMixin<Mapped>)
        CHAIN_MSG_MAP_MEMBER(member)
        CHAIN_MSG_MAP_ALT(JournalMixin<Mapped>, 1)
    END_MSG_MAP()

    LRESULT OnDecline(UINT, WPARAM, LPARAM, BOOL& bHandled)
    {
        journal.push_back("decline");
        bHandled = FALSE;
        return 99;
    }
    LRESULT OnTake(UINT, WPARAM, LPARAM, BOOL&)
    {
        journal.push_back("take");
        return 1;
    }
    LRESULT OnRange(UINT uMsg, WPARAM, LPARAM, BOOL&)
    {
        journal.push_back("range " + std::to_string(uMsg - WM_RANGE_LOW));
        return 5;
    }
    LRESULT OnCommand(WORD code, WORD id, HWND, BOOL&)
    {
        journal.push_back("command " + std::to_string(id) + "/" + std::to_string(code));
        return 6;
    }
    LRESULT OnNotify(int id, LPNMHDR header, BOOL&)
    {
        journal.push_back("notify " + std::to_string(id) + "/" + std::to_string(static_cast<int>(header->code)));
        return 7;
    }

    Journal journal;
    MemberMap member;
};

struct MapCase
{
    const char* name;
    UINT message;
    WPARAM wParam;
    UINT_PTR notifyId; // WM_NOTIFY only
    UINT notifyCode;
    BOOL handled;
    LRESULT result;
    Journal journal;
};

TEST(MessageMapTest, EntriesInOrderThenChainedMaps)
{
    const MapCase cases[] = {
        {"first declines, second takes", WM_FIRST_DECLINES, 0, 0, 0, TRUE, 1, {"decline", "take"}},
        {"chained map sees what the first left", WM_CHAINED, 0, 0, 0, TRUE, 2, {"mixin"}},
        {"chained member", WM_MEMBER, 0, 0, 0, TRUE, 4, {"member"}},
        {"alternate map of the mixin", WM_NOBODY, 0, 0, 0, TRUE, 3, {"mixin alt"}},
        {"range low end", WM_RANGE_LOW, 0, 0, 0, TRUE, 5, {"range 0"}},
        {"range high end", WM_RANGE_HIGH, 0, 0, 0, TRUE, 5, {"range 2"}},
        {"above the range", WM_RANGE_HIGH + 1, 0, 0, 0, FALSE, 0, {}},
        {"command id and code", WM_COMMAND, MAKEWPARAM(100, BN_CLICKED), 0, 0, TRUE, 6, {"command 100/0"}},
        {"command id, other code", WM_COMMAND, MAKEWPARAM(100, BN_DOUBLECLICKED), 0, 0, FALSE, 0, {}},
        {"command id only", WM_COMMAND, MAKEWPARAM(101, 7), 0, 0, TRUE, 6, {"command 101/7"}},
        {"command code only", WM_COMMAND, MAKEWPARAM(555, EN_CHANGE), 0, 0, TRUE, 6,
         {"command 555/" + std::to_string(EN_CHANGE)}},
        {"notify id and code", WM_NOTIFY, 200, 200, static_cast<UINT>(NM_CLICK), TRUE, 7,
         {"notify 200/" + std::to_string(static_cast<int>(NM_CLICK))}},
        {"notify id, other code", WM_NOTIFY, 200, 200, static_cast<UINT>(NM_RCLICK), FALSE, 0, {}},
        {"notify id only", WM_NOTIFY, 201, 201, static_cast<UINT>(NM_RCLICK), TRUE, 7,
         {"notify 201/" + std::to_string(static_cast<int>(NM_RCLICK))}},
        {"notify code only", WM_NOTIFY, 999, 999, static_cast<UINT>(NM_DBLCLK), TRUE, 7,
         {"notify 999/" + std::to_string(static_cast<int>(NM_DBLCLK))}},
    };
    for (const MapCase& c : cases) {
        SCOPED_TRACE(c.name);
        Mapped mapped;
        NMHDR header = {nullptr, c.notifyId, c.notifyCode};
        LRESULT result = 0;
        BOOL handled = mapped.ProcessWindowMessage(nullptr, c.message, c.wParam, reinterpret_cast<LPARAM>(&header),
                                                   result);
        EXPECT_EQ(c.handled, handled);
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(c.journal, mapped.journal);
    }
}

TEST(MessageMapTest, AlternateMapAloneSeesOnlyItsEntries)
{
    Mapped mapped;
    LRESULT result = 0;
    EXPECT_FALSE(mapped.JournalMixin<Mapped>::ProcessWindowMessage(nullptr, WM_CHAINED, 0, 0, result, 1));
    EXPECT_TRUE(mapped.JournalMixin<Mapped>::ProcessWindowMessage(nullptr, WM_NOBODY, 0, 0, result, 1));
    EXPECT_EQ((Journal{"mixin alt"}), mapped.journal);
}

// A window for the loop: journals what is dispatched to it and drives the next step.
class LoopWindow : public CWindowImpl<LoopWindow>
{
public:
    DECLARE_WND_CLASS(L"WtlLoopTestWindow")
    BEGIN_MSG_MAP(LoopWindow)
        MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
        MESSAGE_RANGE_HANDLER(WM_APP, WM_APP + 10, OnApp)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
    END_MSG_MAP()

    LRESULT OnMouseMove(UINT, WPARAM, LPARAM, BOOL&)
    {
        journal->push_back("mousemove");
        return 0;
    }
    LRESULT OnApp(UINT uMsg, WPARAM, LPARAM, BOOL&)
    {
        journal->push_back("app" + std::to_string(uMsg - WM_APP));
        return 0;
    }
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&)
    {
        ::PostQuitMessage(-1); // the test hung: end it
        return 0;
    }

    Journal* journal = nullptr;
};

class JournalLoop : public CMessageLoop
{
public:
    BOOL OnIdle(int idleCount) override
    {
        journal->push_back("idle" + std::to_string(idleCount));
        return CMessageLoop::OnIdle(idleCount);
    }
    Journal* journal = nullptr;
};

// Idle handler scripted by call number.
class ScriptedIdle : public CIdleHandler
{
public:
    BOOL OnIdle() override
    {
        ++calls;
        switch (calls) {
        case 1:
            window->PostMessage(WM_MOUSEMOVE); // does not start a new idle phase
            return TRUE;
        case 2:
            window->PostMessage(WM_APP + 2); // consumed by the first filter
            window->PostMessage(WM_APP + 1);
            return TRUE;
        default:
            ::PostQuitMessage(5);
            return FALSE;
        }
    }
    int calls = 0;
    LoopWindow* window = nullptr;
};

class CountingIdle : public CIdleHandler
{
public:
    BOOL OnIdle() override
    {
        ++calls;
        return TRUE;
    }
    int calls = 0;
};

class ConsumingFilter : public CMessageFilter
{
public:
    ConsumingFilter(Journal* journal, const char* name, UINT consumes) : m_journal(journal), m_name(name), m_consumes(consumes) {}
    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (msg->message < WM_APP || msg->message > WM_APP + 10)
            return FALSE;
        m_journal->push_back(std::string(m_name) + " app" + std::to_string(msg->message - WM_APP));
        return msg->message == m_consumes;
    }

private:
    Journal* m_journal;
    const char* m_name;
    UINT m_consumes;
};

TEST(MessageLoopTest, FiltersInOrderAndIdlePhasesRestartOnlyAfterIdleMessages)
{
    Journal journal;
    LoopWindow window;
    window.journal = &journal;
    ASSERT_NE(nullptr, window.Create(nullptr, nullptr, L"loop", WS_POPUP));
    window.SetTimer(1, 10000);
    JournalLoop loop;
    loop.journal = &journal;
    ScriptedIdle idle;
    idle.window = &window;
    ConsumingFilter first(&journal, "first", WM_APP + 2);
    ConsumingFilter second(&journal, "second", 0);
    ASSERT_TRUE(loop.AddMessageFilter(&first));
    ASSERT_TRUE(loop.AddMessageFilter(&second));
    EXPECT_FALSE(loop.AddMessageFilter(&first)) << "added once";
    ASSERT_TRUE(loop.AddIdleHandler(&idle));
    MSG stale;
    while (::PeekMessageW(&stale, nullptr, 0, 0, PM_REMOVE)) {
    }

    EXPECT_EQ(5, loop.Run());
    window.DestroyWindow();
    Journal expected = {"idle0", "mousemove",
                        "idle1", // the mouse move did not restart the count
                        "first app2", "first app1", "second app1", "app1",
                        "idle0"};
    EXPECT_EQ(expected, journal);
    EXPECT_EQ(3, idle.calls);
}

TEST(MessageLoopTest, NoIdleHandlersEndTheIdlePhaseAndRemovedOnesAreNotCalled)
{
    CMessageLoop loop;
    EXPECT_FALSE(loop.OnIdle(0)) << "nothing wants idle time";
    CountingIdle idle;
    ASSERT_TRUE(loop.AddIdleHandler(&idle));
    EXPECT_TRUE(loop.OnIdle(0));
    EXPECT_TRUE(loop.RemoveIdleHandler(&idle));
    EXPECT_FALSE(loop.RemoveIdleHandler(&idle));
    EXPECT_FALSE(loop.OnIdle(1));
    EXPECT_EQ(1, idle.calls);
}

TEST(AppModuleTest, OneLoopPerThreadAndOneModulePerProcess)
{
    CAppModule module;
    ASSERT_EQ(S_OK, module.Init(nullptr));
    EXPECT_EQ(&module, CAppModule::Current());
    EXPECT_EQ(::GetModuleHandleW(nullptr), module.GetResourceInstance());
    CAppModule other;
    EXPECT_EQ(E_UNEXPECTED, other.Init(nullptr));
    CMessageLoop loop;
    CMessageLoop second;
    EXPECT_TRUE(module.AddMessageLoop(&loop));
    EXPECT_FALSE(module.AddMessageLoop(&second));
    EXPECT_EQ(&loop, module.GetMessageLoop());
    EXPECT_EQ(nullptr, module.GetMessageLoop(::GetCurrentThreadId() + 1));
    EXPECT_TRUE(module.RemoveMessageLoop());
    EXPECT_EQ(nullptr, module.GetMessageLoop());
    module.Term();
    EXPECT_EQ(nullptr, CAppModule::Current());
    EXPECT_EQ(S_OK, other.Init(nullptr));
}

} // namespace
