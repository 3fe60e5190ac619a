// Control commands of the simulated driver.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include "ZephraRequestIndex.h"
#include "ZephraSim.h"

struct ZephraSim::CommandInfo
{
    const char* name;
    const char* syntax;
    const char* effect;
    SimCommandResult (ZephraSim::*run)(const std::vector<std::string>& words);
};

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

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    return text;
}

// A whole unsigned 32-bit number, decimal or 0x-hex.
bool ParseU32(const std::string& text, uint32_t* value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || isspace(static_cast<unsigned char>(text[0])))
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

// "A.B" or "A.B.C": count decimal numbers separated by points.
bool ParseDotted(const std::string& text, size_t count, uint32_t* values)
{
    size_t start = 0;
    for (size_t i = 0; i < count; ++i) {
        size_t end = i + 1 < count ? text.find('.', start) : text.size();
        if (end == std::string::npos)
            return false;
        std::string part = text.substr(start, end - start);
        if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos || !ParseU32(part, &values[i]))
            return false;
        start = end + 1;
    }
    return true;
}

// A request code: its number, its name, or its name without "IOCTL_ZEPHRA_" (any case).
bool ParseRequest(const std::string& text, uint32_t* code)
{
    uint32_t number = 0;
    if (ParseU32(text, &number)) {
        if (ZephraFindRequest(number) == nullptr)
            return false;
        *code = number;
        return true;
    }
    std::string name = Upper(text);
    unsigned count = 0;
    const ZephraRequestInfo* table = ZephraRequestTable(&count);
    for (unsigned i = 0; i < count; ++i) {
        if (name == table[i].name || "IOCTL_ZEPHRA_" + name == table[i].name) {
            *code = table[i].code;
            return true;
        }
    }
    return false;
}

// A status: its number, or its name with or without "ZEPHRA_STATUS_" (any case).
bool ParseStatus(const std::string& text, ZephraStatus* status)
{
    if (ParseU32(text, status))
        return true;
    std::string name = Upper(text);
    for (ZephraStatus value = 0xE0000001; value <= ZEPHRA_STATUS_PENDING; ++value) {
        std::string known = ZephraStatusName(value);
        if (known != "???" && (name == known || "ZEPHRA_STATUS_" + name == known)) {
            *status = value;
            return true;
        }
    }
    return false;
}

// Decimal decibels with at most two decimals ("-12.5") as hundredths of a decibel.
bool ParseHundredths(const std::string& text, int16_t* value)
{
    size_t digits = text[0] == '-' ? 1 : 0;
    size_t point = text.find('.');
    std::string whole = text.substr(digits, point == std::string::npos ? std::string::npos : point - digits);
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    if (whole.empty() || whole.size() > 3 || fraction.size() > 2 || (point != std::string::npos && fraction.empty()) ||
        whole.find_first_not_of("0123456789") != std::string::npos ||
        fraction.find_first_not_of("0123456789") != std::string::npos)
        return false;
    fraction.resize(2, '0');
    long hundredths = atol(whole.c_str()) * 100 + atol(fraction.c_str());
    if (digits != 0)
        hundredths = -hundredths;
    if (hundredths < -32768 || hundredths > 32767)
        return false;
    *value = static_cast<int16_t>(hundredths);
    return true;
}

// "TYPE" or "TYPE:CHANNEL", each 0 to 255.
bool ParsePin(const std::string& text, ZephraMixerPin* pin, bool* hasChannel)
{
    size_t colon = text.find(':');
    uint32_t type = 0, channel = 0;
    *hasChannel = colon != std::string::npos;
    if (!ParseU32(text.substr(0, colon), &type) || type > 255)
        return false;
    if (*hasChannel && (!ParseU32(text.substr(colon + 1), &channel) || channel > 255))
        return false;
    *pin = {static_cast<uint8_t>(type), static_cast<uint8_t>(channel), 0};
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

bool IsDeviceRequest(uint32_t code)
{
    return code == IOCTL_ZEPHRA_SELECT_DEVICE || code >= IOCTL_ZEPHRA_GET_WDM_STATE;
}

SimCommandResult NoDevice(const std::string& serial)
{
    return {false, "no device with serial number " + serial + "\n"};
}

const char* ClientTypeName(int32_t type)
{
    switch (type) {
    case -1: return "no type yet";
    case 0: return "server";
    case 2: return "main client";
    case 3: return "observer";
    case 4: return "second observer";
    default: return "?";
    }
}

const uint32_t kMaxPinsPerClass = 64;
const uint32_t kMaxEchoDelay = 60000;

} // namespace

const ZephraSim::CommandInfo* ZephraSim::CommandTable(size_t* count)
{
    static const CommandInfo kCommands[] = {
        {"help", "help", "this list", &ZephraSim::Help},
        {"status", "status", "state, settings, failures, connections and devices", &ZephraSim::Status},
        {"log", "log [clear | CODE|NAME...]", "requests received (only those codes); clear empties the log",
         &ZephraSim::ShowLog},
        {"quit", "quit", "end the simulator", &ZephraSim::Quit},
        {"plug", "plug SERIAL [usb11] [echo] [model compact|studio]", "a device arrives", &ZephraSim::Plug},
        {"unplug", "unplug SERIAL", "that device leaves", &ZephraSim::Unplug},
        {"model", "model SERIAL compact|studio", "another channel layout for a device (3050)", &ZephraSim::Remodel},
        {"port", "port SERIAL high|usb11", "the device moves to a high-speed or USB 1.1 port (3040)",
         &ZephraSim::Port},
        {"streams", "streams C1 C2 C3 C4 C5", "open-stream counts; the server hears of changed demand",
         &ZephraSim::EngineCommand},
        {"errors", "errors E1 E2 E3 E4 E5", "the five error counters", &ZephraSim::EngineCommand},
        {"state", "state 0..5", "the streaming state", &ZephraSim::EngineCommand},
        {"notify", "notify CODE [WORD...]", "a driver notification to every connection that takes them",
         &ZephraSim::Notify},
        {"winvol", "winvol SERIAL INDEX DB|-inf [mute]", "a Windows volume change of a playback endpoint (3060)",
         &ZephraSim::WindowsVolume},
        {"version", "version MAJOR.MINOR.BUILD [debug|release] [interface MAJOR.MINOR]",
         "the version record (release unless debug; interface kept unless given)", &ZephraSim::Version},
        {"rates", "rates HZ...", "1 to 12 supported rates, 8000 to 5644800 Hz (DSD 2822400, 5644800)",
         &ZephraSim::Rates},
        {"host", "host rate HZ | host buffers STREAMING ASIO",
         "an ASIO host changes the rate or buffer settings (3001 to main clients)", &ZephraSim::Host},
        {"fail", "fail CODE|NAME STATUS|NAME [SERIAL] [key WORD:WORD] [once] | fail clear",
         "a request fails (one device's connections; one channel key; once)", &ZephraSim::Fail},
        {"reply", "reply CODE|NAME short", "the next successful reply to that code is one byte short",
         &ZephraSim::Reply},
        {"pins", "pins SERIAL 0|1|2 [TYPE[:CHANNEL]...]",
         "a device's pin list of class 0 outputs, 1 hardware inputs or 2 playback (3050)", &ZephraSim::Pins},
        {"echo", "echo SERIAL CHANNELS MAXDELAY | echo SERIAL off",
         "the echo effect's output channels and maximum delay (ms), or no effect", &ZephraSim::Echo},
        {"levels", "levels SERIAL DB|moving", "hold every meter of a device at DB, or let them move",
         &ZephraSim::Levels},
        {"server", "server hold|release",
         "the simulator takes the server slot and leaves requests unanswered; release drops them",
         &ZephraSim::Server},
    };
    *count = sizeof(kCommands) / sizeof(kCommands[0]);
    return kCommands;
}

const ZephraSim::CommandInfo* ZephraSim::FindCommand(const std::string& name)
{
    size_t count = 0;
    const CommandInfo* commands = CommandTable(&count);
    for (size_t i = 0; i < count; ++i) {
        if (name == commands[i].name)
            return &commands[i];
    }
    return nullptr;
}

std::string ZephraSim::HelpText()
{
    size_t count = 0;
    const CommandInfo* commands = CommandTable(&count);
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += std::string(commands[i].syntax) + "  -  " + commands[i].effect + "\n";
    return text;
}

SimCommandResult ZephraSim::Usage(const std::string& name)
{
    return {false, std::string("usage: ") + FindCommand(name)->syntax + "\n"};
}

SimCommandResult ZephraSim::Help(const std::vector<std::string>& words)
{
    return words.size() == 1 ? SimCommandResult{true, HelpText()} : Usage("help");
}

SimCommandResult ZephraSim::Status(const std::vector<std::string>& words)
{
    return words.size() == 1 ? SimCommandResult{true, StatusText()} : Usage("status");
}

SimCommandResult ZephraSim::Quit(const std::vector<std::string>& words)
{
    if (words.size() != 1)
        return Usage("quit");
    m_quit.Set();
    return {true, "quitting\n"};
}

SimCommandResult ZephraSim::ShowLog(const std::vector<std::string>& words)
{
    if (words.size() == 2 && words[1] == "clear") {
        ClearLogLocked();
        return {true, "log cleared\n"};
    }
    std::set<uint32_t> codes;
    for (size_t i = 1; i < words.size(); ++i) {
        uint32_t code = 0;
        if (!ParseRequest(words[i], &code))
            return {false, "not a request code or name: " + words[i] + "\n"};
        codes.insert(code);
    }
    std::string text;
    for (const SimLogEntry& entry : m_log) {
        if (codes.empty() || codes.count(entry.code) != 0)
            text += FormatLogEntry(entry) + "\n";
    }
    return {true, text};
}

SimDevice* ZephraSim::FindDevice(const std::string& serial)
{
    std::wstring wide = Widen(serial);
    for (SimDevice& device : m_devices) {
        if (device.serial == wide)
            return &device;
    }
    return nullptr;
}

std::string ZephraSim::ConnectionsText() const
{
    std::string text;
    for (const auto& entry : m_connections) {
        const Connection& connection = entry.second;
        char line[300];
        if (connection.held) {
            snprintf(line, sizeof(line), "connection %lu: server held by the simulator, %u requests unanswered\n",
                     static_cast<unsigned long>(connection.id), static_cast<unsigned>(connection.messages.size()));
            text += line;
            continue;
        }
        std::string bound = "not bound";
        if (connection.bound) {
            bound = "bound to a removed device";
            for (const SimDevice& device : m_devices) {
                if (device.idFirst == connection.boundFirst && device.idSecond == connection.boundSecond)
                    bound = "bound to " + SimNarrow(device.serial);
            }
        }
        snprintf(line, sizeof(line), "connection %lu: type %ld (%s), %s, events%s%s, queued %u messages %u notifications\n",
                 static_cast<unsigned long>(connection.id), static_cast<long>(connection.clientType),
                 ClientTypeName(connection.clientType), bound.c_str(),
                 connection.messageEvent ? " message" : "", connection.notificationEvent ? " notification" : " none",
                 static_cast<unsigned>(connection.messages.size()), static_cast<unsigned>(connection.notifications.size()));
        text += line;
    }
    return text;
}

std::string ZephraSim::FailuresText() const
{
    std::string text;
    for (const FailureRule& rule : m_failures) {
        char key[40] = "";
        if (rule.keyed)
            snprintf(key, sizeof(key), " key %lu:%lu", static_cast<unsigned long>(rule.key.words[0]),
                     static_cast<unsigned long>(rule.key.words[1]));
        text += std::string("fail ") + ZephraFindRequest(rule.code)->name + " " + ZephraStatusName(rule.status) +
                (rule.serial.empty() ? "" : " " + SimNarrow(rule.serial)) + key + (rule.once ? " once" : "") + "\n";
    }
    for (uint32_t code : m_shortReplies)
        text += std::string("reply ") + ZephraFindRequest(code)->name + " short\n";
    return text;
}

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
    std::string text = line + m_engine.StatusText() + FailuresText() + ConnectionsText();
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

SimCommandResult ZephraSim::Plug(const std::vector<std::string>& words)
{
    if (words.size() < 2)
        return Usage("plug");
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
    if (FindDevice(words[1]) != nullptr)
        return {false, "a device with that serial number is present\n"};
    device.idFirst = m_nextDeviceId++;
    device.idSecond = (static_cast<uint32_t>(device.vendorId) << 16) | device.productId;
    m_devices.push_back(device);
    if (m_streamingFirst == 0 && m_streamingSecond == 0) {
        m_streamingFirst = device.idFirst;
        m_streamingSecond = device.idSecond;
    }
    QueueNotificationLocked(ZEPHRA_CLIENT_SERVER, ZEPHRA_NOTIFY_DEVICE_LIST, nullptr, 0);
    m_broadcasts.push_back({true, device.InterfacePath()});
    return {true, "plugged " + words[1] + "\n"};
}

SimCommandResult ZephraSim::Unplug(const std::vector<std::string>& words)
{
    if (words.size() != 2)
        return Usage("unplug");
    SimDevice* device = FindDevice(words[1]);
    if (device == nullptr)
        return NoDevice(words[1]);
    // The device list changes: the control panel rebuilds its pages on the server's 3030,
    // so a device that takes over streaming needs no 3040 of its own.
    m_broadcasts.push_back({false, device->InterfacePath()});
    bool wasStreaming = device->idFirst == m_streamingFirst && device->idSecond == m_streamingSecond;
    m_devices.erase(m_devices.begin() + (device - m_devices.data()));
    if (wasStreaming) {
        m_streamingFirst = m_devices.empty() ? 0 : m_devices.front().idFirst;
        m_streamingSecond = m_devices.empty() ? 0 : m_devices.front().idSecond;
    }
    QueueNotificationLocked(ZEPHRA_CLIENT_SERVER, ZEPHRA_NOTIFY_DEVICE_LIST, nullptr, 0);
    return {true, "unplugged " + words[1] + "\n"};
}

SimCommandResult ZephraSim::Notify(const std::vector<std::string>& words)
{
    std::vector<uint32_t> values;
    if (words.size() < 2 || !ParseU32Words(words, 1, &values))
        return Usage("notify");
    if ((values.size() - 1) * 4 > ZEPHRA_MSG_MAX_PAYLOAD)
        return {false, "payload over 512 bytes\n"};
    QueueNotificationLocked(-1, values[0], values.data() + 1, static_cast<uint32_t>((values.size() - 1) * 4));
    return {true, "queued " + words[1] + "\n"};
}

SimCommandResult ZephraSim::EngineCommand(const std::vector<std::string>& words)
{
    std::vector<uint32_t> values;
    if (!ParseU32Words(words, 1, &values))
        return Usage(words[0]);
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
        return Usage("model");
    SimDevice* device = FindDevice(words[1]);
    if (device == nullptr)
        return NoDevice(words[1]);
    if (!MakeMixer(words[2], &device->mixer))
        return {false, "unknown model: " + words[2] + "\n"};
    ZephraDeviceId id = {device->idFirst, device->idSecond};
    QueueNotificationLocked(-1, ZEPHRA_NOTIFY_MIXER_PINS_CHANGED, &id, sizeof(id));
    return {true, words[1] + " is now " + words[2] + "\n"};
}

SimCommandResult ZephraSim::Port(const std::vector<std::string>& words)
{
    if (words.size() != 3 || (words[2] != "high" && words[2] != "usb11"))
        return Usage("port");
    SimDevice* device = FindDevice(words[1]);
    if (device == nullptr)
        return NoDevice(words[1]);
    bool highSpeed = words[2] == "high";
    if (device->highSpeed != highSpeed) {
        device->highSpeed = highSpeed;
        NotifyDeviceState(*device);
    }
    return {true, words[1] + " on a " + (highSpeed ? "high-speed" : "USB 1.1") + " port\n"};
}

// A user changes a playback endpoint's volume in Windows: the server hears of it by
// notification 3060 (value kind 2, the endpoint index).
SimCommandResult ZephraSim::WindowsVolume(const std::vector<std::string>& words)
{
    uint32_t index = 0;
    int32_t volume = 0;
    bool muted = words.size() == 5 && words[4] == "mute";
    if ((words.size() != 4 && !muted) || !ParseU32(words[2], &index) || !SimWdm::ParseDecibels(words[3], &volume))
        return Usage("winvol");
    SimDevice* device = FindDevice(words[1]);
    if (device == nullptr)
        return NoDevice(words[1]);
    if (!device->wdm.SetWindowsVolume(index, volume, muted))
        return {false, "no playback endpoint " + words[2] + "\n"};
    const uint32_t kVolumeChanged = 2;
    uint32_t value[4] = {device->idFirst, device->idSecond, kVolumeChanged, index};
    QueueNotificationLocked(ZEPHRA_CLIENT_SERVER, ZEPHRA_NOTIFY_DEVICE_VALUE, value, sizeof(value));
    return {true, "volume of " + words[1] + " endpoint " + words[2] + " set\n"};
}

SimCommandResult ZephraSim::Version(const std::vector<std::string>& words)
{
    uint32_t driver[3] = {};
    uint32_t interfaceVersion[2] = {m_version.interfaceMajor, m_version.interfaceMinor};
    bool debug = false;
    if (words.size() < 2 || !ParseDotted(words[1], 3, driver))
        return Usage("version");
    size_t i = 2;
    if (i < words.size() && (words[i] == "debug" || words[i] == "release"))
        debug = words[i++] == "debug";
    if (i < words.size() && words[i] == "interface") {
        if (i + 1 >= words.size() || !ParseDotted(words[i + 1], 2, interfaceVersion))
            return Usage("version");
        i += 2;
    }
    if (i != words.size())
        return Usage("version");
    m_version = {interfaceVersion[0], interfaceVersion[1], driver[0], driver[1], driver[2],
                 debug ? uint32_t(ZEPHRA_BUILD_FLAG_DEBUG) : 0u};
    return {true, "version set\n"};
}

SimCommandResult ZephraSim::Rates(const std::vector<std::string>& words)
{
    std::vector<uint32_t> rates;
    if (words.size() < 2 || !ParseU32Words(words, 1, &rates))
        return Usage("rates");
    std::string error;
    if (!m_engine.SetRates(rates, &error))
        return {false, error};
    return {true, "rates set\n"};
}

// Behind the service's back, as an ASIO host may: the control panel hears of it by 3001.
SimCommandResult ZephraSim::Host(const std::vector<std::string>& words)
{
    std::vector<uint32_t> values;
    bool rate = words.size() == 3 && words[1] == "rate";
    bool buffers = words.size() == 4 && words[1] == "buffers";
    if ((!rate && !buffers) || !ParseU32Words(words, 2, &values))
        return Usage("host");
    std::string error;
    bool done = rate ? m_engine.HostSetRate(values[0], &error) : m_engine.HostSetBuffers(values[0], values[1], &error);
    if (!done)
        return {false, error};
    QueueNotificationLocked(ZEPHRA_CLIENT_MAIN, ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED_BY_DRIVER, nullptr, 0);
    return {true, std::string("host changed the ") + (rate ? "rate" : "buffer settings") + "\n"};
}

SimCommandResult ZephraSim::Fail(const std::vector<std::string>& words)
{
    if (words.size() == 2 && words[1] == "clear") {
        m_failures.clear();
        return {true, "failures cleared\n"};
    }
    FailureRule rule = {0, 0, std::wstring(), false, {{0, 0}}, false};
    if (words.size() < 3)
        return Usage("fail");
    if (!ParseRequest(words[1], &rule.code))
        return {false, "not a request code or name: " + words[1] + "\n"};
    if (!ParseStatus(words[2], &rule.status) || rule.status == 0)
        return {false, "not a failure status: " + words[2] + "\n"};
    for (size_t i = 3; i < words.size(); ++i) {
        if (words[i] == "once") {
            rule.once = true;
        } else if (words[i] == "key") {
            uint32_t key[2] = {};
            size_t colon = i + 1 < words.size() ? words[i + 1].find(':') : std::string::npos;
            if (colon == std::string::npos || !ParseU32(words[i + 1].substr(0, colon), &key[0]) ||
                !ParseU32(words[i + 1].substr(colon + 1), &key[1]))
                return Usage("fail");
            if (rule.code != IOCTL_ZEPHRA_GET_CHANNEL_INFO)
                return {false, "a key applies to IOCTL_ZEPHRA_GET_CHANNEL_INFO only\n"};
            rule.keyed = true;
            rule.key.words[0] = key[0];
            rule.key.words[1] = key[1];
            ++i;
        } else if (rule.serial.empty()) {
            if (!IsDeviceRequest(rule.code))
                return {false, "a serial number applies to device requests only\n"};
            if (words[i].size() >= ZEPHRA_SERIAL_CHARS)
                return {false, "serial number too long\n"};
            rule.serial = Widen(words[i]);
        } else {
            return Usage("fail");
        }
    }
    SetFailure(rule);
    return {true, std::string(ZephraFindRequest(rule.code)->name) + " fails with " + ZephraStatusName(rule.status) +
                      "\n"};
}

SimCommandResult ZephraSim::Reply(const std::vector<std::string>& words)
{
    uint32_t code = 0;
    if (words.size() != 3 || words[2] != "short")
        return Usage("reply");
    if (!ParseRequest(words[1], &code))
        return {false, "not a request code or name: " + words[1] + "\n"};
    if (ZephraFindRequest(code)->out.maxSize == 0)
        return {false, "that request returns no bytes\n"};
    m_shortReplies.insert(code);
    return {true, std::string("next reply to ") + ZephraFindRequest(code)->name + " is short\n"};
}

SimCommandResult ZephraSim::Pins(const std::vector<std::string>& words)
{
    uint32_t pinClass = 0;
    if (words.size() < 3 || !ParseU32(words[2], &pinClass) || pinClass >= ZEPHRA_PIN_CLASS_COUNT)
        return Usage("pins");
    if (words.size() - 3 > kMaxPinsPerClass)
        return {false, "at most 64 pins\n"};
    std::vector<ZephraMixerPin> pins;
    for (size_t i = 3; i < words.size(); ++i) {
        ZephraMixerPin pin;
        bool hasChannel = false;
        if (!ParsePin(words[i], &pin, &hasChannel))
            return {false, "not a pin (TYPE or TYPE:CHANNEL, 0..255): " + words[i] + "\n"};
        if (!hasChannel) {
            // Numbered on from the pins of the same type before it.
            for (const ZephraMixerPin& earlier : pins)
                pin.channel = static_cast<uint8_t>(pin.channel + (earlier.type == pin.type));
        }
        for (const ZephraMixerPin& earlier : pins) {
            if (ZephraSamePin(earlier, pin))
                return {false, "pin given twice: " + words[i] + "\n"};
        }
        pins.push_back(pin);
    }
    SimDevice* device = FindDevice(words[1]);
    if (device == nullptr)
        return NoDevice(words[1]);
    device->mixer.SetPins(static_cast<ZephraPinClass>(pinClass), pins);
    ZephraDeviceId id = {device->idFirst, device->idSecond};
    QueueNotificationLocked(-1, ZEPHRA_NOTIFY_MIXER_PINS_CHANGED, &id, sizeof(id));
    return {true, std::to_string(pins.size()) + " pins of class " + words[2] + "\n"};
}

SimCommandResult ZephraSim::Echo(const std::vector<std::string>& words)
{
    std::vector<uint32_t> values;
    bool off = words.size() == 3 && words[2] == "off";
    if (!off && (words.size() != 4 || !ParseU32Words(words, 2, &values)))
        return Usage("echo");
    if (!off && (values[0] > ZEPHRA_PLUGIN_MAX_ENTRIES || values[1] > kMaxEchoDelay))
        return {false, "0 to 64 channels, a maximum delay of 0 to 60000 ms\n"};
    SimDevice* device = FindDevice(words[1]);
    if (device == nullptr)
        return NoDevice(words[1]);
    device->echo = !off;
    if (!off)
        device->mixer.SetEcho(values[0], values[1]);
    return {true, "echo of " + words[1] + (off ? " off\n" : " set\n")};
}

SimCommandResult ZephraSim::Levels(const std::vector<std::string>& words)
{
    int16_t level = 0;
    bool moving = words.size() == 3 && words[2] == "moving";
    if (words.size() != 3 || (!moving && !ParseHundredths(words[2], &level)))
        return Usage("levels");
    SimDevice* device = FindDevice(words[1]);
    if (device == nullptr)
        return NoDevice(words[1]);
    if (moving)
        device->mixer.ReleaseLevels();
    else
        device->mixer.HoldLevels(level);
    return {true, "levels of " + words[1] + (moving ? " move\n" : " held\n")};
}

SimCommandResult ZephraSim::Server(const std::vector<std::string>& words)
{
    if (words.size() != 2 || (words[1] != "hold" && words[1] != "release"))
        return Usage("server");
    Connection* server = ServerConnection();
    if (words[1] == "hold") {
        if (server != nullptr)
            return {false, server->held ? "already held\n" : "a server is connected\n"};
        Connection held;
        held.id = m_nextConnection++;
        held.processId = GetCurrentProcessId();
        held.clientType = static_cast<int32_t>(ZEPHRA_CLIENT_SERVER);
        held.held = true;
        m_connections[held.id] = held;
        return {true, "server held\n"};
    }
    if (server == nullptr || !server->held)
        return {false, "the simulator holds no server\n"};
    size_t dropped = server->messages.size();
    uint32_t id = server->id;
    Release(*server);
    m_connections.erase(id);
    return {true, "server released, " + std::to_string(dropped) + " requests dropped\n"};
}

std::vector<std::pair<ZephraDeviceId, bool>> ZephraSim::StreamingFlags() const
{
    std::vector<std::pair<ZephraDeviceId, bool>> flags;
    for (const SimDevice& device : m_devices)
        flags.push_back({{device.idFirst, device.idSecond}, m_engine.IsStreamingDevice(device)});
    return flags;
}

void ZephraSim::NotifyStreamingChanges(const std::vector<std::pair<ZephraDeviceId, bool>>& before)
{
    for (const SimDevice& device : m_devices) {
        for (const auto& old : before) {
            if (old.first.idFirst == device.idFirst && old.first.idSecond == device.idSecond &&
                old.second != m_engine.IsStreamingDevice(device))
                NotifyDeviceState(device);
        }
    }
}

void ZephraSim::NotifyDeviceState(const SimDevice& device, uint32_t skip)
{
    ZephraDeviceId id = {device.idFirst, device.idSecond};
    QueueNotificationLocked(ZEPHRA_CLIENT_MAIN, ZEPHRA_NOTIFY_DEVICE_STATE, &id, sizeof(id), skip);
}

SimCommandResult ZephraSim::Execute(const std::string& line)
{
    std::vector<std::string> words = SplitWords(line);
    if (words.empty())
        return {false, "empty command; 'help' lists the commands\n"};
    const CommandInfo* command = FindCommand(words[0]);
    if (command == nullptr)
        return {false, "unknown command: " + words[0] + "; 'help' lists the commands\n"};
    SimCommandResult result;
    std::vector<std::pair<bool, std::wstring>> broadcasts;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        result = (this->*command->run)(words);
        broadcasts.swap(m_broadcasts);
    }
    // Outside the lock: windows of this very process may answer with requests.
    for (const auto& broadcast : broadcasts)
        SimBroadcastDeviceChange(broadcast.first, broadcast.second);
    return result;
}
