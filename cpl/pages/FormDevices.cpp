#include "FormDevices.h"
#include <cstring>
#include "LaidOutListWidth.h"
#include "RunServiceRequest.h"

LRESULT FormDevices::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    m_list.Attach(GetDlgItem(IDC_DEVICES_LIST));
    m_select.Attach(GetDlgItem(IDC_DEVICES_SELECT));
    m_list.SetExtendedListViewStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    m_list.InsertColumn(0, L"Device", LVCFMT_LEFT, 40);
    m_list.InsertColumn(1, L"Serial number", LVCFMT_LEFT, 40);
    m_list.InsertColumn(2, L"Streaming", LVCFMT_CENTER, 30);
    m_streamingMode = STREAMING_MODE_ONE_DEVICE;
    DoDataExchange(FALSE);
    return 0;
}

void FormDevices::OnResize()
{
    int width = LaidOutListWidth(*this, m_list);
    if (width == 0)
        return;
    std::array<int, 3> widths = DeviceColumnWidths(width);
    for (int column = 0; column < 3; ++column)
        m_list.SetColumnWidth(column, widths[size_t(column)]);
}

void FormDevices::Refresh()
{
    m_list.DeleteAllItems();
    m_client.RereadDeviceRecords(); // the streaming flags as the driver has them now
    m_rows = DeviceRowsOf(m_client);
    ZephraStreamingStatus status;
    memset(&status, 0, sizeof(status));
    m_client.GetStreamingStatus(&status); // left all zero on failure
    for (size_t i = 0; i < m_rows.size(); ++i) {
        int item = m_list.InsertItem(int(i), DEVICE_PRODUCT_NAME, LPARAM(i));
        if (item < 0)
            continue;
        m_list.SetItemText(item, 1, m_rows[i].serialNumber.c_str());
        m_list.SetItemText(item, 2, StreamingMark(m_rows[i].streaming));
    }
    UpdateSelectButton();
    m_streamingMode = StreamingModeOf(status, m_streamingMode);
    DoDataExchange(FALSE);
}

LRESULT FormDevices::OnItemChanged(int, LPNMHDR, BOOL&)
{
    UpdateSelectButton();
    return 0;
}

void FormDevices::UpdateSelectButton()
{
    m_select.EnableWindow(m_list.GetSelectedIndex() >= 0);
}

LRESULT FormDevices::OnSelectForStreaming(WORD, WORD, HWND, BOOL&)
{
    int item = m_list.GetSelectedIndex();
    if (item < 0)
        return 0;
    size_t row = size_t(m_list.GetItemData(item));
    if (row >= m_rows.size())
        return 0;
    RequestStreamingDevice(m_rows[row].id.idFirst, m_rows[row].id.idSecond, 0);
    return 0;
}

LRESULT FormDevices::OnChangeStreamingMode(WORD, WORD, HWND, BOOL&)
{
    int shown = m_streamingMode;
    DoDataExchange(TRUE);
    if (m_streamingMode != STREAMING_MODE_ONE_DEVICE && m_streamingMode != STREAMING_MODE_ALL_DEVICES) {
        m_streamingMode = shown; // neither button checked
        return 0;
    }
    RequestStreamingDevice(0, 0, uint32_t(m_streamingMode));
    return 0;
}

void FormDevices::RequestStreamingDevice(uint32_t idFirst, uint32_t idSecond, uint32_t allDevices)
{
    RunServiceRequest(m_hWnd, L"Selecting the streaming device failed.", [&] {
        return m_client.RequestSetStreamingDevice(idFirst, idSecond, allDevices, m_timeoutMs);
    });
    Refresh();
}
