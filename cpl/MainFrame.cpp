#include "MainFrame.h"
#include <dbt.h>
#include <algorithm>
#include "AboutDlg.h"
#include "CAppModule.h"
#include "CommandLine.h"
#include "DpiScale.h"
#include "ModalRun.h"
#include "ResourceString.h"
#include "WindowObjects.h"

namespace {

// Pixels at 96 DPI; scaled to the screen's DPI.
const int kSplitterPos = 150;
const int kStatePaneWidth = 220;
const int kRatePaneWidth = 190;
const int kPaneMargin = 12; // beside a pane's text: borders and padding
const int kStatePane = 1;
const int kRatePane = 2;
const uint32_t kObserverClientType = 3;
// The rest of the start: soon after the first paint, or this long after creation when the
// window is not shown.
const UINT_PTR kStartTimer = 1;
const UINT kAfterPaintMs = USER_TIMER_MINIMUM;
const UINT kHiddenStartMs = 500;

// A page gets its dialog when it is first shown; until then a refresh has nothing to show.
void RefreshIfCreated(FormBase& page)
{
    if (page.GetPageWindow().m_hWnd != nullptr)
        page.Refresh();
}

// Texts of the tree's fixed nodes (at root) and of the device nodes below "Devices".
enum FixedNode { NODE_RATE, NODE_BUFFERS, NODE_DEVICES, NODE_IN_CHANNELS, NODE_OUT_CHANNELS, NODE_STATUS, NODE_DRIVER };
const wchar_t* const kFixedNodes[] = {L"Sample Rate",       L"Buffer Settings", L"Devices",    L"ASIO IN Channels",
                                      L"ASIO OUT Channels", L"Status Info",     L"Driver Info"};
const wchar_t kDeviceNode[] = L"Quorvela";
const wchar_t kEchoNode[] = L"Plugin";

// The menu's pictures drawn for the screen's DPI.
UINT MenuPictures()
{
    int size = ScaleToDpi(16);
    return size >= 32 ? IDB_MENU_192 : size >= 24 ? IDB_MENU_144 : 0;
}

HICON LoadTreeIcon(int id, int size)
{
    return static_cast<HICON>(
        ::LoadImageW(CAppModule::ResourceInstance(), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

// A device-interface arrival with a non-empty device name.
bool IsInterfaceArrival(WPARAM event, LPARAM data)
{
    if (event != DBT_DEVICEARRIVAL || data == 0)
        return false;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE || header->dbch_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_W))
        return false;
    return reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(data)->dbcc_name[0] != L'\0';
}

// A window of the dialog class (pages, mixers).
bool IsDialogWindow(HWND window)
{
    return ::GetClassLongPtrW(window, GCW_ATOM) == 32770;
}

} // namespace

const wchar_t* StreamingStateText(uint32_t state)
{
    static const wchar_t* const texts[] = {
        L"Streaming state: Undefined", L"Streaming state: Down",  L"Streaming state: Ready",
        L"Streaming state: Prepared",  L"Streaming state: Running", L"Streaming state: Error",
        L"Streaming not supported on USB 1.1 port.",
    };
    return state < sizeof(texts) / sizeof(texts[0]) ? texts[state] : nullptr;
}

std::wstring SamplingRateText(uint32_t rate)
{
    return L"Current sampling rate: " + FormatSampleRate(rate);
}

MainFrame::MainFrame(CplDriverLink& link, const wchar_t* commandLine, const wchar_t* deviceName)
    : WtlMinMaxTrackSize<MainFrame>(ScaleToDpi(kFrameWidth), ScaleToDpi(kFrameHeight), -1, -1),
      WtlRegistrySetting<MainFrame>(CPL_SETTINGS_KEY),
      m_link(link),
      m_commandLine(commandLine != nullptr ? commandLine : L""),
      m_deviceName(deviceName != nullptr ? deviceName : ZEPHRA_CONTROL_DEVICE_NAME),
      m_noDevice(L"There is no Brightmoor device connected."),
      m_sampleRate(link.Client()),
      m_bufferSettings(link.Client()),
      m_drvInfo(link.Client()),
      m_devices(link.Client()),
      m_inChannels(link.Client()),
      m_outChannels(link.Client()),
      m_statusInfo(link.Client())
{
}

MainFrame::~MainFrame()
{
    if (m_hWnd != nullptr)
        DestroyWindow();
    ClearDevicePages();
}

std::vector<FormBase*> MainFrame::FixedPages()
{
    return {&m_pageTree, &m_noDevice,   &m_sampleRate,  &m_bufferSettings, &m_drvInfo,
            &m_devices,  &m_inChannels, &m_outChannels, &m_statusInfo};
}

void MainFrame::CreateImageList()
{
    int size = ::GetSystemMetrics(SM_CXSMICON); // 16 pixels at 96 DPI, larger images above
    m_imageList = CImageListManaged(ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 8, 2));
    const int icons[IMAGE_COUNT] = {IDI_TREE_RATE, IDI_TREE_INFO, IDI_TREE_CHANNELS, IDI_TREE_DEVICE, IDI_TREE_INFO};
    for (int i = 0; i < IMAGE_COUNT; ++i) {
        HICON icon = LoadTreeIcon(icons[i], size);
        m_images[i] = m_imageList.Get() != nullptr && icon != nullptr ? ImageList_AddIcon(m_imageList.Get(), icon) : -1;
        if (icon != nullptr)
            ::DestroyIcon(icon);
    }
}

LRESULT MainFrame::OnCreate(UINT, WPARAM, LPARAM, BOOL&)
{
    m_commandBar.Create(m_hWnd);
    m_commandBar.AttachMenu(::GetMenu(m_hWnd));
    ::SetMenu(m_hWnd, nullptr);
    CreateSimpleReBar(ATL_SIMPLE_REBAR_NOBORDER_STYLE, ATL_IDW_TOOLBAR);
    AddSimpleReBarBand(m_commandBar);
    ModifyStyle(WS_MAXIMIZEBOX | WS_CLIPCHILDREN, 0);

    m_statusBar.Create(m_hWnd, IdleText().c_str(), ATL_SIMPLE_STATUSBAR_STYLE, ATL_IDW_STATUS_BAR);
    m_hWndStatusBar = m_statusBar;
    const int panes[] = {ID_DEFAULT_PANE, kStatePane, kRatePane};
    m_statusBar.SetPanes(panes, 3);
    FitStatusBar();

    m_hWndClient = m_splitter.Create(m_hWnd, nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    UpdateLayout();
    m_splitter.SetSplitterPos(ScaleToDpi(kSplitterPos));

    CreateImageList();
    m_pageTree.SetImageList(m_imageList.Get());
    m_pageTree.CreatePage(m_splitter); // the other pages when first shown

    GUID interfaceClass = ZEPHRA_INTERFACE_GUID_INIT;
    m_deviceNotifications.Register(m_hWnd, interfaceClass, DEVICE_NOTIFY_WINDOW_HANDLE);
    StartClient();
    RebuildTree();
    Load(true);
    m_pageTree.ShowWindow(SW_SHOW);
    // Wide enough for the longest node (device nodes one level down, up to "Plugin99").
    std::vector<std::wstring> rootTexts(std::begin(kFixedNodes), std::end(kFixedNodes));
    int treeWidth = m_pageTree.PaneWidthFor(rootTexts, {kDeviceNode, std::wstring(kEchoNode) + L"99"});
    m_splitter.SetSplitterPos(std::max(ScaleToDpi(kSplitterPos), treeWidth));
    m_splitter.SetSplitterPane(SPLIT_PANE_LEFT, m_pageTree, true);
    UpdateStatusBar();
    if (CMessageLoop* loop = CAppModule::Current() != nullptr ? CAppModule::Current()->GetMessageLoop() : nullptr) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }
    SetTimer(kStartTimer, kHiddenStartMs);
    return 0;
}

void MainFrame::FitStatusBar()
{
    // Each fixed pane as wide as its longest text in the status bar's font; the default pane
    // as wide as the longest menu prompt, and the window at least as wide as the three.
    std::vector<std::wstring> stateTexts = {L"Driver not available.", L"Streaming state unknown"};
    for (uint32_t state = 0; StreamingStateText(state) != nullptr; ++state)
        stateTexts.push_back(StreamingStateText(state));
    int state = FittingWidth(m_statusBar, kStatePaneWidth, stateTexts, kPaneMargin);
    int rate = FittingWidth(m_statusBar, kRatePaneWidth, {SamplingRateText(5644800), L"Current sampling rate: unknown"},
                            kPaneMargin);
    int prompt = FittingWidth(m_statusBar, 0,
                              {IdleText(), MenuPrompt(ID_APP_EXIT), MenuPrompt(ID_APP_ABOUT), MenuPrompt(ID_TRAY_RESTORE)},
                              kPaneMargin);
    m_statusBar.SetPaneWidth(kStatePane, state);
    m_statusBar.SetPaneWidth(kRatePane, rate);
    RECT needed = {0, 0, prompt + state + rate + ::GetSystemMetrics(SM_CXVSCROLL), 0};
    ::AdjustWindowRectEx(&needed, GetStyle(), FALSE, GetExStyle());
    int width = needed.right - needed.left;
    if (width > MinTrackWidth())
        SetMinTrackWidth(width);
    RECT window = {};
    GetWindowRect(&window);
    if (window.right - window.left < width)
        SetWindowPos(nullptr, 0, 0, width, window.bottom - window.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT MainFrame::OnPaint(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    // A timer comes after every pending paint: the page and its controls are drawn first.
    if (!m_started)
        SetTimer(kStartTimer, kAfterPaintMs);
    bHandled = FALSE;
    return 0;
}

LRESULT MainFrame::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    if (wParam != kStartTimer) {
        bHandled = FALSE;
        return 0;
    }
    KillTimer(kStartTimer);
    FinishStart();
    return 0;
}

void MainFrame::FinishStart()
{
    if (m_started)
        return;
    m_started = true;
    m_commandBar.LoadImages(IDR_MAINFRAME, MenuPictures());
    if (!HasCommandLineOption(m_commandLine.c_str(), L"-notray", nullptr, true)) {
        HICON icon = static_cast<HICON>(::LoadImageW(CAppModule::ResourceInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                                     IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
        AddTrayIcon(LoadResourceString(IDS_APP_TITLE).c_str(), icon, IDR_TRAYMENU);
    }
    if (IsWindowVisible())
        OpenObserver();
}

void MainFrame::OpenObserver()
{
    if (!m_observer.IsOpened())
        m_observer.OpenAsObserver(m_deviceName.c_str(), kObserverClientType);
}

LRESULT MainFrame::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    StopClient();
    m_deviceNotifications.UnregisterAll();
    if (CMessageLoop* loop = CAppModule::Current() != nullptr ? CAppModule::Current()->GetMessageLoop() : nullptr) {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
    if ((GetStyle() & (WS_CHILD | WS_POPUP)) == 0)
        ::PostQuitMessage(1);
    bHandled = FALSE; // the framework and the tray icon see it too
    return 0;
}

LRESULT MainFrame::OnShowWindow(UINT, WPARAM wParam, LPARAM, BOOL& bHandled)
{
    if (wParam == FALSE)
        m_observer.CloseDriver();
    else if (m_started)
        OpenObserver(); // before that, the rest of the start opens it
    bHandled = FALSE;
    return 0;
}

LRESULT MainFrame::OnTreeSelChanged(int, LPNMHDR, BOOL&)
{
    FormBase* page = m_pageTree.GetSelectedPage();
    if (page != nullptr && page->CreatePage(m_splitter)) {
        page->Refresh();
        ShowPage(page);
    }
    return 0;
}

LRESULT MainFrame::OnRestore(WORD, WORD, HWND, BOOL&)
{
    ShowWindow(SW_RESTORE);
    ::SetForegroundWindow(m_hWnd);
    return 0;
}

LRESULT MainFrame::OnAbout(WORD, WORD, HWND, BOOL&)
{
    CAboutDlg about;
    ModalRun run;
    about.DoModal(::GetActiveWindow());
    return 0;
}

LRESULT MainFrame::OnExit(WORD, WORD, HWND, BOOL&)
{
    PostMessage(WM_CLOSE);
    return 0;
}

LRESULT MainFrame::OnDeviceChange(UINT, WPARAM wParam, LPARAM lParam, BOOL&)
{
    // Connected, an arrival changes nothing (the driver's 3030 tells).
    if (IsInterfaceArrival(wParam, lParam) && !Client().IsOpened() && !Deferred(DEFER_ARRIVAL))
        OnDeviceArrival();
    return TRUE;
}

void MainFrame::OnDeviceArrival()
{
    if (StartClient()) {
        RebuildTree();
        UpdateStatusBar();
    }
}

LRESULT MainFrame::OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    // "-exit" sends it also while a message box or the wait for the service runs.
    bHandled = Deferred(DEFER_CLOSE) ? TRUE : FALSE;
    return 0;
}

bool MainFrame::Deferred(unsigned work)
{
    if (!ModalRun::Active())
        return false;
    m_deferred |= work;
    if ((work & DEFER_ARRIVAL) == 0)
        ModalRun::CancelAll(); // a popup on a grid that goes closes first
    ModalRun::Defer(m_hWnd, WM_MODAL_ENDED);
    return true;
}

LRESULT MainFrame::OnModalEnded(UINT, WPARAM, LPARAM, BOOL&)
{
    if (ModalRun::Active()) { // another loop began before this message came
        ModalRun::Defer(m_hWnd, WM_MODAL_ENDED);
        return 0;
    }
    unsigned work = m_deferred;
    m_deferred = 0;
    if ((work & DEFER_CLOSE) != 0) {
        PostMessage(WM_CLOSE);
        return 0;
    }
    if ((work & DEFER_ARRIVAL) != 0)
        OnDeviceArrival();
    if ((work & DEFER_DEVICES) != 0) {
        ApplyDeviceList(); // new mixers too
    } else {
        for (const auto& id : m_mixersDue) {
            if (FormDevice* page = DevicePage(id.first, id.second))
                page->OnMixerPinsChanged();
        }
    }
    m_mixersDue.clear();
    return 0;
}

LRESULT MainFrame::OnDriverNotification(UINT, WPARAM, LPARAM, BOOL&)
{
    m_link.Drain([this](const ZephraMessage& record) { DispatchNotification(record); });
    return 0;
}

BOOL MainFrame::PreTranslateMessage(MSG* msg)
{
    if (CFrameWindowImpl<MainFrame>::PreTranslateMessage(msg))
        return TRUE;
    bool ours = msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd);
    if (ours && msg->message == WM_KEYDOWN && msg->wParam == VK_F6) {
        m_splitter.ActivateNextPane();
        return TRUE;
    }
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST)
        return FALSE;
    // The page in a pane handles its own navigation keys; so does a dialog window of ours.
    HWND dialogs[] = {m_pageTree.m_hWnd, m_currentPage != nullptr ? m_currentPage->GetPageWindow().m_hWnd : nullptr,
                      ours ? nullptr : ::GetAncestor(msg->hwnd, GA_ROOT)};
    for (HWND dialog : dialogs) {
        if (dialog != nullptr && IsDialogWindow(dialog) && (msg->hwnd == dialog || ::IsChild(dialog, msg->hwnd)) &&
            ::IsDialogMessageW(dialog, msg))
            return TRUE;
    }
    return FALSE;
}

bool MainFrame::StartClient()
{
    if (Client().IsOpened())
        return false;
    if (m_link.Start(m_hWnd, m_deviceName.c_str()) != 0)
        return false; // the next arrival tries again
    // The devices present now, also from a driver that sends a new connection no 3030.
    bool changed = false;
    Client().RefreshDevices(&changed);
    return true;
}

void MainFrame::StopClient()
{
    m_observer.CloseDriver();
    if (!Client().IsOpened())
        return;
    m_link.Stop(); // stops and joins the thread before the client closes its event
}

void MainFrame::DispatchNotification(const ZephraMessage& record)
{
    switch (record.code) {
    case ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED_BY_DRIVER:
        RefreshIfCreated(m_sampleRate);
        RefreshIfCreated(m_bufferSettings);
        UpdateStatusBar();
        break;
    case ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED:
        RefreshIfCreated(m_sampleRate);
        UpdateStatusBar();
        break;
    case ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED:
        OnDeviceListChanged();
        break;
    case ZEPHRA_NOTIFY_DEVICE_STATE:
        if (FormDevice* page = PageOfNotification(record))
            RefreshIfCreated(*page);
        UpdateStatusBar(); // also for a bad payload or a device without a page
        break;
    case ZEPHRA_NOTIFY_MIXER_PINS_CHANGED:
        if (FormDevice* page = PageOfNotification(record)) {
            std::pair<uint32_t, uint32_t> id;
            record.ReadU32Pair(&id.first, &id.second);
            if (Deferred(DEFER_MIXERS))
                m_mixersDue.insert(id);
            else
                page->OnMixerPinsChanged();
        }
        break;
    case ZEPHRA_NOTIFY_MIXER_GAINS_CHANGED:
        if (FormDevice* page = PageOfNotification(record))
            page->OnMixerGainsChanged();
        break;
    case ZEPHRA_NOTIFY_MIXER_WEIGHTS_CHANGED:
        if (FormDevice* page = PageOfNotification(record))
            page->OnMixerWeightsChanged();
        break;
    default:
        break;
    }
}

void MainFrame::OnDeviceListChanged()
{
    if (IsWindowVisible() && m_started)
        OpenObserver();
    bool changed = false;
    ZephraStatus status = Client().RefreshDevices(&changed);
    // Only a list that was read says that no device is left (also when it was empty before);
    // a failed read says nothing about the devices.
    bool noDevice = status == 0 && Client().GetDeviceCount() == 0;
    if (changed || noDevice) {
        m_noDeviceLeft = noDevice;
        if (!Deferred(DEFER_DEVICES))
            ApplyDeviceList();
    }
    if (FormBase* selected = m_pageTree.GetSelectedPage())
        selected->Refresh();
}

void MainFrame::ApplyDeviceList()
{
    if (m_noDeviceLeft)
        StopClient();
    m_noDeviceLeft = false;
    RebuildTree();
    UpdateStatusBar();
}

void MainFrame::RebuildTree()
{
    ClearDevicePages();
    for (FormBase* page : FixedPages()) {
        if (page != &m_pageTree && page != &m_noDevice)
            m_pageTree.RemoveItem(page);
    }
    m_pageTree.EnableWindow(FALSE);
    if (!Client().IsOpened()) {
        ShowPage(&m_noDevice); // its dialog only when there is no driver to show
        return;
    }
    m_pageTree.AddItem(kFixedNodes[NODE_RATE], &m_sampleRate, nullptr, m_images[IMAGE_RATE]);
    m_pageTree.AddItem(kFixedNodes[NODE_BUFFERS], &m_bufferSettings, nullptr, m_images[IMAGE_RATE]);
    m_pageTree.AddItem(kFixedNodes[NODE_DEVICES], &m_devices, nullptr, m_images[IMAGE_DEVICE]);
    AddDevicePages();
    m_pageTree.AddItem(kFixedNodes[NODE_IN_CHANNELS], &m_inChannels, nullptr, m_images[IMAGE_CHANNELS]);
    m_pageTree.AddItem(kFixedNodes[NODE_OUT_CHANNELS], &m_outChannels, nullptr, m_images[IMAGE_CHANNELS]);
    m_pageTree.AddItem(kFixedNodes[NODE_STATUS], &m_statusInfo, nullptr, m_images[IMAGE_STATUS]);
    m_pageTree.AddItem(kFixedNodes[NODE_DRIVER], &m_drvInfo, nullptr, m_images[IMAGE_INFO]);
    m_pageTree.EnableWindow(TRUE);
    if (m_pageTree.GetSelectedPage() == nullptr)
        m_pageTree.SelectFirstItem();
}

FormDevice* MainFrame::DevicePage(uint32_t idFirst, uint32_t idSecond) const
{
    auto found = m_devicePageIndex.find({idFirst, idSecond});
    return found != m_devicePageIndex.end() ? found->second : nullptr;
}

FormDevice* MainFrame::PageOfNotification(const ZephraMessage& record) const
{
    uint32_t idFirst = 0;
    uint32_t idSecond = 0;
    if (record.ReadU32Pair(&idFirst, &idSecond) != 0)
        return nullptr; // not the 8-byte device id: dropped
    return DevicePage(idFirst, idSecond);
}

void MainFrame::AddDevicePages()
{
    if (!Client().IsOpened())
        return;
    ClearDevicePages();
    for (size_t i = 0; i < Client().GetDeviceCount(); ++i) {
        ZephraDevice* device = Client().GetDeviceAt(i);
        if (device == nullptr)
            continue;
        ZephraDeviceId key = {device->GetIdFirst(), device->GetIdSecond()};
        auto hardwareInputs = std::make_unique<FormMixer>(Client(), key, true);
        hardwareInputs->Create(m_hWnd);
        auto softwareOutputs = std::make_unique<FormMixer>(Client(), key, false);
        softwareOutputs->Create(m_hWnd);
        auto page = std::make_unique<FormDevice>(Client(), m_hWnd, key.idFirst, key.idSecond, hardwareInputs.get(),
                                                 softwareOutputs.get());
        m_mixers.push_back(std::move(hardwareInputs));
        m_mixers.push_back(std::move(softwareOutputs));
        m_devicePageIndex[{key.idFirst, key.idSecond}] = page.get(); // its dialog when first shown
        m_pageTree.AddItem(kDeviceNode, page.get(), &m_devices, m_images[IMAGE_DEVICE]);
        m_devicePages.push_back(std::move(page));

        if ((device->GetRecord().featureFlags & ZEPHRA_FEATURE_ECHO) != 0) {
            auto echo = std::make_unique<FormPlugin>(Client(), m_hWnd, key);
            m_pageTree.AddItem((kEchoNode + std::to_wstring(i)).c_str(), echo.get(), &m_devices, m_images[IMAGE_DEVICE]);
            m_echoPages.push_back(std::move(echo));
        }
    }
}

template <class Page>
void MainFrame::DestroyPages(std::vector<std::unique_ptr<Page>>& pages)
{
    while (!pages.empty()) {
        std::unique_ptr<Page> page = std::move(pages.front());
        pages.erase(pages.begin());
        if (m_currentPage == page.get())
            m_currentPage = nullptr;
        m_pageTree.RemoveItem(page.get());
        DestroyWindowThenObject(page);
    }
}

void MainFrame::ClearDevicePages()
{
    DestroyPages(m_devicePages);
    DestroyPages(m_echoPages);
    m_devicePageIndex.clear();
    DestroyWindowsThenObjects(m_mixers);
}

void MainFrame::ShowPage(FormBase* page)
{
    if (page == nullptr || !page->CreatePage(m_splitter))
        return;
    if (m_currentPage != nullptr)
        m_currentPage->Hide();
    page->Show();
    m_currentPage = page;
    m_splitter.SetSplitterPane(SPLIT_PANE_RIGHT, page->GetPageWindow(), true);
    page->OnResize();
    // Shown before it was placed: its controls are drawn again at their new places.
    ::RedrawWindow(page->GetPageWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainFrame::UpdateStatusBar()
{
    if (!Client().IsOpened()) {
        m_statusBar.SetPaneText(kStatePane, L"Driver not available.");
        m_statusBar.SetPaneText(kRatePane, L"");
        return;
    }
    ZephraStreamingStatus status = {};
    if (Client().GetStreamingStatus(&status) != 0) {
        m_statusBar.SetPaneText(kStatePane, L"Streaming state unknown");
        m_statusBar.SetPaneText(kRatePane, L"Current sampling rate: unknown");
        return;
    }
    if (const wchar_t* state = StreamingStateText(status.state))
        m_statusBar.SetPaneText(kStatePane, state);
    m_statusBar.SetPaneText(kRatePane, SamplingRateText(status.sampleRate).c_str());
}
