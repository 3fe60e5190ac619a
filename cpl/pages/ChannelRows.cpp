#include "ChannelRows.h"
#include <algorithm>
#include <cstring>

std::vector<ChannelRow> ChannelRowsOf(const ZephraChannelList& list, const ChannelInfoReader& readInfo,
                                      const DeviceFinder& findDevice)
{
    std::vector<ChannelRow> rows;
    uint32_t count = std::min<uint32_t>(list.count, ZEPHRA_MAX_CHANNELS);
    for (uint32_t i = 0; i < count; ++i) {
        ZephraChannelInfo info;
        memset(&info, 0, sizeof(info));
        if (readInfo(list.keys[i], &info) != 0)
            continue;
        const ZephraDevice* device = findDevice(info.idFirst, info.idSecond);
        if (device == nullptr)
            continue;
        rows.push_back({device->GetDeviceName(), ZephraFieldText(info.name, ZEPHRA_CHANNEL_NAME_CHARS)});
    }
    return rows;
}

std::vector<ChannelRow> ChannelRowsOf(const ZephraChannelList& list, ZephraDriver& driver)
{
    return ChannelRowsOf(
        list, [&](const ZephraChannelKey& key, ZephraChannelInfo* info) { return driver.GetChannelInfo(key, info); },
        [&](uint32_t first, uint32_t second) -> const ZephraDevice* { return driver.FindDevice(first, second); });
}
