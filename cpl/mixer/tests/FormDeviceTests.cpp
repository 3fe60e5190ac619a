#include <gtest/gtest.h>
#include <windows.h>
#include <cstddef>
#include "Controls.h"
#include "FormDevice.h"
#include "FormMixer.h"
#include "MixerTestRig.h"
#include "ModalWatcher.h"
#include "PageHost.h"
#include "ZephraIoctl.h"
#include "ZephraMessage.h"

namespace {

class FormDeviceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, rig.Status());
        ASSERT_NE(nullptr, host.Create(380, 400));
        ASSERT_NE(nullptr, hardware.Create(host));
        ASSERT_NE(nullptr, software.Create(host));
        page.SetRequestTimeout(500);
        ASSERT_TRUE(host.Open(page));
    }
    void TearDown() override
    {
        hardware.DestroyWindow();
        software.DestroyWindow();
    }
    HWND Item(int id) { return page.GetDlgItem(id); }
    bool Checked(int id) { return ::IsDlgButtonChecked(page, id) == BST_CHECKED; }
    std::vector<CaughtBox> Click(int id)
    {
        MessageBoxCatcher catcher;
        ClickButton(Item(id));
        return catcher.Boxes();
    }
    std::vector<uint32_t> OptionWords()
    {
        std::vector<uint32_t> words;
        for (const RigRequest& request : rig.Rig().ServerRequests()) {
            if (request.code == ZEPHRA_MSG_SET_OPTIONS)
                words.push_back(request.word);
        }
        return words;
    }

    MixerTestRig rig{L"FormDeviceTest", true};
    PageHost host;
    FormMixer hardware{rig.Client(), rig.Key(), true};
    FormMixer software{rig.Client(), rig.Key(), false};
    FormDevice page{rig.Client(), nullptr, rig.Key().idFirst, rig.Key().idSecond, &hardware, &software};
};

TEST_F(FormDeviceTest, InfoTextFromTheDeviceRecord)
{
    rig.Command("plug QV000002");
    rig.Command("plug QV000003 usb11");
    bool changed = false;
    ASSERT_EQ(0u, rig.Client().RefreshDevices(&changed));
    const struct
    {
        const char* serial;
        uint32_t select; // 0: as it is; 1: made the streaming device; 2: the driver flags it so
        const wchar_t* line;
    } rows[] = {
        {"QV000002", 1, L"This device is selected for streaming."},
        {"QV000001", 0, L"This device is not streaming."},
        {"QV000003", 2, L"Connected to USB 1.1 port. CANNOT stream audio!"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.serial);
        ZephraDevice* device = nullptr;
        uint32_t index = 0;
        for (size_t i = 0; i < rig.Client().GetDeviceCount(); ++i) {
            if (rig.Client().GetDeviceAt(i)->GetSerialNumber() == std::wstring(row.serial, row.serial + 8)) {
                device = rig.Client().GetDeviceAt(i);
                index = static_cast<uint32_t>(i);
            }
        }
        ASSERT_NE(nullptr, device);
        if (row.select == 1) {
            ASSERT_EQ(0u, rig.Client().RequestSetStreamingDevice(device->GetIdFirst(), device->GetIdSecond(), 0));
        }
        if (row.select == 2) {
            // The service never selects a USB 1.1 device; the record says so anyway.
            uint32_t flags = offsetof(ZephraDeviceList, devices) + index * sizeof(ZephraDeviceRecord) +
                             offsetof(ZephraDeviceRecord, portFlags);
            rig.Rig().Sim().SetNextReplyWord(IOCTL_ZEPHRA_GET_DEVICE_LIST, flags, 0x00010000u);
        }
        ASSERT_EQ(0u, rig.Client().RefreshDevices(&changed));
        EXPECT_EQ(row.select != 0, device->IsStreamingDevice()) << "the record as the page reads it";
        FormDevice other(rig.Client(), nullptr, device->GetIdFirst(), device->GetIdSecond(), &hardware, &software);
        ASSERT_NE(nullptr, other.Create(host));
        std::wstring want = L"Quorvela\nSerial: " + device->GetSerialNumber() + L"\n\n" + row.line;
        EXPECT_EQ(want, other.GetDlgItemText(IDC_DEVICE_INFO));
        other.DestroyWindow();
    }

    // A port change (3040) refreshes the page: it reads the device's record again.
    ASSERT_EQ(0u, rig.Client().RequestSetStreamingDevice(rig.Key().idFirst, rig.Key().idSecond, 0));
    page.Refresh();
    ASSERT_NE(std::wstring::npos, page.GetDlgItemText(IDC_DEVICE_INFO).find(L"selected for streaming"));
    rig.Command("port QV000001 usb11");
    page.Refresh();
    EXPECT_NE(std::wstring::npos, page.GetDlgItemText(IDC_DEVICE_INFO).find(L"USB 1.1"));
    rig.Command("port QV000001 high");

    // The device leaves: the box empties, the switches stay.
    ASSERT_EQ(0u, rig.Device().SetVolumeBypass(true));
    page.Refresh();
    ASSERT_TRUE(Checked(IDC_DEVICE_BYPASS));
    rig.Command("unplug QV000001");
    ASSERT_EQ(0u, rig.Client().RefreshDevices(&changed));
    page.Refresh();
    EXPECT_EQ(L"", page.GetDlgItemText(IDC_DEVICE_INFO));
    EXPECT_TRUE(Checked(IDC_DEVICE_BYPASS));
    rig.ClearLog();
    EXPECT_TRUE(Click(IDC_DEVICE_BYPASS).empty()) << "nothing reported";
    EXPECT_TRUE(rig.Requests(IOCTL_ZEPHRA_SET_VOLUME_BYPASS).empty()) << "nothing sent";
}

TEST_F(FormDeviceTest, VolumeBypassWritesAndFallsBackOnFailure)
{
    EXPECT_FALSE(Checked(IDC_DEVICE_BYPASS));
    EXPECT_TRUE(Click(IDC_DEVICE_BYPASS).empty());
    bool on = false;
    ASSERT_EQ(0u, rig.Device().GetVolumeBypass(&on));
    EXPECT_TRUE(on);

    rig.Command("fail SET_VOLUME_BYPASS TIMEOUT");
    std::vector<CaughtBox> boxes = Click(IDC_DEVICE_BYPASS);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Set Bypass volume failed. (Status=ZEPHRA_STATUS_TIMEOUT).", boxes[0].text);
    EXPECT_EQ(L"Quorvela Control Panel", boxes[0].caption);
    EXPECT_FALSE(Checked(IDC_DEVICE_BYPASS)) << "unchecked, though the bypass stays on in the driver";
    ASSERT_EQ(0u, rig.Device().GetVolumeBypass(&on));
    EXPECT_TRUE(on);
    boxes = Click(IDC_DEVICE_BYPASS);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_FALSE(Checked(IDC_DEVICE_BYPASS)) << "a failed switch-on falls back to unchecked too";
}

TEST_F(FormDeviceTest, ForbidRateChangeKeepsTheOtherOptionBits)
{
    ASSERT_EQ(0u, rig.Client().SetOptions(0x14));
    page.Refresh();
    EXPECT_FALSE(Checked(IDC_DEVICE_FORBID_RATE));
    EXPECT_TRUE(Click(IDC_DEVICE_FORBID_RATE).empty());
    EXPECT_TRUE(Click(IDC_DEVICE_FORBID_RATE).empty());
    EXPECT_EQ((std::vector<uint32_t>{0x15, 0x14}), OptionWords());

    rig.Command("fail GET_OPTIONS TIMEOUT once"); // the page's read, not the service's
    EXPECT_TRUE(Click(IDC_DEVICE_FORBID_RATE).empty());
    EXPECT_EQ(1u, OptionWords().back()) << "an unreadable option word counts as 0";
    EXPECT_TRUE(Checked(IDC_DEVICE_FORBID_RATE));

    rig.Rig().HoldServer();
    std::vector<CaughtBox> boxes = Click(IDC_DEVICE_FORBID_RATE);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(L"Changing the policy failed. (Status=ZEPHRA_STATUS_TIMEOUT).", boxes[0].text);
    EXPECT_FALSE(Checked(IDC_DEVICE_FORBID_RATE));
}

TEST_F(FormDeviceTest, MixerButtonsOpenOnceAndNotificationsReachBothMixers)
{
    ClickButton(Item(IDC_DEVICE_HW_MIXER));
    EXPECT_TRUE(hardware.IsWindowVisible());
    EXPECT_FALSE(software.IsWindowVisible());
    rig.ClearLog();
    ClickButton(Item(IDC_DEVICE_HW_MIXER));
    EXPECT_TRUE(rig.Requests(IOCTL_ZEPHRA_MIXER_GET_PINS).empty()) << "an open mixer is not rebuilt";

    page.OnMixerGainsChanged();
    page.OnMixerWeightsChanged();
    EXPECT_EQ(1u, rig.Requests(IOCTL_ZEPHRA_MIXER_GET_OUTPUT_GAINS).size()) << "the hidden mixer has nothing to read";
    EXPECT_EQ(1u, rig.Requests(IOCTL_ZEPHRA_MIXER_GET_WEIGHTS).size());

    ClickButton(Item(IDC_DEVICE_SW_MIXER));
    EXPECT_TRUE(software.IsWindowVisible());
    rig.Command("pins QV000001 0 0 0");
    rig.ClearLog();
    page.OnMixerPinsChanged();
    EXPECT_EQ(4u, rig.Requests(IOCTL_ZEPHRA_MIXER_GET_PINS).size()) << "both rebuilt";
    EXPECT_EQ(1u, software.DestinationStrips().size());
    EXPECT_EQ(1u, hardware.DestinationStrips().size());
    EXPECT_TRUE(hardware.IsWindowVisible());
}

} // namespace
