#include <gtest/gtest.h>
#include <string>
#include "SettingsKeys.h"

namespace {

// Works below a key of its own in HKEY_CURRENT_USER; the parents it empties are its own.
class SettingsKeysTest : public ::testing::Test
{
protected:
    static constexpr const wchar_t* kRoot = L"Software\\QuorvelaTestMaker";
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kRoot); }

    static void Create(const std::wstring& key, const wchar_t* value)
    {
        HKEY handle = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                                 &handle, nullptr));
        if (value != nullptr) {
            DWORD data = 1;
            RegSetValueExW(handle, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
        }
        RegCloseKey(handle);
    }
    static bool Exists(const std::wstring& key)
    {
        HKEY handle = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
            return false;
        RegCloseKey(handle);
        return true;
    }
};

TEST_F(SettingsKeysTest, RemovesTheTreeAndEmptyParentsOnly)
{
    const std::wstring root = kRoot;
    struct Row {
        const char* name;
        const wchar_t* parentValue;   // a value in root\product, or none
        const wchar_t* siblingKey;    // another key below root, or none
        bool productLeft;
        bool rootLeft;
    };
    const Row rows[] = {
        {"nothing else", nullptr, nullptr, false, false},
        {"a value in the parent", L"Other", nullptr, true, true},
        {"another product", nullptr, L"\\other", false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Create(root + L"\\product\\cpl\\deeper", L"Placement");
        if (row.parentValue != nullptr)
            Create(root + L"\\product", row.parentValue);
        if (row.siblingKey != nullptr)
            Create(root + row.siblingKey, nullptr);
        EXPECT_EQ(ERROR_SUCCESS, RemoveSettingsKey(HKEY_CURRENT_USER, (root + L"\\product\\cpl").c_str()));
        EXPECT_FALSE(Exists(root + L"\\product\\cpl"));
        EXPECT_EQ(row.productLeft, Exists(root + L"\\product"));
        EXPECT_EQ(row.rootLeft, Exists(root));
        EXPECT_TRUE(Exists(L"Software"));
        RegDeleteTreeW(HKEY_CURRENT_USER, kRoot);
    }
}

TEST_F(SettingsKeysTest, MissingKeyIsNoError)
{
    EXPECT_EQ(ERROR_SUCCESS, RemoveSettingsKey(HKEY_CURRENT_USER, L"Software\\QuorvelaTestMaker\\none"));
}

} // namespace
