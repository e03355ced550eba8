// The external area's channel set-up record: the device group of each exchange channel and how
// many meters of each type it polls.
#include <array>
#include <span>
#include <string>

#include "image/exchange_channel_key.h"
#include "image/external_area.h"
#include "settings/meter_types.h"
#include "settings/setup_entry.h"
#include "settings/setup_failure.h"

namespace quillon {

namespace {

// Device group code as the communicator knows it, by option index of "CH<n>_GROUP". Channel 0's
// list has no "Контроллеры MS744" option, so from index 3 on its codes are one above the index.
// The meter types each option serves come from TypesOfGroup, shared with the meter area.
constexpr std::array<uint16_t, 8> kChannel0GroupCodes = {0, 1, 2, 4, 5, 6, 7, 8};
constexpr std::array<uint16_t, 9> kChannel1GroupCodes = {0, 1, 2, 3, 4, 5, 6, 7, 8};
constexpr std::array<std::span<const uint16_t>, kExchangeChannelCount> kGroupCodes = {
    kChannel0GroupCodes, kChannel1GroupCodes};

// Channel count byte, two block positions, and the size field and checksum around them.
constexpr size_t kSetupRecordFrame = kRecordFrameSize + 1 + 2 * kExchangeChannelCount;
constexpr size_t kUnusedBlockSize = 3;
constexpr size_t kBlockHeaderSize = 3;
constexpr size_t kBlockEntrySize = 3;

uint16_t GroupCode(int channel, int group) {
    const std::span<const uint16_t> codes = kGroupCodes[static_cast<size_t>(channel)];
    if (group < 0 || static_cast<size_t>(group) >= codes.size()) {
        throw AreaInternalError("setup area: device group " + std::to_string(group) +
                                " of channel " + std::to_string(channel) + " has no code");
    }
    return codes[static_cast<size_t>(group)];
}

SetupFailure CountFailure(int channel) {
    return SetupFailure::FromUtf8("Задано не допустимое кол-во устройств для канала " +
                                  std::to_string(channel) + ".");
}

}  // namespace

size_t CStpAreaExt::ChannelSetupSize(const KeyMap& keys) {
    for (int c = 0; c < kExchangeChannelCount; ++c) {
        const CSetupEntry& group = keys.Get(ExchangeChannelKey(c, "GROUP"));
        if (!group.IsValid()) {
            throw SetupFailure::FromUtf8("Неправильное поле \"Группа устройств\".");
        }
        m_deviceGroup[static_cast<size_t>(c)] = group.GetSelection();
    }
    size_t size = kSetupRecordFrame;
    for (int c = 0; c < kExchangeChannelCount; ++c) {
        const size_t channel = static_cast<size_t>(c);
        if (m_deviceGroup[channel] == 0) {
            m_typesInUse[channel] = 0;
            m_meterCounts[channel].fill(0);
            size += kUnusedBlockSize;
        } else {
            size += ChannelBlockSize(c, keys);
        }
    }
    return size;
}

size_t CStpAreaExt::ChannelBlockSize(int channel, const KeyMap& keys) {
    const size_t c = static_cast<size_t>(channel);
    GroupCode(channel, m_deviceGroup[c]);
    auto& counts = m_meterCounts[c];
    counts.fill(0);
    m_typesInUse[c] = 0;

    const GroupTypes served = TypesOfGroup(channel, m_deviceGroup[c]);
    size_t size = kBlockHeaderSize;
    int64_t sum = 0;
    for (int type = served.first; type < served.first + served.count; ++type) {
        const size_t t = static_cast<size_t>(type);
        const CSetupEntry& entry =
            keys.Get(ExchangeChannelKey(channel, kMeterTypeTags[t]) + "_NUM");
        if (!entry.IsValid()) {
            throw CountFailure(channel);
        }
        const uint32_t count = entry.GetNumber();
        // The tree holds a node for each meter of a type, and the meter area reads one per
        // counted meter. Only MS744 can ask for more (its count goes to 128, its nodes to 32).
        if (count > static_cast<uint32_t>(kMeterTypes[t].nodeCount)) {
            throw CountFailure(channel);
        }
        counts[t] = static_cast<int32_t>(count);
        sum += count;
        if (count > 0) {
            size += kBlockEntrySize;
            ++m_typesInUse[c];
        }
    }
    if (sum > kMaxChannelMeters) {
        throw SetupFailure::FromUtf8("Кол-во устройств для канала " + std::to_string(channel) +
                                     " превышает 128.");
    }
    return size;
}

void CStpAreaExt::WriteChannelSetup(size_t& cursor, const KeyMap& keys) {
    const size_t size = ChannelSetupSize(keys);
    ResolveLabel(cursor, "RAY_0000_CHAN_SETUP");
    PutU16(size, cursor);

    // Block positions count from the channel count byte.
    const size_t base = cursor;
    PutU8(kExchangeChannelCount, cursor);
    const size_t slots = cursor;
    for (int c = 0; c < kExchangeChannelCount; ++c) {
        PutU16(0, cursor);
    }

    for (int c = 0; c < kExchangeChannelCount; ++c) {
        const size_t channel = static_cast<size_t>(c);
        size_t slot = slots + 2 * channel;
        PutU16(cursor - base, slot);
        if (m_deviceGroup[channel] == 0) {
            const uint8_t unused[kUnusedBlockSize] = {};
            PutBytes(unused, cursor);
            continue;
        }
        PutU16(GroupCode(c, m_deviceGroup[channel]), cursor);
        PutU8(static_cast<uint8_t>(m_typesInUse[channel]), cursor);
        for (size_t type = 0; type < kMeterTypeCount; ++type) {
            const int32_t count = m_meterCounts[channel][type];
            if (count != 0) {
                PutU16(type + 1, cursor);
                PutU8(static_cast<uint8_t>(count), cursor);
            }
        }
    }
    AddChecksum(cursor, size - 2);
}

}  // namespace quillon
