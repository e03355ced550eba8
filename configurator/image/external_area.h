// The external-module setup area: the GID, the main and reserve channels, and the tables of the
// event-log filter, system flags, schedule, exchange channels, UART lines and log polling.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "image/area.h"
#include "settings/channel_counts.h"
#include "settings/key_map.h"

namespace quillon {

// Bytes of the event-log filter kept for the event codes that have more than one bit set.
inline constexpr size_t kCombinedCodeCount = 6;

class CStpAreaExt : public CArea {
public:
    // Checks the settings, stopping at the first failure, collects the values the table writers
    // use, and returns the area's exact size, however large. The schedule file is measured
    // afresh.
    size_t GetSize(const KeyMap& keys);

    // The checks that Build adds to those of GetSize, writing nothing: the schedule file is
    // measured again, and an empty TIME_TABLE fails. For an area that is refused for its size
    // without being built.
    void CheckBuild(const KeyMap& keys);

    // Writes the area into a buffer of exactly GetSize bytes. A schedule file that changed size
    // since GetSize measured it fails the build before anything is written past the buffer. An
    // area above 0xFFFF bytes, which the 16-bit total cannot describe, is refused with the
    // message of the too-large area after those checks, and nothing is written.
    void Build(std::span<uint8_t> buffer, const KeyMap& keys);

private:
    struct UartSettings {
        uint32_t speed = 0;  // baud, 0 for the line's default
        uint8_t dataBits = 0;
        uint8_t stopBits = 0;
        uint8_t parity = 0;
    };

    // The sum that GetSize returns; Build calls it again for the total.
    size_t TotalSize(const KeyMap& keys);

    // Size functions of the table records, in the order of the area. Each is called by
    // TotalSize and again by its writer, and collects what the writer needs.
    size_t FilterSize(const KeyMap& keys);
    size_t SystemFlagsSize(const KeyMap& keys);
    size_t ScheduleTableSize(const KeyMap& keys);
    size_t ChannelSetupSize(const KeyMap& keys);
    size_t UartConfigSize(const KeyMap& keys);
    size_t PollConfigSize(const KeyMap& keys);

    // The size of the schedule record as its writer checks it: there must be one.
    size_t ScheduleRecordSize(const KeyMap& keys);

    void WriteFilter(size_t& cursor, const KeyMap& keys);
    void WriteSystemFlags(size_t& cursor, const KeyMap& keys);
    void WriteScheduleTable(size_t& cursor, const KeyMap& keys);
    void WriteChannelSetup(size_t& cursor, const KeyMap& keys);
    void WriteUartConfig(size_t& cursor, const KeyMap& keys);
    void WritePollConfig(size_t& cursor, const KeyMap& keys);

    // Block of one exchange channel in the channel set-up record; collects its meter counts.
    size_t ChannelBlockSize(int channel, const KeyMap& keys);

    uint16_t m_filterMask = 0;
    std::array<uint8_t, kCombinedCodeCount> m_combinedCodes{};

    std::array<int32_t, kExchangeChannelCount> m_deviceGroup{};
    std::array<int32_t, kExchangeChannelCount> m_typesInUse{};
    ChannelCounts m_meterCounts{};

    std::array<UartSettings, kExchangeChannelCount> m_uart{};

    // Length of the schedule file as first measured since GetSize; every later measurement
    // must agree, so the buffer sized from it is never overrun.
    std::optional<uintmax_t> m_scheduleLength;
};

}  // namespace quillon
