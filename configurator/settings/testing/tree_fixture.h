#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "settings/catalogue.h"
#include "settings/command_listeners.h"
#include "settings/cp1251.h"
#include "settings/key_map.h"
#include "settings/memory_control.h"
#include "settings/setup_entry.h"

namespace quillon::testing {

// The whole catalogue over MemoryControls with its keys registered, as the main window holds
// it, with helpers that take and give UTF-8 texts. Entry(key) throws std::out_of_range for a
// key the tree does not have, so a mistyped key in a test fails loudly.
class TreeFixture {
public:
    TreeFixture() : m_root(BuildCatalogue(m_factory, m_listeners)) { m_root->RegisterKeys(m_keys); }

    CSetupEntry& Root() { return *m_root; }
    const CSetupEntry& Root() const { return *m_root; }
    KeyMap& Keys() { return m_keys; }
    const KeyMap& Keys() const { return m_keys; }
    CommandListeners& Listeners() { return m_listeners; }
    MemoryControlFactory& Factory() { return m_factory; }

    CSetupEntry& Entry(std::string_view key) {
        CSetupEntry* entry = m_keys.Find(key);
        if (entry == nullptr) {
            throw std::out_of_range("no entry with key " + std::string(key));
        }
        return *entry;
    }

    // Sets the text of an edit, file or address entry.
    TreeFixture& Set(std::string_view key, std::string_view utf8Text) {
        Entry(key).SetText(ToCp1251(utf8Text));
        return *this;
    }
    TreeFixture& Select(std::string_view key, int index) {
        Entry(key).SetSelection(index);
        return *this;
    }
    TreeFixture& Check(std::string_view key, int state = 1) {
        Entry(key).SetCheck(state);
        return *this;
    }
    TreeFixture& SetPassword(std::string_view key, int box, std::string_view utf8Text) {
        Entry(key).SetPassword(box, ToCp1251(utf8Text));
        return *this;
    }

    // The entry's text as UTF-8.
    std::string Text(std::string_view key) { return FromCp1251(Entry(key).GetText()); }

private:
    MemoryControlFactory m_factory;
    CommandListeners m_listeners;
    KeyMap m_keys;
    std::unique_ptr<CSetupEntry> m_root;
};

}  // namespace quillon::testing
