#include "settings/key_map.h"

#include "settings/setup_entry.h"

namespace quillon {
namespace {

[[noreturn]] void FailMissing(std::string_view key) {
    throw MissingSetting("no setting " + std::string(key) + " in the tree");
}

}  // namespace

void KeyMap::Add(CSetupEntry& entry) {
    if (entry.HasKey()) {
        m_entries.try_emplace(entry.GetKey(), &entry);
    }
}

CSetupEntry* KeyMap::Find(std::string_view key) {
    const auto found = m_entries.find(key);
    return found == m_entries.end() ? nullptr : found->second;
}

const CSetupEntry* KeyMap::Find(std::string_view key) const {
    const auto found = m_entries.find(key);
    return found == m_entries.end() ? nullptr : found->second;
}

CSetupEntry& KeyMap::Get(std::string_view key) {
    CSetupEntry* entry = Find(key);
    if (entry == nullptr) {
        FailMissing(key);
    }
    return *entry;
}

const CSetupEntry& KeyMap::Get(std::string_view key) const {
    const CSetupEntry* entry = Find(key);
    if (entry == nullptr) {
        FailMissing(key);
    }
    return *entry;
}

}  // namespace quillon
