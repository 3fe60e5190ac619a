#include "ZephraDeviceCtrl.h"

ZephraStatus ZephraDeviceCtrl::OnOpened()
{
    return 0;
}

std::wstring ZephraDeviceCtrl::GetSerialText() const
{
    return GetSerialNumber();
}

ZephraStatus ZephraDeviceCtrl::BeforeTransition(uint32_t, uint32_t, uint32_t)
{
    return 0;
}

void ZephraDeviceCtrl::AfterTransition(uint32_t, uint32_t, uint32_t) {}

void ZephraDeviceCtrl::TransitionFailed(uint32_t, uint32_t, ZephraStatus) {}

void ZephraDeviceCtrl::OnDeviceUpdate() {}

void ZephraDeviceCtrl::OnValue1(uint32_t) {}

void ZephraDeviceCtrl::OnValue2(uint32_t) {}

ZephraStatus ZephraDeviceCtrl::OnByte(uint8_t)
{
    return 0;
}

ZephraStatus ZephraDeviceCtrl::Prepare()
{
    return 0;
}
