// Lookup of settings by key in constant time, for builders that read hundreds of meter keys.
#pragma once

#include <string_view>
#include <unordered_map>

#include "settings/setup_entry.h"

namespace quillon {

// Every keyed entry under a root, indexed once. Where keys repeat, the first entry in pre-order
// is kept, so Find always agrees with FindEntry on the root. The keys are viewed, not copied:
// the index is valid while the tree's entries and keys stay as they are, which holds for the
// whole of a command.
class EntryIndex {
public:
    EntryIndex() = default;
    explicit EntryIndex(CSetupEntry& root);

    bool IsBuiltFor(const CSetupEntry& root) const { return m_root == &root; }

    // Like root.FindEntry(key): none for a key no entry has.
    CSetupEntry* Find(std::string_view key) const;
    // The entry under a key the catalogue creates; a missing one is a fault of the program and
    // raises AreaInternalError.
    CSetupEntry& Get(std::string_view key) const;

private:
    void Add(CSetupEntry& entry);

    const CSetupEntry* m_root = nullptr;
    std::unordered_map<std::string_view, CSetupEntry*> m_entries;
};

}  // namespace quillon
