#include "DriverRig.h"
#include <cstring>
#include "ZephraRequestIndex.h"

namespace {

const DWORD kStartLimitMs = 10000;

} // namespace

ZephraStatus RigServer::OnRequest(const ZephraMessage& request, ZephraMessage* reply)
{
    RigRequest seen = {request.code, 0};
    if (request.payloadLength >= sizeof(seen.word))
        memcpy(&seen.word, request.payload, sizeof(seen.word));
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_requests.push_back(seen);
    }
    return CustomServer::OnRequest(request, reply);
}

std::vector<RigRequest> RigServer::Requests() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_requests;
}

DriverRig::DriverRig(const wchar_t* name) : m_name(name), m_server(name)
{
    m_stop.Create(true);
    m_arrival.Create(false);
}

DriverRig::~DriverRig()
{
    StopServer();
    m_holder.CloseDriver();
    m_client.CloseDriver();
    m_sim.Stop();
}

ZephraStatus DriverRig::Start(bool withServer)
{
    ZephraStatus status = m_sim.Start(m_name.c_str(), false);
    if (status != 0)
        return status;
    if (!m_sim.Execute("plug QV000001").done)
        return ZEPHRA_STATUS_FAILED;
    status = m_client.OpenAsClient(m_name.c_str());
    if (status != 0)
        return status;
    // The driver's first 3030 for a main client: the server's own comes when it is up.
    ZephraMessage welcome;
    m_client.NextNotification(&welcome);
    if (!withServer)
        return 0;
    return StartServer();
}

ZephraStatus DriverRig::StartServer()
{
    m_stop.Reset();
    DWORD error = m_thread.Start(this);
    if (error != 0)
        return error;
    return WaitNotification(ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED, kStartLimitMs) ? 0 : ZEPHRA_STATUS_TIMEOUT;
}

void DriverRig::StopServer()
{
    m_stop.Set();
    m_thread.Wait(INFINITE); // the events outlive the thread
}

ZephraStatus DriverRig::HoldServer()
{
    StopServer();
    m_server.CloseDriver();
    // Its place is free once the simulator's pipe thread has seen the connection go.
    ZephraStatus status = m_holder.OpenAsServer(m_name.c_str());
    for (int i = 0; i < 100 && status == ZEPHRA_STATUS_ALREADY_DONE; ++i) {
        ::Sleep(20);
        status = m_holder.OpenAsServer(m_name.c_str());
    }
    return status;
}

DWORD DriverRig::Run()
{
    m_server.Run(m_stop.Get(), m_arrival.Get());
    return 0;
}

bool DriverRig::WaitNotification(uint32_t code, DWORD limitMs)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        ZephraMessage record;
        while (m_client.NextNotification(&record) == 0) {
            if (record.code == code)
                return true;
        }
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= limitMs)
            return false;
        ::WaitForSingleObject(m_client.GetNotificationEvent(), limitMs - elapsed);
    }
}

std::string DriverRig::Command(const std::string& line)
{
    SimCommandResult result = m_sim.Execute(line);
    return result.done ? result.text : "refused: " + result.text;
}

std::vector<RigRequest> DriverRig::ServerRequests() const
{
    return m_server.Requests();
}

std::vector<std::string> DriverRig::RequestNames(int32_t clientType) const
{
    std::vector<std::string> names;
    for (const SimLogEntry& entry : m_sim.Log()) {
        if (entry.clientType != clientType)
            continue;
        const ZephraRequestInfo* info = ZephraFindRequest(entry.code);
        names.push_back(info != nullptr ? std::string(info->name + strlen("IOCTL_ZEPHRA_")) : std::to_string(entry.code));
    }
    return names;
}
