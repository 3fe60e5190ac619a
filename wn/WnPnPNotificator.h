#pragma once
#include <windows.h>
#include <dbt.h>
#include <atomic>
#include "WnDeviceNotificationList.h"
#include "WnEvent.h"
#include "WnThread.h"

// Called on the notificator's thread; the header is valid only during the call.
class WnPnPNotificatorCallbackInterface
{
public:
    virtual void OnDeviceChange(WPARAM eventType, const DEV_BROADCAST_HDR* header) = 0;

protected:
    ~WnPnPNotificatorCallbackInterface() = default;
};

// Calls one member of an object it does not own; does nothing while unbound.
template <class T>
class WnPnPNotificatorCallbackForwarderT : public WnPnPNotificatorCallbackInterface
{
public:
    typedef void (T::*Member)(WPARAM eventType, const DEV_BROADCAST_HDR* header);

    WnPnPNotificatorCallbackForwarderT() = default;
    WnPnPNotificatorCallbackForwarderT(T* object, Member member) : m_object(object), m_member(member) {}
    WnPnPNotificatorCallbackForwarderT(const WnPnPNotificatorCallbackForwarderT&) = delete;
    WnPnPNotificatorCallbackForwarderT& operator=(const WnPnPNotificatorCallbackForwarderT&) = delete;

    void Bind(T* object, Member member)
    {
        m_object = object;
        m_member = member;
    }

    void OnDeviceChange(WPARAM eventType, const DEV_BROADCAST_HDR* header) override
    {
        if (m_object != nullptr && m_member != nullptr)
            (m_object->*m_member)(eventType, header);
    }

private:
    T* m_object = nullptr;
    Member m_member = nullptr;
};

// A hidden top-level window on a thread of its own that reports arrivals and removals of
// devices of the registered interface classes.
class WnPnPNotificator : public WnThreadCallbackInterface
{
public:
    WnPnPNotificator();
    virtual ~WnPnPNotificator();

    WnPnPNotificator(const WnPnPNotificator&) = delete;
    WnPnPNotificator& operator=(const WnPnPNotificator&) = delete;

    // The callback is not owned; a null module means the executable. 87 without a callback,
    // 1247 while running, 1460 when the window is not ready within 10 s.
    DWORD Start(WnPnPNotificatorCallbackInterface* callback, HMODULE module);
    // 13 unless running with a window.
    DWORD RegisterInterface(const GUID& guid);
    // Ends the thread and drops every registration; the result of the wait for the thread.
    DWORD Stop(DWORD timeoutMs);

    bool IsRunning() const;

protected:
    DWORD Run() override;
    virtual LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool IsReported(WPARAM eventType, LPARAM lParam) const;

    mutable CRITICAL_SECTION m_lock;
    WnThread m_thread;
    WnEvent m_ready;
    bool m_running = false;
    HMODULE m_module = nullptr;
    std::atomic<HWND> m_window{ nullptr };
    std::atomic<bool> m_quit{ false };
    WnPnPNotificatorCallbackInterface* m_callback = nullptr; // not owned
    DWORD m_creationResult = 0;
    WnDeviceNotificationList m_registrations;
};
