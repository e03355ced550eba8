#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "settings/setup_entry.h"

namespace quillon {

// A heading, and the invisible root: no controls, no value.
class CEmptyEntry : public CSetupEntry {
public:
    CEmptyEntry(std::string_view caption, ControlFactory& owner);
    void Place(std::optional<Point> at) override;
};

// Base of the entries whose first control is a single-line edit box.
class CEditEntry : public CSetupEntry {
protected:
    CEditEntry(std::string_view caption, EntryKind kind, int width, ControlFactory& owner);
};

// Any non-empty text.
class CEditTextEntry : public CEditEntry {
public:
    CEditTextEntry(std::string_view caption, int width, ControlFactory& owner);
    bool IsValid() const override;
};

// A number in minimum..maximum, written in the whole text.
class CEditNumberEntry : public CEditEntry {
public:
    CEditNumberEntry(std::string_view caption, int width, uint32_t minimum, uint32_t maximum,
                     int base, ControlFactory& owner);
    bool IsValid() const override;

    uint32_t Minimum() const { return m_minimum; }
    uint32_t Maximum() const { return m_maximum; }
    int Base() const { return m_base; }

protected:
    int NumberBase() const override { return m_base; }

private:
    uint32_t m_minimum;
    uint32_t m_maximum;
    int m_base;
};

// One item of a fixed list; the value is the item's index.
class CComboEntry : public CSetupEntry {
public:
    // A width of 0 fits the list to its widest item. Items keep their order.
    CComboEntry(std::string_view caption, int width, std::span<const std::string> items,
                ControlFactory& owner);
    bool IsValid() const override;
};

class CCheckEntry : public CSetupEntry {
public:
    CCheckEntry(std::string_view caption, std::string_view label, ControlFactory& owner);
};

// An IPv4 address; valid when all four fields are filled.
class CIPEntry : public CSetupEntry {
public:
    CIPEntry(std::string_view caption, int width, ControlFactory& owner);
    bool IsValid() const override;
};

// A file path in an edit box, with a "..." button that asks the user for the file.
class CFileEntry : public CEditEntry {
public:
    CFileEntry(std::string_view caption, int width, ControlFactory& owner);
    void Place(std::optional<Point> at) override;
    // A click on the "..." button (first parameter: the button id, notification code 0).
    void OnCommand(uint32_t first, intptr_t second) override;

private:
    int m_editWidth;
};

// Password texts in side-by-side boxes; valid when every box holds text.
class CPWDEntry : public CSetupEntry {
public:
    CPWDEntry(std::string_view caption, int width, int boxes, ControlFactory& owner);
    bool IsValid() const override;
    void Place(std::optional<Point> at) override;

    int BoxCount() const { return m_boxes; }

private:
    int m_boxWidth;
    int m_boxes;
};

}  // namespace quillon
