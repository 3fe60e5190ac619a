#pragma once
#include <string>
#include <vector>
#include "DriverRig.h"
#include "MixerValues.h"

// What the mixer tests share: the rig against the simulator with device QV000001, its key,
// simulator commands that must be done, and the request log.
class MixerTestRig
{
public:
    // Starts the simulator and the main client (the server only when asked) at once, so
    // that the windows under test can be members constructed with the device's key.
    MixerTestRig(const wchar_t* name, bool withServer = false);

    // 0, or the failure of the start.
    ZephraStatus Status() const { return m_status; }
    DriverRig& Rig() { return m_rig; }
    ZephraCplClient& Client() { return m_rig.Client(); }
    ZephraDeviceId Key() const { return m_key; }
    ZephraDevice& Device() { return *m_rig.Client().FindDevice(m_key.idFirst, m_key.idSecond); }
    // Runs a simulator command; a refused one fails the test.
    void Command(const std::string& line);
    // Requests of that code (any connection) since the last ClearLog.
    std::vector<SimLogEntry> Requests(uint32_t code) { return m_rig.Sim().Logged(code); }
    void ClearLog() { m_rig.Sim().ClearLog(); }

private:
    DriverRig m_rig;
    ZephraDeviceId m_key = {};
    ZephraStatus m_status = 0;
};

// The window's rectangle in the client coordinates of its parent.
MixerGridRect ChildRect(HWND child);
// Sends a vertical scroll message from the slider, as the user's drag does, after moving it.
void DragSlider(HWND slider, int position, int code = SB_THUMBPOSITION);
// A key pressed and released on a control, as the keyboard does while it has the focus.
void PressKey(HWND control, UINT key);
