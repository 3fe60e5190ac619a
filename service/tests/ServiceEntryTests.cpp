#include <gtest/gtest.h>
#include <string>
#include "ServiceTestSupport.h"

namespace {

const wchar_t* const kExe = L"quorvelasvc.exe";
const char* const kHelp =
    "\nquorvelasvc V1.36\nQuorvela control Service\n\nSupported command line options:\n"
    " -install    Install the service.\n"
    " -uninstall  Uninstall the service.\n"
    " -start      Start the service.\n"
    " -stop       Stop the service.\n"
    " -console    Start service in console mode.\n"
    " -h, -?      Print this help message.\n\n";

// Text mode output turns "\n" into "\r\n"; compare in the program's own terms.
std::string Lines(std::string text)
{
    std::string out;
    for (char c : text) {
        if (c != '\r')
            out += c;
    }
    return out;
}

TEST(ServiceCommandLineTest, OptionsWithoutTheServiceManager)
{
    struct Row { const wchar_t* args; const char* output; DWORD exitCode; };
    const Row rows[] = {
        {L"", "No arguments given, use -h.\n", 1},
        {L"-INSTALL", "Unknown argument -INSTALL, use -h.\n", 1},
        {L"/install", "Unknown argument /install, use -h.\n", 1},
        {L"--start extra", "Unknown argument --start, use -h.\n", 1},
        {L"-h", kHelp, 0},
        {L"-? -install", kHelp, 0},
        {L"-h -uninstall", kHelp, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "args: '" << std::string(row.args, row.args + wcslen(row.args)) << "'");
        ChildResult result = RunChild(kExe, row.args, 20000);
        ASSERT_TRUE(result.finished);
        EXPECT_EQ(row.output, Lines(result.output));
        EXPECT_EQ(row.exitCode, result.exitCode);
    }
}

TEST(ServiceCommandLineTest, ServiceOptionFromAConsoleFailsWithoutOutput)
{
    // The dispatcher refuses a process the manager did not start (Wine takes about 10 s).
    ChildResult result = RunChild(kExe, L"-service", 30000);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(static_cast<DWORD>(-1), result.exitCode);
    EXPECT_EQ("", Lines(result.output));
}

} // namespace
