#pragma once
#include <cstddef>
#include <cstdint>

// Streaming states, field 0 of the streaming status.
enum : uint32_t {
    ZEPHRA_STREAM_UNDEFINED = 0,
    ZEPHRA_STREAM_DOWN = 1,
    ZEPHRA_STREAM_READY = 2,
    ZEPHRA_STREAM_PREPARED = 3,
    ZEPHRA_STREAM_RUNNING = 4,
    ZEPHRA_STREAM_ERROR = 5,
    ZEPHRA_STREAM_NOT_POSSIBLE = 6, // the streaming device is on a USB 1.1 port
};

// Commands of IOCTL_ZEPHRA_STREAMING_COMMAND and the states they are sent in.
enum : uint32_t {
    ZEPHRA_STREAM_CMD_RESET = 1,   // error or not possible -> down
    ZEPHRA_STREAM_CMD_OPEN = 2,    // down -> ready, with the caller's argument
    ZEPHRA_STREAM_CMD_CLOSE = 3,   // ready -> down, with the caller's argument
    ZEPHRA_STREAM_CMD_PREPARE = 4, // ready -> prepared
    ZEPHRA_STREAM_CMD_START = 5,   // prepared -> running
    ZEPHRA_STREAM_CMD_STOP = 6,    // prepared or running -> ready
};

enum : uint32_t {
    ZEPHRA_STREAM_MODE_ONE_DEVICE = 0,
    ZEPHRA_STREAM_MODE_ALL_DEVICES = 1,
};

enum : uint32_t {
    ZEPHRA_STREAM_COUNTS = 5,
    ZEPHRA_MAX_SAMPLE_RATES = 12,
    ZEPHRA_MAX_CHANNELS = 96,
    ZEPHRA_CHANNEL_NAME_CHARS = 42,
    ZEPHRA_STREAMING_BUFFER_SETTINGS = 6, // "Minimum" to "Safe"
    ZEPHRA_ASIO_BUFFER_SETTINGS = 4,      // "Minimum" to "Maximum"
};

// Driver option word.
enum : uint32_t { ZEPHRA_OPTION_FORBID_RATE_CHANGE = 0x00000001 };

#pragma pack(push, 4)

// Output of IOCTL_ZEPHRA_GET_STREAMING_STATUS.
struct ZephraStreamingStatus
{
    uint32_t state;
    uint32_t mode;
    uint32_t sampleRate; // Hz
    uint32_t streamCounts[ZEPHRA_STREAM_COUNTS]; // open streams of the driver's audio clients
    uint32_t reserved;
};

// Output of IOCTL_ZEPHRA_GET_SAMPLE_RATES.
struct ZephraSampleRates
{
    uint32_t current;
    uint32_t count; // never read beyond ZEPHRA_MAX_SAMPLE_RATES
    uint32_t rates[ZEPHRA_MAX_SAMPLE_RATES];
};

// Output of IOCTL_ZEPHRA_GET_BUFFER_SIZES; durations in microseconds.
struct ZephraBufferSizes
{
    uint32_t streamingSetting;
    uint32_t asioSetting;
    uint32_t thirdSetting; // passed back unchanged on a change
    uint32_t streamingDuration;
    uint32_t asioDuration;
    uint32_t asioSamples;
    uint32_t reserved[2];
};

// Input of IOCTL_ZEPHRA_SET_BUFFER_SIZES and payload of message 1002.
struct ZephraBufferSizeChange
{
    uint32_t streamingSetting;
    uint32_t asioSetting;
    uint32_t thirdSetting;
};

// Output of IOCTL_ZEPHRA_GET_ERROR_COUNTERS.
struct ZephraErrorCounters
{
    uint32_t streaming; // isochronous stream interrupted, seen by the driver
    uint32_t fifo;      // seen by the hardware
    uint32_t asio;      // missed buffer switch
    uint32_t wdmAudio;
    uint32_t wdmMidi;
};

// Names a channel in IOCTL_ZEPHRA_GET_CHANNEL_INFO; the words mean something to the driver only.
struct ZephraChannelKey
{
    uint32_t words[2];
};

// Output of IOCTL_ZEPHRA_GET_INPUT_CHANNELS and IOCTL_ZEPHRA_GET_OUTPUT_CHANNELS.
struct ZephraChannelList
{
    uint32_t count; // never read beyond ZEPHRA_MAX_CHANNELS
    ZephraChannelKey keys[ZEPHRA_MAX_CHANNELS];
};

// Output of IOCTL_ZEPHRA_GET_CHANNEL_INFO.
struct ZephraChannelInfo
{
    uint32_t reserved1[2];
    uint32_t idFirst; // of the device that owns the channel
    uint32_t idSecond;
    uint32_t reserved2[2];
    wchar_t name[ZEPHRA_CHANNEL_NAME_CHARS]; // zero-terminated once read
};

// Input of IOCTL_ZEPHRA_STREAMING_COMMAND.
struct ZephraStreamingCommandRecord
{
    uint32_t command;
    uint32_t argument;
};

// Input of IOCTL_ZEPHRA_SET_STREAMING_DEVICE and payload of message 1003:
// (0, 0, 1) all devices, (0, 0, 0) back to one device, (first, second, 0) that device.
struct ZephraStreamingDeviceRecord
{
    uint32_t idFirst;
    uint32_t idSecond;
    uint32_t allDevices;
};

#pragma pack(pop)

static_assert(sizeof(ZephraStreamingStatus) == 36, "ZephraStreamingStatus");
static_assert(offsetof(ZephraStreamingStatus, sampleRate) == 8, "sample rate");
static_assert(offsetof(ZephraStreamingStatus, streamCounts) == 12, "stream counts");
static_assert(sizeof(ZephraSampleRates) == 56, "ZephraSampleRates");
static_assert(offsetof(ZephraSampleRates, rates) == 8, "rates");
static_assert(sizeof(ZephraBufferSizes) == 32, "ZephraBufferSizes");
static_assert(offsetof(ZephraBufferSizes, streamingDuration) == 12, "streaming duration");
static_assert(offsetof(ZephraBufferSizes, asioSamples) == 20, "ASIO samples");
static_assert(sizeof(ZephraBufferSizeChange) == 12, "ZephraBufferSizeChange");
static_assert(sizeof(ZephraErrorCounters) == 20, "ZephraErrorCounters");
static_assert(sizeof(ZephraChannelKey) == 8, "ZephraChannelKey");
static_assert(sizeof(ZephraChannelList) == 772, "ZephraChannelList");
static_assert(offsetof(ZephraChannelList, keys) == 4, "channel keys");
static_assert(sizeof(ZephraChannelInfo) == 108, "ZephraChannelInfo");
static_assert(offsetof(ZephraChannelInfo, idFirst) == 8, "channel device id");
static_assert(offsetof(ZephraChannelInfo, name) == 24, "channel name");
static_assert(sizeof(ZephraStreamingCommandRecord) == 8, "ZephraStreamingCommandRecord");
static_assert(sizeof(ZephraStreamingDeviceRecord) == 12, "ZephraStreamingDeviceRecord");
