#include "FormDrvInfo.h"
#include <cstring>
#include "DriverInfoText.h"

LRESULT FormDrvInfo::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    m_text.Attach(GetDlgItem(IDC_DRIVER_INFO_TEXT));
    return 0;
}

void FormDrvInfo::Refresh()
{
    if (!m_driver.IsOpened())
        return;
    ZephraVersionInfo version;
    memset(&version, 0, sizeof(version));
    if (m_driver.GetVersion(&version) != 0)
        return; // the text stays as it was
    m_text.SetWindowText(DriverInfoText(version).c_str());
}
