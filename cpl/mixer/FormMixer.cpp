#include "FormMixer.h"
#include "WindowObjects.h"
#include "ZephraPinLabels.h"

namespace {

MixerGridSize MeasureWindow(HWND window)
{
    RECT rect = {};
    if (window == nullptr || !::GetWindowRect(window, &rect))
        return {0, 0};
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// Hands every child the one outcome of the request that served them all.
template <class Child>
void Tell(std::vector<std::unique_ptr<Child>>& children, bool ok, void (Child::*onSuccess)(),
          void (Child::*onFailure)())
{
    for (std::unique_ptr<Child>& child : children)
        ((*child).*(ok ? onSuccess : onFailure))();
}

// Every strip of a side shows its levels, or drops its meters after a failed read.
template <class Strip>
void TellMeters(std::vector<std::unique_ptr<Strip>>& strips, bool ok, LevelMeter::Canvas& canvas)
{
    for (std::unique_ptr<Strip>& strip : strips) {
        if (ok)
            strip->ShowLevels(canvas);
        else
            strip->DropMeters(canvas);
    }
}

template <class Child>
MixerGridSize MeasureFirst(const std::vector<std::unique_ptr<Child>>& children)
{
    return children.empty() ? MixerGridSize{0, 0} : MeasureWindow(children.front()->m_hWnd);
}

// Also joins the child to the mixer's keyboard navigation: Tab goes through its controls.
void Place(CWindow window, const MixerGridRect& rect)
{
    window.ModifyStyleEx(0, WS_EX_CONTROLPARENT);
    window.SetWindowPos(nullptr, rect.x, rect.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

} // namespace

FormMixer::FormMixer(ZephraDriver& driver, ZephraDeviceId key, bool hardwareInputs)
    : m_driver(driver), m_key(key), m_hardwareInputs(hardwareInputs), m_headerBrush(RGB(255, 255, 0))
{
}

FormMixer::~FormMixer()
{
    if (IsWindow())
        ClearGrid();
    for (ZephraDriver& observer : m_observers)
        observer.CloseDriver();
}

void FormMixer::ShowMixer()
{
    if (IsWindowVisible())
        return;
    ClearGrid();
    BuildGrid();
    ShowWindow(SW_SHOW);
}

void FormMixer::Rebuild()
{
    if (!IsWindowVisible())
        return;
    ShowWindow(SW_HIDE);
    ClearGrid();
    BuildGrid();
    ShowWindow(SW_SHOW);
}

void FormMixer::RefreshGains()
{
    ZephraDevice* device = FindDevice();
    if (device == nullptr || m_requests.gainCount == 0)
        return;
    bool ok = device->GetMixerOutputGains(m_requests.gains, m_requests.gainCount) == 0;
    Tell(m_destinationStrips, ok, &FormStereoOutputCtrl::ShowGains, &FormStereoOutputCtrl::ShowUnavailable);
}

void FormMixer::RefreshWeights()
{
    ZephraDevice* device = FindDevice();
    if (device == nullptr || m_requests.weightCount == 0)
        return;
    bool ok = device->GetMixerWeights(m_requests.weights, m_requests.weightCount) == 0;
    Tell(m_cells, ok, &FormMixerConnection::ShowWeights, &FormMixerConnection::ShowUnavailable);
}

LRESULT FormMixer::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    ShowWindow(SW_HIDE);
    SetIcon(::LoadIconW(CAppModule::ResourceInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME)), TRUE);
    return FALSE;
}

LRESULT FormMixer::OnTimer(UINT, WPARAM, LPARAM, BOOL&)
{
    ZephraDevice* device = FindDevice();
    if (device == nullptr)
        return 0;
    LevelMeter::Canvas canvas; // one DC for the tick, only if a meter changes
    if (m_requests.destinationLevelCount != 0)
        TellMeters(m_destinationStrips,
                   device->GetMixerOutputLevels(m_requests.destinationLevels, m_requests.destinationLevelCount) == 0,
                   canvas);
    if (m_requests.sourceLevelCount != 0)
        TellMeters(m_sourceStrips,
                   device->GetMixerInputLevels(m_requests.sourceLevels, m_requests.sourceLevelCount) == 0, canvas);
    return 0;
}

LRESULT FormMixer::OnCtlColorStatic(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    HWND control = reinterpret_cast<HWND>(lParam);
    for (const CWindow& header : m_headers) {
        if (header.m_hWnd == control)
            return m_headerBrush.Paint(reinterpret_cast<HDC>(wParam));
    }
    bHandled = FALSE;
    return 0;
}

LRESULT FormMixer::OnClose(UINT, WPARAM, LPARAM, BOOL&)
{
    ShowWindow(SW_HIDE);
    ClearGrid();
    return 0;
}

LRESULT FormMixer::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    ClearGrid();
    bHandled = FALSE;
    return 0;
}

LRESULT FormMixer::OnEnterLoop(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    m_systemLoop = std::make_unique<ModalRun>();
    bHandled = FALSE;
    return 0;
}

LRESULT FormMixer::OnExitLoop(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    m_systemLoop.reset();
    bHandled = FALSE;
    return 0;
}

ZephraDevice* FormMixer::FindDevice() const
{
    return m_driver.FindDevice(m_key.idFirst, m_key.idSecond);
}

void FormMixer::BuildGrid()
{
    SetWindowText(m_hardwareInputs ? L"Hardware Inputs Mixer" : L"Software Outputs Mixer");
    ZephraDevice* device = FindDevice();
    if (device == nullptr)
        return;
    // A failed list counts as no pins; a count is never trusted beyond the array.
    if (device->GetMixerPins(ZEPHRA_PIN_CLASS_OUTPUTS, m_requests.destinationPins, ZEPHRA_MIXER_MAX_DESTINATIONS,
                             &m_requests.destinationCount) != 0 ||
        m_requests.destinationCount > ZEPHRA_MIXER_MAX_DESTINATIONS)
        m_requests.destinationCount = 0;
    ZephraPinClass sourceClass = m_hardwareInputs ? ZEPHRA_PIN_CLASS_HARDWARE_INPUTS : ZEPHRA_PIN_CLASS_SOFTWARE_OUTPUTS;
    if (device->GetMixerPins(sourceClass, m_requests.sourcePins, ZEPHRA_MIXER_MAX_SOURCES,
                             &m_requests.sourceCount) != 0 ||
        m_requests.sourceCount > ZEPHRA_MIXER_MAX_SOURCES)
        m_requests.sourceCount = 0;
    if (m_requests.destinationCount == 0 && m_requests.sourceCount == 0) {
        ShowNoPins();
        return;
    }
    OpenObservers();

    uint32_t sourcePairs = MixerPairCount(m_requests.sourceCount, ZEPHRA_MIXER_MAX_SOURCES);
    uint32_t destinationPairs = MixerPairCount(m_requests.destinationCount, ZEPHRA_MIXER_MAX_DESTINATIONS);
    for (uint32_t k = 0; k < sourcePairs; ++k) {
        ZephraMixerLevel* left = &m_requests.sourceLevels[m_requests.sourceLevelCount++];
        ZephraMixerLevel* right = &m_requests.sourceLevels[m_requests.sourceLevelCount++];
        left->pin = m_requests.sourcePins[2 * k];
        right->pin = m_requests.sourcePins[2 * k + 1];
        m_sourceStrips.push_back(std::make_unique<FormStereoInputCtrl>(
            ZephraPinPairLabel(left->pin, right->pin, false), left, right));
        m_sourceStrips.back()->Create(m_hWnd);
    }
    for (uint32_t j = 0; j < destinationPairs; ++j) {
        const ZephraMixerPin& destinationLeft = m_requests.destinationPins[2 * j];
        const ZephraMixerPin& destinationRight = m_requests.destinationPins[2 * j + 1];
        for (uint32_t k = 0; k < sourcePairs; ++k) {
            const ZephraMixerPin* sources[2] = {&m_requests.sourcePins[2 * k], &m_requests.sourcePins[2 * k + 1]};
            ZephraMixerWeight* first = &m_requests.weights[m_requests.weightCount];
            for (const ZephraMixerPin* source : sources) {
                for (const ZephraMixerPin* destination : {&destinationLeft, &destinationRight}) {
                    ZephraMixerWeight& weight = m_requests.weights[m_requests.weightCount++];
                    weight.destination = *destination;
                    weight.source = *source;
                }
            }
            m_cells.push_back(std::make_unique<FormMixerConnection>(m_driver, m_key, first));
            m_cells.back()->Create(m_hWnd);
        }
    }
    for (uint32_t j = 0; j < destinationPairs; ++j) {
        ZephraMixerGain* leftGain = &m_requests.gains[m_requests.gainCount++];
        ZephraMixerGain* rightGain = &m_requests.gains[m_requests.gainCount++];
        ZephraMixerLevel* leftLevel = &m_requests.destinationLevels[m_requests.destinationLevelCount++];
        ZephraMixerLevel* rightLevel = &m_requests.destinationLevels[m_requests.destinationLevelCount++];
        leftGain->pin = leftLevel->pin = m_requests.destinationPins[2 * j];
        rightGain->pin = rightLevel->pin = m_requests.destinationPins[2 * j + 1];
        m_destinationStrips.push_back(std::make_unique<FormStereoOutputCtrl>(
            m_driver, m_key, ZephraPinPairLabel(leftGain->pin, rightGain->pin, true), leftGain, rightGain, leftLevel,
            rightLevel));
        m_destinationStrips.back()->Create(m_hWnd);
    }

    MixerGridLayout layout = LayoutMixerGrid(MeasureFirst(m_sourceStrips), MeasureFirst(m_cells),
                                             MeasureFirst(m_destinationStrips), sourcePairs, destinationPairs,
                                             m_requests.destinationCount);
    for (size_t k = 0; k < m_sourceStrips.size(); ++k)
        Place(*m_sourceStrips[k], layout.sourceStrips[k]);
    for (size_t i = 0; i < m_cells.size(); ++i)
        Place(*m_cells[i], layout.cells[i]);
    for (size_t j = 0; j < m_destinationStrips.size(); ++j)
        Place(*m_destinationStrips[j], layout.destinationStrips[j]);
    for (const MixerGridRect& bar : layout.separators)
        m_separators.push_back(CreateBar(bar, nullptr));
    m_headers.push_back(CreateBar(layout.sourceHeader, m_hardwareInputs ? L"Hardware Inputs" : L"Software Outputs"));
    if (layout.destinationHeaders) {
        m_headers.push_back(CreateBar(layout.outputsHeader, L"Hardware Outputs"));
        m_headers.push_back(CreateBar(layout.virtualHeader, L"Virtual Inputs"));
    }
    SetClientSize(layout.width, layout.height);

    RefreshWeights();
    RefreshGains();
    m_timer = SetTimer(LEVEL_TIMER, LEVEL_PERIOD_MS);
}

void FormMixer::ClearGrid()
{
    if (m_timer != 0) {
        KillTimer(LEVEL_TIMER);
        m_timer = 0;
    }
    DestroyWindowsThenObjects(m_destinationStrips);
    DestroyWindowsThenObjects(m_sourceStrips);
    DestroyWindowsThenObjects(m_cells);
    DestroyWindowThenObject(m_messagePanel);
    for (std::vector<CWindow>* bars : {&m_separators, &m_headers}) {
        for (CWindow& bar : *bars)
            bar.DestroyWindow();
        bars->clear();
    }
    m_requests = {};
    for (ZephraDriver& observer : m_observers)
        observer.CloseDriver();
}

void FormMixer::ShowNoPins()
{
    m_messagePanel = std::make_unique<FormStaticText>(L"No mixer pins.");
    FormStaticText& panel = *m_messagePanel;
    if (panel.Create(m_hWnd) == nullptr)
        return;
    panel.SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    MixerGridSize size = MeasureWindow(panel.m_hWnd);
    SetClientSize(size.width, size.height);
}

void FormMixer::OpenObservers()
{
    // Failures are ignored: the grid is built anyway.
    const uint32_t types[2] = {ZEPHRA_CLIENT_OBSERVER, ZEPHRA_CLIENT_OBSERVER_2};
    for (int i = 0; i < 2; ++i)
        m_observers[i].OpenAsObserver(m_driver.GetControlDeviceName(), types[i]);
}

CWindow FormMixer::CreateBar(const MixerGridRect& rect, const wchar_t* text)
{
    HWND bar = ::CreateWindowExW(0, L"STATIC", text != nullptr ? text : L"",
                                 WS_CHILD | WS_VISIBLE | SS_SUNKEN | SS_CENTER | SS_CENTERIMAGE, rect.x, rect.y,
                                 rect.width, rect.height, m_hWnd, nullptr, CAppModule::ModuleInstance(), nullptr);
    CWindow window(bar);
    if (bar != nullptr)
        window.SetFont(GetFont(), FALSE);
    return window;
}

void FormMixer::SetClientSize(int width, int height)
{
    // A new grid is laid out from the client area's origin: no scrolled position survives.
    ::ShowScrollBar(m_hWnd, SB_BOTH, FALSE);
    RECT window = {};
    RECT client = {};
    GetWindowRect(&window);
    GetClientRect(&client);
    int frameWidth = (window.right - window.left) - client.right;
    int frameHeight = (window.bottom - window.top) - client.bottom;
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    RECT work = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    if (::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor))
        work = monitor.rcWork;
    MixerWindowFit fit = FitMixerWindow(
        {width, height}, {work.right - work.left - frameWidth, work.bottom - work.top - frameHeight},
        {::GetSystemMetrics(SM_CXVSCROLL), ::GetSystemMetrics(SM_CYHSCROLL)});
    for (int bar : {SB_HORZ, SB_VERT}) {
        bool shown = bar == SB_HORZ ? fit.horizontalBar : fit.verticalBar;
        SCROLLINFO info = {};
        info.cbSize = sizeof(info);
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMax = shown ? (bar == SB_HORZ ? width : height) - 1 : 0;
        info.nPage = shown ? static_cast<UINT>(bar == SB_HORZ ? fit.client.width : fit.client.height) : 0;
        ::SetScrollInfo(m_hWnd, bar, &info, FALSE);
        ::ShowScrollBar(m_hWnd, bar, shown);
    }
    int outerWidth = fit.client.width + frameWidth + (fit.verticalBar ? ::GetSystemMetrics(SM_CXVSCROLL) : 0);
    int outerHeight = fit.client.height + frameHeight + (fit.horizontalBar ? ::GetSystemMetrics(SM_CYHSCROLL) : 0);
    // The position is kept unless the window would then reach beyond the work area.
    int left = window.left + outerWidth > work.right ? work.right - outerWidth : window.left;
    int top = window.top + outerHeight > work.bottom ? work.bottom - outerHeight : window.top;
    left = left < work.left ? work.left : left;
    top = top < work.top ? work.top : top;
    SetWindowPos(nullptr, left, top, outerWidth, outerHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormMixer::ScrollTo(int bar, int position)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (!::GetScrollInfo(m_hWnd, bar, &info) || info.nPage == 0)
        return;
    int last = info.nMax - static_cast<int>(info.nPage) + 1;
    position = position > last ? last : position;
    position = position < 0 ? 0 : position;
    if (position == info.nPos)
        return;
    int delta = info.nPos - position;
    ::SetScrollPos(m_hWnd, bar, position, TRUE);
    ::ScrollWindowEx(m_hWnd, bar == SB_HORZ ? delta : 0, bar == SB_VERT ? delta : 0, nullptr, nullptr, nullptr, nullptr,
                   SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
}

LRESULT FormMixer::OnScroll(UINT message, WPARAM wParam, LPARAM lParam, BOOL& bHandled)
{
    if (lParam != 0) { // a scroll bar control's, not the window's
        bHandled = FALSE;
        return 0;
    }
    int bar = message == WM_HSCROLL ? SB_HORZ : SB_VERT;
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    if (!::GetScrollInfo(m_hWnd, bar, &info))
        return 0;
    int line = ::MulDiv(20, HIWORD(::GetDialogBaseUnits()), 16); // about a line of text
    int position = info.nPos;
    switch (LOWORD(wParam)) {
    case SB_LINEUP: position -= line; break;
    case SB_LINEDOWN: position += line; break;
    case SB_PAGEUP: position -= static_cast<int>(info.nPage); break;
    case SB_PAGEDOWN: position += static_cast<int>(info.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = info.nTrackPos; break;
    case SB_TOP: position = info.nMin; break;
    case SB_BOTTOM: position = info.nMax; break;
    default: return 0;
    }
    ScrollTo(bar, position);
    return 0;
}

LRESULT FormMixer::OnMouseWheel(UINT, WPARAM wParam, LPARAM, BOOL&)
{
    // Down the grid with a vertical bar, else across it.
    int bar = (GetStyle() & WS_VSCROLL) != 0 ? SB_VERT : SB_HORZ;
    int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
    ScrollTo(bar, ::GetScrollPos(m_hWnd, bar) - notches * ::MulDiv(60, HIWORD(::GetDialogBaseUnits()), 16));
    return 0;
}
