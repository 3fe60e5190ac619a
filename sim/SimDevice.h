#pragma once
#include <cstdint>
#include <string>
#include "SimMixer.h"
#include "SimWdm.h"
#include "ZephraDeviceRecords.h"

// One simulated device as the driver reports it.
struct SimDevice
{
    uint32_t idFirst = 0;
    uint32_t idSecond = 0;
    uint16_t vendorId = 0x2B5A;
    uint16_t productId = 0x0101;
    std::wstring serial;
    std::wstring name = L"Quorvela";
    bool highSpeed = true;
    bool echo = false;
    SimMixer mixer;
    SimWdm wdm;

    // The device-list entry; streaming: whether this is the streaming device.
    ZephraDeviceRecord Record(bool streaming) const;
    // The device-interface path broadcast on arrival and removal.
    std::wstring InterfacePath() const;
};

// ASCII text of a name, for status lines ("?" for anything else).
std::string SimNarrow(const std::wstring& text);

// Sends WM_DEVICECHANGE for the control device's interface class to all top-level windows.
void SimBroadcastDeviceChange(bool arrival, const std::wstring& path);
