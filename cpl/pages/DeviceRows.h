#pragma once
#include <array>
#include <string>
#include <vector>
#include "ZephraDriver.h"

// One row of the devices page.
struct DeviceRow
{
    ZephraDeviceId id;
    std::wstring serialNumber; // bounded by its record field
    bool streaming;            // streaming flag bit 0: selected for streaming
};

enum : int { STREAMING_MODE_ONE_DEVICE = 0, STREAMING_MODE_ALL_DEVICES = 1 };

// The product name in column 0 of every row.
extern const wchar_t DEVICE_PRODUCT_NAME[];

DeviceRow DeviceRowOf(const ZephraDevice& device);
// The rows of the driver's device objects, in its order; indexes without an object are left out.
std::vector<DeviceRow> DeviceRowsOf(const ZephraDriver& driver);
// "X" for the device selected for streaming, else empty.
const wchar_t* StreamingMark(bool streaming);

// The mode the radio group shows after a status read: the record's mode when it is 0 or 1,
// else the mode shown so far.
int StreamingModeOf(const ZephraStreamingStatus& status, int shown);

// Widths of the three columns for a list whose client area is width pixels wide:
// 2w/7, 2w/6, w/5, each taken modulo 65536 as the list view takes it.
std::array<int, 3> DeviceColumnWidths(int width);
// Each of the channels page's two columns: half the width.
int ChannelColumnWidth(int width);
