// The external area's records built from check boxes: the filter of ignored event-log record
// types, the system flags and the log-poll configuration.
#include <bit>
#include <string_view>

#include "image/external_area.h"
#include "settings/setup_entry.h"

namespace quillon {

namespace {

struct EventType {
    std::string_view key;
    uint16_t code;
};

// The communicator's event-log codes. A code with one bit set is a flag of the event mask;
// any other holds a 4-bit value in one of four groups and needs a combined-code byte.
// clang-format off
constexpr EventType kEventTypes[] = {
    {"BBLOG_COD_COLD_RESET", 0x0001},
    {"BBLOG_COD_HOT_REST", 0x0002},
    {"BBLOG_COD_SW_RESET", 0x0004},
    {"BBLOG_COD_BAT_FAIL", 0x0003},
    {"BBLOG_COD_CFG_CHANGED", 0x0008},
    {"BBLOG_COD_LOG_FORMAT", 0x0010},
    {"BBLOG_COD_ALARM", 0x0020},
    {"BBLOG_COD_CONN_CHANGED", 0x0040},
    {"BBLOG_COD_GATE_TSYNC", 0x0080},
    {"BBLOG_COD_TIME_CORRECT", 0x0100},
    {"BBLOG_COD_TIME_SET", 0x0200},
    {"BBLOG_COD_MERC_LINK_CHNG", 0x0400},
    {"BBLOG_EV_TIME_SET_RLT", 0x0800},
    {"BBLOG_COD_TIME_SET_RLT", 0x0600},
    {"BBLOG_EV_TIME_COR_RLT", 0x1000},
    {"BBLOG_COD_TIME_COR_RLT", 0x0500},
    {"BBLOG_EV_TIME_NOT_ADEQ", 0x2000},
    {"BBLOG_COD_TIME_NOT_ADEQ", 0x0700},
};
// clang-format on

// Every multi-bit code needs a combined-code byte of its own, and no code may be 0.
constexpr bool EventTableFits() {
    size_t combined = 0;
    for (const EventType& type : kEventTypes) {
        if (type.code == 0) {
            return false;
        }
        combined += std::popcount(type.code) > 1 ? 1u : 0u;
    }
    return combined <= kCombinedCodeCount;
}
static_assert(EventTableFits());

// Byte of a multi-bit code: its lowest non-zero 4-bit group, the group number in the high
// nibble. The communicator reads back group (c >> 4) & 3 holding value c & 0x0F.
uint8_t CombinedCode(uint16_t code) {
    int group = 0;
    while (((code >> (4 * group)) & 0x0F) == 0) {
        ++group;
    }
    return static_cast<uint8_t>((group << 4) | ((code >> (4 * group)) & 0x0F));
}

bool IsChecked(const KeyMap& keys, std::string_view key) {
    return keys.Get(key).GetCheck() != 0;
}

struct FlagBit {
    std::string_view key;
    uint8_t bit;
};

// Starts from all bits set; each checked box clears its bit.
uint8_t FlagsByte(const KeyMap& keys, std::span<const FlagBit> bits) {
    uint8_t flags = 0xFF;
    for (const FlagBit& flag : bits) {
        if (IsChecked(keys, flag.key)) {
            flags = static_cast<uint8_t>(flags & ~(1u << flag.bit));
        }
    }
    return flags;
}

constexpr FlagBit kSystemFlags[] = {{"EXT_SYSLOG", 0}, {"EXT_TCORR", 1}};
constexpr FlagBit kPollFlags[] = {{"EVR_REC", 6}, {"EVR_COOKIE", 5}, {"EVR_LAST", 4}};

// The mask and the combined codes, behind the two-byte element header 90 08.
constexpr size_t kFilterPayload = 2 + kCombinedCodeCount;
constexpr size_t kFilterRecordSize = kRecordFrameSize + 2 + kFilterPayload;

constexpr size_t kSystemFlagsRecordSize = kRecordFrameSize + 1;
constexpr size_t kPollConfigRecordSize = kRecordFrameSize + 2;

}  // namespace

size_t CStpAreaExt::FilterSize(const KeyMap& keys) {
    m_filterMask = 0;
    m_combinedCodes.fill(0);
    size_t next = 0;
    for (const EventType& type : kEventTypes) {
        if (!IsChecked(keys, type.key)) {
            continue;
        }
        if (std::popcount(type.code) == 1) {
            m_filterMask = static_cast<uint16_t>(m_filterMask | type.code);
        } else {
            m_combinedCodes[next++] = CombinedCode(type.code);
        }
    }
    return kFilterRecordSize;
}

void CStpAreaExt::WriteFilter(size_t& cursor, const KeyMap& keys) {
    const size_t size = FilterSize(keys);
    ResolveLabel(cursor, "RAY_0000_BBLOG_FILTER_CONFIGURATION");
    PutU16(size, cursor);
    PutElementHeader(0, kFilterPayload, cursor);
    PutU16(m_filterMask, cursor);
    PutBytes(m_combinedCodes, cursor);
    AddChecksum(cursor, size - 2);
}

size_t CStpAreaExt::SystemFlagsSize(const KeyMap& /*keys*/) {
    return kSystemFlagsRecordSize;
}

void CStpAreaExt::WriteSystemFlags(size_t& cursor, const KeyMap& keys) {
    const size_t size = SystemFlagsSize(keys);
    ResolveLabel(cursor, "RAY_0000_SYS");
    PutU16(size, cursor);
    PutU8(FlagsByte(keys, kSystemFlags), cursor);
    AddChecksum(cursor, size - 2);
}

size_t CStpAreaExt::PollConfigSize(const KeyMap& /*keys*/) {
    return kPollConfigRecordSize;
}

void CStpAreaExt::WritePollConfig(size_t& cursor, const KeyMap& keys) {
    const size_t size = PollConfigSize(keys);
    ResolveLabel(cursor, "RAY_0100_POLL_CFG");
    PutU16(size, cursor);
    PutU8(FlagsByte(keys, kPollFlags), cursor);
    PutU8(0xFF, cursor);
    AddChecksum(cursor, size - 2);
}

}  // namespace quillon
