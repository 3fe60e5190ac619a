#include "SimWdm.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "SimDevice.h"
#include "ZephraDevice.h"
#include "ZephraIoctl.h"

namespace {

const size_t kMaxSwitches = 4096;
const double kMaxDecibels = 32767.0; // what 16.16 holds

template <class Section>
std::string SectionText(const char* label, const Section& section)
{
    std::string text = std::string(label) + " " + std::to_string(section.count);
    if (section.count != 0 && section.count <= WDM_MAX_ENDPOINTS)
        text += " (" + SimNarrow(ZephraFieldText(section.entries[0].name, WDM_ENDPOINT_NAME_CHARS)) + ")";
    return text;
}

} // namespace

SimWdm::SimWdm()
{
    memset(&m_setup, 0, sizeof(m_setup));
    memset(&m_mono, 0, sizeof(m_mono));
    memset(&m_stereo, 0, sizeof(m_stereo));
    memset(&m_state, 0, sizeof(m_state));
}

bool SimWdm::Serves(uint32_t code)
{
    switch (code) {
    case IOCTL_ZEPHRA_GET_WDM_STATE:
    case IOCTL_ZEPHRA_WDM_SETUP:
    case IOCTL_ZEPHRA_SET_WDM_MONO_CONFIG:
    case IOCTL_ZEPHRA_SET_WDM_STEREO_CONFIG:
    case IOCTL_ZEPHRA_GET_WDM_VOLUME:
    case IOCTL_ZEPHRA_SET_WDM_VOLUME:
    case IOCTL_ZEPHRA_SET_WDM_PARAMETER:
    case IOCTL_ZEPHRA_SET_WDM_ACTIVE:
        return true;
    default:
        return false;
    }
}

bool SimWdm::IsDirection(uint32_t direction)
{
    return direction == WDM_DIRECTION_CAPTURE || direction == WDM_DIRECTION_RENDER;
}

ZephraStatus SimWdm::Serve(uint32_t code, const uint8_t* in, uint8_t* out, uint32_t* returned)
{
    WdmDirectionWord word = {};
    switch (code) {
    case IOCTL_ZEPHRA_GET_WDM_STATE:
        memcpy(out, &m_state, sizeof(m_state));
        *returned = sizeof(m_state);
        return 0;
    case IOCTL_ZEPHRA_WDM_SETUP:
        memcpy(&m_setup, in, sizeof(m_setup));
        m_setUp = true;
        return 0;
    case IOCTL_ZEPHRA_SET_WDM_MONO_CONFIG:
        return SetMono(in);
    case IOCTL_ZEPHRA_SET_WDM_STEREO_CONFIG:
        return SetStereo(in);
    case IOCTL_ZEPHRA_GET_WDM_VOLUME:
        return GetVolume(in, out, returned);
    case IOCTL_ZEPHRA_SET_WDM_VOLUME:
        return SetVolume(in);
    case IOCTL_ZEPHRA_SET_WDM_PARAMETER:
        memcpy(&word, in, sizeof(word));
        if (!IsDirection(word.direction))
            return ZEPHRA_STATUS_INVALID_PARAMETER;
        m_parameter[Slot(word.direction)] = word.value;
        return 0;
    case IOCTL_ZEPHRA_SET_WDM_ACTIVE:
        memcpy(&word, in, sizeof(word));
        if (!IsDirection(word.direction) || word.value > 1)
            return ZEPHRA_STATUS_INVALID_PARAMETER;
        m_active[Slot(word.direction)] = word.value == 1;
        if (m_switches.size() >= kMaxSwitches)
            m_switches.erase(m_switches.begin());
        m_switches.push_back({word.direction, word.value});
        return 0;
    default:
        return ZEPHRA_STATUS_INVALID_IOCTL;
    }
}

ZephraStatus SimWdm::SetMono(const uint8_t* in)
{
    WdmMonoConfig config;
    memcpy(&config, in, sizeof(config));
    if (config.capture.count > WDM_MAX_ENDPOINTS || config.playback.count > WDM_MAX_ENDPOINTS)
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    m_mono = config;
    return 0;
}

ZephraStatus SimWdm::SetStereo(const uint8_t* in)
{
    WdmStereoConfig config;
    memcpy(&config, in, sizeof(config));
    for (const WdmStereoSection* section : {&config.capture, &config.playback}) {
        if (section->count > WDM_MAX_ENDPOINTS)
            return ZEPHRA_STATUS_INVALID_PARAMETER;
        for (uint32_t i = 0; i < section->count; ++i) {
            if (section->entries[i].pairCount > WDM_MAX_STEREO_PAIRS)
                return ZEPHRA_STATUS_INVALID_PARAMETER;
        }
    }
    m_stereo = config;
    // One Windows volume per playback endpoint; the ones that stay keep their setting.
    size_t previous = m_volumes.size();
    m_volumes.resize(config.playback.count);
    for (size_t i = 0; i < m_volumes.size(); ++i) {
        if (i >= previous)
            memset(&m_volumes[i], 0, sizeof(WdmVolumeRecord));
        m_volumes[i].direction = WDM_DIRECTION_RENDER;
        m_volumes[i].index = static_cast<uint32_t>(i);
    }
    return 0;
}

ZephraStatus SimWdm::GetVolume(const uint8_t* in, uint8_t* out, uint32_t* returned) const
{
    WdmVolumeRecord request;
    memcpy(&request, in, sizeof(request));
    if (request.direction != WDM_DIRECTION_RENDER || request.index >= m_volumes.size())
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    memcpy(out, &m_volumes[request.index], sizeof(WdmVolumeRecord));
    *returned = sizeof(WdmVolumeRecord);
    return 0;
}

ZephraStatus SimWdm::SetVolume(const uint8_t* in)
{
    WdmVolumeRecord record;
    memcpy(&record, in, sizeof(record));
    if (record.direction != WDM_DIRECTION_RENDER || record.index >= m_volumes.size())
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    m_volumes[record.index] = record;
    return 0;
}

bool SimWdm::SetWindowsVolume(uint32_t index, int32_t volume, bool muted)
{
    if (index >= m_volumes.size())
        return false;
    const WdmStereoEndpoint& endpoint = m_stereo.playback.entries[index];
    uint32_t pairs = endpoint.pairCount; // checked when the layout was set
    WdmVolumeRecord& record = m_volumes[index];
    for (uint32_t i = 0; i < 2 * pairs; ++i) {
        record.volumes[i] = volume;
        record.mutes[i] = muted ? uint32_t(WDM_MUTE_FLAG) : 0u;
    }
    return true;
}

bool SimWdm::ParseDecibels(const std::string& text, int32_t* volume)
{
    if (text == "-inf") {
        *volume = static_cast<int32_t>(WDM_VOLUME_MINUS_INF);
        return true;
    }
    if (text.empty())
        return false;
    char* end = nullptr;
    double decibels = strtod(text.c_str(), &end);
    if (*end != 0 || !std::isfinite(decibels) || std::fabs(decibels) > kMaxDecibels)
        return false;
    *volume = static_cast<int32_t>(std::lround(decibels * 65536.0));
    return true;
}

std::string SimWdm::Summary() const
{
    std::string text = m_setUp ? "wdm set up" : "wdm not set up";
    text += "; mono " + SectionText("capture", m_mono.capture) + ", " + SectionText("playback", m_mono.playback);
    text += "; stereo " + SectionText("capture", m_stereo.capture) + ", " +
            SectionText("playback", m_stereo.playback);
    text += std::string("; capture ") + (m_active[0] ? "on" : "off") + ", playback " + (m_active[1] ? "on" : "off");
    return text;
}
