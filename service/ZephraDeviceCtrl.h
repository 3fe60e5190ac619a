#pragma once
#include <string>
#include "ZephraDevice.h"

// A device as the server drives it: hooks around streaming transitions, on device
// notifications and on request 1004. Each hook does nothing here; products override them.
class ZephraDeviceCtrl : public ZephraDevice
{
public:
    ZephraDeviceCtrl() = default;
    ~ZephraDeviceCtrl() override = default;

    ZephraStatus OnOpened() override;
    virtual std::wstring GetSerialText() const;
    // States are streaming states; rate: the sample rate of the status just read.
    virtual ZephraStatus BeforeTransition(uint32_t state, uint32_t target, uint32_t rate);
    virtual void AfterTransition(uint32_t state, uint32_t target, uint32_t rate);
    virtual void TransitionFailed(uint32_t state, uint32_t target, ZephraStatus status);
    virtual void OnDeviceUpdate();
    virtual void OnValue1(uint32_t value);
    virtual void OnValue2(uint32_t value);
    virtual ZephraStatus OnByte(uint8_t value);
    virtual ZephraStatus Prepare();
};
