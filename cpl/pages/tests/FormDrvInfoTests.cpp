#include <gtest/gtest.h>
#include <string>
#include "DriverRig.h"
#include "FormDrvInfo.h"
#include "PageHost.h"

namespace {

class FormDrvInfoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0u, rig.Start(false));
        ASSERT_NE(nullptr, host.Create(380, 200));
    }
    std::wstring Text() const { return page.GetDlgItem(IDC_DRIVER_INFO_TEXT).GetWindowText(); }

    DriverRig rig{L"FormDrvInfoTest"};
    PageHost host;
    FormDrvInfo page{rig.Client()};
};

TEST_F(FormDrvInfoTest, ReleaseAndDebugBuildsThenFailuresKeepTheText)
{
    rig.Sim().SetInterfaceVersion(2, 5);
    rig.Sim().SetDriverVersion(3, 14, 1592, false);
    ASSERT_TRUE(host.Open(page));
    EXPECT_EQ(L"\nDriver version: \t  3.14.1592\nBuild type: \t  release \n\nInterface version: 2.5\n", Text());

    rig.Sim().SetDriverVersion(4, 0, 7, true);
    page.Refresh();
    const wchar_t debug[] = L"\nDriver version: \t  4.0.7\nBuild type: \t  debug \n\nInterface version: 2.5\n";
    EXPECT_EQ(debug, Text());

    rig.Sim().SetDriverVersion(5, 0, 0, false);
    rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_VERSION, ZEPHRA_STATUS_FAILED);
    page.Refresh();
    rig.Sim().SetRequestFailure(IOCTL_ZEPHRA_GET_VERSION, 0);
    EXPECT_EQ(debug, Text()) << "a failed request keeps the text";
    rig.Client().CloseDriver();
    page.Refresh();
    EXPECT_EQ(debug, Text()) << "so does a closed driver object";
}

} // namespace
