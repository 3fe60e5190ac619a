#pragma once
#include <memory>
#include <vector>
#include "WnEvent.h"
#include "ZephraDevice.h"
#include "ZephraMessage.h"

// A connection to the control device that keeps the driver's device list, one bound
// ZephraDevice per present device, and hands the driver its two events.
class ZephraDriver : public ZephraApiContext
{
public:
    ZephraDriver();
    ~ZephraDriver() override;

    // A new, unopened device object, or null.
    virtual ZephraDevice* CreateDevice();

    ZephraStatus OpenDriver(const wchar_t* name, bool wantMessageEvent, bool wantNotificationEvent);
    void CloseDriver();
    ZephraStatus SetEvents(HANDLE messageEvent, HANDLE notificationEvent);
    ZephraStatus SetClientType(uint32_t type);
    ZephraStatus OpenAsServer(const wchar_t* name);
    ZephraStatus OpenAsClient(const wchar_t* name);
    ZephraStatus OpenAsObserver(const wchar_t* name, uint32_t type);

    ZephraStatus GetDeviceList(ZephraDeviceList* list);
    ZephraStatus RefreshDevices(bool* changed);
    ZephraDevice* FindDevice(uint32_t idFirst, uint32_t idSecond) const;
    ZephraDevice* GetDeviceAt(size_t index) const;
    size_t GetDeviceCount() const { return m_devices.size(); }
    // Deletes every device object (each closes its connection).
    void ClearDevices() { m_devices.clear(); }

    ZephraStatus SendMessageRecord(const ZephraMessage& record);
    ZephraStatus GetMessageRecord(ZephraMessage* record);
    ZephraStatus GetNotificationRecord(ZephraMessage* record);
    // Reads until a notification arrives, dropping records of other kinds.
    ZephraStatus NextNotification(ZephraMessage* record);

    HANDLE GetMessageEvent() const { return m_messageEvent.Get(); }
    HANDLE GetNotificationEvent() const { return m_notificationEvent.Get(); }
    const wchar_t* GetControlDeviceName() const { return m_name; }

private:
    ZephraStatus OpenTyped(const wchar_t* name, uint32_t type);
    ZephraStatus ReadRecord(uint32_t code, ZephraMessage* record);

    std::vector<std::unique_ptr<ZephraDevice>> m_devices;
    WnEvent m_messageEvent;
    WnEvent m_notificationEvent;
    wchar_t m_name[ZEPHRA_NAME_CHARS];
};
