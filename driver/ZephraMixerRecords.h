#pragma once
#include <cstddef>
#include <cstdint>

// Levels, gains and weights are signed hundredths of a decibel: 0 is 0 dB, -6000 is -60.00 dB.

// The kind of a mono mixer pin.
enum ZephraPinType : uint8_t {
    ZEPHRA_PIN_ANALOG = 0,
    ZEPHRA_PIN_SPDIF = 1,
    ZEPHRA_PIN_PLAYBACK = 2,       // a channel that software plays back
    ZEPHRA_PIN_PLAYBACK_SPDIF = 3, // a playback channel to S/PDIF
    ZEPHRA_PIN_VIRTUAL = 5,        // a loop-back recording channel
};

// Which pins IOCTL_ZEPHRA_MIXER_GET_PINS lists.
enum ZephraPinClass : uint32_t {
    ZEPHRA_PIN_CLASS_OUTPUTS = 0,          // destinations: hardware outputs and virtual inputs
    ZEPHRA_PIN_CLASS_HARDWARE_INPUTS = 1,  // sources
    ZEPHRA_PIN_CLASS_SOFTWARE_OUTPUTS = 2, // sources: the playback channels
    ZEPHRA_PIN_CLASS_COUNT = 3,
};

// Capacities of the mixer window's request arrays.
enum : uint32_t {
    ZEPHRA_MIXER_MAX_DESTINATIONS = 26,
    ZEPHRA_MIXER_MAX_SOURCES = 18,
    ZEPHRA_MIXER_MAX_WEIGHTS = ZEPHRA_MIXER_MAX_DESTINATIONS * ZEPHRA_MIXER_MAX_SOURCES,
};

enum : uint8_t {
    ZEPHRA_GAIN_FLAG_MUTED = 0x01,
    ZEPHRA_WEIGHT_FLAG_CONNECTED = 0x01,
};

// Parameters of the echo-effect (plugin) record.
enum : uint32_t {
    ZEPHRA_PLUGIN_CHANNEL_COUNT = 0, // answer in the count word
    ZEPHRA_PLUGIN_MAX_DELAY = 1,     // milliseconds, answer in the count word
    ZEPHRA_PLUGIN_DELAY = 2,         // milliseconds per channel
    ZEPHRA_PLUGIN_AMPLIFICATION = 3, // thousandths per channel (1000 = 1.00)
    ZEPHRA_PLUGIN_MAX_ENTRIES = 64,
};

#pragma pack(push, 4)

// One mono mixer pin. Callers copy the descriptors the driver listed, reserved byte included.
struct ZephraMixerPin
{
    uint8_t type; // ZephraPinType
    uint8_t channel;
    uint16_t reserved;
};

struct ZephraMixerLevel
{
    ZephraMixerPin pin;
    int16_t level; // peak, filled by the driver; 0 is full scale
    uint16_t reserved;
};

struct ZephraMixerGain
{
    ZephraMixerPin pin; // a destination
    uint8_t reserved;
    uint8_t flags; // ZEPHRA_GAIN_FLAG_MUTED
    int16_t gain;
};

// One crosspoint of a mono destination and a mono source. A stereo cell keeps four in the
// order (dL, sL), (dR, sL), (dL, sR), (dR, sR).
struct ZephraMixerWeight
{
    ZephraMixerPin destination;
    ZephraMixerPin source;
    int16_t weight;
    uint8_t flags; // ZEPHRA_WEIGHT_FLAG_CONNECTED
    uint8_t reserved;
};

struct ZephraPluginEntry
{
    uint32_t channel; // zero-based output channel
    uint32_t value;
};

// Always travels whole (520 bytes), however few entries it holds; unused bytes are zero.
struct ZephraPluginRecord
{
    uint32_t parameter; // ZEPHRA_PLUGIN_*
    uint32_t count;     // entries that follow; the answer to parameters 0 and 1
    ZephraPluginEntry entries[ZEPHRA_PLUGIN_MAX_ENTRIES];
};

#pragma pack(pop)

// Type and channel; the reserved bytes do not take part.
inline bool ZephraSamePin(const ZephraMixerPin& a, const ZephraMixerPin& b)
{
    return a.type == b.type && a.channel == b.channel;
}

static_assert(sizeof(ZephraMixerPin) == 4, "ZephraMixerPin");
static_assert(offsetof(ZephraMixerPin, channel) == 1, "pin channel");
static_assert(sizeof(ZephraMixerLevel) == 8, "ZephraMixerLevel");
static_assert(offsetof(ZephraMixerLevel, level) == 4, "level");
static_assert(sizeof(ZephraMixerGain) == 8, "ZephraMixerGain");
static_assert(offsetof(ZephraMixerGain, flags) == 5, "gain flags");
static_assert(offsetof(ZephraMixerGain, gain) == 6, "gain");
static_assert(sizeof(ZephraMixerWeight) == 12, "ZephraMixerWeight");
static_assert(offsetof(ZephraMixerWeight, source) == 4, "weight source");
static_assert(offsetof(ZephraMixerWeight, weight) == 8, "weight");
static_assert(offsetof(ZephraMixerWeight, flags) == 10, "weight flags");
static_assert(sizeof(ZephraPluginRecord) == 520, "ZephraPluginRecord");
static_assert(offsetof(ZephraPluginRecord, count) == 4, "plugin count");
static_assert(offsetof(ZephraPluginRecord, entries) == 8, "plugin entries");
