#pragma once
#include <windows.h>
#include <cstddef>
#include "ZephraDeviceCtrl.h"
#include "ZephraDriver.h"

#pragma pack(push, 4)
// Payload of notification 3060: a value of that device changed.
struct DeviceValueRecord
{
    uint32_t idFirst;
    uint32_t idSecond;
    uint32_t kind; // 1 or 2; 2: the value is the playback WDM endpoint whose volume changed
    uint32_t value;
};
#pragma pack(pop)
static_assert(sizeof(DeviceValueRecord) == 16, "DeviceValueRecord");
static_assert(offsetof(DeviceValueRecord, kind) == 8, "value kind");

enum : uint32_t {
    ZEPHRA_VALUE_KIND_1 = 1,
    ZEPHRA_VALUE_KIND_WDM_VOLUME = 2,
};

// The driver's one server connection: answers the clients' requests, each as a controlled
// stop and restart of the streaming engine, follows the driver's notifications and keeps
// one device controller per present device. Runs on one thread, the one that calls Run.
class ZephraServer : public ZephraDriver
{
public:
    ZephraServer() = default;
    ~ZephraServer() override = default;

    // A new ZephraDeviceCtrl.
    ZephraDevice* CreateDevice() override;

    // Product identity.
    virtual const wchar_t* GetServiceName() const;
    virtual const wchar_t* GetDisplayName() const;
    virtual const wchar_t* GetDescription() const;
    virtual void GetInterfaceGuid(GUID* guid) const;
    // Also the name of the control device that Run opens.
    virtual const wchar_t* GetInterfaceGuidText() const;
    // Under HKEY_LOCAL_MACHINE.
    virtual const wchar_t* GetRegistryKey() const;

    virtual void OnDeviceListChanged();

    // A request from a client; the result goes into the reply's status (unless PENDING).
    virtual ZephraStatus OnRequest(const ZephraMessage& request, ZephraMessage* reply);
    virtual ZephraStatus OnCustomRequest(const ZephraMessage& request, ZephraMessage* reply);
    virtual ZephraStatus OnSetSampleRate(uint32_t rate);
    virtual ZephraStatus OnSetBufferSizes(const ZephraBufferSizeChange& change);
    virtual ZephraStatus OnSetStreamingDevice(const ZephraStreamingDeviceRecord& selection);
    virtual ZephraStatus OnSetDeviceByte(uint8_t value);
    virtual ZephraStatus OnSetOptions(uint32_t options);

    virtual void OnNotification(const ZephraMessage& record);
    virtual void OnOtherNotification(const ZephraMessage& record);
    virtual void OnStreamDemand();
    virtual void OnStreamRelease();
    virtual void OnStreamResume();
    virtual void OnDeviceListNotification();
    virtual void OnDeviceStreamDemand(uint32_t first, uint32_t second);
    virtual void OnDeviceStreamRelease(uint32_t first, uint32_t second);
    virtual void OnDeviceListQuery();
    virtual void OnDeviceChanged(uint32_t idFirst, uint32_t idSecond);
    virtual void OnDeviceValue(const DeviceValueRecord& record);

    virtual bool IsStreamingWanted(const ZephraStreamingStatus& status);
    // Every device controller in list order; the first refusal stops and is returned.
    virtual ZephraStatus BeforeTransition(uint32_t state, uint32_t target, uint32_t rate);
    virtual void AfterTransition(uint32_t state, uint32_t target, uint32_t rate);
    virtual void TransitionFailed(uint32_t state, uint32_t target, ZephraStatus status);
    virtual ZephraStatus PrepareDevices();

    // The worker loop, until the stop event is signalled: 0; ZEPHRA_STATUS_ALREADY_DONE at
    // once when another server connection exists; the error when the wait itself fails.
    ZephraStatus Run(HANDLE stopEvent, HANDLE arrivalEvent);
    void ProcessRequests();
    void ProcessNotifications();
    // A notification without payload to every other connection.
    ZephraStatus SendNotification(uint32_t code);

    // Up as far as demand requires.
    ZephraStatus StartStreaming(uint32_t argument);
    // Down to Down.
    ZephraStatus StopStreaming(uint32_t argument);
    // Back to Ready when no stream is wanted.
    ZephraStatus ReleaseStreaming();

    // Set when the device list became empty; Run closes the connection after this pass.
    bool IsClosePending() const { return m_closePending; }
    // How often Run closed the connection on an empty device list.
    uint32_t GetCloseCount() const { return m_closes; }

private:
    ZephraDeviceCtrl* ControllerAt(size_t index) const;
    ZephraDeviceCtrl* FindController(uint32_t idFirst, uint32_t idSecond) const;
    // One streaming command with the controllers' hooks around it. hookRefuses: a refusal of
    // BeforeTransition ends the step (bringing streaming up) instead of being ignored.
    ZephraStatus Step(uint32_t state, uint32_t target, uint32_t rate, uint32_t command, uint32_t argument,
                      bool hookRefuses);
    // Down, change, up again: requests 1002 and 1003.
    template <class Change> ZephraStatus ChangeWhileDown(Change change);
    void OnArrival(const wchar_t* name);

    bool m_closePending = false;
    volatile uint32_t m_closes = 0;
};
