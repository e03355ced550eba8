#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <ranges>
#include <string>
#include <string_view>
#include <vector>

#include "settings/control_factory.h"
#include "settings/editor_control.h"
#include "settings/key_map.h"

namespace quillon {

// Entry kind codes; INI files switch on them. Codes 3 and 5 belong to no class.
enum class EntryKind : int32_t {
    kEmpty = 0,
    kEdit = 1,
    kCombo = 2,
    kCheck = 4,
    kAddress = 6,
    kPassword = 7,
    kFile = 8,
};

// A node of the settings tree. Its value lives only in its editor controls; the conversions
// below read and write their state and never check validity or kind. All texts are
// Windows-1251 bytes.
class CSetupEntry {
public:
    CSetupEntry(std::string_view caption, EntryKind kind, ControlFactory& owner);
    CSetupEntry(const CSetupEntry&) = delete;
    CSetupEntry& operator=(const CSetupEntry&) = delete;
    virtual ~CSetupEntry();

    // Whether the current value is acceptable; the base accepts everything.
    virtual bool IsValid() const;
    // Shows the controls with their top-left corner at the point, or hides them.
    virtual void Place(std::optional<Point> at);
    // A command notification of the owner window: the command's two message parameters.
    virtual void OnCommand(uint32_t first, intptr_t second);

    // Appends the child and returns it.
    CSetupEntry* AddChild(std::unique_ptr<CSetupEntry> child);
    void SetKey(std::string_view key);
    // Enters this entry and then its descendants, in pre-order, under their keys; a key taken
    // already keeps its entry.
    void RegisterKeys(KeyMap& keys);
    // The first entry in pre-order, starting here, whose key equals the key exactly.
    CSetupEntry* FindEntry(std::string_view key);
    const CSetupEntry* FindEntry(std::string_view key) const;

    bool HasKey() const { return m_hasKey; }
    // Empty when the entry has no key.
    const std::string& GetKey() const { return m_key; }
    EntryKind GetKind() const { return m_kind; }
    const std::string& GetCaption() const { return m_caption; }
    int GetRowHeight() const { return m_rowHeight; }
    bool IsShown() const { return m_shown; }

    size_t GetChildCount() const { return m_children.size(); }
    CSetupEntry& GetChild(size_t index) { return *m_children[index]; }
    const CSetupEntry& GetChild(size_t index) const { return *m_children[index]; }
    // The children in order, as references.
    auto GetChildren() { return m_children | std::views::transform(Dereference<CSetupEntry>); }
    auto GetChildren() const {
        return m_children | std::views::transform(Dereference<const CSetupEntry>);
    }

    size_t GetControlCount() const { return m_controls.size(); }
    EditorControl& GetControl(size_t index) { return *m_controls[index]; }
    const EditorControl& GetControl(size_t index) const { return *m_controls[index]; }
    int32_t GetControlId(size_t index) const { return m_controlIds[index]; }

    // Text of the first control; empty without controls.
    std::string GetText() const;
    void SetText(std::string_view text);
    // The first control's text converted with the entry's number base; 0 for empty text.
    uint32_t GetNumber() const;
    // -1 when nothing is selected.
    int GetSelection() const;
    // An index outside the list leaves nothing selected.
    void SetSelection(int index);
    int GetCheck() const;
    void SetCheck(int state);
    // First octet in the most significant byte; a blank octet counts as 0.
    uint32_t GetAddress() const;
    // Text of control i; empty when i is not a control of the entry.
    std::string GetPassword(int i) const;
    // Ignored when i is not a control of the entry.
    void SetPassword(int i, std::string_view text);
    // A disabled first control keeps its value but cannot be edited.
    void Enable(bool enabled);

protected:
    // Creates a control of the owner window with the next control id.
    EditorControl& AddControl(const ControlOptions& options);
    ControlFactory& Owner() const { return *m_owner; }
    // Base of GetNumber; entries without a base of their own convert like the catalogue's
    // number entries, with base 0.
    virtual int NumberBase() const { return 0; }
    void SetShown(bool shown) { m_shown = shown; }

private:
    template <class Entry>
    static Entry& Dereference(const std::unique_ptr<CSetupEntry>& child) {
        return *child;
    }
    template <class Entry>
    static Entry* FindIn(Entry& entry, std::string_view key);

    std::vector<std::unique_ptr<CSetupEntry>> m_children;
    std::string m_caption;
    std::string m_key;
    bool m_hasKey = false;
    EntryKind m_kind;
    int m_rowHeight;
    std::vector<std::unique_ptr<EditorControl>> m_controls;
    std::vector<int32_t> m_controlIds;
    ControlFactory* m_owner;
    bool m_shown = false;
};

}  // namespace quillon
