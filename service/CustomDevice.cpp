#include "CustomDevice.h"
#include <cstring>
#include "WnRegKey.h"
#include "ZephraStreamRecords.h"
#include "WnString.h"

namespace {

const REGSAM kKeyAccess = KEY_READ | KEY_WRITE;
const wchar_t kDevicesKey[] = L"Devices";
const wchar_t kRenderValue[] = L"WdmRenderSoundDeviceConfiguration";
const wchar_t kCaptureValue[] = L"WdmCaptureSoundDeviceConfiguration";

const LONG kTimerPeriodMs = 3000;
const uint32_t kOpenParameter = 8; // sent with IOCTL_ZEPHRA_SET_WDM_PARAMETER at open
const uint32_t kHardwareChannels = 16;
const uint32_t kVirtualChannels = 2;

// An endpoint name from a format with up to two numbers, cut to the name field.
void FormatName(wchar_t* field, const wchar_t* format, uint32_t first, uint32_t second)
{
    wchar_t text[64];
    WnFormat(text, 64, format, static_cast<unsigned>(first), static_cast<unsigned>(second));
    WnCopy(field, WDM_ENDPOINT_NAME_CHARS, text);
}

void AppendMono(WdmMonoSection* section, uint32_t kind, uint32_t channel, const wchar_t* format)
{
    if (section->count >= WDM_MAX_ENDPOINTS)
        return;
    WdmMonoEndpoint& entry = section->entries[section->count++];
    entry.kind = kind;
    entry.pair = channel / 2;
    entry.side = channel % 2;
    FormatName(entry.name, format, channel + 1, 0);
}

void AppendStereo(WdmStereoSection* section, uint32_t kind, uint32_t pair, const wchar_t* format)
{
    if (section->count >= WDM_MAX_ENDPOINTS)
        return;
    uint32_t index = section->count++;
    WdmStereoEndpoint& entry = section->entries[index];
    bool hardware = kind == WDM_ENDPOINT_HARDWARE;
    entry.kind = kind;
    entry.pairCount = 1;
    entry.pairs[0] = pair;
    entry.mode = 0;
    entry.hardwareMode = hardware ? uint32_t(WDM_STEREO_HARDWARE_MODE) : 0u;
    FormatName(entry.name, format, 2 * pair + 1, 2 * pair + 2);
    entry.index = index;
    entry.volumeFloor = hardware ? uint32_t(WDM_VOLUME_FLOOR_MINUS_INF) : 0u;
    entry.reserved2 = 0;
}

uint32_t Bounded(uint32_t count, uint32_t limit)
{
    return count < limit ? count : limit;
}

ZephraStatus FirstError(ZephraStatus first, ZephraStatus second)
{
    return first != 0 ? first : second;
}

} // namespace

CustomDevice::CustomDevice(const wchar_t* registryKey)
    : m_registryKey(registryKey != nullptr ? registryKey : L""), m_timerForwarder(this, &CustomDevice::OnTimer)
{
    memset(&m_stereo, 0, sizeof(m_stereo));
}

CustomDevice::~CustomDevice()
{
    m_timer.Cancel();
    m_timer.Close();
}

void CustomDevice::OnTimer(DWORD, DWORD) {}

ZephraStatus CustomDevice::OnOpened()
{
    LoadWdmConfiguration(); // registry trouble leaves the defaults
    ZephraStatus status = SetUpLoopback();
    if (status != 0)
        return status;
    status = SendMonoConfiguration();
    if (status != 0)
        return status;
    status = SendStereoConfiguration();
    if (status != 0)
        return status;
    // Endpoints start switched off; BeforeTransition switches them on before Running.
    status = 0;
    for (uint32_t direction : {uint32_t(WDM_DIRECTION_CAPTURE), uint32_t(WDM_DIRECTION_RENDER)}) {
        WdmDirectionWord off = {direction, 0};
        ZephraStatus result = DoRequest(IOCTL_ZEPHRA_SET_WDM_ACTIVE, &off, sizeof(off), nullptr, 0);
        if (result == 0) {
            WdmDirectionWord parameter = {direction, kOpenParameter};
            result = DoRequest(IOCTL_ZEPHRA_SET_WDM_PARAMETER, &parameter, sizeof(parameter), nullptr, 0);
        }
        status = FirstError(status, result);
    }
    if (status != 0)
        return status;
    if (m_timer.Create(false) != 0 || m_timer.Set(kTimerPeriodMs, &m_timerForwarder, false) != 0)
        return ZEPHRA_STATUS_FAILED;
    return 0;
}

// Virtual recording channels 0 and 1 take playback channels 0 and 1 at 0 dB.
ZephraStatus CustomDevice::SetUpLoopback()
{
    WdmSetupRecord setup;
    memset(&setup, 0, sizeof(setup));
    setup.sourceKind = 1;
    setup.loopbackKind = WDM_ENDPOINT_VIRTUAL;
    ZephraStatus status = DoRequest(IOCTL_ZEPHRA_WDM_SETUP, &setup, sizeof(setup), nullptr, 0);
    if (status != 0)
        return status;
    ZephraMixerWeight weights[2];
    memset(weights, 0, sizeof(weights));
    for (uint8_t channel = 0; channel < 2; ++channel) {
        weights[channel].destination = {ZEPHRA_PIN_VIRTUAL, channel, 0};
        weights[channel].source = {ZEPHRA_PIN_PLAYBACK, channel, 0};
        weights[channel].weight = 0;
        weights[channel].flags = ZEPHRA_WEIGHT_FLAG_CONNECTED;
    }
    return SetMixerWeights(weights, 2);
}

bool CustomDevice::HasMarkedChannels()
{
    WdmStateRecord state;
    memset(&state, 0, sizeof(state));
    if (DoRequest(IOCTL_ZEPHRA_GET_WDM_STATE, nullptr, 0, &state, sizeof(state)) != 0)
        return false;
    // The count may claim more entries than the record holds.
    uint32_t count = Bounded(state.count, WDM_STATE_ENTRIES);
    for (uint32_t e = 0; e < count; ++e) {
        const WdmStateEntry& entry = state.entries[e];
        for (uint32_t i = 0; i < WDM_STATE_ITEMS; ++i) {
            if (entry.first[i].value == WDM_STATE_ITEM_MARKED || entry.second[i].value == WDM_STATE_ITEM_MARKED)
                return true;
        }
    }
    return false;
}

ZephraStatus CustomDevice::SendMonoConfiguration()
{
    WdmMonoConfig config;
    memset(&config, 0, sizeof(config));
    if (!HasMarkedChannels()) {
        for (uint32_t c = 0; c < kHardwareChannels; ++c)
            AppendMono(&config.playback, WDM_ENDPOINT_HARDWARE, c, L"QRVLA Out %u");
    }
    if (!HasMarkedChannels()) {
        for (uint32_t c = 0; c < kHardwareChannels; ++c)
            AppendMono(&config.capture, WDM_ENDPOINT_HARDWARE, c, L"QRVLA Analog In %u");
    }
    for (uint32_t c = 0; c < kVirtualChannels; ++c)
        AppendMono(&config.capture, WDM_ENDPOINT_VIRTUAL, c, L"QRVLA Virtual In %u");
    return DoRequest(IOCTL_ZEPHRA_SET_WDM_MONO_CONFIG, &config, sizeof(config), nullptr, 0);
}

ZephraStatus CustomDevice::SendStereoConfiguration()
{
    memset(&m_stereo, 0, sizeof(m_stereo));
    if (m_renderConfiguration == 0) {
        for (uint32_t i = 0; i < kHardwareChannels / 2; ++i)
            AppendStereo(&m_stereo.playback, WDM_ENDPOINT_HARDWARE, i, L"QRVLA Out %u/%u");
    }
    if (m_captureConfiguration == 0) {
        for (uint32_t i = 0; i < kHardwareChannels / 2; ++i)
            AppendStereo(&m_stereo.capture, WDM_ENDPOINT_HARDWARE, i, L"QRVLA Analog In %u/%u");
    }
    AppendStereo(&m_stereo.capture, WDM_ENDPOINT_VIRTUAL, 0, L"QRVLA Virtual In %u/%u");
    return DoRequest(IOCTL_ZEPHRA_SET_WDM_STEREO_CONFIG, &m_stereo, sizeof(m_stereo), nullptr, 0);
}

ZephraStatus CustomDevice::SetEndpointsActive(uint32_t flag)
{
    WdmDirectionWord capture = {WDM_DIRECTION_CAPTURE, flag};
    WdmDirectionWord render = {WDM_DIRECTION_RENDER, flag};
    ZephraStatus first = DoRequest(IOCTL_ZEPHRA_SET_WDM_ACTIVE, &capture, sizeof(capture), nullptr, 0);
    ZephraStatus second = DoRequest(IOCTL_ZEPHRA_SET_WDM_ACTIVE, &render, sizeof(render), nullptr, 0);
    return FirstError(first, second);
}

ZephraStatus CustomDevice::BeforeTransition(uint32_t state, uint32_t target, uint32_t)
{
    if (target == ZEPHRA_STREAM_RUNNING)
        return SetEndpointsActive(1);
    if (target == ZEPHRA_STREAM_READY && (state == ZEPHRA_STREAM_PREPARED || state == ZEPHRA_STREAM_RUNNING))
        return SetEndpointsActive(0);
    return 0;
}

uint32_t CustomDevice::BuildGainItems(const WdmStereoEndpoint& entry, ZephraMixerGain* items)
{
    uint8_t type = entry.kind == WDM_ENDPOINT_HARDWARE ? ZEPHRA_PIN_ANALOG : ZEPHRA_PIN_SPDIF;
    uint32_t pairs = Bounded(entry.pairCount, WDM_MAX_STEREO_PAIRS);
    memset(items, 0, sizeof(ZephraMixerGain) * 2 * pairs);
    for (uint32_t p = 0; p < pairs; ++p) {
        uint32_t left = 2 * entry.pairs[p];
        items[2 * p].pin = {type, static_cast<uint8_t>(left), 0};
        items[2 * p + 1].pin = {type, static_cast<uint8_t>(left + 1), 0};
    }
    return 2 * pairs;
}

void CustomDevice::OnDeviceUpdate()
{
    const WdmStereoSection& playback = m_stereo.playback;
    uint32_t count = Bounded(playback.count, WDM_MAX_ENDPOINTS);
    for (uint32_t e = 0; e < count; ++e) {
        const WdmStereoEndpoint& entry = playback.entries[e];
        if (entry.mode == WDM_STEREO_MODE_SKIPPED)
            continue;
        ZephraMixerGain items[WDM_VOLUME_CHANNELS];
        uint32_t n = BuildGainItems(entry, items);
        if (GetMixerOutputGains(items, n) != 0)
            return;
        WdmVolumeRecord volume;
        memset(&volume, 0, sizeof(volume));
        volume.direction = WDM_DIRECTION_RENDER;
        volume.index = entry.index;
        for (uint32_t i = 0; i < n; ++i) {
            volume.volumes[i] = WdmVolumeFromGain(items[i].gain);
            volume.mutes[i] = items[i].flags & ZEPHRA_GAIN_FLAG_MUTED;
        }
        if (DoRequest(IOCTL_ZEPHRA_SET_WDM_VOLUME, &volume, sizeof(volume), nullptr, 0) != 0)
            return;
    }
}

void CustomDevice::OnValue2(uint32_t index)
{
    if (index >= Bounded(m_stereo.playback.count, WDM_MAX_ENDPOINTS))
        return;
    WdmVolumeRecord volume;
    memset(&volume, 0, sizeof(volume));
    volume.direction = WDM_DIRECTION_RENDER;
    volume.index = index;
    uint32_t returned = 0;
    if (DoRequest(IOCTL_ZEPHRA_GET_WDM_VOLUME, &volume, sizeof(volume), &volume, sizeof(volume), &returned) != 0 ||
        returned != sizeof(volume))
        return;
    ZephraMixerGain items[WDM_VOLUME_CHANNELS];
    uint32_t n = BuildGainItems(m_stereo.playback.entries[index], items);
    for (uint32_t i = 0; i < n; ++i) {
        items[i].flags = (volume.mutes[i] & WDM_MUTE_FLAG) != 0 ? ZEPHRA_GAIN_FLAG_MUTED : 0;
        items[i].gain = WdmGainFromVolume(static_cast<uint32_t>(volume.volumes[i]));
    }
    SetMixerOutputGains(items, n); // a failure waits for the next change
}

ZephraStatus CustomDevice::ApplyWdmConfiguration(const WdmConfigRecord& record)
{
    if (record.renderConfiguration != 0 || record.captureConfiguration != 0)
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    m_renderConfiguration = 0;
    m_captureConfiguration = record.captureConfiguration;
    StoreWdmConfiguration(); // the layout is sent even when the registry refuses
    return SendStereoConfiguration();
}

// HKEY_LOCAL_MACHINE\<product key>\Devices\<serial>, each level created when missing.
ZephraStatus CustomDevice::OpenDeviceKey(WnRegKey* key)
{
    std::wstring serial = GetSerialText();
    // An empty serial would name the Devices key itself, a backslash a key below another device's.
    if (serial.empty() || serial.find(L'\\') != std::wstring::npos || m_registryKey.empty())
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    WnRegKey product, devices;
    DWORD result = product.Create(HKEY_LOCAL_MACHINE, m_registryKey.c_str(), kKeyAccess);
    if (result == 0)
        result = devices.Create(product.Get(), kDevicesKey, kKeyAccess);
    if (result == 0)
        result = key->Create(devices.Get(), serial.c_str(), kKeyAccess);
    return result;
}

ZephraStatus CustomDevice::LoadWdmConfiguration()
{
    WnRegKey key;
    ZephraStatus status = OpenDeviceKey(&key);
    if (status != 0)
        return status;
    DWORD value = 0;
    if (key.QueryDword(kRenderValue, value) == 0)
        m_renderConfiguration = value;
    if (key.QueryDword(kCaptureValue, value) == 0)
        m_captureConfiguration = value;
    return 0;
}

ZephraStatus CustomDevice::StoreWdmConfiguration()
{
    WnRegKey key;
    ZephraStatus status = OpenDeviceKey(&key);
    if (status != 0)
        return status;
    key.SetDword(kRenderValue, m_renderConfiguration);
    key.SetDword(kCaptureValue, m_captureConfiguration);
    return 0;
}
