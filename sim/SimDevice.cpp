#include "SimDevice.h"
#include <windows.h>
#include <dbt.h>
#include <cstring>
#include <vector>
#include "ZephraDevice.h"
#include "ZephraIoctl.h"
#include "WnString.h"

ZephraDeviceRecord SimDevice::Record(bool streaming) const
{
    ZephraDeviceRecord record;
    memset(&record, 0, sizeof(record));
    record.idFirst = idFirst;
    record.idSecond = idSecond;
    record.vendorId = vendorId;
    record.productId = productId;
    WnCopy(record.serialNumber, ZEPHRA_SERIAL_CHARS, serial.c_str());
    WnCopy(record.deviceName, ZEPHRA_DEVICE_NAME_CHARS, name.c_str());
    record.portFlags = highSpeed ? ZEPHRA_PORT_HIGH_SPEED : 0;
    record.featureFlags = echo ? ZEPHRA_FEATURE_ECHO : 0;
    record.streamingFlags = streaming ? ZEPHRA_STREAMING_SELECTED : 0;
    return record;
}

std::wstring SimDevice::InterfacePath() const
{
    wchar_t prefix[64];
    WnFormat(prefix, 64, L"\\\\?\\USB#VID_%04X&PID_%04X#", vendorId, productId);
    return std::wstring(prefix) + serial + L"#" + ZEPHRA_CONTROL_DEVICE_NAME;
}

std::string SimNarrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text)
        out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

void SimBroadcastDeviceChange(bool arrival, const std::wstring& path)
{
    size_t size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (path.size() + 1) * sizeof(wchar_t);
    std::vector<uint8_t> buffer(size, 0);
    auto* header = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(buffer.data());
    header->dbcc_size = static_cast<DWORD>(size);
    header->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    const GUID interfaceClass = ZEPHRA_INTERFACE_GUID_INIT;
    header->dbcc_classguid = interfaceClass;
    memcpy(header->dbcc_name, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                        reinterpret_cast<LPARAM>(header), SMTO_ABORTIFHUNG, 2000, &result);
}
