#pragma once
#include <functional>
#include <string>
#include <vector>
#include "ZephraDriver.h"

// One row of a channels page.
struct ChannelRow
{
    std::wstring device;  // the owning device's name
    std::wstring channel; // the channel's name, bounded by its record field
};

using ChannelInfoReader = std::function<ZephraStatus(const ZephraChannelKey&, ZephraChannelInfo*)>;
using DeviceFinder = std::function<const ZephraDevice*(uint32_t idFirst, uint32_t idSecond)>;

// The rows of a channel list in the driver's order, reading no key beyond the record. A
// channel whose information cannot be read or whose device is not in the list is left out.
std::vector<ChannelRow> ChannelRowsOf(const ZephraChannelList& list, const ChannelInfoReader& readInfo,
                                      const DeviceFinder& findDevice);
// The same against a driver object and its device list.
std::vector<ChannelRow> ChannelRowsOf(const ZephraChannelList& list, ZephraDriver& driver);
