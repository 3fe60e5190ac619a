// Control commands of the simulated driver.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include "ZephraSim.h"

namespace {

std::vector<std::string> SplitWords(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream stream(line);
    std::string word;
    while (stream >> word)
        words.push_back(word);
    return words;
}

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

// A whole unsigned 32-bit number, decimal or 0x-hex.
bool ParseU32(const std::string& text, uint32_t* value)
{
    if (text.empty() || text[0] == '-')
        return false;
    char* end = nullptr;
    unsigned long long parsed = strtoull(text.c_str(), &end, 0);
    if (*end != 0 || parsed > 0xFFFFFFFFull)
        return false;
    *value = static_cast<uint32_t>(parsed);
    return true;
}

// The words from index first on as 32-bit numbers.
bool ParseU32Words(const std::vector<std::string>& words, size_t first, std::vector<uint32_t>* values)
{
    for (size_t i = first; i < words.size(); ++i) {
        uint32_t value = 0;
        if (!ParseU32(words[i], &value))
            return false;
        values->push_back(value);
    }
    return true;
}

// A fresh mixer of the named model.
bool MakeMixer(const std::string& name, SimMixer* mixer)
{
    SimMixerModel model;
    if (!SimMixer::ParseModel(name, &model))
        return false;
    *mixer = SimMixer(model);
    return true;
}

} // namespace

std::string ZephraSim::StatusText()
{
    char line[300];
    snprintf(line, sizeof(line), "driver %lu.%lu.%lu %s, interface %lu.%lu, connections %lu\n",
             static_cast<unsigned long>(m_version.driverMajor), static_cast<unsigned long>(m_version.driverMinor),
             static_cast<unsigned long>(m_version.driverBuild),
             (m_version.buildFlags & ZEPHRA_BUILD_FLAG_DEBUG) ? "debug" : "release",
             static_cast<unsigned long>(m_version.interfaceMajor),
             static_cast<unsigned long>(m_version.interfaceMinor),
             static_cast<unsigned long>(m_connections.size()));
    std::string text = line + m_engine.StatusText();
    for (const SimDevice& device : m_devices) {
        bool streaming = m_engine.IsStreamingDevice(device);
        snprintf(line, sizeof(line), "device %s: id %lu 0x%08lx, vid %04x pid %04x, %s%s%s\n",
                 SimNarrow(device.serial).c_str(), static_cast<unsigned long>(device.idFirst),
                 static_cast<unsigned long>(device.idSecond), device.vendorId, device.productId,
                 device.highSpeed ? "high speed" : "usb 1.1", device.echo ? ", echo" : "",
                 streaming ? ", streaming device" : "");
        text += line;
        text += "  " + device.mixer.Summary() + "\n";
        text += "  " + device.wdm.Summary() + "\n";
    }
    if (m_devices.empty())
        text += "no devices\n";
    return text;
}

SimCommandResult ZephraSim::Plug(const std::vector<std::string>& words, std::wstring* arrivalPath)
{
    if (words.size() < 2)
        return {false, "usage: plug SERIAL [usb11] [echo] [model " + SimMixer::ModelNames() + "]\n"};
    SimDevice device;
    device.serial = Widen(words[1]);
    if (device.serial.size() >= ZEPHRA_SERIAL_CHARS)
        return {false, "serial number too long\n"};
    for (size_t i = 2; i < words.size(); ++i) {
        if (words[i] == "usb11")
            device.highSpeed = false;
        else if (words[i] == "echo")
            device.echo = true;
        else if (words[i] == "model" && i + 1 < words.size()) {
            if (!MakeMixer(words[++i], &device.mixer))
                return {false, "unknown model: " + words[i] + "\n"};
        } else {
            return {false, "unknown plug option: " + words[i] + "\n"};
        }
    }
    if (m_devices.size() >= ZEPHRA_MAX_DEVICES)
        return {false, "already 8 devices\n"};
    for (const SimDevice& present : m_devices) {
        if (present.serial == device.serial)
            return {false, "a device with that serial number is present\n"};
    }
    device.idFirst = m_nextDeviceId++;
    device.idSecond = (static_cast<uint32_t>(device.vendorId) << 16) | device.productId;
    m_devices.push_back(device);
    if (m_streamingFirst == 0 && m_streamingSecond == 0) {
        m_streamingFirst = device.idFirst;
        m_streamingSecond = device.idSecond;
    }
    QueueNotificationLocked(ZEPHRA_CLIENT_SERVER, ZEPHRA_NOTIFY_DEVICE_LIST, nullptr, 0);
    *arrivalPath = device.InterfacePath();
    return {true, "plugged " + words[1] + "\n"};
}

SimCommandResult ZephraSim::Unplug(const std::vector<std::string>& words, std::wstring* removalPath)
{
    if (words.size() != 2)
        return {false, "usage: unplug SERIAL\n"};
    std::wstring serial = Widen(words[1]);
    for (auto it = m_devices.begin(); it != m_devices.end(); ++it) {
        if (it->serial != serial)
            continue;
        *removalPath = it->InterfacePath();
        bool wasStreaming = it->idFirst == m_streamingFirst && it->idSecond == m_streamingSecond;
        m_devices.erase(it);
        if (wasStreaming) {
            m_streamingFirst = m_devices.empty() ? 0 : m_devices.front().idFirst;
            m_streamingSecond = m_devices.empty() ? 0 : m_devices.front().idSecond;
        }
        QueueNotificationLocked(ZEPHRA_CLIENT_SERVER, ZEPHRA_NOTIFY_DEVICE_LIST, nullptr, 0);
        return {true, "unplugged " + words[1] + "\n"};
    }
    return {false, "no device with serial number " + words[1] + "\n"};
}

SimCommandResult ZephraSim::Notify(const std::vector<std::string>& words)
{
    uint32_t code = 0;
    if (words.size() < 2 || !ParseU32(words[1], &code))
        return {false, "usage: notify CODE [WORD...]\n"};
    std::vector<uint32_t> payload;
    for (size_t i = 2; i < words.size(); ++i) {
        uint32_t word = 0;
        if (!ParseU32(words[i], &word))
            return {false, "not a 32-bit word: " + words[i] + "\n"};
        payload.push_back(word);
    }
    if (payload.size() * 4 > ZEPHRA_MSG_MAX_PAYLOAD)
        return {false, "payload over 512 bytes\n"};
    QueueNotificationLocked(-1, code, payload.data(), static_cast<uint32_t>(payload.size() * 4));
    return {true, "queued " + words[1] + "\n"};
}

SimCommandResult ZephraSim::EngineCommand(const std::vector<std::string>& words)
{
    std::vector<uint32_t> values;
    if (!ParseU32Words(words, 1, &values))
        return {false, "not a 32-bit number in: " + words[0] + "\n"};
    SimCommandResult result;
    uint32_t notify = 0;
    result.done = m_engine.Execute(words[0], values, &result.text, &notify);
    if (notify != 0)
        QueueNotificationLocked(ZEPHRA_CLIENT_SERVER, notify, nullptr, 0);
    return result;
}

// Another channel layout for a present device (as after a firmware switch): a fresh mixer,
// announced to every connection.
SimCommandResult ZephraSim::Remodel(const std::vector<std::string>& words)
{
    if (words.size() != 3)
        return {false, "usage: model SERIAL " + SimMixer::ModelNames() + "\n"};
    std::wstring serial = Widen(words[1]);
    for (SimDevice& device : m_devices) {
        if (device.serial != serial)
            continue;
        if (!MakeMixer(words[2], &device.mixer))
            return {false, "unknown model: " + words[2] + "\n"};
        ZephraDeviceId id = {device.idFirst, device.idSecond};
        QueueNotificationLocked(-1, ZEPHRA_NOTIFY_MIXER_PINS_CHANGED, &id, sizeof(id));
        return {true, words[1] + " is now " + words[2] + "\n"};
    }
    return {false, "no device with serial number " + words[1] + "\n"};
}

// A user changes a playback endpoint's volume in Windows: the server hears of it by
// notification 3060 (value kind 2, the endpoint index).
SimCommandResult ZephraSim::WindowsVolume(const std::vector<std::string>& words)
{
    const char* usage = "usage: winvol SERIAL INDEX DB|-inf [mute]\n";
    uint32_t index = 0;
    int32_t volume = 0;
    bool muted = words.size() == 5 && words[4] == "mute";
    if ((words.size() != 4 && !muted) || !ParseU32(words[2], &index) || !SimWdm::ParseDecibels(words[3], &volume))
        return {false, usage};
    std::wstring serial = Widen(words[1]);
    for (SimDevice& device : m_devices) {
        if (device.serial != serial)
            continue;
        if (!device.wdm.SetWindowsVolume(index, volume, muted))
            return {false, "no playback endpoint " + words[2] + "\n"};
        const uint32_t kVolumeChanged = 2;
        uint32_t value[4] = {device.idFirst, device.idSecond, kVolumeChanged, index};
        QueueNotificationLocked(ZEPHRA_CLIENT_SERVER, ZEPHRA_NOTIFY_DEVICE_VALUE, value, sizeof(value));
        return {true, "volume of " + words[1] + " endpoint " + words[2] + " set\n"};
    }
    return {false, "no device with serial number " + words[1] + "\n"};
}

SimCommandResult ZephraSim::Execute(const std::string& line)
{
    std::vector<std::string> words = SplitWords(line);
    if (words.empty())
        return {false, "empty command\n"};
    const std::string& command = words[0];
    if (command == "log") {
        if (words.size() == 2 && words[1] == "clear") {
            ClearLog();
            return {true, "log cleared\n"};
        }
        if (words.size() != 1)
            return {false, "usage: log [clear]\n"};
        std::string text;
        for (const SimLogEntry& entry : Log())
            text += FormatLogEntry(entry) + "\n";
        return {true, text};
    }
    if (command == "quit") {
        m_quit.Set();
        return {true, "quitting\n"};
    }

    SimCommandResult result = {false, "unknown command: " + command + "\n"};
    std::wstring arrival, removal;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (command == "status")
            result = {true, StatusText()};
        else if (command == "plug")
            result = Plug(words, &arrival);
        else if (command == "unplug")
            result = Unplug(words, &removal);
        else if (command == "notify")
            result = Notify(words);
        else if (command == "model")
            result = Remodel(words);
        else if (command == "winvol")
            result = WindowsVolume(words);
        else if (SimEngine::IsCommand(command))
            result = EngineCommand(words);
    }
    // Outside the lock: windows of this very process may answer with requests.
    if (!arrival.empty())
        SimBroadcastDeviceChange(true, arrival);
    if (!removal.empty())
        SimBroadcastDeviceChange(false, removal);
    return result;
}
