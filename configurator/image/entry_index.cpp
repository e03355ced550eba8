#include "image/entry_index.h"

#include <string>

#include "image/area.h"

namespace quillon {

EntryIndex::EntryIndex(CSetupEntry& root) : m_root(&root) {
    Add(root);
}

void EntryIndex::Add(CSetupEntry& entry) {
    if (entry.HasKey()) {
        m_entries.emplace(entry.GetKey(), &entry);  // keeps the first, as FindEntry finds it
    }
    for (const auto& child : entry.GetChildren()) {
        Add(*child);
    }
}

CSetupEntry* EntryIndex::Find(std::string_view key) const {
    const auto it = m_entries.find(key);
    return it == m_entries.end() ? nullptr : it->second;
}

CSetupEntry& EntryIndex::Get(std::string_view key) const {
    CSetupEntry* entry = Find(key);
    if (entry == nullptr) {
        throw AreaInternalError("setup area: no setting " + std::string(key) + " in the tree");
    }
    return *entry;
}

}  // namespace quillon
