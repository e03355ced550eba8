#include "image/channel_record.h"

#include <string>
#include <vector>

#include "image/area.h"
#include "settings/setup_entry.h"
#include "settings/setup_failure.h"

namespace quillon {

namespace {

// Channel kinds as the communicator reads them: the letters m and t.
constexpr uint32_t kModemKind = 0x6D;
constexpr uint32_t kEthernetKind = 0x74;

// Entry tags: bit 7 set means the value itself follows, clear means an offset to a string.
constexpr uint8_t kTagKind = 0x80;
constexpr uint8_t kTagSys = 0x01;
constexpr uint8_t kTagSrv = 0x02;
constexpr uint8_t kTagTry = 0x03;
constexpr uint8_t kTagApn = 0x04;
constexpr uint8_t kTagIp = 0x84;
constexpr uint8_t kTagGate = 0x85;
constexpr uint8_t kTagMask = 0x86;

struct StringItem {
    std::string_view name;
    uint8_t tag;
};

constexpr StringItem kCommonStrings[] = {{"SYS", kTagSys}, {"SRV", kTagSrv}, {"TRY", kTagTry}};
constexpr StringItem kApnString = {"APN", kTagApn};

std::vector<StringItem> ChannelStrings(bool modem) {
    std::vector<StringItem> items(std::begin(kCommonStrings), std::end(kCommonStrings));
    if (modem) {
        items.push_back(kApnString);
    }
    return items;
}

}  // namespace

std::string ChannelKey(std::string_view prefix, std::string_view channel, std::string_view item) {
    std::string key(prefix);
    key += '_';
    key += channel;
    key += "_CHAN_";
    key += item;
    return key;
}

size_t ChannelRecordSize(std::string_view prefix, std::string_view channel, const KeyMap& keys) {
    const CSetupEntry& type = keys.Get(ChannelKey(prefix, channel, "TYPE"));
    if (!type.IsValid()) {
        throw SetupFailure::FromUtf8("Неправильное поле \"Тип канала\".");
    }
    if (type.GetSelection() != 0) {
        // A modem channel's APN is checked before its other texts.
        ChannelStringSize(prefix, channel, "APN", keys);
        return kModemChannelRecordSize;
    }
    return kEthernetChannelRecordSize;
}

size_t ChannelStringSize(std::string_view prefix, std::string_view channel, std::string_view item,
                         const KeyMap& keys) {
    const CSetupEntry& entry = keys.Get(ChannelKey(prefix, channel, item));
    if (!entry.IsValid()) {
        throw SetupFailure::FromUtf8("Неправильное поле \"" + std::string(item) + "\"");
    }
    return StringSize(entry.GetText());
}

size_t ChannelSize(std::string_view prefix, std::string_view channel, const KeyMap& keys) {
    const size_t record = ChannelRecordSize(prefix, channel, keys);
    size_t size = record;
    for (const StringItem& item : ChannelStrings(record == kModemChannelRecordSize)) {
        size += ChannelStringSize(prefix, channel, item.name, keys);
    }
    return size;
}

void WriteChannelRecord(CArea& area, std::string_view prefix, std::string_view channel,
                        size_t& cursor, const KeyMap& keys) {
    const size_t size = ChannelRecordSize(prefix, channel, keys);
    const bool modem = size == kModemChannelRecordSize;
    const std::vector<StringItem> strings = ChannelStrings(modem);

    area.ResolveLabel(cursor, "RAY_0000_CHAN_" + std::string(channel));
    area.PutU16(size, cursor);
    area.PutU8(modem ? 5 : 7, cursor);
    area.PutU8(kTagKind, cursor);
    area.PutU32(modem ? kModemKind : kEthernetKind, cursor);
    for (const StringItem& item : strings) {
        area.PutU8(item.tag, cursor);
        area.DefineLabel(cursor, ChannelKey(prefix, channel, item.name));
    }
    if (!modem) {
        const struct {
            std::string_view name;
            uint8_t tag;
        } addresses[] = {{"IP", kTagIp}, {"GATE", kTagGate}, {"MASK", kTagMask}};
        for (const auto& address : addresses) {
            area.PutU8(address.tag, cursor);
            area.PutU32(keys.Get(ChannelKey(prefix, channel, address.name)).GetAddress(), cursor);
        }
    }
    area.AddChecksum(cursor, size - 2);

    for (const StringItem& item : strings) {
        const std::string key = ChannelKey(prefix, channel, item.name);
        area.ResolveLabel(cursor, key);
        area.PutString(keys.Get(key).GetText(), cursor);
    }
}

}  // namespace quillon
