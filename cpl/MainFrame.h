#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>
#include "CCommandBarCtrl.h"
#include "CFrameWindowImpl.h"
#include "CImageList.h"
#include "CMessageLoop.h"
#include "CMultiPaneStatusBarCtrl.h"
#include "CSplitterWindow.h"
#include "CplDriverLink.h"
#include "FormBufferSettings.h"
#include "FormChannels.h"
#include "FormDevice.h"
#include "FormDevices.h"
#include "FormMixer.h"
#include "FormPlugin.h"
#include "FormDrvInfo.h"
#include "FormSampleRate.h"
#include "FormStatusInfo.h"
#include "FormSelection.h"
#include "FormStaticText.h"
#include "WnDeviceNotificationList.h"
#include "WtlMinMaxTrackSize.h"
#include "WtlRegistrySetting.h"
#include "WtlTrayIcon.h"
#include "resource.h"

// Window class of the main window and name of the single-instance mutex.
#define CPL_MAIN_WINDOW_CLASS L"{81B1E1A2-B8BD-4B1B-B3D2-65B2F4B577E5}"
// The main window's first size and its smallest, in pixels at 96 DPI.
enum : int { kFrameWidth = 550, kFrameHeight = 420 };
// Where the window placement is kept, below HKEY_CURRENT_USER.
#define CPL_SETTINGS_KEY L"Software\\BRIGHTMOOR\\quorvela\\cpl"

// Pane 1 of the status bar for a streaming state; null for states it does not name.
const wchar_t* StreamingStateText(uint32_t state);
// Pane 2 of the status bar for a rate in Hz.
std::wstring SamplingRateText(uint32_t rate);

// The control panel's window: command bar, page tree and current page side by side, status
// bar with the streaming state and the sampling rate. Owns the fixed pages and, between two
// tree rebuilds, the pages and mixers of the devices; turns the driver's notifications into
// refreshes, rebuilds and status bar updates.
class MainFrame : public CFrameWindowImpl<MainFrame>,
                  public CMessageFilter,
                  public CIdleHandler,
                  public WtlTrayIcon<MainFrame>,
                  public WtlMinMaxTrackSize<MainFrame>,
                  public WtlRegistrySetting<MainFrame>
{
public:
    DECLARE_FRAME_WND_CLASS_EX(CPL_MAIN_WINDOW_CLASS, IDR_MAINFRAME, 0, COLOR_WINDOW)

    // link: the program's main client and notification thread (not owned). commandLine:
    // the saved command line ("-notray"). deviceName: the control device.
    MainFrame(CplDriverLink& link, const wchar_t* commandLine,
              const wchar_t* deviceName = ZEPHRA_CONTROL_DEVICE_NAME);
    ~MainFrame() override;

    BEGIN_MSG_MAP(MainFrame)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(WM_SHOWWINDOW, OnShowWindow)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        NOTIFY_HANDLER(IDC_PAGE_TREE, TVN_SELCHANGEDW, OnTreeSelChanged)
        COMMAND_ID_HANDLER(ID_TRAY_RESTORE, OnRestore)
        COMMAND_ID_HANDLER(ID_APP_ABOUT, OnAbout)
        COMMAND_ID_HANDLER(ID_APP_EXIT, OnExit)
        MESSAGE_HANDLER(WM_DEVICECHANGE, OnDeviceChange)
        MESSAGE_HANDLER(WM_DRIVER_NOTIFICATION, OnDriverNotification)
        MESSAGE_HANDLER(WM_CLOSE, OnClose)
        MESSAGE_HANDLER(WM_MODAL_ENDED, OnModalEnded)
        CHAIN_MSG_MAP(CFrameWindowImpl<MainFrame>)
        CHAIN_MSG_MAP(WtlTrayIcon<MainFrame>)
        CHAIN_MSG_MAP(WtlMinMaxTrackSize<MainFrame>)
        CHAIN_MSG_MAP(WtlRegistrySetting<MainFrame>)
    END_MSG_MAP()

    // The frame's accelerators (resource 128), then F6 between tree and page, and the
    // current page's and the tree's dialog keys (Tab, Shift+Tab, mnemonics).
    BOOL PreTranslateMessage(MSG* msg) override;
    BOOL OnIdle() override { return FALSE; }

    void RebuildTree();
    void AddDevicePages();
    void ClearDevicePages();
    void ShowPage(FormBase* page);
    void UpdateStatusBar();
    // Opens the main client and reads its device list; true when this call connected.
    bool StartClient();
    void StopClient();
    // One driver notification record, as OnDriverNotification dispatches it.
    void DispatchNotification(const ZephraMessage& record);

    // What tests read back.
    FormSelection& PageTree() { return m_pageTree; }
    FormBase* CurrentPage() const { return m_currentPage; }
    CMultiPaneStatusBarCtrl& StatusBar() { return m_statusBar; }
    CCommandBarCtrl& CommandBar() { return m_commandBar; }
    CSplitterWindow& Splitter() { return m_splitter; }
    FormStaticText& NoDevicePanel() { return m_noDevice; }
    FormSampleRate& SampleRatePage() { return m_sampleRate; }
    ZephraCplClient& Observer() { return m_observer; }
    size_t DevicePageCount() const { return m_devicePages.size(); }
    const std::vector<std::unique_ptr<FormMixer>>& Mixers() const { return m_mixers; }
    // The rest of the start is done (observer connection, tray icon, command bar pictures).
    bool IsStarted() const { return m_started; }
    // The page of a device, or null.
    FormDevice* DevicePage(uint32_t idFirst, uint32_t idSecond) const;

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnShowWindow(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTimer(UINT, WPARAM wParam, LPARAM, BOOL&);
    // What the first paint does not need: after it, or after a while when the window starts
    // hidden.
    void FinishStart();
    void OpenObserver();
    LRESULT OnTreeSelChanged(int, LPNMHDR, BOOL&);
    LRESULT OnRestore(WORD, WORD, HWND, BOOL&);
    LRESULT OnAbout(WORD, WORD, HWND, BOOL&);
    LRESULT OnExit(WORD, WORD, HWND, BOOL&);
    LRESULT OnDeviceChange(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDriverNotification(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnModalEnded(UINT, WPARAM, LPARAM, BOOL&);

    // Work that destroys windows whose code may be on the stack of a modal loop.
    enum Deferrable : unsigned { DEFER_CLOSE = 1, DEFER_ARRIVAL = 2, DEFER_DEVICES = 4, DEFER_MIXERS = 8 };
    enum : UINT { WM_MODAL_ENDED = WM_APP + 11 };
    // While a modal loop runs: notes the work, ends the popups and returns true; the work is
    // done once when the last loop has ended (OnModalEnded).
    bool Deferred(unsigned work);
    void OnDeviceArrival();
    void OnDeviceListChanged();
    // After a device list read that changed it: disconnects when no device is left, rebuilds.
    void ApplyDeviceList();
    // The device page named by a notification's payload (first word, second word), or null.
    FormDevice* PageOfNotification(const ZephraMessage& record) const;
    // Takes one page out of the tree and destroys it (and its window).
    template <class Page>
    void DestroyPages(std::vector<std::unique_ptr<Page>>& pages);
    void CreateImageList();
    // Pane widths of the status bar from their texts, and the window's width from them.
    void FitStatusBar();
    // The fixed pages in creation order (the page tree first).
    std::vector<FormBase*> FixedPages();
    ZephraCplClient& Client() { return m_link.Client(); }

    enum Image { IMAGE_RATE, IMAGE_INFO, IMAGE_CHANNELS, IMAGE_DEVICE, IMAGE_STATUS, IMAGE_COUNT };

    CplDriverLink& m_link;
    std::wstring m_commandLine;
    std::wstring m_deviceName;

    CMultiPaneStatusBarCtrl m_statusBar;
    CCommandBarCtrl m_commandBar;
    CSplitterWindow m_splitter;
    FormSelection m_pageTree;
    FormStaticText m_noDevice;
    FormSampleRate m_sampleRate;
    FormBufferSettings m_bufferSettings;
    FormDrvInfo m_drvInfo;
    FormDevices m_devices;
    FormInChannels m_inChannels;
    FormOutChannels m_outChannels;
    FormStatusInfo m_statusInfo;
    std::vector<std::unique_ptr<FormDevice>> m_devicePages;
    std::vector<std::unique_ptr<FormPlugin>> m_echoPages;
    std::map<std::pair<uint32_t, uint32_t>, FormDevice*> m_devicePageIndex; // not owning
    std::vector<std::unique_ptr<FormMixer>> m_mixers;
    int m_images[IMAGE_COUNT] = {};
    CImageListManaged m_imageList; // the tree's images
    WnDeviceNotificationList m_deviceNotifications;
    ZephraCplClient m_observer;
    FormBase* m_currentPage = nullptr; // not owned
    bool m_started = false;
    unsigned m_deferred = 0; // Deferrable bits
    bool m_noDeviceLeft = false; // the last list read succeeded and was empty
    std::set<std::pair<uint32_t, uint32_t>> m_mixersDue; // devices whose mixers wait for a rebuild
};
