#include "settings/setup_entry.h"

#include <utility>

#include "settings/address_text.h"
#include "settings/number_text.h"

namespace quillon {

CSetupEntry::CSetupEntry(std::string_view caption, EntryKind kind, ControlFactory& owner)
    : m_caption(caption), m_kind(kind), m_rowHeight(owner.Metrics().RowHeight()), m_owner(&owner) {}

CSetupEntry::~CSetupEntry() {
    // Children first, then the controls, as the owner window expects of its child windows.
    m_children.clear();
    m_controls.clear();
}

bool CSetupEntry::IsValid() const {
    return true;
}

void CSetupEntry::Place(std::optional<Point> at) {
    if (!at) {
        if (m_shown) {
            for (auto& control : m_controls) {
                control->SetVisible(false);
            }
        }
    } else {
        for (auto& control : m_controls) {
            control->Move(*at);
        }
        if (!m_shown) {
            for (auto& control : m_controls) {
                control->SetVisible(true);
            }
        }
    }
    m_shown = at.has_value();
}

void CSetupEntry::OnCommand(uint32_t /*first*/, intptr_t /*second*/) {}

CSetupEntry* CSetupEntry::AddChild(std::unique_ptr<CSetupEntry> child) {
    m_children.push_back(std::move(child));
    return m_children.back().get();
}

void CSetupEntry::SetKey(std::string_view key) {
    m_key.assign(key);
    m_hasKey = true;
}

void CSetupEntry::RegisterKeys(KeyMap& keys) {
    keys.Add(*this);
    for (auto& child : m_children) {
        child->RegisterKeys(keys);
    }
}

template <class Entry>
Entry* CSetupEntry::FindIn(Entry& entry, std::string_view key) {
    if (entry.m_hasKey && entry.m_key == key) {
        return &entry;
    }
    for (Entry& child : entry.GetChildren()) {
        if (Entry* found = FindIn(child, key)) {
            return found;
        }
    }
    return nullptr;
}

CSetupEntry* CSetupEntry::FindEntry(std::string_view key) {
    return FindIn(*this, key);
}

const CSetupEntry* CSetupEntry::FindEntry(std::string_view key) const {
    return FindIn(*this, key);
}

std::string CSetupEntry::GetText() const {
    return m_controls.empty() ? std::string() : m_controls.front()->GetText();
}

void CSetupEntry::SetText(std::string_view text) {
    if (!m_controls.empty()) {
        m_controls.front()->SetText(text);
    }
}

uint32_t CSetupEntry::GetNumber() const {
    return ParseNumberText(GetText(), NumberBase()).value;
}

int CSetupEntry::GetSelection() const {
    return m_controls.empty() ? -1 : m_controls.front()->GetSelection();
}

void CSetupEntry::SetSelection(int index) {
    if (!m_controls.empty()) {
        m_controls.front()->SetSelection(index);
    }
}

int CSetupEntry::GetCheck() const {
    return m_controls.empty() ? 0 : m_controls.front()->GetCheck();
}

void CSetupEntry::SetCheck(int state) {
    if (!m_controls.empty()) {
        m_controls.front()->SetCheck(state);
    }
}

uint32_t CSetupEntry::GetAddress() const {
    if (m_controls.empty()) {
        return 0;
    }
    return AddressValue(m_controls.front()->GetFields());
}

std::string CSetupEntry::GetPassword(int i) const {
    if (i < 0 || static_cast<size_t>(i) >= m_controls.size()) {
        return {};
    }
    return m_controls[static_cast<size_t>(i)]->GetText();
}

void CSetupEntry::SetPassword(int i, std::string_view text) {
    if (i < 0 || static_cast<size_t>(i) >= m_controls.size()) {
        return;
    }
    m_controls[static_cast<size_t>(i)]->SetText(text);
}

void CSetupEntry::Enable(bool enabled) {
    if (!m_controls.empty()) {
        m_controls.front()->SetEnabled(enabled);
    }
}

EditorControl& CSetupEntry::AddControl(const ControlOptions& options) {
    const int32_t id = m_owner->TakeControlId();
    m_controls.push_back(m_owner->CreateControl(options, id));
    m_controlIds.push_back(id);
    return *m_controls.back();
}

}  // namespace quillon
