#include <gtest/gtest.h>
#include <vector>
#include "CplDriverLink.h"
#include "ZephraSim.h"

namespace {

const wchar_t* const kName = L"CplDriverLinkTest";

// A window that drains the link on every WM_DRIVER_NOTIFICATION, as the main frame does.
struct Receiver
{
    CplDriverLink* link = nullptr;
    int messages = 0;
    std::vector<uint32_t> codes;
    std::vector<size_t> drained; // records drained by each message
};

LRESULT CALLBACK ReceiverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRIVER_NOTIFICATION) {
        auto* receiver = reinterpret_cast<Receiver*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        ++receiver->messages;
        size_t before = receiver->codes.size();
        receiver->link->Drain([&](const ZephraMessage& record) { receiver->codes.push_back(record.code); });
        receiver->drained.push_back(receiver->codes.size() - before);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class CplDriverLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, sim.Start(kName, false));
        WNDCLASSW wc = {};
        wc.lpfnWndProc = ReceiverProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"CplDriverLinkTest";
        RegisterClassW(&wc);
        window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                 nullptr);
        ASSERT_NE(nullptr, window);
        receiver.link = &link;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&receiver));
    }
    void TearDown() override
    {
        link.Stop();
        DestroyWindow(window);
    }

    void Pump(DWORD limitMs, size_t wantCodes)
    {
        DWORD start = GetTickCount();
        while (receiver.codes.size() < wantCodes && GetTickCount() - start < limitMs) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
        }
    }

    ZephraSim sim;
    CplDriverLink link;
    HWND window = nullptr;
    Receiver receiver;
};

TEST_F(CplDriverLinkTest, BurstSignalledOnceIsDrainedByOneMessage)
{
    ASSERT_EQ(0u, link.Start(window, kName));
    EXPECT_TRUE(link.IsRunning());
    EXPECT_EQ(2, sim.Log().back().clientType) << "the main client is type 2";
    Pump(2000, 1);
    ASSERT_EQ(std::vector<uint32_t>{ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED}, receiver.codes) << "the driver's first";
    receiver.codes.clear();
    receiver.drained.clear();
    for (uint32_t code = 3040; code < 3045; ++code)
        sim.QueueNotification(-1, code, nullptr, 0);
    Pump(2000, 5);
    Pump(100, 6); // and whatever else was posted
    ASSERT_EQ(5u, receiver.codes.size());
    EXPECT_EQ(3040u, receiver.codes.front());
    EXPECT_EQ(3044u, receiver.codes.back());
    // All five were queued before the first message was handled: it takes them all, and
    // whatever else was posted for the same burst finds nothing.
    ASSERT_GE(receiver.drained.size(), 1u);
    EXPECT_EQ(5u, receiver.drained[0]);
    for (size_t i = 1; i < receiver.drained.size(); ++i)
        EXPECT_EQ(0u, receiver.drained[i]) << i;
}

TEST_F(CplDriverLinkTest, ADrainReadsOnPastMalformedRecords)
{
    ASSERT_EQ(0u, link.Start(window, kName));
    link.Stop();
    ASSERT_EQ(0u, link.Client().OpenAsClient(kName)) << "the client alone, drained by hand";
    ZephraMessage bad;
    bad.Init(ZEPHRA_MSG_KIND_NOTIFICATION, ZEPHRA_NOTIFY_DEVICE_STATE);
    bad.headerSize = 40;
    sim.QueueRecord(ZEPHRA_CLIENT_MAIN, true, bad);
    bad.headerSize = ZEPHRA_MSG_HEADER_SIZE;
    bad.payloadLength = 600;
    sim.QueueRecord(ZEPHRA_CLIENT_MAIN, true, bad);
    sim.QueueNotification(ZEPHRA_CLIENT_MAIN, ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED, nullptr, 0);
    std::vector<uint32_t> codes;
    EXPECT_EQ(ZEPHRA_STATUS_NO_MORE_ITEMS, link.Drain([&](const ZephraMessage& record) { codes.push_back(record.code); }));
    EXPECT_EQ((std::vector<uint32_t>{ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED, ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED}), codes);
}

TEST_F(CplDriverLinkTest, StartFailsCleanlyAndStopClosesEverything)
{
    CplDriverLink missing;
    EXPECT_NE(0u, missing.Start(window, L"CplDriverLinkTestNobody"));
    EXPECT_FALSE(missing.IsRunning());
    EXPECT_FALSE(missing.Client().IsOpened());

    ASSERT_EQ(0u, link.Start(window, kName));
    EXPECT_EQ(0u, link.Start(window, kName)) << "a second start changes nothing";
    link.Stop();
    EXPECT_FALSE(link.IsRunning());
    EXPECT_FALSE(link.Client().IsOpened());
    EXPECT_EQ(nullptr, link.Client().GetNotificationEvent());
    ASSERT_EQ(0u, link.Start(window, kName)) << "the next arrival starts it again";
    sim.QueueNotification(-1, 3011, nullptr, 0);
    Pump(2000, 2);
    EXPECT_EQ((std::vector<uint32_t>{ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED, 3011}), receiver.codes)
        << "what the new connection got";
}

} // namespace
