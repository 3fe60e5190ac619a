#include "SimHostile.h"
#include <cstring>
#include "ZephraBytes.h"
#include "ZephraIoctl.h"

namespace {

const uint32_t kResponseHeader = 8;
const size_t kHostileDevices = 3;

// Failures a driver or its transport may answer with.
const ZephraStatus kFailures[] = {ZEPHRA_STATUS_INTERNAL_ERROR, ZEPHRA_STATUS_NO_RESOURCES, ZEPHRA_STATUS_FAILED,
                                  ZEPHRA_STATUS_INVALID_LENGTH, ERROR_GEN_FAILURE, ERROR_OPERATION_ABORTED};

// Notifications the server acts on, and one it does not know.
const uint32_t kNotifications[] = {ZEPHRA_NOTIFY_STREAM_DEMAND,        ZEPHRA_NOTIFY_STREAM_RELEASE,
                                   ZEPHRA_NOTIFY_DEVICE_LIST,          ZEPHRA_NOTIFY_STREAM_RESUME,
                                   ZEPHRA_NOTIFY_DEVICE_STREAM_DEMAND, ZEPHRA_NOTIFY_DEVICE_STREAM_RELEASE,
                                   ZEPHRA_NOTIFY_DEVICE_LIST_QUERY,    ZEPHRA_NOTIFY_IGNORED,
                                   ZEPHRA_NOTIFY_MIXER_GAINS_CHANGED,  ZEPHRA_NOTIFY_DEVICE_VALUE,
                                   4242};

// What the control panel acts on, and one it does not know.
const uint32_t kPanelNotifications[] = {ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED_BY_DRIVER,
                                        ZEPHRA_NOTIFY_STREAMING_RECONFIGURED,
                                        ZEPHRA_NOTIFY_SAMPLE_RATE_CHANGED,
                                        ZEPHRA_NOTIFY_DEVICE_LIST_CHANGED,
                                        ZEPHRA_NOTIFY_DEVICE_STATE,
                                        ZEPHRA_NOTIFY_MIXER_PINS_CHANGED,
                                        ZEPHRA_NOTIFY_MIXER_GAINS_CHANGED,
                                        ZEPHRA_NOTIFY_MIXER_WEIGHTS_CHANGED,
                                        4242};

// Records with a count word, and where it is.
struct CountWord
{
    uint32_t code;
    uint32_t offset;
};
const CountWord kCountWords[] = {{IOCTL_ZEPHRA_GET_DEVICE_LIST, 0},
                                 {IOCTL_ZEPHRA_GET_INPUT_CHANNELS, 0},
                                 {IOCTL_ZEPHRA_GET_OUTPUT_CHANNELS, 0},
                                 {IOCTL_ZEPHRA_GET_SAMPLE_RATES, 0},
                                 {IOCTL_ZEPHRA_PLUGIN_GET, 4}};

// The requests by which a connection opens: left alone, a connection that never opens
// tests nothing.
bool IsOpening(uint32_t code)
{
    return code == IOCTL_ZEPHRA_GET_VERSION || code == IOCTL_ZEPHRA_SET_EVENTS ||
           code == IOCTL_ZEPHRA_SET_CLIENT_TYPE || code == IOCTL_ZEPHRA_SELECT_DEVICE;
}

bool IsRecordRead(uint32_t code)
{
    return code == IOCTL_ZEPHRA_GET_MESSAGE || code == IOCTL_ZEPHRA_GET_NOTIFICATION;
}

} // namespace

std::vector<uint8_t> SimResponseFrame(ZephraStatus status, const void* data, uint32_t size)
{
    std::vector<uint8_t> frame(kResponseHeader + size);
    ZephraPutU32(frame.data(), status);
    ZephraPutU32(frame.data() + 4, size);
    if (size != 0)
        memcpy(frame.data() + kResponseHeader, data, size);
    return frame;
}

SimHostile::SimHostile(ZephraSim* sim, uint32_t seed, int32_t targetType, uint32_t percent)
    : m_sim(sim), m_target(targetType), m_percent(percent > 100 ? 100 : percent), m_random(seed)
{
}

SimHostile::~SimHostile()
{
    Detach();
}

void SimHostile::TargetControlPanel()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_panel = true;
    m_target = ZEPHRA_CLIENT_MAIN;
}

void SimHostile::UnplugAll()
{
    std::vector<std::string> plugged;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        plugged.swap(m_plugged);
    }
    for (const std::string& serial : plugged)
        m_sim->Execute("unplug " + serial);
}

void SimHostile::Attach()
{
    m_sim->SetInterceptor([this](int32_t clientType, uint32_t code, uint32_t outSize, std::vector<uint8_t>* reply) {
        return Intercept(clientType, code, outSize, reply);
    });
}

void SimHostile::Detach()
{
    m_sim->SetInterceptor(ZephraSim::Interceptor());
}

uint32_t SimHostile::Next(uint32_t bound)
{
    return bound == 0 ? 0 : static_cast<uint32_t>(m_random() % bound);
}

SimHostileCounts SimHostile::Counts() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_counts;
}

bool SimHostile::IsTarget(int32_t clientType, uint32_t code) const
{
    // The open sequence (before the client type is set) is left alone. The control panel's
    // device connections never declare a type.
    if (!m_panel)
        return clientType == m_target;
    if (clientType < 0)
        return !IsOpening(code);
    return clientType == ZEPHRA_CLIENT_MAIN || clientType == ZEPHRA_CLIENT_OBSERVER ||
           clientType == ZEPHRA_CLIENT_OBSERVER_2;
}

bool SimHostile::Intercept(int32_t clientType, uint32_t code, uint32_t outSize, std::vector<uint8_t>* reply)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!IsTarget(clientType, code))
        return false;
    // A send is always served: answering it here would drop the record the target sent, and
    // a reply lost that way is the driver's doing. The control panel's gets a bad reply
    // queued before the service's instead.
    if (code == IOCTL_ZEPHRA_SEND_MESSAGE && (!m_panel || clientType != ZEPHRA_CLIENT_MAIN))
        return false;
    if (Next(100) >= m_percent) {
        ++m_counts.passed;
        return false;
    }
    if (m_panel && (code == IOCTL_ZEPHRA_SEND_MESSAGE || Next(3) == 0) && PanelCorruption(code, outSize, reply))
        return !reply->empty();
    std::vector<uint8_t> bytes(outSize);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(Next(256));
    switch (Next(IsRecordRead(code) ? 6 : 5)) {
    case 0:
        ++m_counts.failed;
        *reply = SimResponseFrame(kFailures[Next(sizeof(kFailures) / sizeof(kFailures[0]))], nullptr, 0);
        break;
    case 1:
        ++m_counts.cut;
        *reply = SimResponseFrame(0, bytes.data(), outSize == 0 ? 0 : Next(outSize));
        break;
    case 2: {
        // A device list of random records is no corruption anyone could notice: cut it instead.
        if (code == IOCTL_ZEPHRA_GET_DEVICE_LIST) {
            ++m_counts.cut;
            *reply = SimResponseFrame(0, bytes.data(), Next(outSize));
            break;
        }
        ++m_counts.garbage;
        if (IsRecordRead(code) && outSize >= ZEPHRA_MSG_HEADER_SIZE && Next(2) == 0) {
            // A header that claims more payload than it carries, or a wrong header size.
            ZephraPutU32(bytes.data(), Next(2) == 0 ? ZEPHRA_MSG_HEADER_SIZE : Next(64));
            ZephraPutU32(bytes.data() + 4, Next(2) == 0 ? ZEPHRA_MSG_MAX_PAYLOAD + 1 + Next(1000) : Next(512));
            uint32_t size = ZEPHRA_MSG_HEADER_SIZE + Next(outSize - ZEPHRA_MSG_HEADER_SIZE + 1);
            *reply = SimResponseFrame(0, bytes.data(), size);
        } else {
            *reply = SimResponseFrame(0, bytes.data(), outSize);
        }
        break;
    }
    case 3:
        ++m_counts.oversized;
        bytes.resize(outSize + 1 + Next(600));
        *reply = SimResponseFrame(0, bytes.data(), static_cast<uint32_t>(bytes.size()));
        break;
    case 4:
        ++m_counts.mismatched;
        *reply = SimResponseFrame(0, bytes.data(), outSize == 0 ? 0 : Next(outSize));
        ZephraPutU32(reply->data() + 4, outSize + 1 + Next(100));
        break;
    default: {
        // A well-formed record that is not a request and never leaves the queue.
        ++m_counts.endless;
        ZephraMessage record;
        record.Init(Next(2) == 0 ? ZEPHRA_MSG_KIND_REPLY : ZEPHRA_MSG_KIND_NOTIFICATION, ZEPHRA_NOTIFY_IGNORED);
        *reply = SimResponseFrame(0, &record, record.WireSize());
        break;
    }
    }
    return true;
}

bool SimHostile::PanelCorruption(uint32_t code, uint32_t outSize, std::vector<uint8_t>* reply)
{
    reply->clear();
    if (code == IOCTL_ZEPHRA_SEND_MESSAGE) {
        ZephraMessage record;
        record.Init(ZEPHRA_MSG_KIND_REPLY, ZEPHRA_MSG_REPLY);
        record.correlation[0] = m_random(); // another request's, most likely
        record.status = m_random();
        switch (Next(3)) {
        case 0:
            record.headerSize = Next(2) == 0 ? Next(ZEPHRA_MSG_HEADER_SIZE) : ZEPHRA_MSG_HEADER_SIZE + 1 + Next(64);
            break;
        case 1:
            record.payloadLength = ZEPHRA_MSG_MAX_PAYLOAD + 1 + Next(100000);
            break;
        default:
            break; // well-formed, with a foreign sequence number
        }
        ++m_counts.badReplies;
        m_sim->QueueRecord(ZEPHRA_CLIENT_MAIN, false, record);
        return true; // served as usual after the bad one
    }
    for (const CountWord& word : kCountWords) {
        if (word.code == code && Next(2) == 0) {
            ++m_counts.overcounted;
            m_sim->SetNextReplyWord(code, word.offset, Next(2) == 0 ? 0xFFFFFFFFu : 65 + Next(100000));
            return true;
        }
    }
    if (code == IOCTL_ZEPHRA_GET_MESSAGE || code == IOCTL_ZEPHRA_GET_NOTIFICATION)
        return false; // a record of non-zero bytes is random bytes, done below
    ++m_counts.unterminated;
    std::vector<uint8_t> bytes(outSize, static_cast<uint8_t>(1 + Next(255)));
    *reply = SimResponseFrame(0, bytes.data(), outSize);
    return true;
}

uint32_t SimHostile::PanelNotification(uint32_t* code, uint32_t* payload)
{
    *code = kPanelNotifications[Next(sizeof(kPanelNotifications) / sizeof(kPanelNotifications[0]))];
    std::vector<SimDevice> devices = m_sim->Devices();
    switch (Next(4)) {
    case 0:
        return 0;
    case 1:
        if (!devices.empty()) {
            const SimDevice& device = devices[Next(static_cast<uint32_t>(devices.size()))];
            payload[0] = device.idFirst;
            payload[1] = device.idSecond;
            return 8;
        }
        [[fallthrough]]; // no device to name
    case 2:
        payload[0] = Next(2) == 0 ? m_random() : Next(8);
        payload[1] = Next(2) == 0 ? m_random() : Next(8);
        return 8;
    default:
        for (uint32_t i = 0; i < 4; ++i)
            payload[i] = m_random();
        return 1 + Next(16); // a payload of the wrong length
    }
}

bool SimHostile::Tick()
{
    uint32_t words[4] = {};
    uint32_t count = 0; // bytes
    uint32_t code = 0;
    std::string command;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (Next(4) != 0) {
            if (m_panel) {
                count = PanelNotification(&code, words);
            } else {
                code = kNotifications[Next(sizeof(kNotifications) / sizeof(kNotifications[0]))];
                count = Next(5);
                for (uint32_t i = 0; i < count; ++i)
                    words[i] = Next(4) == 0 ? m_random() : Next(8);
                count *= 4;
            }
            ++m_counts.notifications;
        } else {
            std::string serial = "HX" + std::to_string(Next(kHostileDevices));
            bool present = false;
            for (auto it = m_plugged.begin(); it != m_plugged.end(); ++it) {
                if (*it == serial) {
                    m_plugged.erase(it);
                    present = true;
                    break;
                }
            }
            if (!present)
                m_plugged.push_back(serial);
            command = (present ? "unplug " : "plug ") + serial;
            ++m_counts.deviceChanges;
        }
    }
    if (command.empty()) {
        m_sim->QueueNotification(m_target, code, words, count);
        return false;
    }
    m_sim->Execute(command);
    return command[0] == 'p';
}
