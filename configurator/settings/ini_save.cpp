// "Save Ini-file": the profile sections through the private-profile writer, then the meter
// sections appended as they are.
#include <optional>
#include <string>

#include "settings/atomic_file.h"
#include "settings/ini_file.h"
#include "settings/ini_layout.h"
#include "settings/meter_types.h"
#include "settings/private_profile_writer.h"
#include "settings/setup_entry.h"
#include "settings/setup_failure.h"

namespace quillon {
namespace {

// The value a profile key holds, by the entry's kind; none for a kind the file does not hold.
std::optional<std::string> ProfileValue(const CSetupEntry& entry) {
    switch (entry.GetKind()) {
        case EntryKind::kEdit:
        case EntryKind::kFile:
        case EntryKind::kAddress:
            return entry.GetText();
        case EntryKind::kCombo:
            return std::to_string(entry.GetSelection());
        case EntryKind::kCheck:
            return std::to_string(entry.GetCheck());
        default:
            return std::nullopt;
    }
}

// An entry the tree lacks gives an empty value, so every meter section has all its lines.
std::string MeterLineValue(const CSetupEntry* entry, MeterValue value) {
    if (entry == nullptr) {
        return {};
    }
    switch (value) {
        case MeterValue::kText:
            return entry->GetText();
        case MeterValue::kCheck:
            return std::to_string(entry->GetCheck());
        case MeterValue::kFirstBox:
            return entry->GetPassword(0);
        case MeterValue::kSecondBox:
            return entry->GetPassword(1);
        case MeterValue::kThirdBox:
            return entry->GetPassword(2);
    }
    return {};
}

void AppendMeterSection(std::string& text, const KeyMap& keys, int channel,
                        const MeterSections& type, int number) {
    const std::string name = "CH" + std::to_string(channel) + "_" +
                             kMeterTypeTags[static_cast<size_t>(type.type)] + "_" +
                             std::to_string(number);
    if (keys.Find(name + "_NA") == nullptr) {
        return;
    }
    text.append("[").append(name).append("]\r\n");
    for (const MeterLine& line : type.lines) {
        const CSetupEntry* entry = keys.Find(name + "_" + std::string(line.item));
        text.append(line.fileKey).append("=");
        text.append(MeterLineValue(entry, line.value)).append("\r\n");
    }
}

}  // namespace

std::string FormatIniFile(const KeyMap& keys) {
    PrivateProfileWriter profile;
    for (const ProfileSection& section : ProfileSections()) {
        for (std::string_view fileKey : section.fileKeys) {
            const CSetupEntry* entry =
                keys.Find(std::string(section.entryPrefix) + std::string(fileKey));
            if (entry == nullptr) {
                continue;
            }
            if (std::optional<std::string> value = ProfileValue(*entry)) {
                profile.WriteString(section.name, fileKey, *value);
            }
        }
    }
    std::string text = profile.Text();

    for (int channel = 0; channel <= 1; ++channel) {
        for (const MeterSections& type : ChannelMeterSections()) {
            for (int number = 1; number <= type.lastNumber; ++number) {
                AppendMeterSection(text, keys, channel, type, number);
            }
        }
    }
    const MeterSections& ms744 = Ms744Sections();
    for (int number = 1; number <= ms744.lastNumber; ++number) {
        AppendMeterSection(text, keys, kMs744Channel, ms744, number);
    }
    return text;
}

void SaveIniFile(const std::filesystem::path& path, const KeyMap& keys) {
    if (!WriteFileAtomically(path, FormatIniFile(keys))) {
        throw SetupFailure::FromUtf8("Не удалось сохранить настройки.");
    }
}

}  // namespace quillon
