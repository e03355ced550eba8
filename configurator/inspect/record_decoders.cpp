#include "inspect/record_decoders.h"

#include <algorithm>

#include "inspect/area_schema.h"
#include "inspect/catalogue_words.h"
#include "inspect/text_format.h"

namespace quillon::inspect {
namespace {

std::string Named(const RecordView& r, ItemKind kind) {
    return ItemName(kind, r.section, r.identifier);
}

// Reports a size other than the one the record's layout gives; true when it matches.
bool SizeIs(const RecordView& r, ItemKind kind, size_t expected, Findings& f) {
    if (r.size == expected) {
        return true;
    }
    f.Problem(r.start, Named(r, kind) + ": размер записи " + std::to_string(r.size) +
                           ", по её содержимому должен быть " + std::to_string(expected));
    return false;
}

bool AtLeast(const RecordView& r, ItemKind kind, size_t minimum, Findings& f) {
    if (r.size >= minimum) {
        return true;
    }
    f.Problem(r.start, Named(r, kind) + ": размер записи " + std::to_string(r.size) +
                           " меньше наименьшего " + std::to_string(minimum));
    return false;
}

// The two bytes of an element header whose payload has 8 to 255 bytes: long form, one length
// byte, element type 0.
bool ElementHeaderIs(const RecordView& r, ItemKind kind, uint8_t length, Findings& f) {
    if (r.U8(2) == 0x90 && r.U8(3) == length) {
        return true;
    }
    f.Problem(r.start + 2, Named(r, kind) + ": заголовок элемента " + Hex2(r.U8(2)) + " " +
                               Hex2(r.U8(3)) + ", ожидался 0x90 " + Hex2(length));
    return false;
}

ItemValue DecodeOffsetTable(const RecordView& r, ItemKind kind, Findings& f) {
    if (!AtLeast(r, kind, 6, f)) {
        return {};
    }
    const size_t count = r.U16(2);
    if (!SizeIs(r, kind, 6 + 6 * count, f)) {
        f.Problem(r.start + 2, Named(r, kind) + ": указано элементов: " + std::to_string(count));
    }
    OffsetTableValue table;
    std::vector<uint16_t> identifiers;
    const size_t held = std::min(count, (r.size - 6) / 6);
    for (size_t i = 0; i < held; ++i) {
        OffsetEntry entry;
        entry.identifier = r.U16(4 + 6 * i);
        entry.field = r.start + 6 + 6 * i;
        entry.target = static_cast<int64_t>(entry.field) + static_cast<int32_t>(r.U32(6 + 6 * i));
        identifiers.push_back(entry.identifier);
        table.entries.push_back(entry);

        Reference reference{entry.field, entry.target, ItemKind::kDirectory, entry.identifier, 0};
        if (kind == ItemKind::kSectionTable) {
            if (!SectionExists(r.areaKind, entry.identifier)) {
                f.Problem(entry.field - 2, "таблица секций: секции " + Hex4(entry.identifier) +
                                               " в этой области нет");
            }
        } else {
            const auto item = ItemUnder(r.areaKind, r.section, entry.identifier);
            if (!item && SectionExists(r.areaKind, r.section)) {
                f.Problem(entry.field - 2, Named(r, kind) + ": элемента " + Hex4(entry.identifier) +
                                               " в этой секции нет");
            }
            reference = {entry.field, entry.target, item.value_or(ItemKind::kUnknownRecord),
                         r.section, entry.identifier};
        }
        f.references.push_back(reference);
    }
    const auto gaps = kind == ItemKind::kSectionTable
                          ? SectionTableGaps(r.areaKind, identifiers)
                          : (SectionExists(r.areaKind, r.section)
                                 ? DirectoryGaps(r.areaKind, r.section, identifiers)
                                 : std::vector<std::string>{});
    for (const std::string& gap : gaps) {
        f.Problem(r.start, Named(r, kind) + ": " + gap);
    }
    return table;
}

ItemValue DecodeGid(const RecordView& r, Findings& f) {
    if (!SizeIs(r, ItemKind::kGid, 9, f)) {
        return {};
    }
    TextValue gid;
    for (size_t i = 2; i < 6; ++i) {
        const char c = static_cast<char>(r.U8(i));
        gid.text += c;
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) {
            f.Problem(r.start + i,
                      "GID: знак " + Hex2(r.U8(i)) + " не прописная шестнадцатеричная цифра");
        }
    }
    if (r.U8(6) != 0) {
        f.Problem(r.start + 6, "GID: после четырёх цифр нет нулевого байта");
    }
    return gid;
}

ItemValue DecodeChannel(const RecordView& r, Findings& f) {
    constexpr ItemKind kKind = ItemKind::kChannel;
    if (!AtLeast(r, kKind, 5, f)) {
        return {};
    }
    const size_t count = r.U8(2);
    SizeIs(r, kKind, 5 + 5 * count, f);
    ChannelValue channel;
    std::vector<uint8_t> tags;
    for (size_t i = 0; i < std::min(count, (r.size - 5) / 5); ++i) {
        ChannelEntry entry;
        entry.tag = r.U8(3 + 5 * i);
        entry.field = r.start + 4 + 5 * i;
        entry.value = r.U32(4 + 5 * i);
        tags.push_back(entry.tag);
        if (entry.tag >= 0x01 && entry.tag <= 0x04) {
            entry.target = static_cast<int64_t>(entry.field) + static_cast<int32_t>(entry.value);
            f.references.push_back(
                {entry.field, entry.target, ItemKind::kString, r.identifier, entry.tag});
        } else if (entry.tag != 0x80 && (entry.tag < 0x84 || entry.tag > 0x86)) {
            f.Problem(entry.field - 1,
                      Named(r, kKind) + ": неизвестный признак " + Hex2(entry.tag));
        }
        channel.entries.push_back(entry);
    }
    // A modem channel carries the APN string, an Ethernet channel its three addresses.
    const auto kind = std::find_if(channel.entries.begin(), channel.entries.end(),
                                   [](const ChannelEntry& e) { return e.tag == 0x80; });
    std::vector<uint8_t> expected;
    if (kind == channel.entries.end()) {
        f.Problem(r.start + 2, Named(r, kKind) + ": нет признака 0x80 с видом канала");
    } else if (kind->value == 'm') {
        expected = {0x80, 0x01, 0x02, 0x03, 0x04};
    } else if (kind->value == 't') {
        expected = {0x80, 0x01, 0x02, 0x03, 0x84, 0x85, 0x86};
    } else {
        f.Problem(kind->field, Named(r, kKind) + ": неизвестный вид канала " + Hex4(kind->value));
    }
    if (!expected.empty() && tags != expected) {
        f.Problem(r.start + 2, Named(r, kKind) + ": состав элементов не соответствует виду канала");
    }
    return channel;
}

ItemValue DecodeEventFilter(const RecordView& r, Findings& f) {
    constexpr ItemKind kKind = ItemKind::kEventFilter;
    if (!SizeIs(r, kKind, 14, f)) {
        return {};
    }
    ElementHeaderIs(r, kKind, 8, f);
    EventFilterValue filter;
    filter.mask = r.U16(4);
    for (size_t i = 0; i < filter.combined.size(); ++i) {
        filter.combined[i] = r.U8(6 + i);
    }
    return filter;
}

ItemValue DecodeFlags(const RecordView& r, ItemKind kind, size_t size, Findings& f) {
    if (!SizeIs(r, kind, size, f)) {
        return {};
    }
    return FlagsValue{r.U8(2)};
}

ItemValue DecodeChannelSetup(const RecordView& r, Findings& f) {
    constexpr ItemKind kKind = ItemKind::kChannelSetup;
    if (!AtLeast(r, kKind, 9, f)) {
        return {};
    }
    const std::string name = Named(r, kKind);
    const size_t count = r.U8(2);
    if (count != 2) {
        f.Problem(r.start + 2, name + ": каналов обмена " + std::to_string(count) + ", а не 2");
        return {};
    }
    // Block positions count from the channel-count byte; the blocks fill the rest of the record.
    const size_t base = 2;
    const size_t payloadEnd = r.size - 2;
    ChannelSetupValue setup;
    size_t expected = 5;
    for (size_t c = 0; c < 2; ++c) {
        const size_t field = 3 + 2 * c;
        const size_t position = r.U16(field);
        if (position != expected) {
            f.Problem(r.start + field, name + ": блок канала " + std::to_string(c) +
                                           " указан на позиции " + std::to_string(position) +
                                           ", а начинается на " + std::to_string(expected));
            return {};
        }
        const size_t block = base + position;
        if (block + 3 > payloadEnd) {
            f.Problem(r.start + field,
                      name + ": блок канала " + std::to_string(c) + " выходит за конец записи");
            return {};
        }
        ExchangeBlock decoded;
        decoded.groupCode = r.U16(block);
        const size_t types = r.U8(block + 2);
        if (decoded.groupCode == 0 && types != 0) {
            f.Problem(r.start + block + 2,
                      name + ": у неиспользуемого канала указаны типы счетчиков");
        }
        if (block + 3 + 3 * types > payloadEnd) {
            f.Problem(r.start + block + 2, name + ": типы счетчиков канала " + std::to_string(c) +
                                               " выходят за конец записи");
            return {};
        }
        for (size_t t = 0; t < types; ++t) {
            decoded.types.emplace_back(r.U16(block + 3 + 3 * t), r.U8(block + 5 + 3 * t));
        }
        setup.channels.push_back(decoded);
        expected = block + 3 + 3 * types - base;
    }
    if (base + expected != payloadEnd) {
        f.Problem(r.start, name + ": после блоков каналов остаются " +
                               std::to_string(payloadEnd - base - expected) + " байт");
    }
    return setup;
}

ItemValue DecodeUart(const RecordView& r, Findings& f) {
    constexpr ItemKind kKind = ItemKind::kUartConfig;
    if (!SizeIs(r, kKind, 20, f)) {
        return {};
    }
    ElementHeaderIs(r, kKind, 14, f);
    UartValue uart;
    for (size_t c = 0; c < 2; ++c) {
        const size_t at = 4 + 7 * c;
        uart.lines[c] = {r.U32(at), r.U8(at + 4), r.U8(at + 5), r.U8(at + 6)};
    }
    return uart;
}

ItemValue DecodePasswordSets(const RecordView& r, Findings& f) {
    constexpr ItemKind kKind = ItemKind::kPasswordSets;
    if (!AtLeast(r, kKind, 5, f)) {
        return {};
    }
    const std::string name = Named(r, kKind);
    const size_t sets = r.U8(2);
    const size_t payloadEnd = r.size - 2;
    if (3 + 4 * sets > payloadEnd) {
        f.Problem(r.start + 2,
                  name + ": смещения " + std::to_string(sets) + " наборов не помещаются в запись");
        return {};
    }
    // Set offsets count from the set-count byte, not from their own fields.
    PasswordSetsValue value;
    size_t position = 3 + 4 * sets;
    for (size_t s = 0; s < sets; ++s) {
        const size_t field = 3 + 4 * s;
        const uint32_t offset = r.U32(field);
        if (offset != position - 2) {
            f.Problem(r.start + field, name + ": смещение набора " + std::to_string(s) + " " +
                                           std::to_string(offset) + ", набор начинается на " +
                                           std::to_string(position - 2));
        }
        if (position + 1 > payloadEnd) {
            f.Problem(r.start + field,
                      name + ": набор " + std::to_string(s) + " выходит за конец записи");
            return {};
        }
        const size_t elements = r.U8(position);
        if (position + 1 + 4 * elements > payloadEnd) {
            f.Problem(r.start + position,
                      name + ": набор " + std::to_string(s) + " выходит за конец записи");
            return {};
        }
        std::vector<PasswordElement> set;
        for (size_t e = 0; e < elements; ++e) {
            const size_t at = position + 1 + 4 * e;
            set.push_back({r.U8(at), {r.U8(at + 1), r.U8(at + 2), r.U8(at + 3)}});
        }
        value.sets.push_back(std::move(set));
        position += 1 + 4 * elements;
    }
    if (position != payloadEnd) {
        f.Problem(r.start + position, name + ": после наборов остаются " +
                                          std::to_string(payloadEnd - position) + " байт");
    }
    return value;
}

ItemValue DecodePasswords(const RecordView& r, ItemKind kind, Findings& f) {
    if (!AtLeast(r, kind, 5, f)) {
        return {};
    }
    const size_t count = r.U8(2);
    if (kind == ItemKind::kTimeServerPassword && count != 1) {
        f.Problem(r.start + 2, Named(r, kind) + ": паролей " + std::to_string(count) + ", а не 1");
    }
    if (!SizeIs(r, kind, 5 + 6 * count, f)) {
        return {};
    }
    PasswordTableValue table;
    for (size_t p = 0; p < count; ++p) {
        PasswordBytes password{};
        for (size_t i = 0; i < password.size(); ++i) {
            password[i] = r.U8(3 + 6 * p + i);
        }
        table.passwords.push_back(password);
    }
    return table;
}

ItemValue DecodeAddressTable(const RecordView& r, Findings& f) {
    constexpr ItemKind kKind = ItemKind::kAddressTable;
    if (!AtLeast(r, kKind, 5, f)) {
        return {};
    }
    const size_t count = r.U8(2);
    if (count < 1 || count > 32) {
        f.Problem(r.start + 2, Named(r, kKind) + ": в группе " + std::to_string(count) +
                                   " счетчиков, допустимо от 1 до 32");
    }
    const auto group = GroupOfCode(r.section);
    const size_t width = group ? AddressWidth(group->meterType) : 1;
    if (!SizeIs(r, kKind, 5 + count * width, f)) {
        return {};
    }
    AddressTableValue table;
    for (size_t i = 0; i < count; ++i) {
        uint32_t address = 0;
        for (size_t b = 0; b < width; ++b) {
            address = address << 8 | r.U8(3 + width * i + b);
        }
        table.addresses.push_back(address);
    }
    return table;
}

ItemValue DecodeSetReference(const RecordView& r, Findings& f) {
    constexpr ItemKind kKind = ItemKind::kPasswordSetReference;
    if (!AtLeast(r, kKind, 5, f)) {
        return {};
    }
    const size_t count = r.U8(2);
    if (!SizeIs(r, kKind, 5 + count, f)) {
        return {};
    }
    SetReferenceValue reference;
    for (size_t i = 0; i < count; ++i) {
        reference.sets.push_back(r.U8(3 + i));
    }
    return reference;
}

}  // namespace

std::string ItemName(ItemKind kind, uint16_t section, uint16_t identifier) {
    const std::string group = " группы " + Hex4(section);
    switch (kind) {
        case ItemKind::kSectionTable:
            return "Таблица секций";
        case ItemKind::kDirectory:
            return "Каталог секции " + Hex4(section);
        case ItemKind::kString:
            return "Строка";
        case ItemKind::kGid:
            return std::string(CaptionOf("LOC_GID"));
        case ItemKind::kChannel:
            return std::string(
                HeadingOf(identifier == 3 ? "LOC_RSV_CHAN_TYPE" : "LOC_MAIN_CHAN_TYPE"));
        case ItemKind::kEventFilter:
            return std::string(HeadingOf("BBLOG_COD_COLD_RESET"));
        case ItemKind::kSystemFlags:
            return std::string(HeadingOf("EXT_SYSLOG"));
        case ItemKind::kSchedule:
            return std::string(CaptionOf("TIME_TABLE"));
        case ItemKind::kChannelSetup:
            return std::string(HeadingOf("CH0_GROUP", 2));
        case ItemKind::kUartConfig:
            return std::string(HeadingOf("CH0_UART_SPEED"));
        case ItemKind::kPollConfig:
            return std::string(HeadingOf("EVR_REC"));
        case ItemKind::kPasswordSets:
            return "Наборы паролей";
        case ItemKind::kPasswordTable:
            return "Таблица уникальных паролей";
        case ItemKind::kTimeServerParam:
            return std::string(HeadingOf("TS_CHAN")) + ": " + std::string(CaptionOf("TS_CHAN")) +
                   ", " + std::string(CaptionOf("TS_TYPE"));
        case ItemKind::kTimeServerAddress:
            return std::string(HeadingOf("TS_ADDR")) + ": " + std::string(CaptionOf("TS_ADDR"));
        case ItemKind::kTimeServerPassword:
            return std::string(HeadingOf("TS_PASS")) + ": " + std::string(CaptionOf("TS_PASS"));
        case ItemKind::kMs744PollConfig:
            return std::string(CaptionOf("CH1_MS744")) + ": " +
                   std::string(HeadingOf("CH1_MS744_REC"));
        case ItemKind::kMs744Baud:
            return std::string(CaptionOf("CH1_MS744")) + ": " +
                   std::string(CaptionOf("CH1_MS744_BAUD"));
        case ItemKind::kAddressTable:
            return "Сетевые адреса" + group;
        case ItemKind::kPasswordSetReference:
            return std::string(MeterItemCaption("PASS")) + group;
        case ItemKind::kCorrectionMask:
            return std::string(MeterItemCaption("AUTO_CORR")) + group;
        case ItemKind::kPollMask:
            return std::string(MeterItemCaption("POLL")) + group;
        case ItemKind::kStatisticsMask:
            return std::string(MeterItemCaption("STAT")) + group;
        case ItemKind::kUnknownRecord:
            break;
    }
    return "Запись " + Hex4(identifier) + " секции " + Hex4(section);
}

ItemValue DecodeRecord(ItemKind kind, const RecordView& r, Findings& f) {
    switch (kind) {
        case ItemKind::kSectionTable:
        case ItemKind::kDirectory:
            return DecodeOffsetTable(r, kind, f);
        case ItemKind::kGid:
            return DecodeGid(r, f);
        case ItemKind::kChannel:
            return DecodeChannel(r, f);
        case ItemKind::kEventFilter:
            return DecodeEventFilter(r, f);
        case ItemKind::kSystemFlags:
            return DecodeFlags(r, kind, 5, f);
        case ItemKind::kSchedule:
            return ScheduleValue{r.size - 4, ReadChecksum(r.area, r.start + r.size - 2)};
        case ItemKind::kChannelSetup:
            return DecodeChannelSetup(r, f);
        case ItemKind::kUartConfig:
            return DecodeUart(r, f);
        case ItemKind::kPollConfig:
        case ItemKind::kMs744PollConfig:
            return DecodeFlags(r, kind, 6, f);
        case ItemKind::kPasswordSets:
            return DecodePasswordSets(r, f);
        case ItemKind::kPasswordTable:
        case ItemKind::kTimeServerPassword:
            return DecodePasswords(r, kind, f);
        case ItemKind::kTimeServerParam:
            if (!SizeIs(r, kind, 6, f)) {
                return {};
            }
            return TimeServerValue{r.U8(2), r.U8(3)};
        case ItemKind::kTimeServerAddress:
            if (!SizeIs(r, kind, 5, f)) {
                return {};
            }
            return ByteValue{r.U8(2)};
        case ItemKind::kMs744Baud:
            if (!SizeIs(r, kind, 6, f)) {
                return {};
            }
            return ByteValue{r.U8(2)};
        case ItemKind::kAddressTable:
            return DecodeAddressTable(r, f);
        case ItemKind::kPasswordSetReference:
            return DecodeSetReference(r, f);
        case ItemKind::kCorrectionMask:
        case ItemKind::kPollMask:
        case ItemKind::kStatisticsMask:
            if (!SizeIs(r, kind, 8, f)) {
                return {};
            }
            return MaskValue{r.U32(2)};
        case ItemKind::kString:
        case ItemKind::kUnknownRecord:
            break;
    }
    return {};
}

}  // namespace quillon::inspect
