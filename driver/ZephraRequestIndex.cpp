#include "ZephraRequestIndex.h"
#include "ZephraIoctl.h"

namespace {

constexpr ZephraSizeRule Fixed(uint32_t size) { return {size, size, 0}; }
constexpr ZephraSizeRule Range(uint32_t low, uint32_t high) { return {low, high, 0}; }
constexpr ZephraSizeRule Entries(uint32_t entry) { return {0, ZEPHRA_MAX_FRAME_DATA, entry}; }

#define ZEPHRA_REQ(code) code, #code
const ZephraRequestInfo kRequests[] = {
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_VERSION), Fixed(0), Fixed(24)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_SEND_MESSAGE), Range(32, 544), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_MESSAGE), Fixed(0), Fixed(544)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_NOTIFICATION), Fixed(0), Fixed(544)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_SET_EVENTS), Fixed(16), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_SET_CLIENT_TYPE), Fixed(4), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_DEVICE_LIST), Fixed(0), Fixed(1124)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_SELECT_DEVICE), Fixed(8), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_INPUT_CHANNELS), Fixed(0), Fixed(772)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_OUTPUT_CHANNELS), Fixed(0), Fixed(772)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_CHANNEL_INFO), Fixed(8), Fixed(108)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_SAMPLE_RATES), Fixed(0), Fixed(56)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_BUFFER_SIZES), Fixed(0), Fixed(32)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_STREAMING_STATUS), Fixed(0), Fixed(36)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_ERROR_COUNTERS), Fixed(0), Fixed(20)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_STREAMING_COMMAND), Fixed(8), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_SET_SAMPLE_RATE), Fixed(4), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_SET_BUFFER_SIZES), Fixed(12), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_PREPARE_SAMPLE_RATE), Fixed(4), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_SET_OPTIONS), Fixed(4), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_OPTIONS), Fixed(0), Fixed(4)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_SET_STREAMING_DEVICE), Fixed(12), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_WDM_STATE), Fixed(0), Fixed(3624)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_WDM_SETUP), Fixed(136), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_SET_WDM_MONO_CONFIG), Fixed(6152), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_SET_WDM_STEREO_CONFIG), Fixed(9480), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_MIXER_GET_INPUT_LEVELS), Entries(8), Entries(8)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_MIXER_GET_OUTPUT_LEVELS), Entries(8), Entries(8)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_MIXER_GET_PINS), Fixed(4), Entries(4)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_MIXER_GET_OUTPUT_GAINS), Entries(8), Entries(8)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_MIXER_GET_WEIGHTS), Entries(12), Entries(12)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_MIXER_SET_OUTPUT_GAINS), Entries(8), Entries(8)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_MIXER_SET_WEIGHTS), Entries(12), Entries(12)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_SET_VOLUME_BYPASS), Fixed(1), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_VOLUME_BYPASS), Fixed(0), Fixed(1)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_GET_WDM_VOLUME), Fixed(136), Fixed(136)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_SET_WDM_VOLUME), Fixed(136), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_PLUGIN_SET), Fixed(520), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_PLUGIN_GET), Fixed(520), Fixed(520)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_SET_WDM_PARAMETER), Fixed(8), Fixed(0)},
    {ZEPHRA_REQ(IOCTL_ZEPHRA_SET_WDM_ACTIVE), Fixed(8), Fixed(0)},
};
#undef ZEPHRA_REQ

} // namespace

const ZephraRequestInfo* ZephraRequestTable(unsigned* count)
{
    *count = sizeof(kRequests) / sizeof(kRequests[0]);
    return kRequests;
}

const ZephraRequestInfo* ZephraFindRequest(uint32_t code)
{
    for (const ZephraRequestInfo& info : kRequests) {
        if (info.code == code)
            return &info;
    }
    return nullptr;
}

bool ZephraSizeAllowed(const ZephraSizeRule& rule, uint32_t size)
{
    if (size < rule.minSize || size > rule.maxSize)
        return false;
    return rule.entrySize == 0 || size % rule.entrySize == 0;
}
