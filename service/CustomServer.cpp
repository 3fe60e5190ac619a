#include "CustomServer.h"
#include "CustomDevice.h"

CustomServer::CustomServer(const wchar_t* controlDeviceName)
    : m_controlDeviceName(controlDeviceName != nullptr ? controlDeviceName : L"")
{
}

ZephraDevice* CustomServer::CreateDevice()
{
    return new CustomDevice(GetRegistryKey());
}

const wchar_t* CustomServer::GetInterfaceGuidText() const
{
    return m_controlDeviceName.empty() ? ZephraServer::GetInterfaceGuidText() : m_controlDeviceName.c_str();
}

ZephraStatus CustomServer::OnCustomRequest(const ZephraMessage& request, ZephraMessage* reply)
{
    switch (request.code) {
    case ZEPHRA_MSG_SET_WDM_CONFIG:
        return OnSetWdmConfiguration(request);
    case ZEPHRA_MSG_GET_WDM_CONFIG:
        return OnGetWdmConfiguration(request, reply);
    default:
        return ZEPHRA_STATUS_INVALID_COMMAND;
    }
}

ZephraStatus CustomServer::ReadConfigRequest(const ZephraMessage& request, WdmConfigRecord* record,
                                             CustomDevice** device) const
{
    ZephraStatus status = request.ReadExact(record, sizeof(*record));
    if (status != 0)
        return status;
    *device = dynamic_cast<CustomDevice*>(FindDevice(record->idFirst, record->idSecond));
    return *device != nullptr ? 0 : ZEPHRA_STATUS_OBJECT_NOT_FOUND;
}

// The stereo layout is resent with streaming down. A layout the driver refuses is the
// request's failure; streaming is brought up again all the same.
ZephraStatus CustomServer::OnSetWdmConfiguration(const ZephraMessage& request)
{
    WdmConfigRecord record;
    CustomDevice* device = nullptr;
    ZephraStatus status = ReadConfigRequest(request, &record, &device);
    if (status != 0)
        return status;
    if (record.renderConfiguration != 0 || record.captureConfiguration != 0)
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    ZephraStreamingStatus streaming;
    status = GetStreamingStatus(&streaming);
    if (status != 0)
        return status;
    if (streaming.streamCounts[1] != 0)
        return ZEPHRA_STATUS_SOUND_DEVICE_IN_USE;
    status = StopStreaming(0);
    if (status != 0)
        return status;
    ZephraStatus applied = device->ApplyWdmConfiguration(record);
    ZephraStatus restarted = StartStreaming(0);
    return applied != 0 ? applied : restarted;
}

ZephraStatus CustomServer::OnGetWdmConfiguration(const ZephraMessage& request, ZephraMessage* reply)
{
    WdmConfigRecord record;
    CustomDevice* device = nullptr;
    ZephraStatus status = ReadConfigRequest(request, &record, &device);
    if (status != 0)
        return status;
    record.renderConfiguration = device->GetRenderConfiguration();
    record.captureConfiguration = device->GetCaptureConfiguration();
    reply->code = ZEPHRA_MSG_WDM_CONFIG_REPLY;
    return reply->WritePayload(&record, sizeof(record));
}
