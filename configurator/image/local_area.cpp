#include "image/local_area.h"

#include <string_view>
#include <utility>

#include "image/channel_record.h"
#include "image/gid_record.h"

namespace quillon {

namespace {

constexpr std::string_view kPrefix = "LOC";

constexpr std::pair<uint16_t, std::string_view> kSectionTable[] = {{0x0000, "RAY_0000_OFF"}};

constexpr std::pair<uint16_t, std::string_view> kDirectory[] = {
    {1, "RAY_0000_GID"}, {2, "RAY_0000_CHAN_MAIN"}, {3, "RAY_0000_CHAN_RSV"}};

}  // namespace

size_t CStpAreaLoc::GetSize(const KeyMap& keys) const {
    size_t size = OffsetTableSize(std::size(kSectionTable)) +
                  OffsetTableSize(std::size(kDirectory)) + GidRecordSize(kPrefix, keys);
    size += ChannelSize(kPrefix, "MAIN", keys);
    size += kAreaFrameSize;
    size += ChannelSize(kPrefix, "RSV", keys);
    return size;
}

void CStpAreaLoc::Build(std::span<uint8_t> buffer, const KeyMap& keys) {
    size_t cursor = BeginArea(buffer, GetSize(keys));
    PutOffsetTable(kSectionTable, cursor);
    ResolveLabel(cursor, "RAY_0000_OFF");
    PutOffsetTable(kDirectory, cursor);
    WriteGidRecord(*this, kPrefix, cursor, keys);
    WriteChannelRecord(*this, kPrefix, "MAIN", cursor, keys);
    WriteChannelRecord(*this, kPrefix, "RSV", cursor, keys);
    EndArea(cursor);
}

}  // namespace quillon
