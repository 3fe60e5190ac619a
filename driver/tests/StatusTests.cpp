#include <gtest/gtest.h>
#include <string>
#include "ZephraRequestIndex.h"
#include "ZephraStatus.h"

namespace {

TEST(ZephraStatusNameTest, NamesListedCodesOnly)
{
    struct Row { ZephraStatus status; const char* name; };
    const Row rows[] = {
        {0, "ZEPHRA_STATUS_SUCCESS"},
        {0xE0000001, "ZEPHRA_STATUS_FAILED"},
        {0xE0000013, "ZEPHRA_STATUS_NOT_OPENED"},
        {0xE000003A, "ZEPHRA_STATUS_INVALID_STATE"},
        {0xE0000100, "ZEPHRA_STATUS_PENDING"},
        {0xE0000019, "???"},
        {0xE0000000, "???"},
        {5, "???"},
        {2, "???"},
        {0xFFFFFFFF, "???"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.status);
        EXPECT_STREQ(row.name, ZephraStatusName(row.status));
    }
}

TEST(ZephraRequestIndexTest, CodesHaveDeviceTypeAndBufferedMethod)
{
    unsigned count = 0;
    const ZephraRequestInfo* table = ZephraRequestTable(&count);
    EXPECT_EQ(41u, count);
    for (unsigned i = 0; i < count; ++i) {
        SCOPED_TRACE(table[i].name);
        EXPECT_EQ(0x8088u, table[i].code >> 16);
        EXPECT_EQ(0u, table[i].code & 3) << "buffered";
        EXPECT_GE((table[i].code >> 2) & 0xFFF, 0x801u);
        EXPECT_EQ(&table[i], ZephraFindRequest(table[i].code));
        EXPECT_EQ(0, std::string(table[i].name).rfind("IOCTL_ZEPHRA_", 0));
    }
    EXPECT_EQ(nullptr, ZephraFindRequest(0x80882000));
}

} // namespace
