// Every value of a tree, for comparing two trees entry by entry.
#pragma once

#include <map>
#include <string>

#include "settings/key_map.h"
#include "settings/setup_entry.h"

namespace quillon::testing {

// Key to a text of the entry's value by its kind: an address by its text and number, a
// password by all its boxes.
inline std::map<std::string, std::string> Snapshot(const KeyMap& keys) {
    std::map<std::string, std::string> values;
    for (const auto& [key, entry] : keys.Entries()) {
        std::string value;
        switch (entry.GetKind()) {
            case EntryKind::kCombo:
                value = "selection " + std::to_string(entry.GetSelection());
                break;
            case EntryKind::kCheck:
                value = "check " + std::to_string(entry.GetCheck());
                break;
            case EntryKind::kAddress:
                value = entry.GetText() + " = " + std::to_string(entry.GetAddress());
                break;
            case EntryKind::kPassword:
                for (size_t i = 0; i < entry.GetControlCount(); ++i) {
                    value.append("[").append(entry.GetPassword(static_cast<int>(i))).append("]");
                }
                break;
            case EntryKind::kEmpty:
                continue;
            default:
                value.append("\"").append(entry.GetText()).append("\"");
                break;
        }
        values[key] = value;
    }
    return values;
}

}  // namespace quillon::testing
