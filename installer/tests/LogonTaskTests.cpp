#include <gtest/gtest.h>
#include <string>
#include "LogonTask.h"

namespace {

bool Contains(const std::wstring& text, const std::wstring& part)
{
    return text.find(part) != std::wstring::npos;
}

TEST(LogonTaskTest, DefinitionStartsTheControlPanelHiddenForEveryUserElevated)
{
    std::wstring xml = LogonTaskXml(L"C:\\Program Files\\Brightmoor\\Quorvela\\quorvelacpl.exe");
    const wchar_t* const parts[] = {
        L"<LogonTrigger>\n      <Enabled>true</Enabled>\n    </LogonTrigger>",
        L"<GroupId>S-1-5-32-545</GroupId>",
        L"<RunLevel>HighestAvailable</RunLevel>",
        L"<Command>\"C:\\Program Files\\Brightmoor\\Quorvela\\quorvelacpl.exe\"</Command>",
        L"<Arguments>-hide</Arguments>",
        L"<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>",
        L"<MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>",
    };
    for (const wchar_t* part : parts) {
        SCOPED_TRACE(std::string(part, part + wcslen(part)));
        EXPECT_TRUE(Contains(xml, part));
    }
    EXPECT_FALSE(Contains(xml, L"<UserId>"));
}

TEST(LogonTaskTest, PathIsEscapedForXml)
{
    struct Row {
        const wchar_t* path;
        const wchar_t* command;
    };
    const Row rows[] = {
        {L"D:\\A&B\\quorvelacpl.exe", L"<Command>\"D:\\A&amp;B\\quorvelacpl.exe\"</Command>"},
        {L"D:\\<x>\\q.exe", L"<Command>\"D:\\&lt;x&gt;\\q.exe\"</Command>"},
        {L"D:\\it's\\q.exe", L"<Command>\"D:\\it&apos;s\\q.exe\"</Command>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.path, row.path + wcslen(row.path)));
        std::wstring xml = LogonTaskXml(row.path);
        EXPECT_TRUE(Contains(xml, row.command));
    }
}

// Register, replace and delete a task of another name through the Task Scheduler.
class LogonTaskRegistrationTest : public ::testing::Test
{
protected:
    static constexpr const wchar_t* kName = L"QuorvelaTestLogonTask";
    void SetUp() override { RemoveLogonTask(kName); }
    void TearDown() override { RemoveLogonTask(kName); }
};

TEST_F(LogonTaskRegistrationTest, RegisterReplaceRemove)
{
    EXPECT_EQ(S_OK, RemoveLogonTask(kName));
    ASSERT_EQ(S_OK, RegisterLogonTask(kName, L"C:\\Program Files\\Brightmoor\\Quorvela\\quorvelacpl.exe"));
    std::wstring xml;
    EXPECT_EQ(S_OK, ReadLogonTask(kName, &xml));
    EXPECT_TRUE(Contains(xml, L"Starts the Quorvela control panel"));
    EXPECT_EQ(S_OK, RegisterLogonTask(kName, L"C:\\Program Files\\Brightmoor\\Quorvela\\quorvelacpl.exe"));
    EXPECT_EQ(S_OK, RemoveLogonTask(kName));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), ReadLogonTask(kName, &xml));
    EXPECT_EQ(S_OK, RemoveLogonTask(kName));
}

} // namespace
