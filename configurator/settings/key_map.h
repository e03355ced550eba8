// The one lookup of settings by key, for the INI files and the area builders alike.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <ranges>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace quillon {

class CSetupEntry;

// A key the catalogue creates is not in the map: the caller and the catalogue disagree. A fault
// of the program, never of the settings, so it is not a setup failure.
class MissingSetting : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Every keyed entry of a settings tree by its key, filled once by RegisterKeys after the tree is
// complete. The catalogue's keys are unique; where a tree repeats one, the first entry in
// pre-order stays, so Find agrees with FindEntry on the root. A const map gives const entries.
class KeyMap {
public:
    // Enters the entry under its key unless the key is taken; an entry without a key is left
    // out.
    void Add(CSetupEntry& entry);

    // None for a key no entry has.
    CSetupEntry* Find(std::string_view key);
    const CSetupEntry* Find(std::string_view key) const;
    // The entry under a key the catalogue creates; raises MissingSetting for any other.
    CSetupEntry& Get(std::string_view key);
    const CSetupEntry& Get(std::string_view key) const;

    size_t Size() const { return m_entries.size(); }

    // (key, entry) pairs in key order.
    auto Entries() {
        return m_entries | std::views::transform([](const auto& item) {
                   return std::pair<const std::string&, CSetupEntry&>(item.first, *item.second);
               });
    }
    auto Entries() const {
        return m_entries | std::views::transform([](const auto& item) {
                   return std::pair<const std::string&, const CSetupEntry&>(item.first,
                                                                            *item.second);
               });
    }

private:
    std::map<std::string, CSetupEntry*, std::less<>> m_entries;
};

}  // namespace quillon
