#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "ZephraMixerRecords.h"
#include "ZephraStatus.h"

// Channel layouts of the simulated devices.
enum class SimMixerModel {
    Compact, // 4 analog and 2 S/PDIF outputs, 2 virtual inputs; stereo and a mono mic in; 6 playback
    Studio,  // 26 destinations, 18 hardware inputs, 18 playback channels: the callers' capacities
};

// One device's driver-integrated mixer: pins, gains, weights, peak levels, the volume
// bypass switch and the echo effect. A plain value: copied with its device.
class SimMixer
{
public:
    explicit SimMixer(SimMixerModel model = SimMixerModel::Compact);

    static bool ParseModel(const std::string& name, SimMixerModel* model);
    static const char* ModelName(SimMixerModel model);
    static std::string ModelNames(); // "compact|studio", for usage texts

    // Whether the request is one of the mixer, bypass or echo requests.
    static bool Serves(uint32_t code);

    // Runs one request whose sizes passed the request index. echo: the device has the echo
    // effect; nowMs: the time that peak levels are measured at. change: 0, or the
    // notification code announcing what the request changed.
    ZephraStatus Serve(uint32_t code, const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize,
                       uint32_t* returned, bool echo, uint32_t nowMs, uint32_t* change);

    // Another pin list for one class, as given (any count, any types); gains and weights of
    // pins that stay are kept, new crosspoints start unconnected at 0 dB.
    void SetPins(ZephraPinClass pinClass, const std::vector<ZephraMixerPin>& pins);
    // The echo effect's output channel count and maximum delay; delays above it are cut to it.
    void SetEcho(uint32_t channels, uint32_t maxDelay);
    // Every meter reads level (hundredths of a dB) until released; then they move again.
    void HoldLevels(int16_t level);
    void ReleaseLevels() { m_levelsHeld = false; }

    SimMixerModel Model() const { return m_model; }
    const std::vector<ZephraMixerPin>& Pins(ZephraPinClass pinClass) const { return m_pins[pinClass]; }
    // One line for the simulator's status.
    std::string Summary() const;

private:
    struct Gain
    {
        int16_t gain = 0;
        bool muted = false;
    };
    struct Weight
    {
        int16_t weight = 0;
        bool connected = false;
    };

    // Indices into the destination list or the source list (hardware inputs, then playback), or -1.
    int DestinationIndex(const ZephraMixerPin& pin) const;
    int SourceIndex(const ZephraMixerPin& pin) const;
    size_t SourceCount() const;
    const ZephraMixerPin& SourcePin(size_t index) const;
    // Echo channel of a destination (hardware outputs only), or -1.
    int EchoChannel(size_t destination) const;

    ZephraStatus GetPins(const uint8_t* in, uint8_t* out, uint32_t outSize, uint32_t* returned) const;
    ZephraStatus GetLevels(bool destinations, uint32_t n, uint8_t* out, bool echo, uint32_t nowMs) const;
    ZephraStatus GetGains(uint32_t n, uint8_t* out) const;
    ZephraStatus SetGains(uint32_t n, uint8_t* out, bool* changed);
    ZephraStatus GetWeights(uint32_t n, uint8_t* out) const;
    ZephraStatus SetWeights(uint32_t n, uint8_t* out, bool* changed);
    ZephraStatus GetPlugin(const uint8_t* in, uint8_t* out) const;
    ZephraStatus SetPlugin(const uint8_t* in);

    // Linear amplitudes (1.0 = full scale) at time t.
    double SourceAmplitude(size_t source, double t) const;
    double MixAmplitude(size_t destination, double t) const;
    double DestinationAmplitude(size_t destination, bool echo, double t) const;

    SimMixerModel m_model;
    std::vector<ZephraMixerPin> m_pins[ZEPHRA_PIN_CLASS_COUNT];
    std::vector<Gain> m_gains;     // per destination
    std::vector<Weight> m_weights; // destination-major: [destination * SourceCount() + source]
    bool m_bypass = false;
    bool m_levelsHeld = false;
    int16_t m_heldLevel = 0;
    uint32_t m_echoMaxDelay = 0;
    std::vector<uint32_t> m_echoDelay; // per echo channel, milliseconds
    std::vector<uint32_t> m_echoAmplification; // per echo channel, thousandths
};
