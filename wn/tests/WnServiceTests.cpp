#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "WnEventLogWriter.h"
#include "WnRegKey.h"
#include "WnServiceCtrl.h"

namespace {

std::wstring HelperPath()
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"wn_test_service.exe";
}

// Services made by one test and the helper's result keys; TearDown stops and deletes them.
class ServiceTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(0u, m_manager.Open(nullptr, L"ServicesActive", SC_MANAGER_ALL_ACCESS)); }

    void TearDown() override
    {
        for (const std::wstring& name : m_names) {
            WnServiceCtrl service;
            if (service.Open(m_manager, name.c_str(), SERVICE_ALL_ACCESS) == 0) {
                SERVICE_STATUS status = {};
                if (ControlService(service.Get(), SERVICE_CONTROL_STOP, &status))
                    WaitForState(service, SERVICE_STOPPED);
                DeleteService(service.Get());
            }
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, (L"Software\\" + name).c_str());
        }
    }

    std::wstring NewName()
    {
        m_names.push_back(L"QuorvelaTestSvc" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(m_names.size()));
        return m_names.back();
    }

    DWORD CreateHelper(WnServiceCtrl& ctrl, const std::wstring& name)
    {
        return ctrl.Create(m_manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                           SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, (L"\"" + HelperPath() + L"\"").c_str(),
                           nullptr, nullptr, nullptr, nullptr, nullptr);
    }

    // Opens a service and closes it again at once.
    DWORD OpenResult(const std::wstring& name)
    {
        WnServiceCtrl probe;
        return probe.Open(m_manager, name.c_str(), SERVICE_QUERY_STATUS);
    }

    static bool WaitForState(const WnServiceCtrl& service, DWORD state)
    {
        SERVICE_STATUS status = {};
        for (int i = 0; i < 200 && QueryServiceStatus(service.Get(), &status); ++i) {
            if (status.dwCurrentState == state)
                return true;
            Sleep(50);
        }
        return false;
    }

    WnServiceCtrlMgr m_manager;
    std::vector<std::wstring> m_names;
};

TEST_F(ServiceTest, OpenClosesTheHeldHandle)
{
    WnServiceCtrl ctrl, other;
    std::wstring first = NewName(), second = NewName();
    ASSERT_EQ(0u, CreateHelper(ctrl, first));
    ASSERT_EQ(0u, CreateHelper(other, second));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_EXISTS), CreateHelper(other, second));
    EXPECT_FALSE(other.IsValid()) << "a failed create leaves nothing held";

    // A deleted service stays while a handle is open (Windows refuses to open it with 1072,
    // Wine opens it) and goes with the last handle.
    ASSERT_EQ(0u, other.Open(m_manager, first.c_str(), DELETE));
    ASSERT_TRUE(DeleteService(other.Get()));
    EXPECT_EQ(0u, other.Close());
    DWORD held = OpenResult(first);
    EXPECT_TRUE(held == 0 || held == ERROR_SERVICE_MARKED_FOR_DELETE) << held;

    ASSERT_EQ(0u, ctrl.Open(m_manager, second.c_str(), SERVICE_QUERY_STATUS));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), OpenResult(first)) << "the old handle was closed";
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), ctrl.Open(m_manager, first.c_str(), SERVICE_QUERY_STATUS));
    EXPECT_FALSE(ctrl.IsValid());
}

TEST_F(ServiceTest, ControlsReachTheServiceThroughItsForwarder)
{
    WnServiceCtrl ctrl;
    std::wstring name = NewName();
    ASSERT_EQ(0u, CreateHelper(ctrl, name));
    // Soon after the Wine server started, Wine's service manager can keep its start lock
    // (1055) and miss its 10 s start time-out (1053) for over a minute: retried.
    DWORD begin = GetTickCount(), error = 0;
    while (!StartServiceW(ctrl.Get(), 0, nullptr)) {
        error = GetLastError();
        bool busy = error == ERROR_SERVICE_DATABASE_LOCKED || error == ERROR_SERVICE_REQUEST_TIMEOUT;
        ASSERT_TRUE(busy && GetTickCount() - begin < 90000) << error;
        Sleep(500);
    }
    ASSERT_TRUE(WaitForState(ctrl, SERVICE_RUNNING));

    auto lastControl = [&]() {
        WnRegKey key;
        DWORD value = 0;
        key.Open(HKEY_LOCAL_MACHINE, (L"Software\\" + name).c_str(), KEY_READ);
        key.QueryDword(L"LastControl", value);
        return value;
    };
    SERVICE_STATUS status = {};
    EXPECT_TRUE(ControlService(ctrl.Get(), 200, &status)) << GetLastError();
    EXPECT_EQ(200u, lastControl());
    ASSERT_TRUE(ControlService(ctrl.Get(), SERVICE_CONTROL_STOP, &status)) << GetLastError();
    EXPECT_TRUE(WaitForState(ctrl, SERVICE_STOPPED));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_CONTROL_STOP), lastControl());
}

TEST(MessageTableTest, TheServiceTableFormatsEachEvent)
{
    HMODULE module = LoadLibraryExW(HelperPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    EXPECT_NE(nullptr, FindResourceExW(module, RT_MESSAGETABLE, MAKEINTRESOURCEW(1), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)));
    for (DWORD id : { WN_EVENT_INFO, WN_EVENT_WARNING, WN_EVENT_ERROR }) {
        SCOPED_TRACE(id);
        DWORD_PTR strings[] = { reinterpret_cast<DWORD_PTR>(L"quorvelasvc started") };
        wchar_t text[64] = {};
        EXPECT_EQ(21u, FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, id, 0, text,
                                      64, reinterpret_cast<va_list*>(strings)));
        EXPECT_STREQ(L"quorvelasvc started\r\n", text);
    }
    wchar_t text[16] = {};
    EXPECT_EQ(0u, FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, module, 0x60070004, 0,
                                 text, 16, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND), GetLastError());
    FreeLibrary(module);
}

} // namespace
