#include "CplDriverLink.h"
#include "ModalRun.h"

CplDriverLink::CplDriverLink()
{
    m_client.SetReplyWait(&WaitKeepingWindowsAlive);
}

CplDriverLink::~CplDriverLink()
{
    Stop();
}

ZephraStatus CplDriverLink::Start(HWND window, const wchar_t* name)
{
    ZephraStatus status = m_client.OpenAsClient(name);
    if (status != 0)
        return status;
    if (m_thread.IsRunning())
        return 0;
    status = m_thread.Start(window, m_client.GetNotificationEvent(), WM_DRIVER_NOTIFICATION);
    if (status != 0)
        m_client.CloseDriver();
    return status;
}

void CplDriverLink::Stop()
{
    m_thread.Stop();
    m_client.CloseDriver();
}

ZephraStatus CplDriverLink::Drain(const std::function<void(const ZephraMessage&)>& handler)
{
    return m_client.DrainQueue(true, [&](const ZephraMessage& record) {
        if (record.kind == ZEPHRA_MSG_KIND_NOTIFICATION)
            handler(record);
        return true;
    });
}
