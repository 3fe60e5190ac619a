#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "ModulePath.h"
#include "WnEventLogWriter.h"
#include "WnString.h"

namespace {

TEST(WnStringTest, FormatTruncatesAndReports)
{
    struct Row { size_t capacity; const wchar_t* format; const wchar_t* expected; DWORD result; };
    const Row rows[] = {
        { 32, L"%s V%d.%02d", L"quorvelasvc V1.36", 0 },
        { 4, L"abcd", L"abc", ERROR_BUFFER_OVERFLOW },
        { 32, nullptr, L"", ERROR_INVALID_PARAMETER },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.capacity);
        wchar_t buffer[32];
        wmemset(buffer, L'#', 32);
        EXPECT_EQ(row.result, WnFormat(buffer, row.capacity, row.format, L"quorvelasvc", 1, 36));
        EXPECT_STREQ(row.expected, buffer);
    }
    wchar_t untouched[1] = { L'#' };
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), WnFormat(untouched, 0, L"x"));
    EXPECT_EQ(L'#', untouched[0]);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), WnFormat(nullptr, 8, L"x"));
}

TEST(WnStringTest, CopyAndAppendStayInTheBuffer)
{
    struct Row { const wchar_t* start; const wchar_t* source; size_t capacity; bool append; const wchar_t* expected; size_t copied; };
    const Row rows[] = {
        { L"old", L"quorvelasvc", 6, false, L"quorv", 5 },
        { L"exe", L" -service", 8, true, L"exe -se", 4 },
        { L"old", nullptr, 8, false, L"", 0 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        std::vector<wchar_t> buffer(row.capacity + 1, L'#');
        wcsncpy(buffer.data(), row.start, row.capacity);
        buffer[row.capacity - 1] = L'\0';
        EXPECT_EQ(row.copied, row.append ? WnAppend(buffer.data(), row.capacity, row.source)
                                         : WnCopy(buffer.data(), row.capacity, row.source));
        EXPECT_STREQ(row.expected, buffer.data());
        EXPECT_EQ(L'#', buffer[row.capacity]) << "nothing written past the capacity";
    }
    wchar_t unterminated[4] = { L'a', L'b', L'c', L'd' };
    EXPECT_EQ(0u, WnAppend(unterminated, 4, L"x")) << "a full or unterminated buffer takes nothing";
    EXPECT_STREQ(L"abc", unterminated);
}

TEST(ModulePathTest, SplitsTheExecutablePath)
{
    ModulePath path;
    ASSERT_EQ(0u, path.Get(nullptr));
    wchar_t expected[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, expected, MAX_PATH);
    EXPECT_STREQ(expected, path.Path());
    EXPECT_EQ(std::wstring(expected),
              std::wstring(path.Drive()) + path.Directory() + path.FileName() + path.Extension());
    EXPECT_EQ(L':', path.Drive()[1]);
    EXPECT_STREQ(L"wn_tests", path.FileName());
    EXPECT_STREQ(L".exe", path.Extension());

    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), path.Get(reinterpret_cast<HMODULE>(0x10)));
    EXPECT_STREQ(L"", path.Path()) << "a failed call leaves the fields empty";
    EXPECT_STREQ(L"", path.FileName());
}

// Records what reaches the log: Wine's event log keeps nothing.
class RecordingWriter : public WnEventLogWriter
{
public:
    struct Record { WORD type; DWORD eventId; std::wstring text; };
    std::vector<Record> records;

protected:
    DWORD Write(WORD type, DWORD eventId, LPCWSTR text) override
    {
        records.push_back(Record{ type, eventId, text });
        return WnEventLogWriter::Write(type, eventId, text);
    }
};

TEST(EventLogWriterTest, RecordsCarryTheirTypeIdAndText)
{
    RecordingWriter writer;
    ASSERT_EQ(0u, writer.Open(L"QuorvelaTestSource"));
    std::wstring tooLong(5000, L'x');
    tooLong[4094] = L'E';
    EXPECT_EQ(0u, writer.ReportInfo(L"%s started\r\nExePath: %s\r\nVersion %u.%u.%u", L"quorvelasvc",
                                    L"C:\\q\\quorvelasvc.exe", 1, 36, 1));
    EXPECT_EQ(0u, writer.ReportInfo(L"%s", tooLong.c_str())) << "a truncated text is still reported";
    EXPECT_EQ(0u, writer.ReportError(L"100% of %s unchanged"));

    ASSERT_EQ(3u, writer.records.size());
    EXPECT_EQ(EVENTLOG_INFORMATION_TYPE, writer.records[0].type);
    EXPECT_EQ(0x60070001u, writer.records[0].eventId);
    EXPECT_EQ(L"quorvelasvc started\r\nExePath: C:\\q\\quorvelasvc.exe\r\nVersion 1.36.1", writer.records[0].text);
    EXPECT_EQ(tooLong.substr(0, 4095), writer.records[1].text);
    EXPECT_EQ(EVENTLOG_ERROR_TYPE, writer.records[2].type);
    EXPECT_EQ(0xE0070003u, writer.records[2].eventId);
    EXPECT_EQ(L"100% of %s unchanged", writer.records[2].text);
    EXPECT_EQ(0u, writer.Close());
    EXPECT_FALSE(writer.IsValid());
}

} // namespace
