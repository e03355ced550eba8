// The editor controls over Qt widgets. Each control is the store of its entry's value: until
// its row first comes into view it keeps the value itself, then it creates its widget, a
// child of the window's client area, hands the value over and from then on reads and writes
// the widget, converting between the model's Windows-1251 bytes and the widget's text.
//
// The catalogue has about six thousand controls and a window shows a few dozen at a time;
// creating each widget only when it is first needed keeps the start of the window as quick
// as that of a bare Qt window, and a load of an INI file into rows never opened as quick as
// the headless one.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/editor_control.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace quillon {

class AddressEdit;

// What a control's widget needs from the window when it is created: its parent, the focus
// sink, and the window's share in setting it up (validators, styles, commands, Tab order).
class QtControlHost {
public:
    virtual ~QtControlHost() = default;
    virtual QWidget& ClientArea() const = 0;
    virtual QWidget& FocusSink() const = 0;
    // Called once the widget exists, before it is shown; sequence is the control's place in
    // creation order, which is tree order.
    virtual void Adopt(QWidget& widget, ControlKind kind, uint64_t sequence) = 0;
};

// What every kind shares: position, visibility, enabled state, the widget made on demand.
// The state operations that do not suit a kind read as empty, -1 or 0 and set nothing, as
// the interface asks.
class QtControl : public EditorControl {
public:
    ~QtControl() override;
    QtControl(const QtControl&) = delete;
    QtControl& operator=(const QtControl&) = delete;

    std::string GetText() const override { return {}; }
    void SetText(std::string_view /*text*/) override {}
    int GetSelection() const override { return -1; }
    void SetSelection(int /*index*/) override {}
    int GetCheck() const override { return 0; }
    void SetCheck(int /*state*/) override {}
    AddressFields GetFields() const override;
    void SetFields(const AddressFields& /*fields*/) override {}

    bool IsEnabled() const override;
    void SetEnabled(bool enabled) override;
    void Move(Point to) override;
    // Hiding the control that holds the keyboard focus first gives the focus to the focus
    // sink (the tree), so that typing never lands in another row's control.
    void SetVisible(bool visible) override;
    bool IsVisible() const override;

    // The widget, created now if it does not exist yet.
    QWidget& Widget() const;
    bool HasWidget() const { return !m_widget.isNull(); }
    // The widget's width, known without creating it.
    int Width() const { return m_size.width(); }

protected:
    QtControl(QtControlHost& host, ControlKind kind, QSize size, uint64_t sequence);

    // Creates the widget of the kind with the control's value, as a child of parent.
    virtual QWidget* CreateWidget(QWidget& parent) const = 0;

private:
    QtControlHost* m_host;
    ControlKind m_kind;
    QSize m_size;
    uint64_t m_sequence;
    QPoint m_position;
    bool m_enabled = true;
    // Qt's parent owns the widget too: a widget deleted with its parent is not deleted again.
    mutable QPointer<QWidget> m_widget;
};

// A single-line edit box that scrolls its text horizontally.
class QtEditControl final : public QtControl {
public:
    QtEditControl(QtControlHost& host, const ControlOptions& options, uint64_t sequence);
    std::string GetText() const override;
    void SetText(std::string_view text) override;
    QLineEdit& Edit() const;

private:
    QWidget* CreateWidget(QWidget& parent) const override;

    std::string m_text;  // until the widget holds it
};

// A drop-down list without an edit part; nothing is selected until a selection is set.
class QtDropListControl final : public QtControl {
public:
    // The requested height is that of the open list; the widget itself is one row high.
    QtDropListControl(QtControlHost& host, const ControlOptions& options, int rowHeight,
                      uint64_t sequence);
    std::string GetText() const override;
    int GetSelection() const override;
    void SetSelection(int index) override;
    QComboBox& List() const;

private:
    QWidget* CreateWidget(QWidget& parent) const override;

    std::vector<std::string> m_items;
    int m_visibleItems;
    int m_selection = -1;  // until the widget holds it
};

class QtCheckBoxControl final : public QtControl {
public:
    QtCheckBoxControl(QtControlHost& host, const ControlOptions& options, uint64_t sequence);
    std::string GetText() const override;
    int GetCheck() const override;
    void SetCheck(int state) override;
    QCheckBox& CheckBox() const;

private:
    QWidget* CreateWidget(QWidget& parent) const override;

    std::string m_label;
    bool m_checked = false;  // until the widget holds it
};

class QtAddressControl final : public QtControl {
public:
    QtAddressControl(QtControlHost& host, const ControlOptions& options, uint64_t sequence);
    std::string GetText() const override;
    void SetText(std::string_view text) override;
    AddressFields GetFields() const override;
    void SetFields(const AddressFields& fields) override;
    AddressEdit& Address() const;

private:
    QWidget* CreateWidget(QWidget& parent) const override;

    AddressFields m_fields{kBlankField, kBlankField, kBlankField, kBlankField};
};

class QtPushButtonControl final : public QtControl {
public:
    QtPushButtonControl(QtControlHost& host, const ControlOptions& options, uint64_t sequence);
    std::string GetText() const override;
    QPushButton& Button() const;

private:
    QWidget* CreateWidget(QWidget& parent) const override;

    std::string m_label;
};

}  // namespace quillon
