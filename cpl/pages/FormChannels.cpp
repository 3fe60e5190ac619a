#include "FormChannels.h"
#include <cstring>
#include "ChannelRows.h"
#include "DeviceRows.h"
#include "LaidOutListWidth.h"

LRESULT FormChannels::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    m_list.Attach(GetDlgItem(IDC_CHANNEL_LIST));
    m_list.SetExtendedListViewStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    m_list.InsertColumn(0, L"Device");
    m_list.InsertColumn(1, L"Channel name");
    return 0;
}

void FormChannels::OnResize()
{
    int width = LaidOutListWidth(*this, m_list);
    if (width == 0)
        return;
    m_list.SetColumnWidth(0, ChannelColumnWidth(width));
    m_list.SetColumnWidth(1, ChannelColumnWidth(width));
}

void FormChannels::Refresh()
{
    m_list.DeleteAllItems();
    ZephraChannelList list;
    memset(&list, 0, sizeof(list));
    if (GetChannelList(&list) != 0)
        return;
    for (const ChannelRow& row : ChannelRowsOf(list, m_driver)) {
        int item = m_list.InsertItem(m_list.GetItemCount(), row.device.c_str());
        if (item >= 0)
            m_list.SetItemText(item, 1, row.channel.c_str());
    }
}
