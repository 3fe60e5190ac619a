#include <gtest/gtest.h>
#include "ZephraMessage.h"

namespace {

TEST(ZephraMessageTest, PayloadWritersAndReadersCheckLengths)
{
    ZephraMessage record;
    record.Init(ZEPHRA_MSG_KIND_REQUEST, ZEPHRA_MSG_SET_BUFFER_SIZES);
    EXPECT_EQ(32u, record.headerSize);
    EXPECT_EQ(32u, record.WireSize());

    uint8_t big[600] = {};
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_LENGTH, record.WritePayload(big, 513));
    EXPECT_EQ(0u, record.payloadLength) << "a refused write changes nothing";
    EXPECT_EQ(0u, record.WritePayload(big, 512));
    EXPECT_EQ(544u, record.WireSize());

    uint32_t words[3] = {1, 2, 3};
    ASSERT_EQ(0u, record.WritePayload(words, 12));
    struct Row { uint32_t size; ZephraStatus exact; };
    const Row rows[] = {{12, 0}, {4, ZEPHRA_STATUS_INVALID_MSG_SIZE}, {16, ZEPHRA_STATUS_INVALID_MSG_SIZE}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        uint8_t out[16] = {};
        EXPECT_EQ(row.exact, record.ReadExact(out, row.size));
    }
    uint32_t value = 0, second = 0;
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_MSG_SIZE, record.ReadU32(&value));
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_MSG_SIZE, record.ReadU32Pair(&value, &second));

    uint8_t small[8];
    uint32_t length = 0;
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_LENGTH, record.ReadPayload(small, sizeof(small), &length));
    uint8_t enough[12];
    EXPECT_EQ(0u, record.ReadPayload(enough, sizeof(enough), &length));
    EXPECT_EQ(12u, length);

    // A length past the record, as a broken peer might send it, is never read.
    record.payloadLength = 4000;
    EXPECT_FALSE(record.IsWellFormed());
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_LENGTH, record.ReadExact(big, 4));
    EXPECT_EQ(ZEPHRA_STATUS_INVALID_LENGTH, record.ReadPayload(big, sizeof(big), &length));
}

} // namespace
