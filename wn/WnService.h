#pragma once
#include <windows.h>

// Receives the controls of a running service, on the service dispatcher's thread.
class WnServiceCallbackInterface
{
public:
    virtual DWORD Call(DWORD control, DWORD eventType, LPVOID eventData) = 0;

protected:
    ~WnServiceCallbackInterface() = default;
};

// Calls one member of an object it does not own; bound after construction.
template <class T>
class WnServiceCallbackForwarderT : public WnServiceCallbackInterface
{
public:
    typedef DWORD (T::*Member)(DWORD control, DWORD eventType, LPVOID eventData);

    WnServiceCallbackForwarderT() = default;
    WnServiceCallbackForwarderT(const WnServiceCallbackForwarderT&) = delete;
    WnServiceCallbackForwarderT& operator=(const WnServiceCallbackForwarderT&) = delete;

    void Bind(T* object, Member member)
    {
        m_object = object;
        m_member = member;
    }

    // Unbound, every control is answered as not handled.
    DWORD Call(DWORD control, DWORD eventType, LPVOID eventData) override
    {
        if (m_object == nullptr || m_member == nullptr)
            return ERROR_CALL_NOT_IMPLEMENTED;
        return (m_object->*m_member)(control, eventType, eventData);
    }

private:
    T* m_object = nullptr;
    Member m_member = nullptr;
};

// The status handle of a running service. Status handles need no closing.
class WnService
{
public:
    WnService() = default;
    virtual ~WnService() = default;

    WnService(const WnService&) = delete;
    WnService& operator=(const WnService&) = delete;

    // RegisterServiceCtrlHandlerExW with ControlHandler and the callback (not owned) as
    // context. 0, or the error of a failed registration (never 0).
    DWORD Register(LPCWSTR serviceName, WnServiceCallbackInterface* callback);
    // SetServiceStatus; 6 without a status handle, else 0 or GetLastError().
    DWORD SetStatus(const SERVICE_STATUS& status) const;

    SERVICE_STATUS_HANDLE Get() const { return m_status; }
    bool IsValid() const { return m_status != nullptr; }

    // The HandlerEx routine: the context is the WnServiceCallbackInterface.
    static DWORD WINAPI ControlHandler(DWORD control, DWORD eventType, LPVOID eventData, LPVOID context);

private:
    SERVICE_STATUS_HANDLE m_status = nullptr;
};
