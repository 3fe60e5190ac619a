#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "WnPnPNotificator.h"

namespace {

// {3C9E1F70-5B2D-4A86-9F14-7D0C2E8B6A53}
const GUID kInterface = { 0x3c9e1f70, 0x5b2d, 0x4a86, { 0x9f, 0x14, 0x7d, 0x0c, 0x2e, 0x8b, 0x6a, 0x53 } };
// {A1B2C3D4-0000-4E5F-8000-112233445566}
const GUID kOtherInterface = { 0xa1b2c3d4, 0x0000, 0x4e5f, { 0x80, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66 } };

// Broadcasts are sent, so each call has been recorded when the broadcast returns.
struct Recorder
{
    struct Call { WPARAM eventType; GUID guid; DWORD thread; };

    void OnDeviceChange(WPARAM eventType, const DEV_BROADCAST_HDR* header)
    {
        calls.push_back(Call{ eventType, reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header)->dbcc_classguid,
                              GetCurrentThreadId() });
    }

    std::vector<Call> calls;
    WnPnPNotificatorCallbackForwarderT<Recorder> forwarder{ this, &Recorder::OnDeviceChange };
};

// As the simulated driver sends it: an interface record with a device path.
void Broadcast(WPARAM eventType, const GUID& guid, DWORD size = 0, DWORD deviceType = DBT_DEVTYP_DEVICEINTERFACE)
{
    struct { DEV_BROADCAST_DEVICEINTERFACE_W header; wchar_t rest[64]; } record = {};
    record.header.dbcc_size = size ? size : sizeof(record);
    record.header.dbcc_devicetype = deviceType;
    record.header.dbcc_classguid = guid;
    wcscpy(record.header.dbcc_name, L"\\\\?\\USB#VID_1234&PID_5678#QT0001#{test}");
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_DEVICECHANGE, eventType, reinterpret_cast<LPARAM>(&record),
                        SMTO_ABORTIFHUNG, 5000, &result);
}

// The notificator windows of this process, found by class name.
std::vector<HWND> NotificatorWindows()
{
    std::vector<HWND> found;
    EnumWindows(
        [](HWND window, LPARAM context) WINAPI -> BOOL {
            wchar_t name[100] = {};
            GetClassNameW(window, name, 100);
            std::wstring prefix = L"PnPNotificatorWndCls_" + std::to_wstring(GetCurrentProcessId()) + L"_";
            if (std::wstring(name).compare(0, prefix.size(), prefix) == 0)
                reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST(PnPNotificatorTest, StartRegisterAndStopStates)
{
    Recorder recorder;
    WnPnPNotificator notificator;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), notificator.Start(nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), notificator.RegisterInterface(kInterface)) << "before Start";
    EXPECT_EQ(0u, notificator.Stop(INFINITE)) << "not running";

    ASSERT_EQ(0u, notificator.Start(&recorder.forwarder, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_INITIALIZED), notificator.Start(&recorder.forwarder, nullptr));
    Broadcast(DBT_DEVICEARRIVAL, kInterface);
    EXPECT_TRUE(recorder.calls.empty()) << "the refused registration added nothing";

    ASSERT_EQ(0u, notificator.RegisterInterface(kInterface));
    ASSERT_EQ(0u, notificator.RegisterInterface(kInterface)) << "the same class again";
    Broadcast(DBT_DEVICEARRIVAL, kInterface);
    EXPECT_EQ(1u, recorder.calls.size()) << "one window, one report";

    // Stop drops the registrations: a restarted notificator hears nothing until it registers.
    EXPECT_EQ(0u, notificator.Stop(INFINITE));
    EXPECT_TRUE(NotificatorWindows().empty());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), notificator.RegisterInterface(kInterface)) << "after Stop";
    ASSERT_EQ(0u, notificator.Start(&recorder.forwarder, nullptr));
    Broadcast(DBT_DEVICEARRIVAL, kInterface);
    EXPECT_EQ(1u, recorder.calls.size());
}

TEST(PnPNotificatorTest, RestartMakesWindowAndClassOfTheNewThread)
{
    Recorder recorder;
    WnPnPNotificator notificator;
    std::wstring process = std::to_wstring(GetCurrentProcessId()), previousClass;
    HWND previous = nullptr;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(0u, notificator.Start(&recorder.forwarder, nullptr));
        std::vector<HWND> found = NotificatorWindows();
        ASSERT_EQ(1u, found.size());
        wchar_t className[100] = {}, windowName[100] = {};
        GetClassNameW(found[0], className, 100);
        GetWindowTextW(found[0], windowName, 100);
        std::wstring thread = std::to_wstring(GetWindowThreadProcessId(found[0], nullptr));
        EXPECT_EQ(L"PnPNotificatorWndCls_" + process + L"_" + thread, className);
        EXPECT_EQ(L"PnPNotificator_HiddenWindow_" + process + L"_" + thread, windowName);
        EXPECT_NE(std::to_wstring(GetCurrentThreadId()), thread);
        EXPECT_FALSE(IsWindowVisible(found[0]));
        EXPECT_NE(previousClass, className);
        previous = found[0];
        previousClass = className;

        ASSERT_EQ(0u, notificator.Stop(INFINITE));
        EXPECT_FALSE(IsWindow(previous));
        WNDCLASSEXW info = {};
        info.cbSize = sizeof(info);
        EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), className, &info)) << "class unregistered";
    }
}

TEST(PnPNotificatorTest, OnlyArrivalAndRemovalOfARegisteredInterfaceAreReported)
{
    Recorder recorder;
    WnPnPNotificator notificator;
    ASSERT_EQ(0u, notificator.Start(&recorder.forwarder, nullptr));
    ASSERT_EQ(0u, notificator.RegisterInterface(kInterface));
    std::vector<HWND> found = NotificatorWindows();
    ASSERT_EQ(1u, found.size());

    struct Row { const char* what; WPARAM eventType; const GUID* guid; DWORD size; DWORD deviceType; bool reported; };
    const Row rows[] = {
        { "arrival", DBT_DEVICEARRIVAL, &kInterface, 0, DBT_DEVTYP_DEVICEINTERFACE, true },
        { "remove complete", DBT_DEVICEREMOVECOMPLETE, &kInterface, 0, DBT_DEVTYP_DEVICEINTERFACE, true },
        { "query remove", DBT_DEVICEQUERYREMOVE, &kInterface, 0, DBT_DEVTYP_DEVICEINTERFACE, false },
        { "volume arrival", DBT_DEVICEARRIVAL, &kInterface, sizeof(DEV_BROADCAST_VOLUME), DBT_DEVTYP_VOLUME, false },
        { "another class", DBT_DEVICEARRIVAL, &kOtherInterface, 0, DBT_DEVTYP_DEVICEINTERFACE, false },
        { "header too short for the class", DBT_DEVICEARRIVAL, &kInterface, 12, DBT_DEVTYP_DEVICEINTERFACE, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        recorder.calls.clear();
        Broadcast(row.eventType, *row.guid, row.size, row.deviceType);
        ASSERT_EQ(row.reported ? 1u : 0u, recorder.calls.size());
        if (row.reported) {
            EXPECT_EQ(row.eventType, recorder.calls[0].eventType);
            EXPECT_TRUE(IsEqualGUID(kInterface, recorder.calls[0].guid));
            EXPECT_EQ(GetWindowThreadProcessId(found[0], nullptr), recorder.calls[0].thread) << "on the notificator's thread";
        }
    }
}

} // namespace
