#include "ZephraDevice.h"
#include <cstring>

void ZephraCopyName(wchar_t* target, size_t capacity, const wchar_t* source)
{
    size_t i = 0;
    for (; source != nullptr && i + 1 < capacity && source[i] != 0; ++i)
        target[i] = source[i];
    target[i] = 0;
}

std::wstring ZephraFieldText(const wchar_t* field, size_t chars)
{
    size_t length = 0;
    while (length < chars && field[length] != 0)
        ++length;
    return std::wstring(field, length);
}

ZephraDevice::ZephraDevice()
{
    memset(&m_record, 0, sizeof(m_record));
    memset(m_name, 0, sizeof(m_name));
}

ZephraDevice::~ZephraDevice() = default;

ZephraStatus ZephraDevice::OpenDevice(const wchar_t* name, const ZephraDeviceRecord& record)
{
    ZephraCopyName(m_name, ZEPHRA_NAME_CHARS, name);
    m_record = record;
    ZephraStatus status = Open(m_name);
    if (status != 0)
        return status;
    status = SelectDevice(record.idFirst, record.idSecond);
    if (status == 0)
        status = OnOpened();
    if (status != 0)
        Close();
    return status;
}

ZephraStatus ZephraDevice::OnOpened()
{
    return 0;
}

ZephraStatus ZephraDevice::SelectDevice(uint32_t idFirst, uint32_t idSecond)
{
    ZephraDeviceId id = {idFirst, idSecond};
    return DoRequest(IOCTL_ZEPHRA_SELECT_DEVICE, &id, sizeof(id), nullptr, 0);
}

std::wstring ZephraDevice::GetSerialNumber() const
{
    return ZephraFieldText(m_record.serialNumber, ZEPHRA_SERIAL_CHARS);
}

std::wstring ZephraDevice::GetDeviceName() const
{
    return ZephraFieldText(m_record.deviceName, ZEPHRA_DEVICE_NAME_CHARS);
}

bool ZephraDevice::IsSameDevice(const ZephraDeviceRecord& record) const
{
    return m_record.vendorId == record.vendorId && m_record.productId == record.productId &&
           GetSerialNumber() == ZephraFieldText(record.serialNumber, ZEPHRA_SERIAL_CHARS);
}
