#pragma once
#include <array>
#include "CListViewCtrl.h"
#include "CStatic.h"
#include "ErrorCounterRows.h"
#include "FormBaseImpl.h"
#include "FormStatusInfoRes.h"
#include "ZephraDriver.h"
#include "resource.h"

// The page that shows the driver's five error counters, refreshed once a second while it is
// shown, with the description of the selected counter.
class FormStatusInfo : public FormBaseImpl<FormStatusInfo>
{
public:
    enum { IDD = IDD_STATUS_INFO };
    enum : UINT_PTR { REFRESH_TIMER = 1113 };
    enum : UINT { REFRESH_PERIOD_MS = 1000 };

    // driver: the program's driver object (the main client), not owned.
    explicit FormStatusInfo(ZephraDriver& driver);

    BEGIN_MSG_MAP(FormStatusInfo)
        NOTIFY_HANDLER(IDC_COUNTER_LIST, NM_CUSTOMDRAW, OnCustomDraw)
        NOTIFY_HANDLER(IDC_COUNTER_LIST, LVN_ITEMCHANGED, OnItemChanged)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        CHAIN_MSG_MAP(FormBaseImpl<FormStatusInfo>)
    END_MSG_MAP()

    BEGIN_DLGRESIZE_MAP(FormStatusInfo)
        DLGRESIZE_CONTROL(IDC_COUNTER_LIST, DLSZ_SIZE_X | DLSZ_SIZE_Y)
        DLGRESIZE_CONTROL(IDC_COUNTER_GROUP, DLSZ_SIZE_X | DLSZ_MOVE_Y)
        DLGRESIZE_CONTROL(IDC_COUNTER_DESCRIPTION, DLSZ_SIZE_X | DLSZ_MOVE_Y)
    END_DLGRESIZE_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override;
    void Show() override;
    void Hide() override;
    void OnTimer(UINT_PTR id) override;
    void Refresh() override;

    // The refresh timer's identifier while it runs, else 0.
    UINT_PTR RunningTimer() const { return m_timer; }

private:
    LRESULT OnCustomDraw(int, LPNMHDR header, BOOL&);
    LRESULT OnItemChanged(int, LPNMHDR, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled);
    void StopTimer();
    void ShowDescription();

    ZephraDriver& m_driver;
    ZephraErrorCounters m_counters;
    std::array<ErrorCounterRow, ERROR_COUNTER_ROWS> m_rows; // point into m_counters
    CListViewCtrl m_list;
    CStatic m_description;
    UINT_PTR m_timer = 0;
};
