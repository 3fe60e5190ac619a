#pragma once
#include <windows.h>
#include <list>

// Device-interface class registrations of one recipient (a window or a service status
// handle), all unregistered at once.
class WnDeviceNotificationList
{
public:
    WnDeviceNotificationList();
    ~WnDeviceNotificationList();

    WnDeviceNotificationList(const WnDeviceNotificationList&) = delete;
    WnDeviceNotificationList& operator=(const WnDeviceNotificationList&) = delete;

    // flags: DEVICE_NOTIFY_WINDOW_HANDLE or DEVICE_NOTIFY_SERVICE_HANDLE. Each call adds one
    // entry, also for a class already held. 0 or the error of RegisterDeviceNotificationW.
    DWORD Register(HANDLE recipient, const GUID& guid, DWORD flags);
    void UnregisterAll();

    bool Contains(const GUID& guid) const;

private:
    struct Entry
    {
        GUID guid;
        HDEVNOTIFY notify;
    };

    mutable CRITICAL_SECTION m_lock;
    std::list<Entry> m_entries;
};
