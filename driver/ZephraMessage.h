#pragma once
#include <cstddef>
#include <cstdint>
#include "ZephraStatus.h"

enum : uint32_t {
    ZEPHRA_MSG_HEADER_SIZE = 32,
    ZEPHRA_MSG_MAX_PAYLOAD = 512,
};

enum : uint32_t {
    ZEPHRA_MSG_KIND_NONE = 0,
    ZEPHRA_MSG_KIND_REQUEST = 1,
    ZEPHRA_MSG_KIND_REPLY = 2,
    ZEPHRA_MSG_KIND_NOTIFICATION = 3,
};

// Message codes.
enum : uint32_t {
    ZEPHRA_MSG_SET_SAMPLE_RATE = 1001,
    ZEPHRA_MSG_SET_BUFFER_SIZES = 1002,
    ZEPHRA_MSG_SET_STREAMING_DEVICE = 1003,
    ZEPHRA_MSG_SET_DEVICE_BYTE = 1004,
    ZEPHRA_MSG_SET_OPTIONS = 1005,
    ZEPHRA_MSG_SET_WDM_CONFIG = 11001,
    ZEPHRA_MSG_GET_WDM_CONFIG = 11002,
    ZEPHRA_MSG_REPLY = 2001,
    ZEPHRA_MSG_WDM_CONFIG_REPLY = 12001,
    ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED_BY_DRIVER = 3001,
    ZEPHRA_NOTIFY_STREAM_DEMAND = 3003,
    ZEPHRA_NOTIFY_STREAM_RELEASE = 3004,
    ZEPHRA_NOTIFY_DEVICE_LIST = 3005,
    ZEPHRA_NOTIFY_STREAM_RESUME = 3006,
    ZEPHRA_NOTIFY_STREAMING_RECONFIGURED = 3010,
    ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED = 3011,
    ZEPHRA_NOTIFY_DEVICE_STREAM_DEMAND = 3015,
    ZEPHRA_NOTIFY_DEVICE_STREAM_RELEASE = 3016,
    ZEPHRA_NOTIFY_DEVICE_LIST_QUERY = 3020,
    ZEPHRA_NOTIFY_IGNORED = 3021,
    ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED = 3030,
    ZEPHRA_NOTIFY_DEVICE_STATE = 3040,
    ZEPHRA_NOTIFY_MIXER_PINS_CHANGED = 3050,
    ZEPHRA_NOTIFY_MIXER_GAINS_CHANGED = 3051,
    ZEPHRA_NOTIFY_MIXER_WEIGHTS_CHANGED = 3052,
    ZEPHRA_NOTIFY_DEVICE_VALUE = 3060,
};

#pragma pack(push, 4)

// The record that carries requests, replies and notifications between connections.
struct ZephraMessage
{
    uint32_t headerSize;    // always 32
    uint32_t payloadLength; // 0 to 512
    uint32_t kind;
    uint32_t code;
    uint32_t correlation[3]; // [0]: the requester's sequence number; all copied into the reply
    uint32_t status;         // of a reply
    uint8_t payload[ZEPHRA_MSG_MAX_PAYLOAD];

    // Zeroes everything, then sets the header size, kind and code.
    void Init(uint32_t messageKind, uint32_t messageCode);
    // Kind and code 0, as before a read: a record read back with kind 0 carries nothing.
    void Clear() { Init(ZEPHRA_MSG_KIND_NONE, 0); }

    // Bytes on the wire: header and payload.
    uint32_t WireSize() const { return ZEPHRA_MSG_HEADER_SIZE + payloadLength; }
    // Header size 32 and a payload length that fits.
    bool IsWellFormed() const;

    // INVALID_LENGTH over 512 bytes.
    ZephraStatus WritePayload(const void* data, uint32_t length);
    ZephraStatus WriteU32(uint32_t value) { return WritePayload(&value, 4); }
    ZephraStatus WriteU32Pair(uint32_t first, uint32_t second);

    // Copies the payload; INVALID_LENGTH when it exceeds 512 or the buffer.
    ZephraStatus ReadPayload(void* buffer, uint32_t bufferSize, uint32_t* length) const;
    // Requires exactly size bytes: INVALID_MSG_SIZE otherwise (INVALID_LENGTH over 512).
    ZephraStatus ReadExact(void* buffer, uint32_t size) const;
    ZephraStatus ReadU32(uint32_t* value) const { return ReadExact(value, 4); }
    ZephraStatus ReadU32Pair(uint32_t* first, uint32_t* second) const;
};

#pragma pack(pop)

static_assert(sizeof(ZephraMessage) == 544, "ZephraMessage");
static_assert(offsetof(ZephraMessage, correlation) == 16, "correlation words");
static_assert(offsetof(ZephraMessage, status) == 28, "status");
static_assert(offsetof(ZephraMessage, payload) == 32, "payload");
