#pragma once
#include <vector>
#include "CButton.h"
#include "CListViewCtrl.h"
#include "DeviceRows.h"
#include "FormBaseImpl.h"
#include "FormDevicesRes.h"
#include "ZephraClient.h"
#include "resource.h"

// The page that lists the devices and sets the streaming mode and the streaming device,
// through the service.
class FormDevices : public FormBaseImpl<FormDevices>
{
public:
    enum { IDD = IDD_DEVICES };

    // client: the program's main client, not owned.
    explicit FormDevices(ZephraCplClient& client) : m_client(client) {}

    // How long a change waits for the service.
    void SetRequestTimeout(DWORD timeoutMs) { m_timeoutMs = timeoutMs; }

    BEGIN_MSG_MAP(FormDevices)
        NOTIFY_HANDLER(IDC_DEVICES_LIST, LVN_ITEMCHANGED, OnItemChanged)
        COMMAND_HANDLER(IDC_DEVICES_SELECT, BN_CLICKED, OnSelectForStreaming)
        COMMAND_HANDLER(IDC_DEVICES_ONE_DEVICE, BN_CLICKED, OnChangeStreamingMode)
        COMMAND_HANDLER(IDC_DEVICES_ALL_DEVICES, BN_CLICKED, OnChangeStreamingMode)
        CHAIN_MSG_MAP(FormBaseImpl<FormDevices>)
    END_MSG_MAP()

    // The list grows; the button and the streaming-mode group keep their distance to the bottom.
    BEGIN_DLGRESIZE_MAP(FormDevices)
        DLGRESIZE_CONTROL(IDC_DEVICES_LIST, DLSZ_SIZE_X | DLSZ_SIZE_Y)
        DLGRESIZE_CONTROL(IDC_DEVICES_SELECT, DLSZ_MOVE_Y)
        DLGRESIZE_CONTROL(IDC_DEVICES_MODE_GROUP, DLSZ_MOVE_Y)
        DLGRESIZE_CONTROL(IDC_DEVICES_ONE_DEVICE, DLSZ_MOVE_Y)
        DLGRESIZE_CONTROL(IDC_DEVICES_ALL_DEVICES, DLSZ_MOVE_Y)
    END_DLGRESIZE_MAP()

    BEGIN_DDX_MAP(FormDevices)
        DDX_RADIO(IDC_DEVICES_ONE_DEVICE, m_streamingMode)
    END_DDX_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override;
    void OnResize() override;
    void Refresh() override;

private:
    LRESULT OnItemChanged(int, LPNMHDR, BOOL&);
    LRESULT OnSelectForStreaming(WORD, WORD, HWND, BOOL&);
    LRESULT OnChangeStreamingMode(WORD, WORD, HWND, BOOL&);
    void UpdateSelectButton();
    // Asks the service for the selection, reports a failure, then shows what the driver has.
    void RequestStreamingDevice(uint32_t idFirst, uint32_t idSecond, uint32_t allDevices);

    ZephraCplClient& m_client;
    CListViewCtrl m_list;
    CButton m_select;
    std::vector<DeviceRow> m_rows; // one per list row, in row order
    int m_streamingMode = STREAMING_MODE_ONE_DEVICE;
    DWORD m_timeoutMs = ZEPHRA_REQUEST_TIMEOUT_MS;
};
