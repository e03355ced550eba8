#include "settings/entries.h"

#include <algorithm>

#include "settings/address_text.h"
#include "settings/number_text.h"

namespace quillon {
namespace {

constexpr std::string_view kBrowseCaption = "...";
constexpr int kComboListRows = 5;
constexpr int kComboTextMargin = 12;
constexpr int kCheckBoxMargin = 4;
constexpr int kButtonMargin = 4;

ControlOptions EditSpec(int width, int rowHeight) {
    return {.kind = ControlKind::kEdit, .width = width, .height = rowHeight};
}

}  // namespace

CEmptyEntry::CEmptyEntry(std::string_view caption, ControlFactory& owner)
    : CSetupEntry(caption, EntryKind::kEmpty, owner) {}

void CEmptyEntry::Place(std::optional<Point> /*at*/) {}

CEditEntry::CEditEntry(std::string_view caption, EntryKind kind, int width, ControlFactory& owner)
    : CSetupEntry(caption, kind, owner) {
    AddControl(EditSpec(width, GetRowHeight()));
}

CEditTextEntry::CEditTextEntry(std::string_view caption, int width, ControlFactory& owner)
    : CEditEntry(caption, EntryKind::kEdit, width, owner) {}

bool CEditTextEntry::IsValid() const {
    return !GetText().empty();
}

CEditNumberEntry::CEditNumberEntry(std::string_view caption, int width, uint32_t minimum,
                                   uint32_t maximum, int base, ControlFactory& owner)
    : CEditEntry(caption, EntryKind::kEdit, width, owner),
      m_minimum(minimum),
      m_maximum(maximum),
      m_base(base) {}

bool CEditNumberEntry::IsValid() const {
    const std::string text = GetText();
    if (text.empty()) {
        return false;
    }
    const NumberText number = ParseNumberText(text, m_base);
    if (number.consumed != text.size()) {
        return false;
    }
    return m_minimum <= number.value && number.value <= m_maximum;
}

CComboEntry::CComboEntry(std::string_view caption, int width, std::span<const std::string> items,
                         ControlFactory& owner)
    : CSetupEntry(caption, EntryKind::kCombo, owner) {
    const SystemMetrics& metrics = owner.Metrics();
    int listWidth = width;
    if (listWidth == 0) {
        int widest = 0;
        for (const std::string& item : items) {
            widest = std::max(widest, metrics.TextWidth(item));
        }
        listWidth = metrics.Scaled(widest) + kComboTextMargin;
    }
    AddControl({.kind = ControlKind::kDropList,
                .width = listWidth + metrics.VScrollBarWidth(),
                .height = kComboListRows * GetRowHeight(),
                .items = items});
}

bool CComboEntry::IsValid() const {
    return GetSelection() != -1;
}

CCheckEntry::CCheckEntry(std::string_view caption, std::string_view label, ControlFactory& owner)
    : CSetupEntry(caption, EntryKind::kCheck, owner) {
    const SystemMetrics& metrics = owner.Metrics();
    const int width =
        metrics.Scaled(metrics.MenuCheckMarkWidth() + metrics.TextWidth(label)) + kCheckBoxMargin;
    AddControl(
        {.kind = ControlKind::kCheckBox, .width = width, .height = GetRowHeight(), .text = label});
}

CIPEntry::CIPEntry(std::string_view caption, int width, ControlFactory& owner)
    : CSetupEntry(caption, EntryKind::kAddress, owner) {
    AddControl({.kind = ControlKind::kAddress, .width = width, .height = GetRowHeight()});
}

bool CIPEntry::IsValid() const {
    const AddressFields fields = GetControl(0).GetFields();
    return std::none_of(fields.begin(), fields.end(),
                        [](int field) { return field == kBlankField; });
}

CFileEntry::CFileEntry(std::string_view caption, int width, ControlFactory& owner)
    : CEditEntry(caption, EntryKind::kFile, width, owner), m_editWidth(width) {
    const SystemMetrics& metrics = owner.Metrics();
    const int buttonWidth =
        std::max(GetRowHeight(), metrics.Scaled(metrics.TextWidth(kBrowseCaption)) + kButtonMargin);
    AddControl({.kind = ControlKind::kPushButton,
                .width = buttonWidth,
                .height = GetRowHeight(),
                .text = kBrowseCaption});
}

void CFileEntry::Place(std::optional<Point> at) {
    CSetupEntry::Place(at);
    if (at) {
        GetControl(1).Move({at->x + m_editWidth, at->y});
    }
}

void CFileEntry::OnCommand(uint32_t first, intptr_t /*second*/) {
    const uint32_t buttonId = static_cast<uint32_t>(GetControlId(1)) & 0xFFFFu;
    const bool buttonClicked = (first & 0xFFFFu) == buttonId && (first >> 16) == 0;
    if (!buttonClicked) {
        return;
    }
    if (std::optional<std::string> path = Owner().AskOpenPath()) {
        SetText(*path);
    }
}

CPWDEntry::CPWDEntry(std::string_view caption, int width, int boxes, ControlFactory& owner)
    : CSetupEntry(caption, EntryKind::kPassword, owner),
      m_boxWidth(width),
      m_boxes(std::max(boxes, 0)) {
    for (int i = 0; i < m_boxes; ++i) {
        AddControl(EditSpec(width, GetRowHeight()));
    }
}

bool CPWDEntry::IsValid() const {
    for (int i = 0; i < m_boxes; ++i) {
        if (GetPassword(i).empty()) {
            return false;
        }
    }
    return true;
}

void CPWDEntry::Place(std::optional<Point> at) {
    if (m_boxes == 0) {
        return;
    }
    if (!at) {
        if (IsShown()) {
            for (int i = 0; i < m_boxes; ++i) {
                GetControl(static_cast<size_t>(i)).SetVisible(false);
            }
        }
    } else {
        for (int i = 0; i < m_boxes; ++i) {
            GetControl(static_cast<size_t>(i)).Move({at->x + i * m_boxWidth, at->y});
        }
        if (!IsShown()) {
            for (int i = 0; i < m_boxes; ++i) {
                GetControl(static_cast<size_t>(i)).SetVisible(true);
            }
        }
    }
    SetShown(at.has_value());
}

}  // namespace quillon
