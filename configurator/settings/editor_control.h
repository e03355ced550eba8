#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace quillon {

// A point in the owner window's client coordinates, in pixels.
struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// The four fields of an IPv4 address control, first octet first; kBlankField for an empty one.
inline constexpr int kBlankField = -1;
using AddressFields = std::array<int, 4>;

enum class ControlKind {
    kEdit,        // single-line edit box
    kDropList,    // drop-down list without an edit part
    kCheckBox,    // automatic check box
    kAddress,     // IPv4 address control
    kPushButton,  // push button
};

// What the owner window needs to create one control. Texts are Windows-1251 bytes; the span
// is only read during the call.
struct ControlOptions {
    ControlKind kind = ControlKind::kEdit;
    int width = 0;   // pixels
    int height = 0;  // pixels; for a drop-down list, the height of the dropped-down list
    std::string_view text = {};               // check-box label or button caption
    std::span<const std::string> items = {};  // drop-down list items, in list order
};

// One editor control beside a tree row. The control is the only store of an entry's value.
// Every operation applies to every kind: an operation that does not suit the kind (a check
// state of an edit box) reads as empty, -1 or 0 and sets nothing.
class EditorControl {
public:
    virtual ~EditorControl() = default;

    // Edit box or button text; a drop-down list's selected item; an address as dotted text.
    virtual std::string GetText() const = 0;
    // An address control reads the text as described for ParseAddressText.
    virtual void SetText(std::string_view text) = 0;

    // Index of the selected item, -1 when none.
    virtual int GetSelection() const = 0;
    // An index outside the list leaves no item selected.
    virtual void SetSelection(int index) = 0;

    virtual int GetCheck() const = 0;
    // 0 clears the box, any other state checks it.
    virtual void SetCheck(int state) = 0;

    virtual AddressFields GetFields() const = 0;
    // Each field is 0..255 or kBlankField.
    virtual void SetFields(const AddressFields& fields) = 0;

    virtual bool IsEnabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;

    // Moves the control's top-left corner; size and stacking order are kept.
    virtual void Move(Point to) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool IsVisible() const = 0;
};

}  // namespace quillon
