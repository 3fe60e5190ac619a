#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "SimDevice.h"
#include "ZephraStatus.h"
#include "ZephraStreamRecords.h"

// The streaming devices as the simulator keeps them; not owned: fields of ZephraSim.
struct SimStreamingSelection
{
    std::vector<SimDevice>& devices;
    uint32_t& first; // the selected device's id words; 0, 0 for none
    uint32_t& second;
    bool& allDevices;
};

struct SimStreamingCommand
{
    uint32_t command;
    uint32_t argument;
};

// The simulated driver's one streaming engine: its states and commands, the open-stream
// counts of its audio clients, and the stream settings. Used under the simulator's lock.
class SimEngine
{
public:
    explicit SimEngine(const SimStreamingSelection& selection);

    // Serves the stream configuration requests; false when code is not one of them.
    bool Serve(uint32_t code, const uint8_t* in, uint8_t* out, uint32_t* returned, ZephraStatus* status);

    // The control commands of the engine: "streams C1..C5", "errors E1..E5", "state N".
    static bool IsCommand(const std::string& command);
    // One of them with its numbers; true when done. notify: a notification for the server, or 0.
    bool Execute(const std::string& command, const std::vector<uint32_t>& values, std::string* text,
                 uint32_t* notify);

    // The supported rates: 1 to 12 distinct rates from 8000 to 5644800 Hz. False, with the
    // reason, when they are not.
    bool SetRates(const std::vector<uint32_t>& rates, std::string* error);
    // An ASIO host changes the rate (a DSD rate too) or the buffer settings behind the
    // service's back. False, with the reason, for a rate or setting the driver does not have.
    bool HostSetRate(uint32_t rate, std::string* error);
    bool HostSetBuffers(uint32_t streamingSetting, uint32_t asioSetting, std::string* error);

    // Lines of the "status" command.
    std::string StatusText();

    // Whether the device is one that streams (all of them in all-devices mode).
    bool IsStreamingDevice(const SimDevice& device) const;

    // Streaming commands received so far, accepted or not.
    const std::vector<SimStreamingCommand>& Commands() const { return m_commands; }
    void ClearCommands() { m_commands.clear(); }

    // A faulty engine: commands are accepted but the state does not move.
    void SetStuck(bool stuck) { m_stuck = stuck; }

    // The state the driver reports.
    uint32_t State();

private:
    // Drops streaming that can no longer run: no device, or the streaming device on USB 1.1.
    void Settle();
    // The streaming devices on a USB 1.1 port, by first id word.
    std::vector<uint32_t> Usb11Devices() const;
    bool AnyStreamWanted() const;
    ZephraStatus Command(uint32_t command, uint32_t argument);
    ZephraStatus SetSampleRate(uint32_t rate);
    ZephraStatus SetBufferSizes(const ZephraBufferSizeChange& change);
    ZephraStatus SetStreamingDevice(const ZephraStreamingDeviceRecord& selection);
    bool IsSupportedRate(uint32_t rate) const;
    ZephraStreamingStatus StreamingStatus();
    ZephraBufferSizes BufferSizes() const;
    ZephraChannelList Channels(bool output) const;
    ZephraStatus ChannelInfo(const ZephraChannelKey& key, ZephraChannelInfo* info) const;

    SimStreamingSelection m_selection;
    uint32_t m_state = ZEPHRA_STREAM_DOWN;
    bool m_stuck = false;
    std::vector<uint32_t> m_resetFor; // USB 1.1 devices that command 1 acknowledged
    std::vector<uint32_t> m_rates;
    uint32_t m_rate = 48000;
    uint32_t m_preparedRate = 0;
    uint32_t m_streamingBuffer = 2;
    uint32_t m_asioBuffer = 1;
    uint32_t m_thirdSetting = 0;
    uint32_t m_options = 0;
    uint32_t m_lastArgument = 0; // of commands 2 and 3
    uint32_t m_counts[ZEPHRA_STREAM_COUNTS] = {};
    uint32_t m_errors[5] = {};
    std::vector<SimStreamingCommand> m_commands;
};
