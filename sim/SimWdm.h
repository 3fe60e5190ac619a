#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "ZephraStatus.h"
#include "ZephraWdmRecords.h"

// One IOCTL_ZEPHRA_SET_WDM_ACTIVE as the device took it.
struct SimWdmSwitch
{
    uint32_t direction;
    uint32_t flag;
};

// One device's Windows sound endpoints: the loop-back set-up, the mono and stereo layouts
// as sent, the active flag and parameter per direction, the state whose marked channels
// hide the hardware mono endpoints, and one Windows volume per stereo playback endpoint.
// A plain value: copied with its device.
class SimWdm
{
public:
    SimWdm();

    // Whether the request is one of the WDM requests.
    static bool Serves(uint32_t code);
    // Runs one request whose sizes passed the request index.
    ZephraStatus Serve(uint32_t code, const uint8_t* in, uint8_t* out, uint32_t* returned);

    // A change made in Windows: every channel of that playback endpoint gets the volume
    // (16.16 dB) and the mute flag. False when there is no such endpoint.
    bool SetWindowsVolume(uint32_t index, int32_t volume, bool muted);
    // "-inf" or decimal decibels ("-12.5") as a 16.16 volume.
    static bool ParseDecibels(const std::string& text, int32_t* volume);

    void SetState(const WdmStateRecord& state) { m_state = state; }

    bool IsSetUp() const { return m_setUp; }
    const WdmSetupRecord& Setup() const { return m_setup; }
    const WdmMonoConfig& Mono() const { return m_mono; }
    const WdmStereoConfig& Stereo() const { return m_stereo; }
    // direction: WDM_DIRECTION_CAPTURE or WDM_DIRECTION_RENDER.
    bool IsActive(uint32_t direction) const { return m_active[Slot(direction)]; }
    uint32_t Parameter(uint32_t direction) const { return m_parameter[Slot(direction)]; }
    const std::vector<WdmVolumeRecord>& Volumes() const { return m_volumes; }
    // Activity switches in the order taken; cleared with the simulator's log.
    const std::vector<SimWdmSwitch>& Switches() const { return m_switches; }
    void ClearSwitches() { m_switches.clear(); }

    // One line for the simulator's status.
    std::string Summary() const;

private:
    static size_t Slot(uint32_t direction) { return direction == WDM_DIRECTION_RENDER ? 1 : 0; }
    static bool IsDirection(uint32_t direction);
    ZephraStatus SetMono(const uint8_t* in);
    ZephraStatus SetStereo(const uint8_t* in);
    ZephraStatus GetVolume(const uint8_t* in, uint8_t* out, uint32_t* returned) const;
    ZephraStatus SetVolume(const uint8_t* in);

    bool m_setUp = false;
    WdmSetupRecord m_setup;
    WdmMonoConfig m_mono;
    WdmStereoConfig m_stereo;
    WdmStateRecord m_state;
    bool m_active[2] = {false, false};
    uint32_t m_parameter[2] = {0, 0};
    std::vector<WdmVolumeRecord> m_volumes; // per stereo playback endpoint
    std::vector<SimWdmSwitch> m_switches;
};
