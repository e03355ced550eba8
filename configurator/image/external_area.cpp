#include "image/external_area.h"

#include <string_view>
#include <utility>

#include "image/channel_record.h"
#include "image/gid_record.h"
#include "settings/setup_failure.h"

namespace quillon {

namespace {

constexpr std::string_view kPrefix = "EXT";

constexpr std::pair<uint16_t, std::string_view> kSectionTable[] = {
    {0x0000, "RAY_0000_OFF"},
    {0x0100, "RAY_0100_OFF"},
};

// In identifier order; the records follow in another (the filter, 29, is the first table).
constexpr std::pair<uint16_t, std::string_view> kDirectory0000[] = {
    {1, "RAY_0000_GID"},
    {2, "RAY_0000_CHAN_MAIN"},
    {3, "RAY_0000_CHAN_RSV"},
    {4, "RAY_0000_SYS"},
    {5, "RAY_0000_TIMETABLE"},
    {6, "RAY_0000_CHAN_SETUP"},
    {28, "RAY_0000_UART_CONFIGURATION"},
    {29, "RAY_0000_BBLOG_FILTER_CONFIGURATION"},
};

constexpr std::pair<uint16_t, std::string_view> kDirectory0100[] = {
    {13, "RAY_0100_POLL_CFG"},
};

// The area's 16-bit total size field cannot describe more; a schedule file is the only
// realistic way there, hence the message of the too-large external area.
constexpr size_t kLargestArea = 0xFFFF;

}  // namespace

size_t CStpAreaExt::GetSize(const KeyMap& keys) {
    m_scheduleLength.reset();
    return TotalSize(keys);
}

void CStpAreaExt::CheckBuild(const KeyMap& keys) {
    TotalSize(keys);
    ScheduleRecordSize(keys);
}

size_t CStpAreaExt::TotalSize(const KeyMap& keys) {
    size_t size = OffsetTableSize(std::size(kSectionTable)) +
                  OffsetTableSize(std::size(kDirectory0000)) +
                  OffsetTableSize(std::size(kDirectory0100)) + GidRecordSize(kPrefix, keys);
    size += ChannelSize(kPrefix, "MAIN", keys);
    size += ChannelSize(kPrefix, "RSV", keys);
    size += kAreaFrameSize;
    size += FilterSize(keys);
    size += SystemFlagsSize(keys);
    size += ScheduleTableSize(keys);
    size += ChannelSetupSize(keys);
    size += UartConfigSize(keys);
    size += PollConfigSize(keys);
    return size;
}

void CStpAreaExt::Build(std::span<uint8_t> buffer, const KeyMap& keys) {
    const size_t total = TotalSize(keys);
    if (total > kLargestArea) {
        // The writers before the schedule record check nothing that TotalSize did not.
        ScheduleRecordSize(keys);
        throw SetupFailure::FromUtf8(
            "Область настроек коммуникатора слишком велика. Уменьшите таблицу расписания.");
    }
    size_t cursor = BeginArea(buffer, total);
    PutOffsetTable(kSectionTable, cursor);
    ResolveLabel(cursor, "RAY_0000_OFF");
    PutOffsetTable(kDirectory0000, cursor);
    ResolveLabel(cursor, "RAY_0100_OFF");
    PutOffsetTable(kDirectory0100, cursor);
    WriteGidRecord(*this, kPrefix, cursor, keys);
    WriteChannelRecord(*this, kPrefix, "MAIN", cursor, keys);
    WriteChannelRecord(*this, kPrefix, "RSV", cursor, keys);
    WriteFilter(cursor, keys);
    WriteSystemFlags(cursor, keys);
    WriteScheduleTable(cursor, keys);
    WriteChannelSetup(cursor, keys);
    WriteUartConfig(cursor, keys);
    WritePollConfig(cursor, keys);
    EndArea(cursor);
}

}  // namespace quillon
