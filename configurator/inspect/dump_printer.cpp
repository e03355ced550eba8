#include "inspect/dump_printer.h"

#include <array>
#include <map>
#include <string>
#include <string_view>

#include "inspect/area_schema.h"
#include "inspect/catalogue_words.h"
#include "inspect/record_decoders.h"
#include "inspect/text_format.h"
#include "settings/meter_types.h"

namespace quillon::inspect {
namespace {

// The event types of the log filter with their codes, in the communicator's order. A code of
// one bit is a bit of the filter mask; a code of several bits is stored as one combined byte.
struct EventCode {
    std::string_view key;
    uint16_t code;
};

constexpr std::array<EventCode, 18> kEventCodes = {{
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
}};

// A combined byte: the 4-bit group number in bits 4-5, the group's value in bits 0-3.
uint16_t CodeOfCombined(uint8_t combined) {
    return static_cast<uint16_t>((combined & 0x0F) << (4 * ((combined >> 4) & 3)));
}

bool SingleBit(uint16_t code) {
    return code != 0 && (code & (code - 1)) == 0;
}

// Flag bits that are cleared when their setting is on.
struct FlagBit {
    std::string_view key;
    uint8_t bit;
};

constexpr std::array<FlagBit, 2> kSystemFlags = {{{"EXT_SYSLOG", 0x01}, {"EXT_TCORR", 0x02}}};
constexpr std::array<FlagBit, 3> kPollFlags = {
    {{"EVR_REC", 0x40}, {"EVR_COOKIE", 0x20}, {"EVR_LAST", 0x10}}};
constexpr std::array<FlagBit, 3> kMs744Flags = {
    {{"CH1_MS744_REC", 0x40}, {"CH1_MS744_COOKIE", 0x20}, {"CH1_MS744_LAST", 0x10}}};

constexpr std::array<std::string_view, 7> kChannelItems = {"SYS", "SRV",  "TRY", "APN",
                                                           "IP",  "GATE", "MASK"};

std::string Word(std::string_view word, uint32_t code) {
    return word.empty() ? "код " + std::to_string(code) : std::string(word);
}

std::string PasswordText(const PasswordBytes& password) {
    std::string text;
    for (uint8_t byte : password) {
        text += (text.empty() ? "" : ",") + std::to_string(byte);
    }
    return text;
}

std::string IpText(uint32_t value) {
    return std::to_string(value >> 24) + "." + std::to_string(value >> 16 & 0xFF) + "." +
           std::to_string(value >> 8 & 0xFF) + "." + std::to_string(value & 0xFF);
}

std::string MeterTypeName(int channel, int type) {
    if (type < 0 || type >= kMeterTypeCount) {
        return "тип " + std::to_string(type + 1);
    }
    const char* tag = kMeterTypeTags[static_cast<size_t>(type)];
    const std::string key = "CH" + std::to_string(channel) + "_" + tag;
    const std::string_view caption = CaptionOf(key);
    return caption.empty() ? std::string(CaptionOf(std::string("CH1_") + tag))
                           : std::string(caption);
}

std::string GroupText(uint16_t code) {
    const auto group = GroupOfCode(code);
    if (!group) {
        return "неизвестная группа " + Hex4(code);
    }
    return "группа " + Hex4(code) + ": " +
           std::string(HeadingOf("CH" + std::to_string(group->channel) + "_GROUP")) + ", " +
           MeterTypeName(group->channel, group->meterType) + ", с ТУ " +
           std::to_string(32 * group->ordinal + 1);
}

class Printer {
public:
    Printer(const AreaReport& report, const AreaPlace& place, std::ostream& out)
        : m_report(report), m_place(place), m_out(out) {
        for (const AreaItem& item : report.items) {
            m_byStart.emplace(item.start, &item);
        }
    }

    void Print() {
        m_out << m_place.name << ", " << FlashAddress(m_place.base) << "\n";
        m_out << "  Сигнатура: " << (m_report.signatureOk ? "верна" : "неверна") << "\n";
        m_out << "  Размер: " << m_report.totalField << " байт";
        if (m_report.totalField != m_report.size) {
            m_out << " (в файле " << m_report.size << " байт)";
        }
        m_out << "\n  Контрольная сумма: ";
        if (m_report.storedChecksum) {
            m_out << Hex4(*m_report.storedChecksum)
                  << (*m_report.storedChecksum == m_report.computedChecksum ? ", верна"
                                                                            : ", неверна");
        } else {
            m_out << "нет";
        }
        m_out << "\n";
        for (const AreaItem& item : m_report.items) {
            if (item.kind != ItemKind::kString) {
                Item(item);
            }
        }
    }

private:
    void Line(const std::string& text) { m_out << "      " << text << "\n"; }

    std::string Target(int64_t target) const {
        return FlashAddress(m_place.base + static_cast<uint64_t>(std::max<int64_t>(target, 0)));
    }

    void Item(const AreaItem& item) {
        m_out << "  " << FlashAddress(m_place.base + item.start) << "  "
              << ItemName(item.kind, item.section, item.identifier) << " (" << item.size
              << " байт)";
        if (!item.field && item.kind != ItemKind::kSectionTable) {
            m_out << ", без ссылки";
        }
        std::visit([&](const auto& value) { Value(item, value); }, item.value);
    }

    void Value(const AreaItem& item, const std::monostate&) {
        m_out << (item.kind == ItemKind::kSchedule ? "" : ": не разобрана") << "\n";
    }

    void Value(const AreaItem& item, const OffsetTableValue& table) {
        if (item.kind == ItemKind::kDirectory && GroupOfCode(item.section)) {
            m_out << ", " << GroupText(item.section);
        }
        m_out << ": элементов " << table.entries.size() << "\n";
        for (const OffsetEntry& entry : table.entries) {
            std::string name;
            if (item.kind == ItemKind::kSectionTable) {
                name = "секция " + Hex4(entry.identifier);
            } else {
                const auto kind = ItemUnder(m_report.kind, item.section, entry.identifier);
                name = Hex4(entry.identifier) + " " +
                       ItemName(kind.value_or(ItemKind::kUnknownRecord), item.section,
                                entry.identifier);
            }
            Line(name + " -> " + Target(entry.target));
        }
    }

    void Value(const AreaItem&, const TextValue& gid) {
        m_out << ": " << gid.text;
        const unsigned long number = std::strtoul(gid.text.c_str(), nullptr, 16);
        m_out << " (" << number << ")\n";
    }

    void Value(const AreaItem&, const ChannelValue& channel) {
        std::string kind = "вид не указан";
        for (const ChannelEntry& entry : channel.entries) {
            if (entry.tag == 0x80) {
                kind = entry.value == 't'   ? std::string(OptionOf("LOC_MAIN_CHAN_TYPE", 0))
                       : entry.value == 'm' ? std::string(OptionOf("LOC_MAIN_CHAN_TYPE", 1))
                                            : "вид " + Hex4(entry.value);
            }
        }
        m_out << ": " << CaptionOf("LOC_MAIN_CHAN_TYPE") << " " << kind << "\n";
        for (const ChannelEntry& entry : channel.entries) {
            const size_t item = entry.tag >= 0x01 && entry.tag <= 0x04   ? entry.tag - 1u
                                : entry.tag >= 0x84 && entry.tag <= 0x86 ? entry.tag - 0x84u + 4
                                                                         : kChannelItems.size();
            if (item == kChannelItems.size()) {
                continue;
            }
            const std::string caption(
                CaptionOf("LOC_MAIN_CHAN_" + std::string(kChannelItems[item])));
            if (entry.tag >= 0x84) {
                Line(caption + ": " + IpText(entry.value));
                continue;
            }
            const auto text =
                m_byStart.find(static_cast<size_t>(std::max<int64_t>(entry.target, 0)));
            const TextValue* value =
                text == m_byStart.end() ? nullptr : std::get_if<TextValue>(&text->second->value);
            Line(caption + ": " +
                 (value && text->second->kind == ItemKind::kString ? QuotedText(value->text)
                                                                   : std::string("(нет строки)")) +
                 " (" + Target(entry.target) + ")");
        }
    }

    void Value(const AreaItem&, const EventFilterValue& filter) {
        std::vector<std::string> names;
        uint16_t mask = filter.mask;
        std::array<bool, 6> known{};
        for (const EventCode& event : kEventCodes) {
            bool ignored = false;
            if (SingleBit(event.code)) {
                ignored = (filter.mask & event.code) != 0;
                mask &= static_cast<uint16_t>(~event.code);
            } else {
                for (size_t i = 0; i < filter.combined.size(); ++i) {
                    if (filter.combined[i] != 0 &&
                        CodeOfCombined(filter.combined[i]) == event.code) {
                        ignored = true;
                        known[i] = true;
                    }
                }
            }
            if (ignored) {
                names.emplace_back(CaptionOf(event.key));
            }
        }
        for (int bit = 0; bit < 16; ++bit) {
            if ((mask >> bit & 1) != 0) {
                names.push_back("неизвестный код " + Hex4(1u << bit));
            }
        }
        for (size_t i = 0; i < filter.combined.size(); ++i) {
            if (filter.combined[i] != 0 && !known[i]) {
                names.push_back("неизвестный составной код " + Hex2(filter.combined[i]));
            }
        }
        m_out << ": маска " << Hex4(filter.mask) << (names.empty() ? ", нет" : "") << "\n";
        for (const std::string& name : names) {
            Line(name);
        }
    }

    template <size_t N>
    void Flags(uint8_t flags, const std::array<FlagBit, N>& bits) {
        m_out << ": " << Hex2(flags) << "\n";
        for (const FlagBit& bit : bits) {
            Line(std::string(CaptionOf(bit.key)) + ": " + ((flags & bit.bit) == 0 ? "да" : "нет"));
        }
    }

    void Value(const AreaItem& item, const FlagsValue& flags) {
        if (item.kind == ItemKind::kSystemFlags) {
            Flags(flags.flags, kSystemFlags);
        } else if (item.kind == ItemKind::kPollConfig) {
            Flags(flags.flags, kPollFlags);
        } else {
            Flags(flags.flags, kMs744Flags);
        }
    }

    void Value(const AreaItem&, const ScheduleValue& schedule) {
        m_out << ": длина " << schedule.length << " байт, контрольная сумма "
              << Hex4(schedule.checksum) << "\n";
    }

    void Value(const AreaItem&, const ChannelSetupValue& setup) {
        m_out << "\n";
        for (size_t c = 0; c < setup.channels.size(); ++c) {
            const ExchangeBlock& block = setup.channels[c];
            const std::string channel(HeadingOf("CH" + std::to_string(c) + "_GROUP"));
            const std::string group(OptionOf("CH1_GROUP", block.groupCode));
            Line(channel + ": " + std::string(CaptionOf("CH0_GROUP")) + " " +
                 Word(group, block.groupCode) + " (код " + std::to_string(block.groupCode) + ")");
            for (const auto& [type, count] : block.types) {
                Line("    " + MeterTypeName(static_cast<int>(c), type - 1) + ": " +
                     std::to_string(count));
            }
        }
    }

    void Value(const AreaItem&, const UartValue& uart) {
        m_out << "\n";
        for (size_t c = 0; c < uart.lines.size(); ++c) {
            const UartLine& line = uart.lines[c];
            const std::string prefix = "CH" + std::to_string(c) + "_UART_";
            const std::string byDefault(OptionOf(prefix + "SPEED", 0));
            Line(std::string(HeadingOf(prefix + "SPEED", 2)) + ": " +
                 std::string(CaptionOf(prefix + "SPEED")) + " " +
                 (line.speed == 0 ? byDefault : std::to_string(line.speed)) + "; " +
                 std::string(CaptionOf(prefix + "BIT_PER_SYMBOL")) + " " +
                 (line.dataBits == 0 ? byDefault : std::to_string(line.dataBits)) + "; " +
                 std::string(CaptionOf(prefix + "STOP_BIT_DURATION")) + " " +
                 Word(OptionOf(prefix + "STOP_BIT_DURATION", line.stopBits), line.stopBits) + "; " +
                 std::string(CaptionOf(prefix + "PARITY_BIT")) + " " +
                 Word(OptionOf(prefix + "PARITY_BIT", line.parity), line.parity));
        }
    }

    void Value(const AreaItem&, const PasswordSetsValue& sets) {
        m_out << ": наборов " << sets.sets.size() << "\n";
        for (size_t s = 0; s < sets.sets.size(); ++s) {
            std::string text = "набор " + std::to_string(s) + ":";
            for (const PasswordElement& element : sets.sets[s]) {
                text += element.meter == 0 ? " остальные" : " ТУ " + std::to_string(element.meter);
                text += " - пароли " + std::to_string(element.passwords[0]) + ", " +
                        std::to_string(element.passwords[1]) + ", " +
                        std::to_string(element.passwords[2]) + ";";
            }
            Line(text);
        }
    }

    void Value(const AreaItem& item, const PasswordTableValue& table) {
        if (item.kind == ItemKind::kTimeServerPassword && table.passwords.size() == 1) {
            m_out << ": " << PasswordText(table.passwords[0]) << "\n";
            return;
        }
        m_out << ": паролей " << table.passwords.size() << "\n";
        for (size_t p = 0; p < table.passwords.size(); ++p) {
            Line(std::to_string(p) + ": " + PasswordText(table.passwords[p]));
        }
    }

    void Value(const AreaItem&, const TimeServerValue& server) {
        m_out << ": " << Word(OptionOf("TS_CHAN", server.channel), server.channel) << ", "
              << Word(OptionOf("TS_TYPE", server.meterType + 1), server.meterType) << "\n";
    }

    void Value(const AreaItem& item, const ByteValue& value) {
        if (item.kind == ItemKind::kMs744Baud) {
            m_out << ": " << Word(OptionOf("CH1_MS744_BAUD", value.value), value.value) << "\n";
        } else {
            m_out << ": " << int{value.value} << "\n";
        }
    }

    void Value(const AreaItem& item, const AddressTableValue& table) {
        const auto group = GroupOfCode(item.section);
        const int first = group ? 32 * group->ordinal + 1 : 1;
        m_out << ": счетчиков " << table.addresses.size() << "\n";
        for (size_t i = 0; i < table.addresses.size(); ++i) {
            Line("ТУ " + std::to_string(first + static_cast<int>(i)) + ": " +
                 std::to_string(table.addresses[i]));
        }
    }

    void Value(const AreaItem&, const SetReferenceValue& reference) {
        m_out << ":";
        for (uint8_t set : reference.sets) {
            m_out << " набор " << int{set};
        }
        m_out << "\n";
    }

    void Value(const AreaItem& item, const MaskValue& mask) {
        const auto group = GroupOfCode(item.section);
        const int first = group ? 32 * group->ordinal + 1 : 1;
        m_out << ": " << Hex8(mask.mask);
        std::string meters;
        for (int bit = 0; bit < 32; ++bit) {
            if ((mask.mask >> bit & 1) != 0) {
                meters += (meters.empty() ? "ТУ " : ", ") + std::to_string(first + bit);
            }
        }
        m_out << ", " << (meters.empty() ? "нет" : meters) << "\n";
    }

    const AreaReport& m_report;
    const AreaPlace& m_place;
    std::ostream& m_out;
    std::map<size_t, const AreaItem*> m_byStart;
};

}  // namespace

void PrintArea(const AreaReport& report, const AreaPlace& place, std::ostream& out) {
    Printer(report, place, out).Print();
}

}  // namespace quillon::inspect
