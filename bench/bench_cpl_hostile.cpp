// Runs the control panel against a seeded hostile driver while a restless user works its
// window: pages selected, both mixers of each device opened and closed, buttons clicked,
// sliders moved, combo boxes changed, weight popups opened, message boxes dismissed. After
// each round the driver turns faithful and the panel must be well: alive, its GUI thread
// answering within 5 s, never two message boxes at once, the tree showing the simulator's
// devices after a faithful 3030, and no more GDI or USER objects than after the first round.
// Exit code 0 when all held; 1 otherwise.
//
//     bench_cpl_hostile [SEED [CORRUPTED [PERCENT]]]
//
// runs until the driver has corrupted at least CORRUPTED answers to the panel (default
// 2000), with PERCENT of its requests corrupted (default 30). BENCH_DEBUG=1 in the
// environment prints each action and each round's GDI objects by type.
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>
#include "CAppModule.h"
#include "ControlPanel.h"
#include "FormWeightCtrlRes.h"
#include "MainFrame.h"
#include "SimHostile.h"
#include "WnEvent.h"
#include "WnThread.h"
#include "ZephraDriver.h"

namespace {

const wchar_t* const kName = L"ZephraCplHostileBench";
const DWORD kAnswerMs = 5000;       // the GUI thread must answer within this after a round
const DWORD kHostileAnswerMs = 35000; // during a round: a service wait may take 30 s
const DWORD kTreeBudgetMs = 5000;
const int kActionsPerRound = 20;
const int kTickEvery = 3; // actions per random event
const UINT WM_BENCH_RUN = WM_APP + 77;
// GDI objects that may still come after the warm-up: Wine creates a few of its own on
// first uses (brushes, objects of its type 9: six at a time, up to a dozen in all, seen as
// late as the last rounds of a short run) and keeps them; a leak grows round by round (a
// brush per mixer cell: hundreds in the short run).
const DWORD kGdiAllowance = 24;
// Windows likewise: a run now and then ends with six more than after its warm-up, for
// rounds on end, not growing further; a leak grows round by round.
const DWORD kWindowAllowance = 8;

// A service that answers every request at once with success.
struct BenchService : WnThreadCallbackInterface
{
    HANDLE stop = nullptr;
    uint32_t answered = 0;
    DWORD Run() override
    {
        ZephraDriver server;
        if (server.OpenAsServer(kName) != 0)
            return 1;
        HANDLE handles[2] = {stop, server.GetMessageEvent()};
        while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
            ZephraMessage record;
            while (server.GetMessageRecord(&record) == 0) {
                if (record.kind != ZEPHRA_MSG_KIND_REQUEST)
                    continue;
                ZephraMessage reply = record;
                reply.kind = ZEPHRA_MSG_KIND_REPLY;
                reply.code = ZEPHRA_MSG_REPLY;
                reply.status = 0;
                reply.payloadLength = 0;
                if (server.SendMessageRecord(reply) == 0)
                    ++answered;
            }
        }
        server.CloseDriver();
        return 0;
    }
};

// The control panel's GUI thread, as the program runs it, with a window of the bench's own
// through which the bench runs code on that thread (also inside its modal loops).
struct PanelThread : WnThreadCallbackInterface
{
    HWND runner = nullptr;
    WnEvent ready;
    int result = -1;
    static LRESULT CALLBACK RunnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_BENCH_RUN) {
            (*reinterpret_cast<std::function<void()>*>(lParam))();
            return 1;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    DWORD Run() override
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = RunnerProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"BenchRunner";
        RegisterClassW(&wc);
        runner = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        ready.Set();
        result = RunControlPanel(L"-notray", kName);
        fprintf(stderr, "the control panel's loop ended (%d)\n", result);
        DestroyWindow(runner);
        return 0;
    }
};

// GDI objects of this process: GetGuiResources where it works, else (Wine) the entries of
// the process's GDI handle table (24-byte entries, type byte at offset 14).
DWORD GdiObjects(std::string* kinds = nullptr)
{
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count != 0)
        return count;
#if defined(_M_IX86) || defined(__i386__)
    const uint8_t* teb = reinterpret_cast<const uint8_t*>(NtCurrentTeb());
    const uint8_t* peb = *reinterpret_cast<const uint8_t* const*>(teb + 0x30);
    const uint8_t* table = *reinterpret_cast<const uint8_t* const*>(peb + 0x94);
    if (table == nullptr)
        return 0;
    uint32_t byType[256] = {};
    for (int i = 0; i < 0x10000; ++i) {
        count += table[i * 24 + 14] != 0 ? 1 : 0;
        ++byType[table[i * 24 + 14]];
    }
    for (int t = 1; kinds != nullptr && t < 256; ++t) {
        if (byType[t] != 0)
            *kinds += std::to_string(t) + ":" + std::to_string(byType[t]) + " ";
    }
#endif
    return count;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM counter)
{
    ++*reinterpret_cast<DWORD*>(counter);
    EnumChildWindows(window, CountWindow, counter);
    return TRUE;
}

struct Windows
{
    std::vector<HWND> list;
    static BOOL CALLBACK Add(HWND window, LPARAM self)
    {
        reinterpret_cast<Windows*>(self)->list.push_back(window);
        return TRUE;
    }
};

// A mixer window: its title ends in "Mixer".
bool IsMixer(HWND window)
{
    wchar_t text[64] = {};
    int length = GetWindowTextW(window, text, 64);
    return length >= 5 && wcscmp(text + length - 5, L"Mixer") == 0;
}

bool HasClass(HWND window, const wchar_t* name)
{
    wchar_t text[64] = {};
    GetClassNameW(window, text, 64);
    return _wcsicmp(text, name) == 0;
}

struct Figures
{
    uint32_t rounds = 0, actions = 0, boxes = 0, popups = 0, twoBoxes = 0, slowAnswers = 0, hangs = 0;
    uint32_t treeWrong = 0, reconnects = 0;
    DWORD longestBlockMs = 0;
    // After round 1, after the warm-up (the first quarter of the rounds), after the last.
    // The last two are the fewest of the latest three rounds: a window or object still on its
    // way out when counted is gone a round later, a leak stays.
    DWORD gdiFirst = 0, gdiWarm = 0, gdiLast = 0, userFirst = 0, userWarm = 0, userLast = 0;
    DWORD recentGdi[3] = {}, recentUser[3] = {};
};

class RestlessUser
{
public:
    RestlessUser(ZephraSim& sim, SimHostile& hostile, PanelThread& panel, HWND frame, uint32_t seed)
        : m_sim(sim), m_hostile(hostile), m_panel(panel), m_frame(frame),
          m_thread(GetWindowThreadProcessId(frame, nullptr)), m_random(seed)
    {
    }

    Figures& Result() { return m_figures; }
    HWND Frame() const { return m_frame; }

    // On the panel's thread; false when it did not answer in time.
    bool OnPanel(const std::function<void()>& work, DWORD ms)
    {
        std::function<void()> copy = work;
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(m_panel.runner, WM_BENCH_RUN, 0, reinterpret_cast<LPARAM>(&copy), SMTO_NORMAL, ms,
                                   &result) != 0;
    }

    // The GUI thread answers a sent message; records how long that took. A send refused at
    // once (not timed out) is tried again.
    bool Answers(DWORD ms)
    {
        ULONGLONG begin = GetTickCount64();
        bool ok = false;
        for (;;) {
            DWORD elapsed = static_cast<DWORD>(GetTickCount64() - begin);
            DWORD_PTR result = 0;
            SetLastError(0);
            ok = elapsed < ms && SendMessageTimeoutW(Frame(), WM_NULL, 0, 0, SMTO_NORMAL, ms - elapsed, &result) != 0;
            if (ok || elapsed >= ms || GetLastError() == ERROR_TIMEOUT)
                break;
            Sleep(20);
        }
        DWORD took = static_cast<DWORD>(GetTickCount64() - begin);
        m_figures.longestBlockMs = std::max(m_figures.longestBlockMs, took);
        if (took > kAnswerMs)
            ++m_figures.slowAnswers;
        return ok;
    }

    // Until the panel has taken the messages posted to it (what an action posted has been
    // handled, and a box it opens is there), or a time-out.
    void WaitPostedTaken()
    {
        for (int i = 0; i < 100; ++i) {
            bool pending = true;
            if (!OnPanel([&] { pending = (HIWORD(GetQueueStatus(QS_POSTMESSAGE)) & QS_POSTMESSAGE) != 0; },
                         kHostileAnswerMs) ||
                !pending)
                return;
            Sleep(5);
        }
    }

    // Closes every message box and popup of the panel, acting in a popup first.
    // True when none is left.
    bool Dismiss()
    {
        for (int pass = 0; pass < 200; ++pass) {
            WaitPostedTaken();
            Windows top;
            EnumThreadWindows(m_thread, Windows::Add, reinterpret_cast<LPARAM>(&top));
            int boxes = 0, open = 0;
            for (HWND window : top.list) {
                if (!IsWindowVisible(window) || !HasClass(window, L"#32770") || IsMixer(window))
                    continue;
                ++open;
                HWND slider = GetDlgItem(window, IDC_WEIGHT_SLIDER);
                bool first = m_seen.insert(window).second;
                if (slider != nullptr) {
                    m_figures.popups += first ? 1 : 0;
                    PressKey(slider);
                    if (Next(3) == 0)
                        PostMessageW(GetDlgItem(window, IDC_WEIGHT_CONNECTED), BM_CLICK, 0, 0);
                } else {
                    ++boxes; // a message box (or the About box)
                    m_figures.boxes += first ? 1 : 0;
                }
                PostMessageW(window, WM_COMMAND, IDOK, 0);
            }
            if (boxes > 1)
                ++m_figures.twoBoxes;
            if (open == 0 && IsWindowEnabled(Frame()))
                return true;
            if (pass == 199 && getenv("BENCH_DEBUG") != nullptr)
                fprintf(stderr, "dismiss: %d open, frame %p enabled %d, %zu windows\n", open, (void*)Frame(),
                        IsWindowEnabled(Frame()), top.list.size());
            if (!Answers(kHostileAnswerMs))
                return false;
            Sleep(10);
        }
        return false;
    }

    // One action of a restless user on what the window shows now.
    void Act()
    {
        ++m_figures.actions;
        uint32_t kind = Next(7);
        if (getenv("BENCH_DEBUG") != nullptr)
            fprintf(stderr, "act %u\n", kind);
        switch (kind) {
        case 0:
            SelectPage();
            break;
        case 1:
        case 2:
            Click(Controls(L"Button"));
            break;
        case 3: {
            std::vector<HWND> sliders = Controls(L"msctls_trackbar32");
            if (!sliders.empty())
                PressKey(sliders[Next(static_cast<uint32_t>(sliders.size()))]);
            break;
        }
        case 4:
            ChooseCombo();
            break;
        case 5:
            OpenMixer();
            break;
        default:
            MixerAction();
            break;
        }
    }

    void RunRound(uint32_t round)
    {
        m_hostile.Attach();
        for (int i = 0; i < kActionsPerRound; ++i) {
            if (i % kTickEvery == 0 && getenv("BENCH_DEBUG") != nullptr)
                fprintf(stderr, "tick %s\n", m_hostile.Tick() ? "plug" : "");
            else if (i % kTickEvery == 0)
                m_hostile.Tick();
            Act();
            Sleep(Next(30));
            if (!Dismiss())
                ++m_figures.hangs;
        }
        m_hostile.Detach();
        if (!Dismiss())
            ++m_figures.hangs;
        Check(round);
    }

private:
    uint32_t Next(uint32_t bound) { return bound == 0 ? 0 : static_cast<uint32_t>(m_random() % bound); }

    void PressKey(HWND control)
    {
        const UINT keys[] = {VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_HOME, VK_END};
        UINT key = keys[Next(6)];
        PostMessageW(control, WM_KEYDOWN, key, 1);
        PostMessageW(control, WM_KEYUP, key, 0xC0000001);
    }

    // The visible, enabled controls of a class in the main window and the shown mixers.
    std::vector<HWND> Controls(const wchar_t* className)
    {
        Windows top;
        EnumThreadWindows(m_thread, Windows::Add, reinterpret_cast<LPARAM>(&top));
        std::vector<HWND> found;
        for (HWND window : top.list) {
            if (!IsWindowVisible(window))
                continue;
            Windows children;
            EnumChildWindows(window, Windows::Add, reinterpret_cast<LPARAM>(&children));
            for (HWND child : children.list) {
                if (IsWindowVisible(child) && IsWindowEnabled(child) && HasClass(child, className))
                    found.push_back(child);
            }
        }
        return found;
    }

    void Click(const std::vector<HWND>& buttons)
    {
        if (buttons.empty())
            return;
        HWND button = buttons[Next(static_cast<uint32_t>(buttons.size()))];
        if (getenv("BENCH_DEBUG") != nullptr) {
            wchar_t text[64] = {};
            GetWindowTextW(button, text, 64);
            fprintf(stderr, "click %ls (%d)\n", text, GetDlgCtrlID(button));
        }
        PostMessageW(button, BM_CLICK, 0, 0);
    }

    std::vector<HTREEITEM> TreeItems(HWND tree)
    {
        std::vector<HTREEITEM> items;
        std::vector<HTREEITEM> pending = {TreeView_GetRoot(tree)};
        while (!pending.empty()) {
            HTREEITEM item = pending.back();
            pending.pop_back();
            for (; item != nullptr; item = TreeView_GetNextSibling(tree, item)) {
                items.push_back(item);
                pending.push_back(TreeView_GetChild(tree, item));
            }
        }
        return items;
    }

    void SelectPage()
    {
        OnPanel(
            [this] {
                std::vector<HWND> trees = Controls(WC_TREEVIEWW);
                if (trees.empty())
                    return;
                std::vector<HTREEITEM> items = TreeItems(trees[0]);
                if (!items.empty())
                    TreeView_SelectItem(trees[0], items[Next(static_cast<uint32_t>(items.size()))]);
            },
            kHostileAnswerMs);
    }

    // Shows a device page and presses one of its two mixer buttons.
    void OpenMixer()
    {
        OnPanel(
            [this] {
                std::vector<HWND> trees = Controls(WC_TREEVIEWW);
                std::vector<HTREEITEM> devices;
                for (HTREEITEM item : trees.empty() ? std::vector<HTREEITEM>() : TreeItems(trees[0])) {
                    if (ItemText(trees[0], item) == L"Quorvela")
                        devices.push_back(item);
                }
                if (!devices.empty())
                    TreeView_SelectItem(trees[0], devices[Next(static_cast<uint32_t>(devices.size()))]);
            },
            kHostileAnswerMs);
        std::vector<HWND> buttons;
        for (HWND button : Controls(L"Button")) {
            wchar_t text[64] = {};
            int length = GetWindowTextW(button, text, 64);
            if (length >= 5 && wcscmp(text + length - 5, L"Mixer") == 0)
                buttons.push_back(button);
        }
        Click(buttons);
    }

    static std::wstring ItemText(HWND tree, HTREEITEM item)
    {
        wchar_t text[64] = {};
        TVITEMW tv = {};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = 64;
        return TreeView_GetItem(tree, &tv) ? text : L"";
    }

    void ChooseCombo()
    {
        std::vector<HWND> combos = Controls(L"ComboBox");
        if (combos.empty())
            return;
        HWND combo = combos[Next(static_cast<uint32_t>(combos.size()))];
        OnPanel(
            [&] {
                LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
                if (count > 0)
                    SendMessageW(combo, CB_SETCURSEL, Next(static_cast<uint32_t>(count)), 0);
            },
            kHostileAnswerMs);
        PostMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }

    // Opens a quadrant's popup (by click or by key), or closes a mixer.
    void MixerAction()
    {
        std::vector<HWND> quadrants;
        for (HWND control : Controls(L"Static")) {
            int id = GetDlgCtrlID(control);
            if (id >= 1069 && id <= 1072)
                quadrants.push_back(control);
        }
        if (!quadrants.empty() && Next(3) != 0) {
            HWND quadrant = quadrants[Next(static_cast<uint32_t>(quadrants.size()))];
            if (Next(2) == 0)
                PostMessageW(quadrant, WM_KEYDOWN, VK_RETURN, 1);
            else
                PostMessageW(GetParent(quadrant), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(quadrant), STN_CLICKED),
                             reinterpret_cast<LPARAM>(quadrant));
            return;
        }
        Windows top;
        EnumThreadWindows(m_thread, Windows::Add, reinterpret_cast<LPARAM>(&top));
        for (HWND window : top.list) {
            if (IsWindowVisible(window) && HasClass(window, L"#32770") && IsMixer(window)) {
                PostMessageW(window, WM_CLOSE, 0, 0);
                return;
            }
        }
    }

    // "Quorvela" items in the tree (one per device page).
    int DeviceItems()
    {
        int count = -1;
        OnPanel(
            [&] {
                std::vector<HWND> trees = Controls(WC_TREEVIEWW);
                if (trees.empty())
                    return;
                count = 0;
                for (HTREEITEM item : TreeItems(trees[0]))
                    count += ItemText(trees[0], item) == L"Quorvela" ? 1 : 0;
            },
            kAnswerMs);
        return count;
    }

    // The faithful part of a round: the hostile devices leave, a faithful 3030 follows, the
    // mixers are closed and the first page shown; then the panel is measured.
    void Check(uint32_t round)
    {
        m_hostile.UnplugAll();
        HWND frame = Frame();
        // A panel whose main client has closed waits for the next arrival: that is sent.
        if (m_sim.Execute("status").text.find("type 2 (") == std::string::npos) {
            ++m_figures.reconnects;
            std::wstring path = L"\\\\?\\bench#quorvela";
            std::vector<uint8_t> data(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) + path.size() * 2);
            auto* broadcast = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(data.data());
            broadcast->dbcc_size = static_cast<DWORD>(data.size());
            broadcast->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
            wcscpy(broadcast->dbcc_name, path.c_str());
            DWORD_PTR result = 0;
            SendMessageTimeoutW(frame, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(broadcast),
                                SMTO_NORMAL, kAnswerMs, &result);
        }
        m_sim.QueueNotification(ZEPHRA_CLIENT_MAIN, ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED, nullptr, 0);
        const int expected = static_cast<int>(m_sim.DeviceCount());
        ULONGLONG end = GetTickCount64() + kTreeBudgetMs;
        int shown = DeviceItems();
        while (shown != expected && GetTickCount64() < end) {
            Sleep(20);
            shown = DeviceItems();
        }
        if (shown != expected) {
            ++m_figures.treeWrong;
            fprintf(stderr, "round %u: the tree shows %d devices, the driver has %d\n", round, shown, expected);
        }
        for (HWND window : VisibleMixers())
            PostMessageW(window, WM_CLOSE, 0, 0);
        OnPanel(
            [this] {
                // Every page shown once, so that each has its dialog (pages get theirs when
                // first shown) and the window count compares like with like.
                std::vector<HWND> trees = Controls(WC_TREEVIEWW);
                if (trees.empty())
                    return;
                for (HTREEITEM item : TreeItems(trees[0]))
                    TreeView_SelectItem(trees[0], item);
                TreeView_SelectItem(trees[0], TreeView_GetRoot(trees[0]));
            },
            kAnswerMs);
        bool dismissed = Dismiss();
        if (!dismissed || !Answers(kAnswerMs)) {
            ++m_figures.hangs;
            fprintf(stderr, "round %u: the GUI thread did not answer within %lu ms (%s)\n", round, kAnswerMs,
                    dismissed ? "no answer" : "a modal loop did not end");
        }
        DWORD gdi = 0, user = 0;
        std::string kinds;
        OnPanel(
            [&] {
                gdi = GdiObjects(&kinds);
                EnumThreadWindows(m_thread, CountWindow, reinterpret_cast<LPARAM>(&user));
            },
            kAnswerMs);
        if (getenv("BENCH_DEBUG") != nullptr)
            fprintf(stderr, "round %u: gdi %lu (%s) windows %lu\n", round, gdi, kinds.c_str(), user);
        Figures& f = m_figures;
        if (f.rounds == 0) {
            f.gdiFirst = gdi;
            f.userFirst = user;
        }
        f.recentGdi[f.rounds % 3] = gdi;
        f.recentUser[f.rounds % 3] = user;
        ++f.rounds;
        size_t counted = std::min<size_t>(f.rounds, 3);
        f.gdiLast = *std::min_element(f.recentGdi, f.recentGdi + counted);
        f.userLast = *std::min_element(f.recentUser, f.recentUser + counted);
    }

    std::vector<HWND> VisibleMixers()
    {
        Windows top;
        EnumThreadWindows(m_thread, Windows::Add, reinterpret_cast<LPARAM>(&top));
        std::vector<HWND> mixers;
        for (HWND window : top.list) {
            if (IsWindowVisible(window) && HasClass(window, L"#32770") && IsMixer(window))
                mixers.push_back(window);
        }
        return mixers;
    }

    ZephraSim& m_sim;
    SimHostile& m_hostile;
    PanelThread& m_panel;
    HWND m_frame;
    DWORD m_thread;
    std::mt19937 m_random;
    Figures m_figures;
    std::set<HWND> m_seen; // boxes and popups counted
};

uint32_t Argument(int argc, char** argv, int index, uint32_t fallback)
{
    return argc > index ? static_cast<uint32_t>(strtoul(argv[index], nullptr, 10)) : fallback;
}

} // namespace

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info)
{
    fprintf(stderr, "unhandled exception 0x%08lx at %p\n", info->ExceptionRecord->ExceptionCode,
            info->ExceptionRecord->ExceptionAddress);
    return EXCEPTION_CONTINUE_SEARCH;
}

int main(int argc, char** argv)
{
    SetUnhandledExceptionFilter(ReportCrash);
    const uint32_t seed = Argument(argc, argv, 1, 1);
    const uint32_t target = Argument(argc, argv, 2, 2000);
    const uint32_t percent = Argument(argc, argv, 3, 30);

    CAppModule module;
    module.Init(GetModuleHandleW(nullptr));
    ZephraSim sim;
    if (sim.Start(kName, false) != 0 || !sim.Execute("plug QV000001").done || !sim.Execute("plug QV000002 echo").done) {
        printf("the simulator did not start\n");
        return 1;
    }
    BenchService service;
    WnEvent stop;
    stop.Create(true);
    service.stop = stop.Get();
    WnThread serviceThread;
    serviceThread.Start(&service);

    PanelThread panel;
    panel.ready.Create(true);
    WnThread panelThread;
    panelThread.Start(&panel);
    WaitForSingleObject(panel.ready.Get(), 10000);
    // The panel's own window (not one of another process).
    HWND frame = nullptr;
    DWORD panelThreadId = GetThreadId(panelThread.Get());
    for (int i = 0; i < 500 && frame == nullptr; ++i) {
        HWND found = FindWindowW(CPL_MAIN_WINDOW_CLASS, nullptr);
        if (found != nullptr && GetWindowThreadProcessId(found, nullptr) == panelThreadId)
            frame = found;
        Sleep(10);
    }
    if (frame == nullptr) {
        printf("the control panel did not start\n");
        return 1;
    }
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(frame, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer) == 0) {
        printf("the control panel did not answer after its start\n");
        return 1;
    }
    SimHostile hostile(&sim, seed, ZEPHRA_CLIENT_MAIN, percent);
    hostile.TargetControlPanel();
    RestlessUser user(sim, hostile, panel, frame, seed);

    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    const uint32_t maxRounds = target + 50; // a panel that no longer asks anything keeps the count still
    // Wine keeps a bounded cache of window DCs (each a DC, a region and a bitmap in the
    // handle table) that grows with the most DCs ever held at once: filled here, so that
    // it does not read as growth later.
    user.OnPanel(
        [frame] {
            std::vector<HDC> dcs;
            for (int i = 0; i < 64; ++i)
                dcs.push_back(GetDC(frame));
            for (HDC dc : dcs)
                ReleaseDC(frame, dc);
            if (getenv("BENCH_DEBUG") != nullptr)
                fprintf(stderr, "after the DC cache filled: gdi %lu\n", GdiObjects());
        },
        kAnswerMs);
    // The warm-up ends when a quarter of the corrupted answers have been given.
    bool warm = false;
    for (uint32_t round = 0; hostile.Counts().Corrupted() < target && round < maxRounds; ++round) {
        user.RunRound(round);
        if (!warm && hostile.Counts().Corrupted() >= target / 4) {
            warm = true;
            Figures& f = user.Result();
            f.gdiWarm = f.recentGdi[(f.rounds - 1) % 3];
            f.userWarm = f.recentUser[(f.rounds - 1) % 3];
        }
        if (user.Result().hangs != 0)
            break;
    }
    QueryPerformanceCounter(&end);
    const Figures figures = user.Result();
    PostMessageW(frame, WM_CLOSE, 0, 0);
    bool closed = panelThread.Wait(10000) == 0;
    stop.Set();
    serviceThread.Wait(5000);
    RegDeleteKeyW(HKEY_CURRENT_USER, CPL_SETTINGS_KEY);

    SimHostileCounts counts = hostile.Counts();
    double seconds = static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart);
    printf("seed %u, %u%% of the control panel's requests corrupted, %.1f s, %u rounds of %d actions\n", seed, percent,
           seconds, figures.rounds, kActionsPerRound);
    printf("driver answers: %u served, %u corrupted (%u failed, %u short, %u random, %u overlong, %u mismatched, "
           "%u endless, %u unterminated, %u over capacity, %u bad replies)\n",
           counts.passed, counts.Corrupted(), counts.failed, counts.cut, counts.garbage, counts.oversized,
           counts.mismatched, counts.endless, counts.unterminated, counts.overcounted, counts.badReplies);
    printf("random notifications %u, device changes %u, service replies %u\n", counts.notifications,
           counts.deviceChanges, service.answered);
    printf("user: %u actions, %u message boxes and %u popups dismissed, %u times two boxes at once\n",
           figures.actions, figures.boxes, figures.popups, figures.twoBoxes);
    printf("GUI thread: longest wait for an answer %lu ms, %u answers over %lu ms, %u hangs\n",
           figures.longestBlockMs, figures.slowAnswers, kAnswerMs, figures.hangs);
    printf("tree wrong after a faithful 3030: %u rounds; reconnects by arrival: %u\n", figures.treeWrong,
           figures.reconnects);
    printf("GDI objects after round 1 %lu, after the warm-up %lu, at the end %lu; windows %lu, %lu, %lu\n",
           figures.gdiFirst, figures.gdiWarm, figures.gdiLast, figures.userFirst, figures.userWarm, figures.userLast);
    printf("control panel closed when told: %s\n", closed ? "yes" : "no");
    fflush(stdout);
    bool grew = figures.gdiLast > figures.gdiWarm + kGdiAllowance || figures.userLast > figures.userWarm + kWindowAllowance;
    return counts.Corrupted() >= target && figures.hangs == 0 && figures.twoBoxes == 0 && figures.treeWrong == 0 &&
                   !grew && closed
               ? 0
               : 1;
}
