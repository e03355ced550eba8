#include "inspect/area_schema.h"

#include <algorithm>
#include <array>

#include "inspect/text_format.h"

namespace quillon::inspect {
namespace {

constexpr int kTypeCount = 8;
constexpr int kMs744 = 4;
constexpr int kM601 = 5;

// First group code of each meter type, per exchange channel.
constexpr std::array<std::array<uint16_t, kTypeCount>, 2> kGroupCodeBase = {{
    {0x0014, 0x001E, 0x0028, 0x0032, 0x006E, 0x007E, 0x0091, 0x00A1},
    {0x003C, 0x0046, 0x0050, 0x005A, 0x0076, 0x0086, 0x009B, 0x00AB},
}};

// Groups of 32 a type can fill on one channel: 128 meters, 32 MS744 controllers, one
// MULTICAL601. Channel 0 has no MS744 controllers.
int MaxGroups(int channel, int meterType) {
    if (meterType == kMs744) {
        return channel == 1 ? 1 : 0;
    }
    return meterType == kM601 ? 1 : 4;
}

bool HasPasswords(int t) {
    return t == 0 || t == 1 || t == 2 || t == 6 || t == 7;
}

struct Entry {
    uint16_t identifier;
    ItemKind kind;
};

constexpr std::array<Entry, 3> kLocalDirectory = {{
    {1, ItemKind::kGid},
    {2, ItemKind::kChannel},
    {3, ItemKind::kChannel},
}};

constexpr std::array<Entry, 8> kExternalDirectory = {{
    {1, ItemKind::kGid},
    {2, ItemKind::kChannel},
    {3, ItemKind::kChannel},
    {4, ItemKind::kSystemFlags},
    {5, ItemKind::kSchedule},
    {6, ItemKind::kChannelSetup},
    {28, ItemKind::kUartConfig},
    {29, ItemKind::kEventFilter},
}};

constexpr std::array<Entry, 1> kPollDirectory = {{{13, ItemKind::kPollConfig}}};

constexpr std::array<Entry, 5> kPasswordDirectory = {{
    {0x000B, ItemKind::kPasswordSets},
    {0x000C, ItemKind::kPasswordTable},
    {0x0010, ItemKind::kTimeServerParam},
    {0x0011, ItemKind::kTimeServerAddress},
    {0x0012, ItemKind::kTimeServerPassword},
}};

constexpr std::array<Entry, 2> kMs744Directory = {{
    {0x000D, ItemKind::kMs744PollConfig},
    {0x001B, ItemKind::kMs744Baud},
}};

// The entries of a meter group's directory that its meter type has.
std::vector<Entry> GroupDirectory(int t) {
    std::vector<Entry> entries = {{0x0008, ItemKind::kAddressTable}};
    if (HasPasswords(t)) {
        entries.push_back({0x0009, ItemKind::kPasswordSetReference});
    }
    if (t <= 2) {
        entries.push_back({0x000A, ItemKind::kCorrectionMask});
    }
    if (t == kMs744) {
        entries.push_back({0x000E, ItemKind::kPollMask});
        entries.push_back({0x000F, ItemKind::kStatisticsMask});
    }
    return entries;
}

std::vector<Entry> DirectoryOf(AreaKind area, uint16_t section) {
    switch (area) {
        case AreaKind::kLocal:
            if (section == 0) {
                return {kLocalDirectory.begin(), kLocalDirectory.end()};
            }
            break;
        case AreaKind::kExternal:
            if (section == 0) {
                return {kExternalDirectory.begin(), kExternalDirectory.end()};
            }
            if (section == kPollSection) {
                return {kPollDirectory.begin(), kPollDirectory.end()};
            }
            break;
        case AreaKind::kMeter:
            if (section == kPasswordSection) {
                return {kPasswordDirectory.begin(), kPasswordDirectory.end()};
            }
            if (section == kMs744Section) {
                return {kMs744Directory.begin(), kMs744Directory.end()};
            }
            if (const auto group = GroupOfCode(section)) {
                return GroupDirectory(group->meterType);
            }
            break;
    }
    return {};
}

bool Holds(std::span<const uint16_t> identifiers, uint16_t identifier) {
    return std::find(identifiers.begin(), identifiers.end(), identifier) != identifiers.end();
}

void AddTwice(std::span<const uint16_t> identifiers, std::vector<std::string>& gaps) {
    for (size_t i = 0; i < identifiers.size(); ++i) {
        if (std::count(identifiers.begin(), identifiers.begin() + static_cast<std::ptrdiff_t>(i),
                       identifiers[i]) == 1) {
            gaps.push_back("идентификатор " + Hex4(identifiers[i]) + " указан дважды");
        }
    }
}

void AddMissing(std::span<const uint16_t> identifiers, std::span<const uint16_t> required,
                std::vector<std::string>& gaps, const char* what) {
    for (uint16_t identifier : required) {
        if (!Holds(identifiers, identifier)) {
            gaps.push_back(std::string("нет ") + what + " " + Hex4(identifier));
        }
    }
}

}  // namespace

std::optional<MeterGroupInfo> GroupOfCode(uint16_t code) {
    for (int channel = 0; channel < 2; ++channel) {
        for (int t = 0; t < kTypeCount; ++t) {
            const int ordinal =
                code - kGroupCodeBase[static_cast<size_t>(channel)][static_cast<size_t>(t)];
            if (ordinal >= 0 && ordinal < MaxGroups(channel, t)) {
                return MeterGroupInfo{channel, t, ordinal};
            }
        }
    }
    return std::nullopt;
}

uint16_t GroupCodeOf(int channel, int meterType, int ordinal) {
    return static_cast<uint16_t>(
        kGroupCodeBase[static_cast<size_t>(channel)][static_cast<size_t>(meterType)] + ordinal);
}

size_t AddressWidth(int meterType) {
    switch (meterType) {
        case 3:  // M200
        case 7:  // CE303
            return 4;
        case 6:  // CE102
            return 2;
        default:
            return 1;
    }
}

bool SectionExists(AreaKind area, uint16_t section) {
    return !DirectoryOf(area, section).empty();
}

std::optional<ItemKind> ItemUnder(AreaKind area, uint16_t section, uint16_t identifier) {
    for (const Entry& entry : DirectoryOf(area, section)) {
        if (entry.identifier == identifier) {
            return entry.kind;
        }
    }
    return std::nullopt;
}

std::vector<std::string> DirectoryGaps(AreaKind area, uint16_t section,
                                       std::span<const uint16_t> identifiers) {
    std::vector<std::string> gaps;
    AddTwice(identifiers, gaps);
    std::vector<uint16_t> required;
    if (area == AreaKind::kMeter && section == kPasswordSection) {
        // The password entries come as a pair, the time-server entries as a triple, and a
        // time server always has passwords.
        const bool passwords = Holds(identifiers, 0x000B) || Holds(identifiers, 0x000C);
        const bool timeServer =
            Holds(identifiers, 0x0010) || Holds(identifiers, 0x0011) || Holds(identifiers, 0x0012);
        if (passwords || timeServer) {
            required = {0x000B, 0x000C};
        }
        if (timeServer) {
            required.insert(required.end(), {0x0010, 0x0011, 0x0012});
        }
        if (identifiers.empty()) {
            gaps.push_back("каталог секции 0x0000 пуст");
        }
    } else {
        for (const Entry& entry : DirectoryOf(area, section)) {
            required.push_back(entry.identifier);
        }
    }
    AddMissing(identifiers, required, gaps, "элемента");
    return gaps;
}

std::vector<std::string> SectionTableGaps(AreaKind area, std::span<const uint16_t> sections) {
    std::vector<std::string> gaps;
    AddTwice(sections, gaps);
    std::vector<uint16_t> required;
    if (area == AreaKind::kLocal) {
        required = {0x0000};
    } else if (area == AreaKind::kExternal) {
        required = {0x0000, kPollSection};
    }
    AddMissing(sections, required, gaps, "секции");
    return gaps;
}

}  // namespace quillon::inspect
