// The editor controls over Qt widgets. Each owns its widget, a child of the window's client
// area, and converts between the model's Windows-1251 bytes and the widget's text.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "settings/editor_control.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace quillon {

class AddressEdit;

// What every kind shares: position, visibility, enabled state. The state operations that do
// not suit a kind read as empty, -1 or 0 and set nothing, as the interface asks.
class QtControl : public EditorControl {
public:
    // One control, one widget: a copy would delete the widget twice.
    QtControl(const QtControl&) = delete;
    QtControl& operator=(const QtControl&) = delete;
    // Deletes the widget unless Qt deleted it already with its parent.
    ~QtControl() override;

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

    QWidget& Widget() const { return *m_widget; }

protected:
    // Takes the widget, sized and hidden.
    QtControl(QWidget* widget, const ControlOptions& options, QWidget* focusSink);

private:
    // The parent widget owns it too and may delete it first.
    QPointer<QWidget> m_widget;
    QPointer<QWidget> m_focusSink;
};

// A single-line edit box that scrolls its text horizontally.
class QtEditControl final : public QtControl {
public:
    QtEditControl(QWidget* parent, const ControlOptions& options, QWidget* focusSink);
    std::string GetText() const override;
    void SetText(std::string_view text) override;
    QLineEdit& Edit() const { return *m_edit; }

private:
    QLineEdit* m_edit;
};

// A drop-down list without an edit part; nothing is selected until a selection is set.
class QtDropListControl final : public QtControl {
public:
    // The requested height is that of the open list; the widget itself is one row high.
    QtDropListControl(QWidget* parent, const ControlOptions& options, int rowHeight,
                      QWidget* focusSink);
    std::string GetText() const override;
    int GetSelection() const override;
    void SetSelection(int index) override;
    QComboBox& List() const { return *m_list; }

private:
    QComboBox* m_list;
};

class QtCheckBoxControl final : public QtControl {
public:
    QtCheckBoxControl(QWidget* parent, const ControlOptions& options, QWidget* focusSink);
    std::string GetText() const override;
    int GetCheck() const override;
    void SetCheck(int state) override;
    QCheckBox& CheckBox() const { return *m_check; }

private:
    QCheckBox* m_check;
};

class QtAddressControl final : public QtControl {
public:
    QtAddressControl(QWidget* parent, const ControlOptions& options, QWidget* focusSink);
    std::string GetText() const override;
    void SetText(std::string_view text) override;
    AddressFields GetFields() const override;
    void SetFields(const AddressFields& fields) override;
    AddressEdit& Address() const { return *m_address; }

private:
    AddressEdit* m_address;
};

class QtPushButtonControl final : public QtControl {
public:
    QtPushButtonControl(QWidget* parent, const ControlOptions& options, QWidget* focusSink);
    std::string GetText() const override;
    QPushButton& Button() const { return *m_button; }

private:
    QPushButton* m_button;
};

}  // namespace quillon
