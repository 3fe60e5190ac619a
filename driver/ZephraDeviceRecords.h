#pragma once
#include <cstddef>
#include <cstdint>

// Client types of IOCTL_ZEPHRA_SET_CLIENT_TYPE (1 is not used).
enum : uint32_t {
    ZEPHRA_CLIENT_SERVER = 0,
    ZEPHRA_CLIENT_MAIN = 2,
    ZEPHRA_CLIENT_OBSERVER = 3,
    ZEPHRA_CLIENT_OBSERVER_2 = 4,
};

#pragma pack(push, 4)

// Input of IOCTL_ZEPHRA_SET_EVENTS; handles zero-extended to 64 bits, 0 = none.
struct ZephraEventsRecord
{
    uint64_t messageEvent;
    uint64_t notificationEvent;
};

enum : uint32_t {
    ZEPHRA_SERIAL_CHARS = 20,
    ZEPHRA_DEVICE_NAME_CHARS = 42,
    ZEPHRA_MAX_DEVICES = 8,
};

enum : uint8_t {
    ZEPHRA_PORT_HIGH_SPEED = 0x01,   // clear: a USB 1.1 port, no streaming possible
    ZEPHRA_FEATURE_ECHO = 0x01,      // the device carries the echo effect
    ZEPHRA_STREAMING_SELECTED = 0x01 // the device selected for streaming
};

struct ZephraDeviceRecord
{
    uint32_t idFirst;
    uint32_t idSecond;
    uint16_t vendorId;
    uint16_t productId;
    wchar_t serialNumber[ZEPHRA_SERIAL_CHARS]; // zero-terminated unless the driver filled it
    wchar_t deviceName[ZEPHRA_DEVICE_NAME_CHARS];
    uint8_t portFlags;
    uint8_t featureFlags;
    uint8_t streamingFlags;
    uint8_t reserved;
};

struct ZephraDeviceList
{
    uint32_t count; // valid records first; never read beyond ZEPHRA_MAX_DEVICES
    ZephraDeviceRecord devices[ZEPHRA_MAX_DEVICES];
};

// Input of IOCTL_ZEPHRA_SELECT_DEVICE.
struct ZephraDeviceId
{
    uint32_t idFirst;
    uint32_t idSecond;
};

#pragma pack(pop)

static_assert(sizeof(wchar_t) == 2, "records carry 16-bit characters");
static_assert(sizeof(ZephraEventsRecord) == 16, "ZephraEventsRecord");
static_assert(sizeof(ZephraDeviceRecord) == 140, "ZephraDeviceRecord");
static_assert(offsetof(ZephraDeviceRecord, serialNumber) == 12, "serial number");
static_assert(offsetof(ZephraDeviceRecord, deviceName) == 52, "device name");
static_assert(offsetof(ZephraDeviceRecord, portFlags) == 136, "port flags");
static_assert(sizeof(ZephraDeviceList) == 1124, "ZephraDeviceList");
static_assert(sizeof(ZephraDeviceId) == 8, "ZephraDeviceId");
