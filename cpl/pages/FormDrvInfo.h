#pragma once
#include "CStatic.h"
#include "FormBaseImpl.h"
#include "FormDrvInfoRes.h"
#include "ZephraDriver.h"
#include "resource.h"

// The page that shows the driver's version, build type and interface version.
class FormDrvInfo : public FormBaseImpl<FormDrvInfo>
{
public:
    enum { IDD = IDD_DRIVER_INFO };

    // driver: the program's driver object (the main client), not owned.
    explicit FormDrvInfo(ZephraDriver& driver) : m_driver(driver) {}

    BEGIN_MSG_MAP(FormDrvInfo)
        CHAIN_MSG_MAP(FormBaseImpl<FormDrvInfo>)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) override;
    void Refresh() override;

private:
    ZephraDriver& m_driver;
    CStatic m_text;
};
