#include "ZephraMessage.h"
#include <cstring>

void ZephraMessage::Init(uint32_t messageKind, uint32_t messageCode)
{
    memset(this, 0, sizeof(*this));
    headerSize = ZEPHRA_MSG_HEADER_SIZE;
    kind = messageKind;
    code = messageCode;
}

bool ZephraMessage::IsWellFormed() const
{
    return headerSize == ZEPHRA_MSG_HEADER_SIZE && payloadLength <= ZEPHRA_MSG_MAX_PAYLOAD;
}

ZephraStatus ZephraMessage::WritePayload(const void* data, uint32_t length)
{
    if (length > ZEPHRA_MSG_MAX_PAYLOAD)
        return ZEPHRA_STATUS_INVALID_LENGTH;
    if (length != 0)
        memcpy(payload, data, length);
    payloadLength = length;
    return 0;
}

ZephraStatus ZephraMessage::WriteU32Pair(uint32_t first, uint32_t second)
{
    uint32_t words[2] = {first, second};
    return WritePayload(words, sizeof(words));
}

ZephraStatus ZephraMessage::ReadPayload(void* buffer, uint32_t bufferSize, uint32_t* length) const
{
    if (payloadLength > ZEPHRA_MSG_MAX_PAYLOAD || payloadLength > bufferSize)
        return ZEPHRA_STATUS_INVALID_LENGTH;
    if (payloadLength != 0)
        memcpy(buffer, payload, payloadLength);
    if (length != nullptr)
        *length = payloadLength;
    return 0;
}

ZephraStatus ZephraMessage::ReadExact(void* buffer, uint32_t size) const
{
    if (payloadLength > ZEPHRA_MSG_MAX_PAYLOAD)
        return ZEPHRA_STATUS_INVALID_LENGTH;
    if (payloadLength != size)
        return ZEPHRA_STATUS_INVALID_MSG_SIZE;
    return ReadPayload(buffer, size, nullptr);
}

ZephraStatus ZephraMessage::ReadU32Pair(uint32_t* first, uint32_t* second) const
{
    uint32_t words[2];
    ZephraStatus status = ReadExact(words, sizeof(words));
    if (status != 0)
        return status;
    *first = words[0];
    *second = words[1];
    return 0;
}
