// What walking a setup area finds: every record and string that an offset reaches, decoded by
// meaning, and every structural problem.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "inspect/area_format.h"

namespace quillon::inspect {

// Offset is counted from the first byte of the area; the text is UTF-8.
struct AreaProblem {
    size_t offset = 0;
    std::string text;
};

enum class ItemKind : uint8_t {
    kSectionTable,
    kDirectory,
    kString,
    // Local and external areas.
    kGid,
    kChannel,
    kEventFilter,
    kSystemFlags,
    kSchedule,
    kChannelSetup,
    kUartConfig,
    kPollConfig,
    // Meter area.
    kPasswordSets,
    kPasswordTable,
    kTimeServerParam,
    kTimeServerAddress,
    kTimeServerPassword,
    kMs744PollConfig,
    kMs744Baud,
    kAddressTable,
    kPasswordSetReference,
    kCorrectionMask,
    kPollMask,
    kStatisticsMask,
    // A record under an identifier the format does not have: only its frame is checked.
    kUnknownRecord,
};

struct OffsetEntry {
    uint16_t identifier = 0;
    size_t field = 0;  // where the 4-byte offset stands
    int64_t target = 0;
};

struct OffsetTableValue {
    std::vector<OffsetEntry> entries;
};

struct TextValue {
    std::string text;  // Windows-1251 bytes as stored, without the zero byte
};

struct ChannelEntry {
    uint8_t tag = 0;
    size_t field = 0;  // the 4-byte value
    uint32_t value = 0;
    int64_t target = 0;  // for the string tags 0x01..0x04
};

struct ChannelValue {
    std::vector<ChannelEntry> entries;
};

struct EventFilterValue {
    uint16_t mask = 0;
    std::array<uint8_t, 6> combined{};
};

struct FlagsValue {
    uint8_t flags = 0xFF;
};

struct ScheduleValue {
    size_t length = 0;
    uint16_t checksum = 0;
};

struct ExchangeBlock {
    uint16_t groupCode = 0;
    // (meter type code, meter count) in the order stored.
    std::vector<std::pair<uint16_t, uint8_t>> types;
};

struct ChannelSetupValue {
    std::vector<ExchangeBlock> channels;
};

struct UartLine {
    uint32_t speed = 0;
    uint8_t dataBits = 0;
    uint8_t stopBits = 0;
    uint8_t parity = 0;
};

struct UartValue {
    std::array<UartLine, 2> lines{};
};

struct PasswordElement {
    uint8_t meter = 0;  // within the group; 0 for every meter not named
    std::array<uint8_t, 3> passwords{};
};

struct PasswordSetsValue {
    std::vector<std::vector<PasswordElement>> sets;
};

using PasswordBytes = std::array<uint8_t, 6>;

// The unique password table, and the time-server password laid out the same way.
struct PasswordTableValue {
    std::vector<PasswordBytes> passwords;
};

struct TimeServerValue {
    uint8_t channel = 0;
    uint8_t meterType = 0;
};

struct ByteValue {
    uint8_t value = 0;
};

struct AddressTableValue {
    std::vector<uint32_t> addresses;
};

struct SetReferenceValue {
    std::vector<uint8_t> sets;
};

struct MaskValue {
    uint32_t mask = 0;
};

using ItemValue = std::variant<std::monostate, OffsetTableValue, TextValue, ChannelValue,
                               EventFilterValue, FlagsValue, ScheduleValue, ChannelSetupValue,
                               UartValue, PasswordSetsValue, PasswordTableValue, TimeServerValue,
                               ByteValue, AddressTableValue, SetReferenceValue, MaskValue>;

struct AreaItem {
    ItemKind kind = ItemKind::kUnknownRecord;
    size_t start = 0;
    size_t size = 0;
    // Directory: its section; an item: the section and the identifier it is listed under; a
    // string: the channel's identifier and the tag of its entry.
    uint16_t section = 0;
    uint16_t identifier = 0;
    // The offset field that leads here; none for the section table and the MS744 speed record
    // that stands unreferenced when the area has no MS744 section.
    std::optional<size_t> field;
    ItemValue value;
};

struct AreaReport {
    AreaKind kind = AreaKind::kLocal;
    size_t size = 0;          // bytes given
    uint16_t totalField = 0;  // what the area says it holds
    bool signatureOk = false;
    // Stored and computed area checksum; none when the area is too short to have one.
    std::optional<uint16_t> storedChecksum;
    uint16_t computedChecksum = 0;
    std::vector<AreaItem> items;        // in area order
    std::vector<AreaProblem> problems;  // in area order
};

// Walks an area from its frame through the section table, the directories and every offset,
// decodes every record reached and checks every size, offset target and checksum, and that no
// byte is left that no offset reaches. Problem offsets count from the area's first byte; base
// is the flash address of that byte, for the addresses that problem texts name.
AreaReport WalkArea(std::span<const uint8_t> bytes, AreaKind kind, uint32_t base = 0);

// The problems alone: empty for a sound area.
std::vector<AreaProblem> CheckArea(std::span<const uint8_t> bytes, AreaKind kind);

}  // namespace quillon::inspect
