#pragma once
#include <string>
#include "ZephraServer.h"
#include "ZephraWdmRecords.h"

class CustomDevice;

// The product's server: a CustomDevice per device, and the WDM configuration requests
// 11001 (set) and 11002 (read).
class CustomServer : public ZephraServer
{
public:
    CustomServer() = default;
    // Opens the control device of that name instead of the interface's (tests).
    explicit CustomServer(const wchar_t* controlDeviceName);
    ~CustomServer() override = default;

    ZephraDevice* CreateDevice() override;
    const wchar_t* GetInterfaceGuidText() const override;
    ZephraStatus OnCustomRequest(const ZephraMessage& request, ZephraMessage* reply) override;

private:
    ZephraStatus OnSetWdmConfiguration(const ZephraMessage& request);
    ZephraStatus OnGetWdmConfiguration(const ZephraMessage& request, ZephraMessage* reply);
    // Reads the record and finds its device: OBJECT_NOT_FOUND unless it is a CustomDevice.
    ZephraStatus ReadConfigRequest(const ZephraMessage& request, WdmConfigRecord* record, CustomDevice** device) const;

    std::wstring m_controlDeviceName; // empty: the interface's
};
