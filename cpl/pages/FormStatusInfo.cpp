#include "FormStatusInfo.h"
#include <cstring>
#include "DpiScale.h"

namespace {

const int kColumnMargin = 16; // pixels at 96 DPI beside a cell's text: its padding and the grid line

ZephraErrorCounters ZeroCounters()
{
    ZephraErrorCounters counters;
    memset(&counters, 0, sizeof(counters));
    return counters;
}

} // namespace

FormStatusInfo::FormStatusInfo(ZephraDriver& driver)
    : m_driver(driver), m_counters(ZeroCounters()), m_rows(ErrorCounterRowsOf(m_counters))
{
}

LRESULT FormStatusInfo::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    m_list.Attach(GetDlgItem(IDC_COUNTER_LIST));
    m_description.Attach(GetDlgItem(IDC_COUNTER_DESCRIPTION));
    m_list.SetExtendedListViewStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    // 150 and 100 pixels at 96 DPI, wider where a name or the largest count needs it.
    std::vector<std::wstring> names = {L"Counter"};
    for (const ErrorCounterRow& row : m_rows)
        names.push_back(row.name);
    m_list.InsertColumn(COUNTER_COLUMN_NAME, L"Counter", LVCFMT_LEFT, FittingWidth(m_list, 150, names, kColumnMargin));
    m_list.InsertColumn(COUNTER_COLUMN_VALUE, L"Value", LVCFMT_LEFT,
                        FittingWidth(m_list, 100, {L"Value", L"4294967295"}, kColumnMargin));
    m_counters = ZeroCounters();
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_list.InsertItem(int(i), m_rows[i].name, LPARAM(i));
    ShowDescription();
    return 0;
}

void FormStatusInfo::Show()
{
    if (m_timer == 0)
        m_timer = SetTimer(REFRESH_TIMER, REFRESH_PERIOD_MS);
    Refresh();
    ShowWindow(SW_SHOW);
}

void FormStatusInfo::Hide()
{
    StopTimer();
    ShowWindow(SW_HIDE);
}

void FormStatusInfo::StopTimer()
{
    if (m_timer != 0)
        KillTimer(m_timer);
    m_timer = 0;
}

void FormStatusInfo::OnTimer(UINT_PTR)
{
    Refresh();
}

void FormStatusInfo::Refresh()
{
    if (!m_driver.IsOpened())
        return;
    // Read aside: a failed read zeroes its record, and the list keeps what it shows.
    ZephraErrorCounters read;
    if (m_driver.GetErrorCounters(&read) != 0)
        return;
    m_counters = read;
    for (size_t i = 0; i < m_rows.size(); ++i)
        m_list.SetItemText(int(i), COUNTER_COLUMN_VALUE, CounterText(*m_rows[i].counter).c_str());
    ShowDescription();
}

void FormStatusInfo::ShowDescription()
{
    m_description.SetWindowText(CounterDescription(m_rows, m_list.GetSelectedIndex()));
}

LRESULT FormStatusInfo::OnItemChanged(int, LPNMHDR, BOOL&)
{
    ShowDescription();
    return 0;
}

LRESULT FormStatusInfo::OnCustomDraw(int, LPNMHDR header, BOOL&)
{
    NMLVCUSTOMDRAW* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        size_t row = size_t(draw->nmcd.dwItemSpec);
        uint32_t value = row < m_rows.size() ? *m_rows[row].counter : 0;
        draw->clrText = CounterCellColor(draw->iSubItem, value);
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

LRESULT FormStatusInfo::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled)
{
    StopTimer();
    bHandled = FALSE;
    return 0;
}
