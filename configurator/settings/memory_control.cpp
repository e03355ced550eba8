#include "settings/memory_control.h"

#include <utility>

#include "settings/address_text.h"

namespace quillon {

MemoryControl::MemoryControl(const ControlOptions& options, int32_t id)
    : m_kind(options.kind),
      m_id(id),
      m_width(options.width),
      m_height(options.height),
      m_items(options.items.begin(), options.items.end()) {
    if (m_kind == ControlKind::kCheckBox || m_kind == ControlKind::kPushButton) {
        m_text = options.text;
    }
}

std::string MemoryControl::GetText() const {
    switch (m_kind) {
        case ControlKind::kAddress:
            return FormatAddressText(m_fields);
        case ControlKind::kDropList:
            return m_selection < 0 ? std::string() : m_items[static_cast<size_t>(m_selection)];
        default:
            return m_text;
    }
}

void MemoryControl::SetText(std::string_view text) {
    switch (m_kind) {
        case ControlKind::kAddress:
            m_fields = ParseAddressText(text);
            break;
        case ControlKind::kDropList:
            break;  // a drop-down list shows only its items
        default:
            m_text = text;
            break;
    }
}

void MemoryControl::SetSelection(int index) {
    const bool inList = index >= 0 && static_cast<size_t>(index) < m_items.size();
    m_selection = inList ? index : -1;
}

void MemoryControl::SetCheck(int state) {
    if (m_kind == ControlKind::kCheckBox) {
        m_checked = state != 0;
    }
}

void MemoryControl::SetFields(const AddressFields& fields) {
    if (m_kind != ControlKind::kAddress) {
        return;
    }
    for (size_t i = 0; i < fields.size(); ++i) {
        const int field = fields[i];
        m_fields[i] = field < 0 ? kBlankField : (field > 255 ? 255 : field);
    }
}

std::unique_ptr<EditorControl> MemoryControlFactory::CreateControl(const ControlOptions& options,
                                                                   int32_t id) {
    return std::make_unique<MemoryControl>(options, id);
}

std::optional<std::string> MemoryControlFactory::AskOpenPath() {
    ++m_openQuestions;
    if (m_openPaths.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> path = std::move(m_openPaths.front());
    m_openPaths.pop_front();
    return path;
}

}  // namespace quillon
