#pragma once
#include <string>
#include "WnWaitableTimer.h"
#include "ZephraDeviceCtrl.h"
#include "ZephraWdmRecords.h"

class WnRegKey;

// The product's device controller: publishes the device's Windows sound endpoints, sets up
// the loop-back routing, switches the endpoints around streaming transitions and keeps the
// Windows volumes of the playback endpoints in step with the mixer output gains.
class CustomDevice : public ZephraDeviceCtrl
{
public:
    // registryKey: the product's key under HKEY_LOCAL_MACHINE; the device's settings live in
    // its "Devices\<serial>" subkey.
    explicit CustomDevice(const wchar_t* registryKey);
    ~CustomDevice() override;

    ZephraStatus OnOpened() override;
    ZephraStatus BeforeTransition(uint32_t state, uint32_t target, uint32_t rate) override;
    // Mixer output gains to the Windows volumes of the playback endpoints.
    void OnDeviceUpdate() override;
    // One playback endpoint's Windows volume to the mixer output gains.
    void OnValue2(uint32_t index) override;

    // Request 11001: only the default configuration (both 0) is accepted.
    ZephraStatus ApplyWdmConfiguration(const WdmConfigRecord& record);
    ZephraStatus LoadWdmConfiguration();
    ZephraStatus StoreWdmConfiguration();
    // Whether the driver reports a marked channel: the hardware mono endpoints are then left out.
    bool HasMarkedChannels();
    ZephraStatus SendMonoConfiguration();
    ZephraStatus SendStereoConfiguration();

    uint32_t GetRenderConfiguration() const { return m_renderConfiguration; }
    uint32_t GetCaptureConfiguration() const { return m_captureConfiguration; }

private:
    ZephraStatus OpenDeviceKey(WnRegKey* key);
    ZephraStatus SetUpLoopback();
    // {0, flag} then {2, flag}: both are sent; the first error is returned.
    ZephraStatus SetEndpointsActive(uint32_t flag);
    // The gain items of one stereo playback entry, left then right per pair; count: 2 per pair.
    static uint32_t BuildGainItems(const WdmStereoEndpoint& entry, ZephraMixerGain* items);
    void OnTimer(DWORD timeLow, DWORD timeHigh);

    std::wstring m_registryKey;
    uint32_t m_renderConfiguration = 0;
    uint32_t m_captureConfiguration = 0;
    WdmStereoConfig m_stereo; // as last sent, for the volume synchronisation
    WnWaitableTimer m_timer;
    WnWaitableTimerCallbackForwarderT<CustomDevice> m_timerForwarder;
};
