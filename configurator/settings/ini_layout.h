// What an INI settings file holds, as tables the writer walks.
#pragma once

#include <span>
#include <string_view>

namespace quillon {

// A section written through the private-profile writer: each file key stands for the entry
// key entryPrefix + file key.
struct ProfileSection {
    std::string_view name;
    std::string_view entryPrefix;
    std::span<const std::string_view> fileKeys;
};

// LOC_SETUP, EXT_SETUP, CH1_MS744, TIME_SERVER in file order.
std::span<const ProfileSection> ProfileSections();

enum class MeterValue {
    kText,       // the entry's text
    kCheck,      // "0" or "1"
    kFirstBox,   // the text of password box 0
    kSecondBox,  // box 1
    kThirdBox,   // box 2; empty when the entry has only two boxes
};

// One line of a meter section: the file key and the entry key's item, after
// "CH<channel>_<tag>_<n>_".
struct MeterLine {
    std::string_view fileKey;
    std::string_view item;
    MeterValue value;
};

// The sections of one meter type, "CH<channel>_<tag>_<n>" for every n from 1 to lastNumber
// whose address entry exists.
struct MeterSections {
    int type;  // meter type index
    int lastNumber;
    std::span<const MeterLine> lines;
};

// Written for channel 0 and then channel 1, each channel in this order.
std::span<const MeterSections> ChannelMeterSections();

// Written after all of them, for channel 1 only.
const MeterSections& Ms744Sections();
inline constexpr int kMs744Channel = 1;

}  // namespace quillon
