#include "WnPnPNotificator.h"
#include "WnString.h"
#include <stddef.h>

namespace {
const DWORD kReadyTimeoutMs = 10000;
const size_t kNameCapacity = 80;
}

WnPnPNotificator::WnPnPNotificator()
{
    InitializeCriticalSection(&m_lock);
}

WnPnPNotificator::~WnPnPNotificator()
{
    Stop(INFINITE);
    DeleteCriticalSection(&m_lock);
}

DWORD WnPnPNotificator::Start(WnPnPNotificatorCallbackInterface* callback, HMODULE module)
{
    if (callback == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (module == nullptr)
        module = GetModuleHandleW(nullptr);

    EnterCriticalSection(&m_lock);
    // A thread left over from a start that timed out still uses the ready event.
    if (m_running || m_thread.Wait(0) != 0) {
        LeaveCriticalSection(&m_lock);
        return ERROR_ALREADY_INITIALIZED;
    }
    m_module = module;
    m_callback = callback;
    m_creationResult = 0;
    m_quit = false;
    DWORD result = m_ready.Create(true);
    if (result == 0)
        result = m_thread.Start(this);
    if (result == 0) {
        if (WaitForSingleObject(m_ready.Get(), kReadyTimeoutMs) != WAIT_OBJECT_0) {
            result = ERROR_TIMEOUT;
        } else if (m_creationResult != 0) {
            result = m_creationResult;
            m_thread.Wait(INFINITE);
        } else {
            m_running = true;
        }
    }
    LeaveCriticalSection(&m_lock);
    return result;
}

DWORD WnPnPNotificator::RegisterInterface(const GUID& guid)
{
    EnterCriticalSection(&m_lock);
    HWND window = m_window;
    DWORD result = ERROR_INVALID_DATA;
    if (m_running && window != nullptr)
        result = m_registrations.Register(window, guid, DEVICE_NOTIFY_WINDOW_HANDLE);
    LeaveCriticalSection(&m_lock);
    return result;
}

DWORD WnPnPNotificator::Stop(DWORD timeoutMs)
{
    EnterCriticalSection(&m_lock);
    DWORD result = 0;
    // Also ends a thread whose start timed out: it quits as soon as its window exists.
    if (m_running || m_thread.IsValid()) {
        m_quit = true;
        HWND window = m_window;
        if (window != nullptr)
            PostMessageW(window, WM_CLOSE, 0, 0);
        else
            PostThreadMessageW(m_thread.GetId(), WM_QUIT, 0, 0);
        result = m_thread.Wait(timeoutMs);
        if (result == 0) {
            m_running = false;
            m_module = nullptr;
            m_callback = nullptr;
        }
    }
    m_registrations.UnregisterAll();
    LeaveCriticalSection(&m_lock);
    return result;
}

bool WnPnPNotificator::IsRunning() const
{
    EnterCriticalSection(&m_lock);
    bool running = m_running;
    LeaveCriticalSection(&m_lock);
    return running;
}

DWORD WnPnPNotificator::Run()
{
    DWORD process = GetCurrentProcessId(), thread = GetCurrentThreadId();
    wchar_t className[kNameCapacity], windowName[kNameCapacity];
    WnFormat(className, kNameCapacity, L"PnPNotificatorWndCls_%u_%u", process, thread);
    WnFormat(windowName, kNameCapacity, L"PnPNotificator_HiddenWindow_%u_%u", process, thread);

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &WnPnPNotificator::StaticWindowProc;
    windowClass.hInstance = m_module;
    windowClass.lpszClassName = className;
    DWORD result = 0;
    HWND window = nullptr;
    if (RegisterClassExW(&windowClass) == 0) {
        result = GetLastError();
    } else {
        window = CreateWindowExW(0, className, windowName, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, m_module, nullptr);
        if (window == nullptr) {
            result = GetLastError();
            // Without an X display Wine fails here with no error code.
            if (result == 0)
                result = ERROR_INVALID_WINDOW_HANDLE;
            UnregisterClassW(className, m_module);
        } else {
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            m_window = window;
        }
    }
    m_creationResult = result;
    SetEvent(m_ready.Get());
    if (result != 0)
        return 0;

    if (m_quit)
        DestroyWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (IsWindow(window))
        DestroyWindow(window);
    m_window = nullptr;
    UnregisterClassW(className, m_module);
    return 0;
}

LRESULT CALLBACK WnPnPNotificator::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto self = reinterpret_cast<WnPnPNotificator*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr)
        return self->WindowProc(window, message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT WnPnPNotificator::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_DEVICECHANGE:
        if (m_callback != nullptr && IsReported(wParam, lParam))
            m_callback->OnDeviceChange(wParam, reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam));
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// Arrivals and removals of a registered interface class only: broadcasts reach every
// top-level window, registered or not. The header's size is checked before each field.
bool WnPnPNotificator::IsReported(WPARAM eventType, LPARAM lParam) const
{
    if (eventType != DBT_DEVICEARRIVAL && eventType != DBT_DEVICEREMOVECOMPLETE)
        return false;
    auto header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    if (header == nullptr || header->dbch_size < sizeof(DEV_BROADCAST_HDR)
        || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return false;
    if (header->dbch_size < offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name))
        return false;
    auto device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
    return m_registrations.Contains(device->dbcc_classguid);
}
