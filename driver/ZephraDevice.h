#pragma once
#include <string>
#include "ZephraApiContext.h"
#include "ZephraDeviceRecords.h"
#include "ZephraMixerRecords.h"

enum : size_t { ZEPHRA_NAME_CHARS = 100 }; // control device name field, 99 kept

// One device the driver reports: a connection of its own, bound to that device.
// Created, refreshed and deleted only by its ZephraDriver.
class ZephraDevice : public ZephraApiContext
{
public:
    ZephraDevice();
    ~ZephraDevice() override;

    // Opens the control device, binds the connection to the record's device, then OnOpened.
    ZephraStatus OpenDevice(const wchar_t* name, const ZephraDeviceRecord& record);
    // Called once the connection is bound; non-zero makes OpenDevice fail.
    virtual ZephraStatus OnOpened();
    ZephraStatus SelectDevice(uint32_t idFirst, uint32_t idSecond);

    const ZephraDeviceRecord& GetRecord() const { return m_record; }
    void SetRecord(const ZephraDeviceRecord& record) { m_record = record; }
    uint32_t GetIdFirst() const { return m_record.idFirst; }
    uint32_t GetIdSecond() const { return m_record.idSecond; }
    uint16_t GetVendorId() const { return m_record.vendorId; }
    uint16_t GetProductId() const { return m_record.productId; }
    // Read only within the record's fields, also when the terminator is missing.
    std::wstring GetSerialNumber() const;
    std::wstring GetDeviceName() const;
    bool IsHighSpeed() const { return (m_record.portFlags & ZEPHRA_PORT_HIGH_SPEED) != 0; }
    bool HasEchoEffect() const { return (m_record.featureFlags & ZEPHRA_FEATURE_ECHO) != 0; }
    bool IsStreamingDevice() const { return (m_record.streamingFlags & ZEPHRA_STREAMING_SELECTED) != 0; }
    const wchar_t* GetControlDeviceName() const { return m_name; }

    // Same vendor id, product id and serial number.
    bool IsSameDevice(const ZephraDeviceRecord& record) const;

    // Mixer requests. The entry requests send and receive the same n entries in place;
    // a read whose reply is not n whole entries fails with ZEPHRA_STATUS_LENGTH_MISMATCH.
    // count: the descriptors listed, at most capacity (0 on failure).
    ZephraStatus GetMixerPins(ZephraPinClass pinClass, ZephraMixerPin* buffer, uint32_t capacity, uint32_t* count);
    ZephraStatus GetMixerInputLevels(ZephraMixerLevel* entries, uint32_t n);
    ZephraStatus GetMixerOutputLevels(ZephraMixerLevel* entries, uint32_t n);
    ZephraStatus GetMixerOutputGains(ZephraMixerGain* entries, uint32_t n);
    ZephraStatus SetMixerOutputGains(ZephraMixerGain* entries, uint32_t n);
    ZephraStatus GetMixerWeights(ZephraMixerWeight* entries, uint32_t n);
    ZephraStatus SetMixerWeights(ZephraMixerWeight* entries, uint32_t n);
    ZephraStatus SetVolumeBypass(bool on);
    // on: false unless the driver answered.
    ZephraStatus GetVolumeBypass(bool* on);

    // Echo-effect requests; the record always travels whole.
    ZephraStatus SetPluginParameters(const ZephraPluginRecord& record);
    ZephraStatus GetPluginParameters(ZephraPluginRecord* record);
    // The queries and writes that the echo page sends, built in one place. The channel
    // count is at most ZEPHRA_PLUGIN_MAX_ENTRIES, the maximum delay at most
    // ZEPHRA_ECHO_MAX_DELAY_LIMIT (a track bar's 16-bit range).
    enum : uint32_t { ZEPHRA_ECHO_MAX_DELAY_LIMIT = 0xFFFF };
    ZephraStatus GetEchoChannelCount(uint32_t* count);
    ZephraStatus GetEchoMaxDelay(uint32_t* ms);
    // parameter: ZEPHRA_PLUGIN_DELAY or ZEPHRA_PLUGIN_AMPLIFICATION.
    ZephraStatus GetEchoValue(uint32_t parameter, uint32_t channel, uint32_t* value);
    // Writes value to leftChannel and leftChannel + 1.
    ZephraStatus SetEchoPairValue(uint32_t parameter, uint32_t leftChannel, uint32_t value);

private:
    ZephraStatus EntryRequest(uint32_t code, void* entries, uint32_t n, uint32_t entrySize, bool read);
    ZephraStatus GetEchoAnswer(uint32_t parameter, uint32_t* answer);

    ZephraDeviceRecord m_record;
    wchar_t m_name[ZEPHRA_NAME_CHARS];
};

// The text of a fixed field of chars characters, which may lack its terminator.
std::wstring ZephraFieldText(const wchar_t* field, size_t chars);
