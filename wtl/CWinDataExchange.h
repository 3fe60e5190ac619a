#pragma once
#include <windows.h>

// Moves values between a dialog's controls and its fields. Of the exchanges only the radio
// group is offered: the group starts at the button id and runs through the following
// radio buttons up to the next group start; the value is the zero-based index of the
// checked button, -1 for none.
#define BEGIN_DDX_MAP(theClass)                                                                             \
    BOOL DoDataExchange(BOOL bSaveAndValidate = FALSE, UINT nCtlID = (UINT)-1)                              \
    {                                                                                                       \
        (void)bSaveAndValidate;                                                                             \
        (void)nCtlID;
#define DDX_RADIO(nID, var)                                                                                 \
    if (nCtlID == (UINT)-1 || nCtlID == (UINT)(nID))                                                        \
        DDX_Radio((nID), (var), bSaveAndValidate);
#define END_DDX_MAP()                                                                                       \
    return TRUE;                                                                                            \
    }

// Checks the button at index value (none when out of range) and clears the others, or
// (save) reads the index of the checked button into value.
void WtlExchangeRadio(HWND dialog, UINT firstId, int& value, BOOL save);

template <class T>
class CWinDataExchange
{
public:
    void DDX_Radio(UINT firstId, int& value, BOOL save)
    {
        WtlExchangeRadio(static_cast<T*>(this)->m_hWnd, firstId, value, save);
    }
};
