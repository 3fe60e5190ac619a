#include "WnDeviceNotificationList.h"
#include <dbt.h>

WnDeviceNotificationList::WnDeviceNotificationList()
{
    InitializeCriticalSection(&m_lock);
}

WnDeviceNotificationList::~WnDeviceNotificationList()
{
    UnregisterAll();
    DeleteCriticalSection(&m_lock);
}

DWORD WnDeviceNotificationList::Register(HANDLE recipient, const GUID& guid, DWORD flags)
{
    DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = guid;
    HDEVNOTIFY notify = RegisterDeviceNotificationW(recipient, &filter, flags);
    if (notify == nullptr) {
        DWORD error = GetLastError();
        return error ? error : ERROR_INVALID_HANDLE;
    }
    EnterCriticalSection(&m_lock);
    m_entries.push_back(Entry{ guid, notify });
    LeaveCriticalSection(&m_lock);
    return 0;
}

void WnDeviceNotificationList::UnregisterAll()
{
    EnterCriticalSection(&m_lock);
    for (const Entry& entry : m_entries)
        UnregisterDeviceNotification(entry.notify);
    m_entries.clear();
    LeaveCriticalSection(&m_lock);
}

bool WnDeviceNotificationList::Contains(const GUID& guid) const
{
    EnterCriticalSection(&m_lock);
    bool found = false;
    for (const Entry& entry : m_entries)
        found = found || IsEqualGUID(entry.guid, guid);
    LeaveCriticalSection(&m_lock);
    return found;
}
