#include "SimMixer.h"
#include <cmath>
#include <cstdio>
#include <cstring>
#include "ZephraIoctl.h"
#include "ZephraMessage.h"

namespace {

const double kPi = 3.14159265358979323846;
const int16_t kSilence = -9600; // the meters' floor: below the converters' noise
const int16_t kTopLevel = 1200; // clipped sums read at most +12 dB
const uint32_t kDefaultEchoDelay = 120;

struct Layout
{
    const char* name;
    uint8_t analogOut, spdifOut, virtualIn;
    uint8_t analogIn, spdifIn, monoIn; // a mono input is listed last, after the pairs
    uint8_t playback, playbackSpdif;
    uint32_t echoMaxDelay;
};

// In the order of SimMixerModel.
const Layout kLayouts[] = {
    {"compact", 4, 2, 2, 2, 2, 1, 4, 2, 250},
    {"studio", 16, 2, 8, 16, 2, 0, 16, 2, 500},
};

static_assert(sizeof(kLayouts) / sizeof(kLayouts[0]) == static_cast<size_t>(SimMixerModel::Studio) + 1,
              "one layout per model");

const Layout& LayoutOf(SimMixerModel model)
{
    return kLayouts[static_cast<int>(model)];
}

void AddPins(std::vector<ZephraMixerPin>* pins, uint8_t type, uint8_t first, uint8_t count)
{
    for (uint8_t i = 0; i < count; ++i)
        pins->push_back({type, static_cast<uint8_t>(first + i), 0});
}

uint32_t Scramble(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

double Amplitude(double hundredths)
{
    return std::pow(10.0, hundredths / 2000.0);
}

int16_t LevelOf(double amplitude)
{
    if (amplitude <= 0.0)
        return kSilence;
    double level = 2000.0 * std::log10(amplitude);
    if (level < kSilence)
        return kSilence;
    if (level > kTopLevel)
        return kTopLevel;
    return static_cast<int16_t>(std::lround(level));
}

template <typename T>
T EntryAt(const uint8_t* buffer, uint32_t index)
{
    T entry;
    memcpy(&entry, buffer + index * sizeof(T), sizeof(T));
    return entry;
}

template <typename T>
void PutEntry(uint8_t* buffer, uint32_t index, const T& entry)
{
    memcpy(buffer + index * sizeof(T), &entry, sizeof(T));
}

} // namespace

SimMixer::SimMixer(SimMixerModel model) : m_model(model)
{
    const Layout& layout = LayoutOf(model);
    std::vector<ZephraMixerPin>& outputs = m_pins[ZEPHRA_PIN_CLASS_OUTPUTS];
    AddPins(&outputs, ZEPHRA_PIN_ANALOG, 0, layout.analogOut);
    AddPins(&outputs, ZEPHRA_PIN_SPDIF, 0, layout.spdifOut);
    AddPins(&outputs, ZEPHRA_PIN_VIRTUAL, 0, layout.virtualIn);
    std::vector<ZephraMixerPin>& inputs = m_pins[ZEPHRA_PIN_CLASS_HARDWARE_INPUTS];
    AddPins(&inputs, ZEPHRA_PIN_ANALOG, 0, layout.analogIn);
    AddPins(&inputs, ZEPHRA_PIN_SPDIF, 0, layout.spdifIn);
    AddPins(&inputs, ZEPHRA_PIN_ANALOG, layout.analogIn, layout.monoIn);
    std::vector<ZephraMixerPin>& playback = m_pins[ZEPHRA_PIN_CLASS_SOFTWARE_OUTPUTS];
    AddPins(&playback, ZEPHRA_PIN_PLAYBACK, 0, layout.playback);
    AddPins(&playback, ZEPHRA_PIN_PLAYBACK_SPDIF, 0, layout.playbackSpdif);

    m_gains.resize(outputs.size());
    m_weights.resize(outputs.size() * SourceCount());
    // Out of the box every playback channel reaches the hardware output of its number.
    for (size_t d = 0; d < outputs.size(); ++d) {
        for (size_t s = 0; s < SourceCount(); ++s) {
            const ZephraMixerPin& source = SourcePin(s);
            const ZephraMixerPin& destination = outputs[d];
            bool routed = destination.channel == source.channel &&
                          ((source.type == ZEPHRA_PIN_PLAYBACK && destination.type == ZEPHRA_PIN_ANALOG) ||
                           (source.type == ZEPHRA_PIN_PLAYBACK_SPDIF && destination.type == ZEPHRA_PIN_SPDIF));
            m_weights[d * SourceCount() + s].connected = routed;
        }
    }

    m_echoMaxDelay = layout.echoMaxDelay;
    size_t echoChannels = layout.analogOut + layout.spdifOut;
    m_echoDelay.assign(echoChannels, kDefaultEchoDelay);
    m_echoAmplification.assign(echoChannels, 0);
}

bool SimMixer::ParseModel(const std::string& name, SimMixerModel* model)
{
    for (size_t i = 0; i < sizeof(kLayouts) / sizeof(kLayouts[0]); ++i) {
        if (name == kLayouts[i].name) {
            *model = static_cast<SimMixerModel>(i);
            return true;
        }
    }
    return false;
}

const char* SimMixer::ModelName(SimMixerModel model)
{
    return LayoutOf(model).name;
}

std::string SimMixer::ModelNames()
{
    std::string names;
    for (const Layout& layout : kLayouts)
        names += (names.empty() ? "" : "|") + std::string(layout.name);
    return names;
}

bool SimMixer::Serves(uint32_t code)
{
    switch (code) {
    case IOCTL_ZEPHRA_MIXER_GET_PINS:
    case IOCTL_ZEPHRA_MIXER_GET_INPUT_LEVELS:
    case IOCTL_ZEPHRA_MIXER_GET_OUTPUT_LEVELS:
    case IOCTL_ZEPHRA_MIXER_GET_OUTPUT_GAINS:
    case IOCTL_ZEPHRA_MIXER_SET_OUTPUT_GAINS:
    case IOCTL_ZEPHRA_MIXER_GET_WEIGHTS:
    case IOCTL_ZEPHRA_MIXER_SET_WEIGHTS:
    case IOCTL_ZEPHRA_SET_VOLUME_BYPASS:
    case IOCTL_ZEPHRA_GET_VOLUME_BYPASS:
    case IOCTL_ZEPHRA_PLUGIN_SET:
    case IOCTL_ZEPHRA_PLUGIN_GET:
        return true;
    default:
        return false;
    }
}

ZephraStatus SimMixer::Serve(uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize,
                             uint32_t* returned, bool echo, uint32_t nowMs, uint32_t* change)
{
    *change = 0;
    switch (code) {
    case IOCTL_ZEPHRA_MIXER_GET_PINS:
        return GetPins(in, out, outSize, returned);
    case IOCTL_ZEPHRA_SET_VOLUME_BYPASS:
        if (in[0] > 1)
            return ZEPHRA_STATUS_INVALID_PARAMETER;
        if (m_bypass != (in[0] == 1))
            *change = ZEPHRA_NOTIFY_DEVICE_STATE; // the device page shows the switch
        m_bypass = in[0] == 1;
        return 0;
    case IOCTL_ZEPHRA_GET_VOLUME_BYPASS:
        out[0] = m_bypass ? 1 : 0;
        *returned = 1;
        return 0;
    case IOCTL_ZEPHRA_PLUGIN_SET:
        return echo ? SetPlugin(in) : ZEPHRA_STATUS_NOT_SUPPORTED;
    case IOCTL_ZEPHRA_PLUGIN_GET:
        if (!echo)
            return ZEPHRA_STATUS_NOT_SUPPORTED;
        *returned = sizeof(ZephraPluginRecord);
        return GetPlugin(in, out);
    default:
        break;
    }

    // The entry requests answer in place: the reply is the request's entries, filled in.
    if (outSize != inSize)
        return ZEPHRA_STATUS_INVALID_OUTBUFFER_SIZE;
    if (inSize != 0)
        memcpy(out, in, inSize);
    *returned = outSize;
    bool changed = false;
    ZephraStatus status;
    switch (code) {
    case IOCTL_ZEPHRA_MIXER_GET_INPUT_LEVELS:
        return GetLevels(false, inSize / sizeof(ZephraMixerLevel), out, echo, nowMs);
    case IOCTL_ZEPHRA_MIXER_GET_OUTPUT_LEVELS:
        return GetLevels(true, inSize / sizeof(ZephraMixerLevel), out, echo, nowMs);
    case IOCTL_ZEPHRA_MIXER_GET_OUTPUT_GAINS:
        return GetGains(inSize / sizeof(ZephraMixerGain), out);
    case IOCTL_ZEPHRA_MIXER_GET_WEIGHTS:
        return GetWeights(inSize / sizeof(ZephraMixerWeight), out);
    case IOCTL_ZEPHRA_MIXER_SET_OUTPUT_GAINS:
        status = SetGains(inSize / sizeof(ZephraMixerGain), out, &changed);
        if (changed)
            *change = ZEPHRA_NOTIFY_MIXER_GAINS_CHANGED;
        return status;
    case IOCTL_ZEPHRA_MIXER_SET_WEIGHTS:
        status = SetWeights(inSize / sizeof(ZephraMixerWeight), out, &changed);
        if (changed)
            *change = ZEPHRA_NOTIFY_MIXER_WEIGHTS_CHANGED;
        return status;
    default:
        return ZEPHRA_STATUS_INVALID_IOCTL;
    }
}

void SimMixer::SetPins(ZephraPinClass pinClass, const std::vector<ZephraMixerPin>& pins)
{
    const std::vector<ZephraMixerPin> oldDestinations = m_pins[ZEPHRA_PIN_CLASS_OUTPUTS];
    std::vector<ZephraMixerPin> oldSources;
    for (size_t s = 0; s < SourceCount(); ++s)
        oldSources.push_back(SourcePin(s));
    const std::vector<Gain> oldGains = m_gains;
    const std::vector<Weight> oldWeights = m_weights;
    auto indexIn = [](const std::vector<ZephraMixerPin>& list, const ZephraMixerPin& pin) {
        for (size_t i = 0; i < list.size(); ++i) {
            if (ZephraSamePin(list[i], pin))
                return static_cast<int>(i);
        }
        return -1;
    };

    m_pins[pinClass] = pins;
    const std::vector<ZephraMixerPin>& destinations = m_pins[ZEPHRA_PIN_CLASS_OUTPUTS];
    m_gains.assign(destinations.size(), Gain());
    m_weights.assign(destinations.size() * SourceCount(), Weight());
    for (size_t d = 0; d < destinations.size(); ++d) {
        int oldD = indexIn(oldDestinations, destinations[d]);
        if (oldD < 0)
            continue;
        m_gains[d] = oldGains[oldD];
        for (size_t s = 0; s < SourceCount(); ++s) {
            int oldS = indexIn(oldSources, SourcePin(s));
            if (oldS >= 0)
                m_weights[d * SourceCount() + s] = oldWeights[oldD * oldSources.size() + oldS];
        }
    }
}

void SimMixer::SetEcho(uint32_t channels, uint32_t maxDelay)
{
    m_echoMaxDelay = maxDelay;
    m_echoDelay.resize(channels, kDefaultEchoDelay < maxDelay ? kDefaultEchoDelay : maxDelay);
    m_echoAmplification.resize(channels, 0);
    for (uint32_t& delay : m_echoDelay) {
        if (delay > maxDelay)
            delay = maxDelay;
    }
}

void SimMixer::HoldLevels(int16_t level)
{
    m_levelsHeld = true;
    m_heldLevel = level;
}

int SimMixer::DestinationIndex(const ZephraMixerPin& pin) const
{
    const std::vector<ZephraMixerPin>& outputs = m_pins[ZEPHRA_PIN_CLASS_OUTPUTS];
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (ZephraSamePin(outputs[i], pin))
            return static_cast<int>(i);
    }
    return -1;
}

int SimMixer::SourceIndex(const ZephraMixerPin& pin) const
{
    for (size_t i = 0; i < SourceCount(); ++i) {
        if (ZephraSamePin(SourcePin(i), pin))
            return static_cast<int>(i);
    }
    return -1;
}

size_t SimMixer::SourceCount() const
{
    return m_pins[ZEPHRA_PIN_CLASS_HARDWARE_INPUTS].size() + m_pins[ZEPHRA_PIN_CLASS_SOFTWARE_OUTPUTS].size();
}

const ZephraMixerPin& SimMixer::SourcePin(size_t index) const
{
    const std::vector<ZephraMixerPin>& inputs = m_pins[ZEPHRA_PIN_CLASS_HARDWARE_INPUTS];
    if (index < inputs.size())
        return inputs[index];
    return m_pins[ZEPHRA_PIN_CLASS_SOFTWARE_OUTPUTS][index - inputs.size()];
}

int SimMixer::EchoChannel(size_t destination) const
{
    // Hardware outputs come first in the destination list; the echo channels are numbered alike.
    return destination < m_echoDelay.size() ? static_cast<int>(destination) : -1;
}

ZephraStatus SimMixer::GetPins(const uint8_t* in, uint8_t* out, uint32_t outSize, uint32_t* returned) const
{
    uint32_t pinClass;
    memcpy(&pinClass, in, sizeof(pinClass));
    if (pinClass >= ZEPHRA_PIN_CLASS_COUNT)
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    // A list longer than the caller's room is cut to it.
    const std::vector<ZephraMixerPin>& pins = m_pins[pinClass];
    size_t count = pins.size();
    if (count > outSize / sizeof(ZephraMixerPin))
        count = outSize / sizeof(ZephraMixerPin);
    if (count != 0)
        memcpy(out, pins.data(), count * sizeof(ZephraMixerPin));
    *returned = static_cast<uint32_t>(count * sizeof(ZephraMixerPin));
    return 0;
}

ZephraStatus SimMixer::GetLevels(bool destinations, uint32_t n, uint8_t* out, bool echo, uint32_t nowMs) const
{
    for (uint32_t i = 0; i < n; ++i) {
        ZephraMixerLevel entry = EntryAt<ZephraMixerLevel>(out, i);
        int index = destinations ? DestinationIndex(entry.pin) : SourceIndex(entry.pin);
        if (index < 0)
            return ZEPHRA_STATUS_INVALID_PARAMETER;
        if (m_levelsHeld)
            entry.level = m_heldLevel;
        else
            entry.level = LevelOf(destinations ? DestinationAmplitude(index, echo, nowMs) : SourceAmplitude(index, nowMs));
        entry.reserved = 0;
        PutEntry(out, i, entry);
    }
    return 0;
}

ZephraStatus SimMixer::GetGains(uint32_t n, uint8_t* out) const
{
    for (uint32_t i = 0; i < n; ++i) {
        ZephraMixerGain entry = EntryAt<ZephraMixerGain>(out, i);
        int index = DestinationIndex(entry.pin);
        if (index < 0)
            return ZEPHRA_STATUS_INVALID_PARAMETER;
        entry.reserved = 0;
        entry.flags = m_gains[index].muted ? ZEPHRA_GAIN_FLAG_MUTED : 0;
        entry.gain = m_gains[index].gain;
        PutEntry(out, i, entry);
    }
    return 0;
}

ZephraStatus SimMixer::SetGains(uint32_t n, uint8_t* out, bool* changed)
{
    // All or nothing: every pin is checked before the first entry is applied.
    for (uint32_t i = 0; i < n; ++i) {
        if (DestinationIndex(EntryAt<ZephraMixerGain>(out, i).pin) < 0)
            return ZEPHRA_STATUS_INVALID_PARAMETER;
    }
    for (uint32_t i = 0; i < n; ++i) {
        ZephraMixerGain entry = EntryAt<ZephraMixerGain>(out, i);
        Gain& gain = m_gains[DestinationIndex(entry.pin)];
        bool muted = (entry.flags & ZEPHRA_GAIN_FLAG_MUTED) != 0;
        *changed = *changed || gain.gain != entry.gain || gain.muted != muted;
        gain.gain = entry.gain;
        gain.muted = muted;
    }
    return GetGains(n, out);
}

ZephraStatus SimMixer::GetWeights(uint32_t n, uint8_t* out) const
{
    for (uint32_t i = 0; i < n; ++i) {
        ZephraMixerWeight entry = EntryAt<ZephraMixerWeight>(out, i);
        int d = DestinationIndex(entry.destination);
        int s = SourceIndex(entry.source);
        if (d < 0 || s < 0)
            return ZEPHRA_STATUS_INVALID_PARAMETER;
        const Weight& weight = m_weights[d * SourceCount() + s];
        entry.weight = weight.weight;
        entry.flags = weight.connected ? ZEPHRA_WEIGHT_FLAG_CONNECTED : 0;
        entry.reserved = 0;
        PutEntry(out, i, entry);
    }
    return 0;
}

ZephraStatus SimMixer::SetWeights(uint32_t n, uint8_t* out, bool* changed)
{
    for (uint32_t i = 0; i < n; ++i) {
        ZephraMixerWeight entry = EntryAt<ZephraMixerWeight>(out, i);
        if (DestinationIndex(entry.destination) < 0 || SourceIndex(entry.source) < 0)
            return ZEPHRA_STATUS_INVALID_PARAMETER;
    }
    for (uint32_t i = 0; i < n; ++i) {
        ZephraMixerWeight entry = EntryAt<ZephraMixerWeight>(out, i);
        Weight& weight = m_weights[DestinationIndex(entry.destination) * SourceCount() + SourceIndex(entry.source)];
        bool connected = (entry.flags & ZEPHRA_WEIGHT_FLAG_CONNECTED) != 0;
        *changed = *changed || weight.weight != entry.weight || weight.connected != connected;
        weight.weight = entry.weight;
        weight.connected = connected;
    }
    return GetWeights(n, out);
}

ZephraStatus SimMixer::GetPlugin(const uint8_t* in, uint8_t* out) const
{
    ZephraPluginRecord request;
    memcpy(&request, in, sizeof(request));
    ZephraPluginRecord reply;
    memset(&reply, 0, sizeof(reply));
    reply.parameter = request.parameter;
    switch (request.parameter) {
    case ZEPHRA_PLUGIN_CHANNEL_COUNT:
        reply.count = static_cast<uint32_t>(m_echoDelay.size());
        break;
    case ZEPHRA_PLUGIN_MAX_DELAY:
        reply.count = m_echoMaxDelay;
        break;
    case ZEPHRA_PLUGIN_DELAY:
    case ZEPHRA_PLUGIN_AMPLIFICATION: {
        if (request.count > ZEPHRA_PLUGIN_MAX_ENTRIES)
            return ZEPHRA_STATUS_INVALID_PARAMETER;
        const std::vector<uint32_t>& values =
            request.parameter == ZEPHRA_PLUGIN_DELAY ? m_echoDelay : m_echoAmplification;
        reply.count = request.count;
        for (uint32_t k = 0; k < request.count; ++k) {
            uint32_t channel = request.entries[k].channel;
            if (channel >= values.size())
                return ZEPHRA_STATUS_INVALID_PARAMETER;
            reply.entries[k] = {channel, values[channel]};
        }
        break;
    }
    default:
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    }
    memcpy(out, &reply, sizeof(reply));
    return 0;
}

ZephraStatus SimMixer::SetPlugin(const uint8_t* in)
{
    ZephraPluginRecord request;
    memcpy(&request, in, sizeof(request));
    if (request.parameter == ZEPHRA_PLUGIN_CHANNEL_COUNT || request.parameter == ZEPHRA_PLUGIN_MAX_DELAY)
        return ZEPHRA_STATUS_NOT_ALLOWED;
    if (request.parameter != ZEPHRA_PLUGIN_DELAY && request.parameter != ZEPHRA_PLUGIN_AMPLIFICATION)
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    if (request.count > ZEPHRA_PLUGIN_MAX_ENTRIES)
        return ZEPHRA_STATUS_INVALID_PARAMETER;
    bool delay = request.parameter == ZEPHRA_PLUGIN_DELAY;
    std::vector<uint32_t>& values = delay ? m_echoDelay : m_echoAmplification;
    uint32_t limit = delay ? m_echoMaxDelay : 1000;
    for (uint32_t k = 0; k < request.count; ++k) {
        if (request.entries[k].channel >= values.size() || request.entries[k].value > limit)
            return ZEPHRA_STATUS_INVALID_PARAMETER;
    }
    for (uint32_t k = 0; k < request.count; ++k)
        values[request.entries[k].channel] = request.entries[k].value;
    return 0;
}

// A music-like peak envelope per source: slow phrases, faster beats, a flicker from tick
// to tick, all a function of the time alone.
double SimMixer::SourceAmplitude(size_t source, double t) const
{
    double s = static_cast<double>(source);
    double level = -2400.0 + 900.0 * std::sin(2.0 * kPi * t / (1700.0 + 173.0 * s)) +
                   500.0 * std::sin(2.0 * kPi * t / (370.0 + 41.0 * s));
    int64_t ms = static_cast<int64_t>(std::floor(t));
    uint32_t tick = static_cast<uint32_t>(ms / 20);
    level += static_cast<double>(Scramble(tick * 2654435761U ^ static_cast<uint32_t>(source + 1) * 40503U) % 601) -
             300.0;
    int64_t beat = ((ms + 97 * static_cast<int64_t>(source)) % 480 + 480) % 480;
    if (beat < 40)
        level += 600.0;
    if (level > -50.0)
        level = -50.0;
    return Amplitude(level);
}

double SimMixer::MixAmplitude(size_t destination, double t) const
{
    double sum = 0.0;
    for (size_t s = 0; s < SourceCount(); ++s) {
        const Weight& weight = m_weights[destination * SourceCount() + s];
        if (weight.connected)
            sum += SourceAmplitude(s, t) * Amplitude(weight.weight);
    }
    return sum;
}

double SimMixer::DestinationAmplitude(size_t destination, bool echo, double t) const
{
    const Gain& gain = m_gains[destination];
    if (gain.muted)
        return 0.0;
    double sum = MixAmplitude(destination, t);
    int channel = EchoChannel(destination);
    if (echo && channel >= 0 && m_echoAmplification[channel] != 0)
        sum += MixAmplitude(destination, t - m_echoDelay[channel]) * (m_echoAmplification[channel] / 1000.0);
    return sum * Amplitude(gain.gain);
}

std::string SimMixer::Summary() const
{
    size_t connected = 0;
    for (const Weight& weight : m_weights)
        connected += weight.connected;
    size_t muted = 0;
    for (const Gain& gain : m_gains)
        muted += gain.muted;
    char line[300];
    char levels[40] = "moving";
    if (m_levelsHeld)
        snprintf(levels, sizeof(levels), "held at %d", static_cast<int>(m_heldLevel));
    snprintf(line, sizeof(line), "mixer %s: %u outputs, %u hardware inputs, %u playback; %u connected, %u muted, "
             "bypass %s, levels %s, echo %u channels up to %lu ms",
             ModelName(m_model), static_cast<unsigned>(m_pins[ZEPHRA_PIN_CLASS_OUTPUTS].size()),
             static_cast<unsigned>(m_pins[ZEPHRA_PIN_CLASS_HARDWARE_INPUTS].size()),
             static_cast<unsigned>(m_pins[ZEPHRA_PIN_CLASS_SOFTWARE_OUTPUTS].size()), static_cast<unsigned>(connected),
             static_cast<unsigned>(muted), m_bypass ? "on" : "off", levels,
             static_cast<unsigned>(m_echoDelay.size()), static_cast<unsigned long>(m_echoMaxDelay));
    return line;
}
