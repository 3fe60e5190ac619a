#pragma once
#include <cstddef>
#include <cstdint>

// Records of the Windows sound (WDM) endpoint requests, sent on a device's connection.

enum : uint32_t {
    WDM_MAX_ENDPOINTS = 32,       // entries per section
    WDM_MAX_STEREO_PAIRS = 8,     // pairs in one stereo endpoint
    WDM_ENDPOINT_NAME_CHARS = 41, // zero-terminated
    WDM_VOLUME_CHANNELS = 16,
    WDM_STATE_ENTRIES = 12,       // the entries that fit in the state record
    WDM_STATE_ITEMS = 16,
};

// Endpoint kinds.
enum : uint32_t {
    WDM_ENDPOINT_HARDWARE = 1,
    WDM_ENDPOINT_VIRTUAL = 40, // loop-back recording channels
};

// Direction words of IOCTL_ZEPHRA_SET_WDM_ACTIVE, IOCTL_ZEPHRA_SET_WDM_PARAMETER and the volume record.
enum : uint32_t {
    WDM_DIRECTION_CAPTURE = 0,
    WDM_DIRECTION_RENDER = 2,
};

enum : uint32_t {
    WDM_STEREO_MODE_SKIPPED = 2,         // not synchronised with the mixer gains
    WDM_STEREO_HARDWARE_MODE = 3,        // field at 44 of hardware entries
    WDM_VOLUME_FLOOR_MINUS_INF = 0xFF800000, // single-precision minus infinity
    WDM_VOLUME_MINUS_INF = 0x80000000,   // a Windows volume of minus infinity
    WDM_STATE_ITEM_MARKED = 2,
    WDM_MUTE_FLAG = 0x00000001,
};

#pragma pack(push, 4)

// Payload of messages 11001, 11002 and 12001.
struct WdmConfigRecord
{
    uint32_t idFirst;
    uint32_t idSecond;
    uint32_t renderConfiguration;  // 0: the default stereo playback endpoints are published
    uint32_t captureConfiguration; // 0: the default stereo recording endpoints are published
};

struct WdmMonoEndpoint
{
    uint32_t kind;
    uint32_t pair; // channel number / 2
    uint32_t side; // 0 left, 1 right
    wchar_t name[WDM_ENDPOINT_NAME_CHARS];
    uint16_t reserved;
};

struct WdmMonoSection
{
    uint32_t count; // valid entries, at most 32
    WdmMonoEndpoint entries[WDM_MAX_ENDPOINTS];
};

struct WdmMonoConfig
{
    WdmMonoSection capture;
    WdmMonoSection playback;
};

struct WdmStereoEndpoint
{
    uint32_t kind;
    uint32_t pairCount; // at most 8
    uint32_t pairs[WDM_MAX_STEREO_PAIRS];
    uint32_t mode;
    uint32_t hardwareMode; // 3 for hardware entries, 0 for virtual ones
    wchar_t name[WDM_ENDPOINT_NAME_CHARS];
    uint16_t reserved[3];
    uint32_t index;       // within its section
    uint32_t volumeFloor; // WDM_VOLUME_FLOOR_MINUS_INF for hardware entries, 0 for virtual ones
    uint32_t reserved2;
};

struct WdmStereoSection
{
    uint32_t count;
    WdmStereoEndpoint entries[WDM_MAX_ENDPOINTS];
};

struct WdmStereoConfig
{
    WdmStereoSection capture;
    WdmStereoSection playback;
};

// One endpoint's Windows volume; volumes are signed 16.16 fixed-point decibels (65536 = 1 dB).
struct WdmVolumeRecord
{
    uint32_t direction; // WDM_DIRECTION_RENDER
    uint32_t index;     // endpoint within the playback section
    int32_t volumes[WDM_VOLUME_CHANNELS];
    uint32_t mutes[WDM_VOLUME_CHANNELS]; // WDM_MUTE_FLAG
};

// Input of IOCTL_ZEPHRA_WDM_SETUP: the loop-back set-up. Only these values are ever sent.
struct WdmSetupRecord
{
    uint32_t sourceKind;   // 1
    uint32_t loopbackKind; // 40
    uint8_t reserved[128];
};

struct WdmStateItem
{
    uint32_t value; // WDM_STATE_ITEM_MARKED
    uint32_t reserved;
};

struct WdmStateEntry
{
    uint32_t reserved;
    WdmStateItem first[WDM_STATE_ITEMS];
    WdmStateItem second[WDM_STATE_ITEMS];
    uint8_t reserved2[36];
};

// Output of IOCTL_ZEPHRA_GET_WDM_STATE.
struct WdmStateRecord
{
    uint32_t count; // may exceed the entries the record holds
    WdmStateEntry entries[WDM_STATE_ENTRIES];
    uint8_t reserved[68];
};

// Input of IOCTL_ZEPHRA_SET_WDM_ACTIVE ({direction, 0 off / 1 on}) and
// IOCTL_ZEPHRA_SET_WDM_PARAMETER ({direction, value}).
struct WdmDirectionWord
{
    uint32_t direction;
    uint32_t value;
};

#pragma pack(pop)

static_assert(sizeof(WdmConfigRecord) == 16, "WdmConfigRecord");
static_assert(offsetof(WdmConfigRecord, renderConfiguration) == 8, "render configuration");
static_assert(offsetof(WdmConfigRecord, captureConfiguration) == 12, "capture configuration");
static_assert(sizeof(WdmMonoEndpoint) == 96, "WdmMonoEndpoint");
static_assert(offsetof(WdmMonoEndpoint, name) == 12, "mono name");
static_assert(sizeof(WdmMonoSection) == 3076, "WdmMonoSection");
static_assert(offsetof(WdmMonoSection, entries) == 4, "mono entries");
static_assert(sizeof(WdmMonoConfig) == 6152, "WdmMonoConfig");
static_assert(offsetof(WdmMonoConfig, playback) == 3076, "mono playback");
static_assert(sizeof(WdmStereoEndpoint) == 148, "WdmStereoEndpoint");
static_assert(offsetof(WdmStereoEndpoint, pairs) == 8, "stereo pairs");
static_assert(offsetof(WdmStereoEndpoint, mode) == 40, "stereo mode");
static_assert(offsetof(WdmStereoEndpoint, hardwareMode) == 44, "stereo hardware mode");
static_assert(offsetof(WdmStereoEndpoint, name) == 48, "stereo name");
static_assert(offsetof(WdmStereoEndpoint, index) == 136, "stereo index");
static_assert(offsetof(WdmStereoEndpoint, volumeFloor) == 140, "stereo volume floor");
static_assert(sizeof(WdmStereoSection) == 4740, "WdmStereoSection");
static_assert(sizeof(WdmStereoConfig) == 9480, "WdmStereoConfig");
static_assert(offsetof(WdmStereoConfig, playback) == 4740, "stereo playback");
static_assert(sizeof(WdmVolumeRecord) == 136, "WdmVolumeRecord");
static_assert(offsetof(WdmVolumeRecord, volumes) == 8, "volumes");
static_assert(offsetof(WdmVolumeRecord, mutes) == 72, "mutes");
static_assert(sizeof(WdmSetupRecord) == 136, "WdmSetupRecord");
static_assert(sizeof(WdmStateEntry) == 296, "WdmStateEntry");
static_assert(offsetof(WdmStateEntry, first) == 4, "state first items");
static_assert(offsetof(WdmStateEntry, second) == 132, "state second items");
static_assert(sizeof(WdmStateRecord) == 3624, "WdmStateRecord");
static_assert(offsetof(WdmStateRecord, entries) == 4, "state entries");
static_assert(sizeof(WdmDirectionWord) == 8, "WdmDirectionWord");

// Mixer gain (hundredths of a decibel) to Windows volume (16.16 dB), truncated toward zero.
inline int32_t WdmVolumeFromGain(int16_t gain)
{
    return static_cast<int32_t>(static_cast<int64_t>(gain) * 65536 / 100);
}

// Windows volume to mixer gain: minus infinity gives -90 dB; others are truncated toward
// zero and clamped to +-90 dB.
inline int16_t WdmGainFromVolume(uint32_t volume)
{
    const int64_t kLimit = 9000;
    if (volume == WDM_VOLUME_MINUS_INF)
        return static_cast<int16_t>(-kLimit);
    int64_t gain = static_cast<int64_t>(static_cast<int32_t>(volume)) * 100 / 65536;
    if (gain < -kLimit)
        gain = -kLimit;
    if (gain > kLimit)
        gain = kLimit;
    return static_cast<int16_t>(gain);
}
