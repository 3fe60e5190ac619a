#pragma once
#include <memory>
#include <vector>
#include "CDialogImpl.h"
#include "FormMixerConnection.h"
#include "FormStaticText.h"
#include "FormStereoInputCtrl.h"
#include "FormStereoOutputCtrl.h"
#include "MixerValues.h"
#include "ModalRun.h"
#include "SolidBrush.h"
#include "ZephraDriver.h"
#include "resource.h"

// One device's mixer window: source strips down the left, a crosspoint cell per source
// pair and destination pair, destination strips along the bottom, built from the driver's
// pin lists. While a grid exists it reads all meters every 20 ms, one request per side.
// The children keep pointers into the request arrays here, so one reply fills them all.
class FormMixer : public CDialogImpl<FormMixer>
{
public:
    enum { IDD = IDD_MIXER, LEVEL_TIMER = 1112, LEVEL_PERIOD_MS = 20 };

    // driver: the program's driver object (not owned); its device list names the device and
    // its control device name is the one the observer connections open.
    // hardwareInputs: rows are the hardware inputs (pin class 1), else the software outputs (2).
    FormMixer(ZephraDriver& driver, ZephraDeviceId key, bool hardwareInputs);
    ~FormMixer() override;

    FormMixer(const FormMixer&) = delete;
    FormMixer& operator=(const FormMixer&) = delete;

    // Clears, builds and shows the grid, unless the window is already visible.
    void ShowMixer();
    // Builds the grid afresh, only while the window is visible.
    void Rebuild();
    // One request for all gains, one outcome for every destination strip.
    void RefreshGains();
    // One request for all weights, one outcome for every cell.
    void RefreshWeights();

    BEGIN_MSG_MAP(FormMixer)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        MESSAGE_HANDLER(WM_CTLCOLORSTATIC, OnCtlColorStatic)
        MESSAGE_HANDLER(WM_HSCROLL, OnScroll)
        MESSAGE_HANDLER(WM_VSCROLL, OnScroll)
        MESSAGE_HANDLER(WM_MOUSEWHEEL, OnMouseWheel)
        MESSAGE_HANDLER(WM_CLOSE, OnClose)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(WM_ENTERSIZEMOVE, OnEnterLoop)
        MESSAGE_HANDLER(WM_ENTERMENULOOP, OnEnterLoop)
        MESSAGE_HANDLER(WM_EXITSIZEMOVE, OnExitLoop)
        MESSAGE_HANDLER(WM_EXITMENULOOP, OnExitLoop)
    END_MSG_MAP()

    // What the grid holds.
    bool IsHardwareInputs() const { return m_hardwareInputs; }
    const std::vector<std::unique_ptr<FormStereoInputCtrl>>& SourceStrips() const { return m_sourceStrips; }
    const std::vector<std::unique_ptr<FormStereoOutputCtrl>>& DestinationStrips() const { return m_destinationStrips; }
    const std::vector<std::unique_ptr<FormMixerConnection>>& Cells() const { return m_cells; }
    const std::vector<CWindow>& Separators() const { return m_separators; }
    const std::vector<CWindow>& Headers() const { return m_headers; }
    const FormStaticText* MessagePanel() const { return m_messagePanel.get(); }
    uint32_t DestinationPinCount() const { return m_requests.destinationCount; }
    uint32_t SourcePinCount() const { return m_requests.sourceCount; }
    uint32_t WeightCount() const { return m_requests.weightCount; }
    bool IsMetering() const { return m_timer != 0; }
    bool ObserversOpen() const { return m_observers[0].IsOpened() && m_observers[1].IsOpened(); }

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCtlColorStatic(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnScroll(UINT message, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
    LRESULT OnMouseWheel(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled);
    // The system's move, size and menu loops of the window are modal loops too.
    LRESULT OnEnterLoop(UINT, WPARAM, LPARAM, BOOL& bHandled);
    LRESULT OnExitLoop(UINT, WPARAM, LPARAM, BOOL& bHandled);

    ZephraDevice* FindDevice() const;
    void BuildGrid();
    void ClearGrid();
    void ShowNoPins();
    void OpenObservers();
    // A visible child static with a sunken edge: a separator, or a header band with text.
    CWindow CreateBar(const MixerGridRect& rect, const wchar_t* text);
    // The window sized to show a grid of width by height: whole where it fits on its
    // monitor's work area, else as large as the work area with scroll bars over the grid.
    void SetClientSize(int width, int height);
    // Scrolls the grid so that the bar (SB_HORZ, SB_VERT) is at position, within its range.
    void ScrollTo(int bar, int position);

    ZephraDriver& m_driver;
    ZephraDeviceId m_key;
    bool m_hardwareInputs;

    // What the requests fill, and how much of each array the grid uses; zero without a grid.
    struct RequestArrays
    {
        ZephraMixerPin destinationPins[ZEPHRA_MIXER_MAX_DESTINATIONS] = {};
        uint32_t destinationCount = 0;
        ZephraMixerPin sourcePins[ZEPHRA_MIXER_MAX_SOURCES] = {};
        uint32_t sourceCount = 0;
        ZephraMixerLevel destinationLevels[ZEPHRA_MIXER_MAX_DESTINATIONS] = {};
        uint32_t destinationLevelCount = 0;
        ZephraMixerLevel sourceLevels[ZEPHRA_MIXER_MAX_SOURCES] = {};
        uint32_t sourceLevelCount = 0;
        ZephraMixerGain gains[ZEPHRA_MIXER_MAX_DESTINATIONS] = {};
        uint32_t gainCount = 0;
        ZephraMixerWeight weights[ZEPHRA_MIXER_MAX_WEIGHTS] = {};
        uint32_t weightCount = 0;
    };
    RequestArrays m_requests;

    std::vector<std::unique_ptr<FormStereoOutputCtrl>> m_destinationStrips;
    std::vector<std::unique_ptr<FormStereoInputCtrl>> m_sourceStrips;
    std::vector<std::unique_ptr<FormMixerConnection>> m_cells;
    std::vector<CWindow> m_separators; // owned windows
    std::vector<CWindow> m_headers;    // owned windows
    std::unique_ptr<FormStaticText> m_messagePanel;
    UINT_PTR m_timer = 0;
    SolidBrush m_headerBrush;
    std::unique_ptr<ModalRun> m_systemLoop; // while the window is moved or sized or its menu runs
    // Held open while a grid exists: client types 3 and 4.
    ZephraDriver m_observers[2];
};
