#include "DeviceRows.h"

const wchar_t DEVICE_PRODUCT_NAME[] = L"Quorvela";

DeviceRow DeviceRowOf(const ZephraDevice& device)
{
    DeviceRow row;
    row.id.idFirst = device.GetIdFirst();
    row.id.idSecond = device.GetIdSecond();
    row.serialNumber = device.GetSerialNumber();
    row.streaming = device.IsStreamingDevice();
    return row;
}

std::vector<DeviceRow> DeviceRowsOf(const ZephraDriver& driver)
{
    std::vector<DeviceRow> rows;
    for (size_t i = 0; i < driver.GetDeviceCount(); ++i) {
        if (const ZephraDevice* device = driver.GetDeviceAt(i))
            rows.push_back(DeviceRowOf(*device));
    }
    return rows;
}

const wchar_t* StreamingMark(bool streaming)
{
    return streaming ? L"X" : L"";
}

int StreamingModeOf(const ZephraStreamingStatus& status, int shown)
{
    if (status.mode == ZEPHRA_STREAM_MODE_ONE_DEVICE || status.mode == ZEPHRA_STREAM_MODE_ALL_DEVICES)
        return int(status.mode);
    return shown;
}

std::array<int, 3> DeviceColumnWidths(int width)
{
    return {{(2 * width / 7) & 0xFFFF, (2 * width / 6) & 0xFFFF, (width / 5) & 0xFFFF}};
}

int ChannelColumnWidth(int width)
{
    return width / 2;
}
