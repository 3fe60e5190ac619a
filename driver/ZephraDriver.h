#pragma once
#include <functional>
#include <memory>
#include <vector>
#include "WnEvent.h"
#include "ZephraDevice.h"
#include "ZephraMessage.h"
#include "ZephraStreamRecords.h"

// A connection to the control device that keeps the driver's device list, one bound
// ZephraDevice per present device, and hands the driver its two events.
class ZephraDriver : public ZephraApiContext
{
public:
    ZephraDriver();
    ~ZephraDriver() override;

    // A new, unopened device object, or null.
    virtual ZephraDevice* CreateDevice();

    ZephraStatus OpenDriver(const wchar_t* name, bool wantMessageEvent, bool wantNotificationEvent);
    void CloseDriver();
    ZephraStatus SetEvents(HANDLE messageEvent, HANDLE notificationEvent);
    ZephraStatus SetClientType(uint32_t type);
    ZephraStatus OpenAsServer(const wchar_t* name);
    ZephraStatus OpenAsClient(const wchar_t* name);
    ZephraStatus OpenAsObserver(const wchar_t* name, uint32_t type);

    ZephraStatus GetDeviceList(ZephraDeviceList* list);
    ZephraStatus RefreshDevices(bool* changed);
    // Reads the device list and renews the records (flags) of the device objects it still
    // reports with the same id words; never adds or removes one (that is RefreshDevices').
    ZephraStatus RereadDeviceRecords();
    ZephraDevice* FindDevice(uint32_t idFirst, uint32_t idSecond) const;
    ZephraDevice* GetDeviceAt(size_t index) const;
    size_t GetDeviceCount() const { return m_devices.size(); }
    // Deletes every device object (each closes its connection).
    void ClearDevices() { m_devices.clear(); }

    // Records one drain pass reads at most, and failed reads (other than malformed records)
    // it tries again before it gives up.
    enum : uint32_t { DRAIN_MAX_RECORDS = 64, DRAIN_MAX_RETRIES = 3 };
    typedef std::function<bool(const ZephraMessage&)> RecordHandler;
    // Reads the message (notifications false) or notification queue and hands each
    // well-formed record to handler until the queue is empty (ZEPHRA_STATUS_NO_MORE_ITEMS) or
    // handler returns false (0). A malformed record has left the queue and is dropped.
    // When the pass ends with records possibly left (handler's stop, the pass bound:
    // ZEPHRA_STATUS_PENDING, or the retries spent: the last failure), the queue's event is set
    // again so that the next wait comes back to it, unless the connection is gone.
    ZephraStatus DrainQueue(bool notifications, const RecordHandler& handler);

    ZephraStatus SendMessageRecord(const ZephraMessage& record);
    ZephraStatus GetMessageRecord(ZephraMessage* record);
    ZephraStatus GetNotificationRecord(ZephraMessage* record);
    // Reads until a notification arrives, dropping records of other kinds.
    ZephraStatus NextNotification(ZephraMessage* record);

    // Stream configuration. Output records are zero-filled first and left zero on failure;
    // counts are bounded by their record.
    ZephraStatus GetSampleRates(ZephraSampleRates* rates);
    ZephraStatus GetBufferSizes(ZephraBufferSizes* sizes);
    ZephraStatus GetStreamingStatus(ZephraStreamingStatus* status);
    ZephraStatus GetErrorCounters(ZephraErrorCounters* counters);
    ZephraStatus GetInputChannels(ZephraChannelList* list);
    ZephraStatus GetOutputChannels(ZephraChannelList* list);
    ZephraStatus GetChannelInfo(const ZephraChannelKey& key, ZephraChannelInfo* info);
    ZephraStatus StreamingCommand(uint32_t command, uint32_t argument);
    ZephraStatus SetSampleRate(uint32_t rate);
    ZephraStatus PrepareSampleRate(uint32_t rate);
    ZephraStatus SetBufferSizes(const ZephraBufferSizeChange& change);
    ZephraStatus SetOptions(uint32_t options);
    ZephraStatus GetOptions(uint32_t* options);
    ZephraStatus SetStreamingDevice(const ZephraStreamingDeviceRecord& selection);

    HANDLE GetMessageEvent() const { return m_messageEvent.Get(); }
    HANDLE GetNotificationEvent() const { return m_notificationEvent.Get(); }
    const wchar_t* GetControlDeviceName() const { return m_name; }

private:
    ZephraStatus OpenTyped(const wchar_t* name, uint32_t type);
    ZephraStatus ReadRecord(uint32_t code, ZephraMessage* record);
    // A request without input whose output is one record, zeroed unless it succeeded.
    ZephraStatus ReadFixed(uint32_t code, void* record, uint32_t size);
    ZephraStatus GetChannels(uint32_t code, ZephraChannelList* list);

    std::vector<std::unique_ptr<ZephraDevice>> m_devices;
    WnEvent m_messageEvent;
    WnEvent m_notificationEvent;
    wchar_t m_name[ZEPHRA_NAME_CHARS];
};
