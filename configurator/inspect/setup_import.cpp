// The import of a setup file: every record the inspector decoded, turned back into the values
// of the settings that Save Setup built it from.
#include "inspect/setup_import.h"

#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>

#include "inspect/area_schema.h"
#include "inspect/catalogue_words.h"
#include "inspect/record_decoders.h"
#include "inspect/setting_codes.h"
#include "inspect/text_format.h"
#include "settings/channel_counts.h"
#include "settings/setup_entry.h"

namespace quillon::inspect {
namespace {

using Kind = SettingValue::Kind;

constexpr int kMetersPerGroup = 32;

std::string DottedAddress(uint32_t value) {
    return std::to_string(value >> 24) + "." + std::to_string(value >> 16 & 0xFF) + "." +
           std::to_string(value >> 8 & 0xFF) + "." + std::to_string(value & 0xFF);
}

// The text a password box needs for these bytes: the byte values in decimal, separated by
// commas, as many as the meter type's passwords have. Bytes past that length that are not 0
// are written too, so that Save Setup refuses the password rather than losing them.
std::string PasswordText(const PasswordBytes& bytes, int length) {
    size_t count = bytes.size();
    while (count > static_cast<size_t>(length) && bytes[count - 1] == 0) {
        --count;
    }
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text.append(i == 0 ? "" : ",").append(std::to_string(bytes[i]));
    }
    return text;
}

std::string ChannelKey(int channel, std::string_view item) {
    std::string key = "CH" + std::to_string(channel) + "_";
    key += item;
    return key;
}

std::string MeterKey(int channel, int type, int number, std::string_view item) {
    std::string key = ChannelKey(channel, kMeterTypeTags[static_cast<size_t>(type)]) + "_" +
                      std::to_string(number) + "_";
    key += item;
    return key;
}

std::string Quoted(std::string_view caption) {
    return "«" + std::string(caption) + "»";
}

// The combined byte the communicator reads a multi-bit event code from: its lowest non-zero
// 4-bit group, with the group's number above the value.
uint8_t CombinedByteOf(uint16_t code) {
    int group = 0;
    while (group < 3 && ((code >> (4 * group)) & 0x0F) == 0) {
        ++group;
    }
    return static_cast<uint8_t>(group << 4 | ((code >> (4 * group)) & 0x0F));
}

// The items of one meter group.
struct GroupItems {
    const AreaItem* addresses = nullptr;
    const AreaItem* sets = nullptr;
    const AreaItem* correction = nullptr;
    const AreaItem* poll = nullptr;
    const AreaItem* statistics = nullptr;
};

class Importer {
public:
    explicit Importer(const SetupFileReport& report) : m_report(report) {}

    SetupImport Run() {
        if (!m_report.problems.empty()) {
            m_import.problems = m_report.problems;
            return std::move(m_import);
        }
        ImportModule(AreaKind::kLocal, "LOC");
        ImportModule(AreaKind::kExternal, "EXT");
        ImportExternalTables();
        ImportMeterArea();
        std::stable_sort(m_import.problems.begin(), m_import.problems.end(),
                         [](const SetupProblem& a, const SetupProblem& b) {
                             return a.address.value_or(0) < b.address.value_or(0);
                         });
        if (!m_import.problems.empty()) {
            m_import.values.clear();
            m_import.schedule.clear();
        }
        return std::move(m_import);
    }

private:
    static size_t Index(AreaKind kind) {
        for (size_t a = 0; a < kAreaPlaces.size(); ++a) {
            if (kAreaPlaces[a].kind == kind) {
                return a;
            }
        }
        return 0;
    }

    // Without inspector problems every area is there.
    const AreaReport& Area(AreaKind kind) const { return *m_report.areas[Index(kind)]; }

    std::span<const uint8_t> Bytes(AreaKind kind) const {
        return m_report.file.image.RunFrom(PlaceOf(kind).base).first(Area(kind).size);
    }

    void Problem(AreaKind kind, size_t offset, std::string text) {
        m_import.problems.push_back(
            {std::nullopt, PlaceOf(kind).base + static_cast<uint32_t>(offset), std::move(text)});
    }

    void Problem(AreaKind kind, const AreaItem& item, const std::string& text) {
        Problem(kind, item.start, ItemName(item.kind, item.section, item.identifier) + ": " + text);
    }

    void Text(std::string key, std::string text) {
        m_import.values.push_back({std::move(key), Kind::kText, 0, std::move(text)});
    }
    void Select(std::string key, int index) {
        m_import.values.push_back({std::move(key), Kind::kSelection, index, {}});
    }
    void Check(std::string key, bool on) {
        m_import.values.push_back({std::move(key), Kind::kCheck, on ? 1 : 0, {}});
    }
    void Password(std::string key, int box, std::string text) {
        m_import.values.push_back({std::move(key), Kind::kPassword, box, std::move(text)});
    }

    // GID and the two communication channels, which the local and the external area share.
    void ImportModule(AreaKind kind, std::string_view prefix) {
        const AreaReport& area = Area(kind);
        std::map<size_t, const AreaItem*> strings;
        for (const AreaItem& item : area.items) {
            if (item.kind == ItemKind::kString) {
                strings.emplace(item.start, &item);
            }
        }
        for (const AreaItem& item : area.items) {
            if (const auto* gid = std::get_if<TextValue>(&item.value);
                gid != nullptr && item.kind == ItemKind::kGid) {
                // The unit shows its GID in hexadecimal; so does the setting.
                Text(std::string(prefix) + "_GID", "0x" + gid->text);
            } else if (const auto* channel = std::get_if<ChannelValue>(&item.value)) {
                ImportChannel(kind, item, *channel, prefix, strings);
            }
        }
    }

    void ImportChannel(AreaKind kind, const AreaItem& item, const ChannelValue& channel,
                       std::string_view prefix, const std::map<size_t, const AreaItem*>& strings) {
        const std::string stem =
            std::string(prefix) + (item.identifier == 3 ? "_RSV_CHAN_" : "_MAIN_CHAN_");
        static constexpr std::array<std::string_view, 4> kStringItems = {"SYS", "SRV", "TRY",
                                                                         "APN"};
        static constexpr std::array<std::string_view, 3> kAddressItems = {"IP", "GATE", "MASK"};
        for (const ChannelEntry& entry : channel.entries) {
            if (entry.tag == 0x80) {
                Select(stem + "TYPE", entry.value == 'm' ? 1 : 0);
            } else if (entry.tag >= 0x01 && entry.tag <= 0x04) {
                const auto found = strings.find(static_cast<size_t>(entry.target));
                const auto* text = found == strings.end()
                                       ? nullptr
                                       : std::get_if<TextValue>(&found->second->value);
                if (text == nullptr) {
                    Problem(kind, item, "нет строки по смещению признака " + Hex2(entry.tag));
                    continue;
                }
                Text(stem + std::string(kStringItems[entry.tag - 1u]), text->text);
            } else if (entry.tag >= 0x84 && entry.tag <= 0x86) {
                Text(stem + std::string(kAddressItems[entry.tag - 0x84u]),
                     DottedAddress(entry.value));
            }
        }
    }

    void ImportExternalTables() {
        constexpr AreaKind kKind = AreaKind::kExternal;
        const std::span<const uint8_t> bytes = Bytes(kKind);
        for (const AreaItem& item : Area(kKind).items) {
            switch (item.kind) {
                case ItemKind::kEventFilter:
                    if (const auto* filter = std::get_if<EventFilterValue>(&item.value)) {
                        ImportFilter(item, *filter);
                    }
                    break;
                case ItemKind::kSystemFlags:
                    ImportFlags(kKind, item, kSystemFlags);
                    break;
                case ItemKind::kPollConfig:
                    ImportFlags(kKind, item, kPollFlags);
                    ImportFiller(kKind, item, bytes[item.start + 3], kPollConfigFiller);
                    break;
                case ItemKind::kSchedule:
                    m_import.schedule.assign(
                        bytes.begin() + static_cast<std::ptrdiff_t>(item.start + 2),
                        bytes.begin() + static_cast<std::ptrdiff_t>(item.start + item.size - 2));
                    break;
                case ItemKind::kChannelSetup:
                    if (const auto* setup = std::get_if<ChannelSetupValue>(&item.value)) {
                        ImportChannelSetup(item, *setup);
                    }
                    break;
                case ItemKind::kUartConfig:
                    if (const auto* uart = std::get_if<UartValue>(&item.value)) {
                        ImportUart(item, *uart);
                    }
                    break;
                default:
                    break;
            }
        }
    }

    void ImportFilter(const AreaItem& item, const EventFilterValue& filter) {
        uint16_t known = 0;
        std::array<bool, 6> combinedKnown{};
        for (const EventCode& event : kEventCodes) {
            const std::string key(event.key);
            if (SingleBit(event.code)) {
                known = static_cast<uint16_t>(known | event.code);
                Check(key, (filter.mask & event.code) != 0);
                continue;
            }
            bool on = false;
            for (size_t i = 0; i < filter.combined.size(); ++i) {
                if (filter.combined[i] == CombinedByteOf(event.code)) {
                    on = true;
                    combinedKnown[i] = true;
                }
            }
            Check(key, on);
        }
        if (const uint16_t unknown = static_cast<uint16_t>(filter.mask & ~known); unknown != 0) {
            Problem(AreaKind::kExternal, item,
                    "биты маски " + Hex4(unknown) + " не означают ни одной журнальной записи");
        }
        for (size_t i = 0; i < filter.combined.size(); ++i) {
            if (filter.combined[i] != 0 && !combinedKnown[i]) {
                Problem(AreaKind::kExternal, item,
                        "составной код " + Hex2(filter.combined[i]) +
                            " не означает ни одной журнальной записи");
            }
        }
    }

    template <size_t N>
    void ImportFlags(AreaKind kind, const AreaItem& item, const std::array<FlagBit, N>& bits) {
        const auto* flags = std::get_if<FlagsValue>(&item.value);
        if (flags == nullptr) {
            return;
        }
        uint8_t known = 0;
        for (const FlagBit& bit : bits) {
            known = static_cast<uint8_t>(known | bit.bit);
            Check(std::string(bit.key), (flags->flags & bit.bit) == 0);
        }
        const auto cleared = static_cast<uint8_t>(~flags->flags & ~known);
        if (cleared != 0) {
            Problem(kind, item,
                    "сброшены биты " + Hex2(cleared) + ", которых нет ни у одной настройки");
        }
    }

    void ImportFiller(AreaKind kind, const AreaItem& item, uint8_t stored, uint8_t expected) {
        if (stored != expected) {
            Problem(kind, item,
                    "байт " + Hex2(stored) + " на месте " + Hex2(expected) +
                        " не задаётся ни одной настройкой");
        }
    }

    void ImportChannelSetup(const AreaItem& item, const ChannelSetupValue& setup) {
        for (size_t c = 0; c < setup.channels.size() && c < 2; ++c) {
            const int channel = static_cast<int>(c);
            const ExchangeBlock& block = setup.channels[c];
            const std::string groupKey = ChannelKey(channel, "GROUP");
            const std::optional<int> option = GroupOption(channel, block.groupCode);
            if (!option) {
                Problem(AreaKind::kExternal, item,
                        "у канала " + std::to_string(c) + " группа устройств с кодом " +
                            std::to_string(block.groupCode) + ", которой нет в списке " +
                            Quoted(CaptionOf(groupKey)));
                m_groupRefused[c] = true;
                continue;
            }
            Select(groupKey, *option);
            const GroupTypes served = TypesOfGroup(channel, *option);
            std::array<int, kMeterTypeCount>& counts = m_counts[c];
            std::array<bool, kMeterTypeCount> listed{};
            for (const auto& [code, count] : block.types) {
                const int type = code - 1;
                const std::string where = "у канала " + std::to_string(c) + " ";
                if (type < served.first || type >= served.first + served.count) {
                    Problem(AreaKind::kExternal, item,
                            where + "тип счетчика " + std::to_string(code) +
                                ", а группа устройств " + Quoted(OptionOf(groupKey, *option)) +
                                " его не обслуживает");
                    continue;
                }
                const auto t = static_cast<size_t>(type);
                if (listed[t]) {
                    Problem(AreaKind::kExternal, item,
                            where + "тип счетчика " + std::to_string(code) + " указан дважды");
                    continue;
                }
                listed[t] = true;
                if (count > kMeterTypes[t].nodeCount) {
                    Problem(AreaKind::kExternal, item,
                            where + std::to_string(count) + " счетчиков типа " + kMeterTypeTags[t] +
                                ", а в дереве настроек их " +
                                std::to_string(kMeterTypes[t].nodeCount));
                    continue;
                }
                counts[t] = count;
            }
            for (int type = served.first; type < served.first + served.count; ++type) {
                const auto t = static_cast<size_t>(type);
                Text(ChannelKey(channel, std::string(kMeterTypeTags[t]) + "_NUM"),
                     std::to_string(counts[t]));
            }
        }
    }

    void ImportUart(const AreaItem& item, const UartValue& uart) {
        for (size_t c = 0; c < uart.lines.size(); ++c) {
            const int channel = static_cast<int>(c);
            const UartLine& line = uart.lines[c];
            const auto option = [&](std::string_view field, uint32_t value,
                                    std::optional<int> index) {
                const std::string key = ChannelKey(channel, std::string("UART_").append(field));
                if (!index) {
                    Problem(AreaKind::kExternal, item,
                            "у канала " + std::to_string(c) + " значение " + std::to_string(value) +
                                ", которого нет в списке " + Quoted(CaptionOf(key)));
                    return;
                }
                Select(key, *index);
            };
            const auto speed = std::find(kUartSpeeds.begin(), kUartSpeeds.end(), line.speed);
            option("SPEED", line.speed,
                   speed == kUartSpeeds.end()
                       ? std::nullopt
                       : std::optional<int>(static_cast<int>(speed - kUartSpeeds.begin())));
            const auto bits = std::find(kUartDataBits.begin(), kUartDataBits.end(), line.dataBits);
            option("BIT_PER_SYMBOL", line.dataBits,
                   bits == kUartDataBits.end()
                       ? std::nullopt
                       : std::optional<int>(static_cast<int>(bits - kUartDataBits.begin())));
            option(
                "STOP_BIT_DURATION", line.stopBits,
                line.stopBits < kStopBitOptions ? std::optional<int>(line.stopBits) : std::nullopt);
            option("PARITY_BIT", line.parity,
                   line.parity < kParityOptions ? std::optional<int>(line.parity) : std::nullopt);
        }
    }

    void ImportMeterArea() {
        constexpr AreaKind kKind = AreaKind::kMeter;
        const std::span<const uint8_t> bytes = Bytes(kKind);
        const PasswordSetsValue* sets = nullptr;
        const PasswordTableValue* passwords = nullptr;
        const AreaItem* timeServer = nullptr;
        std::map<uint16_t, GroupItems> groups;
        for (const AreaItem& item : Area(kKind).items) {
            switch (item.kind) {
                case ItemKind::kPasswordSets:
                    sets = std::get_if<PasswordSetsValue>(&item.value);
                    break;
                case ItemKind::kPasswordTable:
                    passwords = std::get_if<PasswordTableValue>(&item.value);
                    break;
                case ItemKind::kTimeServerParam:
                    timeServer = &item;
                    ImportTimeServer(item);
                    break;
                case ItemKind::kTimeServerAddress:
                    if (const auto* address = std::get_if<ByteValue>(&item.value)) {
                        Text("TS_ADDR", std::to_string(address->value));
                    }
                    break;
                case ItemKind::kTimeServerPassword:
                    if (const auto* table = std::get_if<PasswordTableValue>(&item.value);
                        table != nullptr && table->passwords.size() == 1) {
                        Text("TS_PASS", PasswordText(table->passwords[0], 6));
                    }
                    break;
                case ItemKind::kMs744PollConfig:
                    ImportFlags(kKind, item, kMs744Flags);
                    ImportFiller(kKind, item, bytes[item.start + 3], kPollConfigFiller);
                    break;
                case ItemKind::kMs744Baud:
                    ImportMs744Baud(item, bytes[item.start + 3]);
                    break;
                case ItemKind::kAddressTable:
                    groups[item.section].addresses = &item;
                    break;
                case ItemKind::kPasswordSetReference:
                    groups[item.section].sets = &item;
                    break;
                case ItemKind::kCorrectionMask:
                    groups[item.section].correction = &item;
                    break;
                case ItemKind::kPollMask:
                    groups[item.section].poll = &item;
                    break;
                case ItemKind::kStatisticsMask:
                    groups[item.section].statistics = &item;
                    break;
                default:
                    break;
            }
        }
        if (timeServer == nullptr) {
            Select("TS_TYPE", 0);
        }
        for (const auto& [code, items] : groups) {
            ImportGroup(code, items, sets, passwords);
        }
        // Every meter the channel set-up counts needs its group.
        for (int c = 0; c < kExchangeChannelCount; ++c) {
            for (int t = 0; t < kMeterTypeCount; ++t) {
                const int count = m_counts[static_cast<size_t>(c)][static_cast<size_t>(t)];
                for (int g = 0; kMetersPerGroup * g < count; ++g) {
                    const uint16_t code = GroupCodeOf(c, t, g);
                    if (groups.find(code) == groups.end()) {
                        Problem(kKind, kFirstRecord,
                                "нет группы " + Hex4(code) + " для ТУ " +
                                    std::to_string(kMetersPerGroup * g + 1) + " и далее типа " +
                                    kMeterTypeTags[static_cast<size_t>(t)] + " канала " +
                                    std::to_string(c) +
                                    ", которые насчитывает настройка каналов обмена");
                    }
                }
            }
        }
    }

    void ImportTimeServer(const AreaItem& item) {
        const auto* server = std::get_if<TimeServerValue>(&item.value);
        if (server == nullptr) {
            return;
        }
        if (server->channel > 1) {
            Problem(AreaKind::kMeter, item,
                    "канала " + std::to_string(server->channel) + " нет в списке " +
                        Quoted(CaptionOf("TS_CHAN")));
        } else {
            Select("TS_CHAN", server->channel);
        }
        if (server->meterType > 2) {
            Problem(AreaKind::kMeter, item,
                    "типа счетчика " + std::to_string(server->meterType) + " нет в списке " +
                        Quoted(CaptionOf("TS_TYPE")));
        } else {
            Select("TS_TYPE", server->meterType + 1);
        }
    }

    // With no option chosen the speed is written as 0xFF, the selection -1 in one byte.
    void ImportMs744Baud(const AreaItem& item, uint8_t second) {
        const auto* baud = std::get_if<ByteValue>(&item.value);
        if (baud == nullptr) {
            return;
        }
        if (baud->value == 0xFF) {
            Select("CH1_MS744_BAUD", -1);
        } else if (baud->value < kMs744BaudOptions) {
            Select("CH1_MS744_BAUD", baud->value);
        } else {
            Problem(AreaKind::kMeter, item,
                    "скорости с кодом " + std::to_string(baud->value) + " нет в списке " +
                        Quoted(CaptionOf("CH1_MS744_BAUD")));
        }
        ImportFiller(AreaKind::kMeter, item, second, 0);
    }

    void ImportGroup(uint16_t code, const GroupItems& items, const PasswordSetsValue* sets,
                     const PasswordTableValue* passwords) {
        constexpr AreaKind kKind = AreaKind::kMeter;
        const auto* table =
            items.addresses ? std::get_if<AddressTableValue>(&items.addresses->value) : nullptr;
        const auto group = GroupOfCode(code);
        // The groups of a channel whose device group was refused tell nothing more.
        if (table == nullptr || !group || m_groupRefused[static_cast<size_t>(group->channel)]) {
            return;
        }
        const AreaItem& item = *items.addresses;
        const int c = group->channel;
        const int t = group->meterType;
        const int first = kMetersPerGroup * group->ordinal;
        const int expected = std::min(
            kMetersPerGroup, m_counts[static_cast<size_t>(c)][static_cast<size_t>(t)] - first);
        const int count = static_cast<int>(table->addresses.size());
        if (count != std::max(expected, 0)) {
            Problem(kKind, item,
                    "в группе " + std::to_string(count) +
                        " счетчиков, а настройка каналов "
                        "обмена насчитывает в ней " +
                        std::to_string(std::max(expected, 0)));
            return;
        }
        for (int i = 0; i < count; ++i) {
            const int number = first + i + 1;
            const uint32_t address = table->addresses[static_cast<size_t>(i)];
            if (t == kMeterM601 && address != 1) {
                Problem(kKind, item,
                        "сетевой адрес " + std::to_string(address) + ", а у " +
                            kMeterTypeTags[static_cast<size_t>(t)] + " он всегда 1");
                continue;
            }
            Text(MeterKey(c, t, number, "NA"), std::to_string(address));
        }
        ImportMask(items.correction, c, t, first, count, "AUTO_CORR");
        ImportMask(items.poll, c, t, first, count, "POLL");
        ImportMask(items.statistics, c, t, first, count, "STAT");
        if (items.sets != nullptr) {
            ImportPasswords(*items.sets, c, t, first, count, sets, passwords);
        }
    }

    void ImportMask(const AreaItem* item, int c, int t, int first, int count,
                    std::string_view box) {
        const auto* mask = item ? std::get_if<MaskValue>(&item->value) : nullptr;
        if (mask == nullptr) {
            return;
        }
        for (int i = 0; i < count; ++i) {
            Check(MeterKey(c, t, first + i + 1, box), (mask->mask >> i & 1) != 0);
        }
    }

    // The group's password set names a default triple (meter 0) and the meters that differ.
    void ImportPasswords(const AreaItem& item, int c, int t, int first, int count,
                         const PasswordSetsValue* sets, const PasswordTableValue* passwords) {
        constexpr AreaKind kKind = AreaKind::kMeter;
        const auto* reference = std::get_if<SetReferenceValue>(&item.value);
        if (reference == nullptr) {
            return;
        }
        if (reference->sets.size() != 1) {
            Problem(kKind, item,
                    "наборов паролей " + std::to_string(reference->sets.size()) +
                        ", а у группы счетчиков он один");
            return;
        }
        const size_t index = reference->sets[0];
        if (sets == nullptr || passwords == nullptr || index >= sets->sets.size()) {
            return;  // the inspector reports it
        }
        const std::vector<PasswordElement>& set = sets->sets[index];
        std::vector<std::optional<std::array<uint8_t, 3>>> triples(static_cast<size_t>(count));
        std::optional<std::array<uint8_t, 3>> fallback;
        const std::string where = "набор " + std::to_string(index) + ": ";
        for (const PasswordElement& element : set) {
            if (element.meter == 0) {
                if (fallback) {
                    Problem(kKind, item, where + "пароли остальных счетчиков указаны дважды");
                }
                fallback = element.passwords;
            } else if (element.meter > count) {
                Problem(kKind, item,
                        where + "ТУ " + std::to_string(element.meter) + " вне группы из " +
                            std::to_string(count));
            } else if (triples[element.meter - 1u]) {
                Problem(kKind, item,
                        where + "ТУ " + std::to_string(element.meter) + " указан дважды");
            } else {
                triples[element.meter - 1u] = element.passwords;
            }
        }
        const int boxes = PasswordBoxes(t);
        for (int i = 0; i < count; ++i) {
            const auto& triple =
                triples[static_cast<size_t>(i)] ? triples[static_cast<size_t>(i)] : fallback;
            const int number = first + i + 1;
            if (!triple) {
                Problem(kKind, item,
                        where + "нет паролей для ТУ " + std::to_string(i + 1) +
                            " и нет паролей остальных счетчиков");
                return;
            }
            for (int box = 0; box < boxes; ++box) {
                const size_t password = (*triple)[static_cast<size_t>(box)];
                if (password >= passwords->passwords.size()) {
                    return;  // the inspector reports it
                }
                Password(MeterKey(c, t, number, "PASS"), box,
                         PasswordText(passwords->passwords[password],
                                      kPasswordBytes[static_cast<size_t>(t)]));
            }
        }
    }

    const SetupFileReport& m_report;
    SetupImport m_import;
    // Meters of each type on each exchange channel, as the channel set-up counts them.
    std::array<std::array<int, kMeterTypeCount>, kExchangeChannelCount> m_counts{};
    std::array<bool, kExchangeChannelCount> m_groupRefused{};
};

}  // namespace

SetupImport ImportSetupReport(const SetupFileReport& report) {
    return Importer(report).Run();
}

SetupImport ImportSetupText(std::string_view content) {
    return ImportSetupReport(InspectSetupFile(content));
}

void ApplySetupImport(const SetupImport& import, KeyMap& keys) {
    std::vector<CSetupEntry*> entries;
    entries.reserve(import.values.size());
    for (const SettingValue& value : import.values) {
        CSetupEntry* found = keys.Find(value.key);
        if (found == nullptr) {
            throw std::logic_error("setup import: no setting " + value.key);
        }
        entries.push_back(found);
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const SettingValue& value = import.values[i];
        CSetupEntry& entry = *entries[i];
        switch (value.kind) {
            case Kind::kText:
                entry.SetText(value.text);
                break;
            case Kind::kSelection:
                entry.SetSelection(value.number);
                break;
            case Kind::kCheck:
                entry.SetCheck(value.number);
                break;
            case Kind::kPassword:
                entry.SetPassword(value.number, value.text);
                break;
        }
    }
}

}  // namespace quillon::inspect
