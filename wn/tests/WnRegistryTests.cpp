#include <gtest/gtest.h>
#include <string>
#include "WnEventSource.h"
#include "WnRegKey.h"

namespace {

std::wstring UniqueName()
{
    std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    return L"QuorvelaTest_" + std::wstring(test.begin(), test.end()) + L"_" + std::to_wstring(GetCurrentProcessId());
}

// A key of the test's own under HKEY_CURRENT_USER, deleted with everything under it.
class RegKeyTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(0u, m_key.Create(HKEY_CURRENT_USER, m_path.c_str(), KEY_ALL_ACCESS)); }
    void TearDown() override
    {
        m_key.Close();
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    }

    std::wstring m_path = L"Software\\" + UniqueName();
    WnRegKey m_key;
};

TEST_F(RegKeyTest, QueryDwordAcceptsOnlyFourByteDwords)
{
    const DWORD pair[2] = { 0x12345678, 2 };
    struct Row { const char* what; DWORD type; const void* data; DWORD size; DWORD result; };
    const Row rows[] = {
        { "REG_DWORD", REG_DWORD, pair, 4, 0 },
        { "REG_SZ of 4 bytes", REG_SZ, L"7", 4, ERROR_BAD_FORMAT },
        { "longer REG_SZ", REG_SZ, L"forty-two", 20, ERROR_BAD_FORMAT },
        { "REG_BINARY of 4 bytes", REG_BINARY, pair, 4, ERROR_BAD_FORMAT },
        { "REG_DWORD of 8 bytes", REG_DWORD, pair, 8, ERROR_BAD_FORMAT },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_EQ(0, RegSetValueExW(m_key.Get(), L"Value", 0, row.type, static_cast<const BYTE*>(row.data), row.size));
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(row.result, m_key.QueryDword(L"Value", value));
        EXPECT_EQ(row.result == 0 ? pair[0] : 0xDEADBEEF, value) << "output changes only on success";
    }
    DWORD value = 0xDEADBEEF;
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), m_key.QueryDword(L"Missing", value));
    EXPECT_EQ(0xDEADBEEF, value);
}

// An Application event source of the test's own; TearDown removes its key.
class EventSourceTest : public testing::Test
{
protected:
    void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, m_key.c_str()); }

    std::wstring m_source = UniqueName();
    std::wstring m_key = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\" + m_source;
};

TEST_F(EventSourceTest, RegisterThenUnregister)
{
    const wchar_t file[] = L"C:\\Program Files\\Brightmoor\\quorvelasvc.exe";
    ASSERT_EQ(0u, RegisterEventSource(L"Application", m_source.c_str(), file));
    WnRegKey key;
    ASSERT_EQ(0u, key.Open(HKEY_LOCAL_MACHINE, m_key.c_str(), KEY_READ));
    wchar_t data[MAX_PATH] = {};
    DWORD type = 0, size = sizeof(data), types = 0;
    ASSERT_EQ(0, RegQueryValueExW(key.Get(), L"EventMessageFile", nullptr, &type, reinterpret_cast<BYTE*>(data), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), type);
    EXPECT_EQ(sizeof(file), size) << "written with its terminator";
    EXPECT_STREQ(file, data);
    EXPECT_EQ(0u, key.QueryDword(L"TypesSupported", types));
    EXPECT_EQ(7u, types);
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_FORMAT), key.SetString(L"Other", L"x", REG_MULTI_SZ));
    key.Close();

    EXPECT_EQ(0u, UnregisterEventSource(L"Application", m_source.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), key.Open(HKEY_LOCAL_MACHINE, m_key.c_str(), KEY_READ));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), UnregisterEventSource(L"Application", m_source.c_str()))
        << "a source that does not exist";
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), UnregisterEventSource(m_source.c_str(), m_source.c_str()))
        << "a log that does not exist";
}

} // namespace
