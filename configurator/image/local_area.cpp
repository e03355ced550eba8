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

size_t CStpAreaLoc::GetSize(const CSetupEntry& root) const {
    size_t size = OffsetTableSize(std::size(kSectionTable)) +
                  OffsetTableSize(std::size(kDirectory)) + GidRecordSize(kPrefix, root);
    size += ChannelSize(kPrefix, "MAIN", root);
    size += kAreaFrameSize;
    size += ChannelSize(kPrefix, "RSV", root);
    return size;
}

void CStpAreaLoc::Build(std::span<uint8_t> buffer, const CSetupEntry& root) {
    size_t cursor = BeginArea(buffer, GetSize(root));
    PutOffsetTable(kSectionTable, cursor);
    ResolveLabel(cursor, "RAY_0000_OFF");
    PutOffsetTable(kDirectory, cursor);
    WriteGidRecord(*this, kPrefix, cursor, root);
    WriteChannelRecord(*this, kPrefix, "MAIN", cursor, root);
    WriteChannelRecord(*this, kPrefix, "RSV", cursor, root);
    EndArea(cursor);
}

}  // namespace quillon
