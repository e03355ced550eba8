// "Load Ini-file": the loader's reading of a line, the mapping of a file key to an entry key
// and a password box, and the value applied by the entry's kind.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "settings/ascii_text.h"
#include "settings/ini_file.h"
#include "settings/setup_entry.h"
#include "settings/setup_failure.h"

namespace quillon {
namespace {

constexpr size_t kShortestLine = 3;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A meter or exchange-channel section prefixes its keys with its own name.
bool IsChannelSection(std::string_view section) {
    return StartsWith(section, "CH0_") || StartsWith(section, "CH1_");
}

struct EntryTarget {
    std::string key;
    std::optional<int> box;  // set for a password key
};

EntryTarget MapKey(std::string_view section, std::string_view fileKey) {
    EntryTarget target;
    if (IsChannelSection(section)) {
        target.key.assign(section).append("_").append(fileKey);
    } else {
        target.key.assign(fileKey);
    }
    if (target.key.find("PASS") != std::string::npos && target.key != "TS_PASS") {
        target.box = static_cast<unsigned char>(target.key.back()) - '1';
        target.key.pop_back();
    }
    return target;
}

void Apply(CSetupEntry& entry, const EntryTarget& target, std::string_view value) {
    switch (entry.GetKind()) {
        case EntryKind::kEdit:
        case EntryKind::kFile:
            // The only MULTICAL601 has the fixed network address 1.
            entry.SetText(target.key.find("_M601_1_NA") != std::string::npos ? "1" : value);
            break;
        case EntryKind::kAddress:
            entry.SetText(value);
            break;
        case EntryKind::kCombo:
            // Every list has at most ten items: the first digit is the index. An empty value
            // selects nothing.
            entry.SetSelection(value.empty() ? -1 : static_cast<unsigned char>(value[0]) - '0');
            break;
        case EntryKind::kCheck:
            entry.SetCheck(!value.empty() && value[0] == '1' ? 1 : 0);
            break;
        case EntryKind::kPassword:
            // A box the entry does not have ("PASS0", or PASS3 of a CE303) is ignored.
            if (target.box) {
                entry.SetPassword(*target.box, value);
            }
            break;
        default:
            break;
    }
}

}  // namespace

void ApplyIniText(std::string_view text, KeyMap& keys) {
    std::optional<std::string> section;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = TrimAscii(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        if (line.size() < kShortestLine) {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            section.emplace(line.substr(1, line.size() - 2));
            continue;
        }
        const size_t equals = line.find('=');
        if (!section || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view fileKey = line.substr(0, equals);
        std::string_view value = line.substr(equals + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        // The communicator reads a text up to its zero byte, and so does the setup area; the
        // tree keeps no more, so the INI file saved from it says the same.
        value = value.substr(0, value.find('\0'));

        const EntryTarget target = MapKey(*section, fileKey);
        if (CSetupEntry* entry = keys.Find(target.key)) {
            Apply(*entry, target, value);
        }
    }
}

bool IniKeySetsValue(std::string_view key, const KeyMap& keys) {
    const EntryTarget target = MapKey({}, key);
    const CSetupEntry* found = keys.Find(target.key);
    if (found == nullptr) {
        return false;
    }
    const CSetupEntry& entry = *found;
    switch (entry.GetKind()) {
        case EntryKind::kEdit:
        case EntryKind::kFile:
        case EntryKind::kAddress:
        case EntryKind::kCombo:
        case EntryKind::kCheck:
            return true;
        case EntryKind::kPassword:
            return target.box && *target.box >= 0 &&
                   static_cast<size_t>(*target.box) < entry.GetControlCount();
        default:
            return false;
    }
}

void LoadIniFile(const std::filesystem::path& path, KeyMap& keys) {
    const auto failure = [] { return SetupFailure::FromUtf8("Не удалось загрузить настройки."); };
    const std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        throw failure();
    }
    // The whole file is read before anything is applied, so a read error changes nothing.
    std::string text;
    char chunk[65536];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) {
        text.append(chunk, count);
    }
    if (std::ferror(file.get())) {
        throw failure();
    }
    ApplyIniText(text, keys);
}

}  // namespace quillon
