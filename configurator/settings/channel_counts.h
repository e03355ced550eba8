#pragma once

#include <array>
#include <cstdint>

#include "settings/key_map.h"
#include "settings/meter_types.h"
#include "settings/setup_entry.h"

namespace quillon {

inline constexpr int kExchangeChannelCount = 2;
inline constexpr int kMaxChannelMeters = 128;

// Meters of each type on each exchange channel: counts[channel][meter type index].
using ChannelCounts = std::array<std::array<int32_t, kMeterTypeCount>, kExchangeChannelCount>;

// The meter types a device group of a channel serves: indices first..first+count-1.
struct GroupTypes {
    int first = 0;
    int count = 0;
};

// What option `group` of channel `channel`'s "Группа устройств" list serves; none for an
// unused group, channel access, the MIRT protocol and anything outside the list.
GroupTypes TypesOfGroup(int channel, int group);

// Fills every element of counts from the device groups and meter counts of both channels,
// channel 0 completely first. A count entry that is not valid counts as 0. Raises a
// SetupFailure for a channel without a group, or whose counts total more than 128.
void ReadChannelCounts(const KeyMap& keys, ChannelCounts& counts);

}  // namespace quillon
