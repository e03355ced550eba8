#include "shell/qt_controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "settings/address_text.h"
#include "shell/address_edit.h"
#include "shell/qt_text.h"

namespace quillon {
namespace {

// The height of a drop-down list is that of its dropped-down list: its own row and the rows
// of the list below it.
int ListRows(const ControlOptions& options, int rowHeight) {
    return rowHeight > 0 ? std::max(1, options.height / rowHeight - 1) : 1;
}

constexpr int kMaxFieldValue = 255;

// As the address editor holds a field: blank, or 0..255.
int HeldField(int field) {
    return field < 0 ? kBlankField : std::min(field, kMaxFieldValue);
}

}  // namespace

QtControl::QtControl(QtControlHost& host, ControlKind kind, QSize size, uint64_t sequence)
    : m_host(&host), m_kind(kind), m_size(size), m_sequence(sequence) {}

QtControl::~QtControl() {
    delete m_widget.data();
}

QWidget& QtControl::Widget() const {
    if (m_widget.isNull()) {
        QWidget* widget = CreateWidget(m_host->ClientArea());
        widget->hide();
        widget->setFocusPolicy(Qt::StrongFocus);
        widget->resize(m_size);
        widget->move(m_position);
        widget->setEnabled(m_enabled);
        m_widget = widget;
        m_host->Adopt(*widget, m_kind, m_sequence);
    }
    return *m_widget;
}

AddressFields QtControl::GetFields() const {
    return {kBlankField, kBlankField, kBlankField, kBlankField};
}

bool QtControl::IsEnabled() const {
    return HasWidget() ? m_widget->isEnabled() : m_enabled;
}

void QtControl::SetEnabled(bool enabled) {
    m_enabled = enabled;
    if (HasWidget()) {
        m_widget->setEnabled(enabled);
    }
}

void QtControl::Move(Point to) {
    m_position = QPoint(to.x, to.y);
    if (HasWidget() && m_widget->pos() != m_position) {
        m_widget->move(m_position);
    }
}

void QtControl::SetVisible(bool visible) {
    if (!visible) {
        if (!HasWidget()) {
            return;  // never shown
        }
        QWidget* focus = QApplication::focusWidget();
        if (focus != nullptr && (focus == m_widget || m_widget->isAncestorOf(focus))) {
            m_host->FocusSink().setFocus(Qt::OtherFocusReason);
        }
    }
    Widget().setVisible(visible);
}

bool QtControl::IsVisible() const {
    return HasWidget() && !m_widget->isHidden();
}

QtEditControl::QtEditControl(QtControlHost& host, const ControlOptions& options, uint64_t sequence)
    : QtControl(host, ControlKind::kEdit, QSize(options.width, options.height), sequence) {}

QWidget* QtEditControl::CreateWidget(QWidget& parent) const {
    auto* edit = new QLineEdit(ToQString(m_text), &parent);
    edit->setCursorPosition(0);
    return edit;
}

QLineEdit& QtEditControl::Edit() const {
    return static_cast<QLineEdit&>(Widget());
}

std::string QtEditControl::GetText() const {
    return HasWidget() ? ToModelText(Edit().text()) : m_text;
}

void QtEditControl::SetText(std::string_view text) {
    if (!HasWidget()) {
        // Every Windows-1251 byte has a form in the widget, so the bytes read back as given.
        m_text = text;
        return;
    }
    Edit().setText(ToQString(text));
    Edit().setCursorPosition(0);
}

QtDropListControl::QtDropListControl(QtControlHost& host, const ControlOptions& options,
                                     int rowHeight, uint64_t sequence)
    : QtControl(host, ControlKind::kDropList, QSize(options.width, rowHeight), sequence),
      m_items(options.items.begin(), options.items.end()),
      m_visibleItems(ListRows(options, rowHeight)) {}

QWidget* QtDropListControl::CreateWidget(QWidget& parent) const {
    auto* list = new QComboBox(&parent);
    QStringList items;
    items.reserve(static_cast<qsizetype>(m_items.size()));
    for (const std::string& item : m_items) {
        items.append(ToQString(item));
    }
    list->addItems(items);
    list->setCurrentIndex(m_selection);
    list->setMaxVisibleItems(m_visibleItems);
    return list;
}

QComboBox& QtDropListControl::List() const {
    return static_cast<QComboBox&>(Widget());
}

std::string QtDropListControl::GetText() const {
    if (HasWidget()) {
        return List().currentIndex() < 0 ? std::string() : ToModelText(List().currentText());
    }
    return m_selection < 0 ? std::string() : m_items[static_cast<size_t>(m_selection)];
}

int QtDropListControl::GetSelection() const {
    return HasWidget() ? List().currentIndex() : m_selection;
}

void QtDropListControl::SetSelection(int index) {
    const int count = static_cast<int>(m_items.size());
    const int selection = index >= 0 && index < count ? index : -1;
    if (HasWidget()) {
        List().setCurrentIndex(selection);
    } else {
        m_selection = selection;
    }
}

QtCheckBoxControl::QtCheckBoxControl(QtControlHost& host, const ControlOptions& options,
                                     uint64_t sequence)
    : QtControl(host, ControlKind::kCheckBox, QSize(options.width, options.height), sequence),
      m_label(options.text) {}

QWidget* QtCheckBoxControl::CreateWidget(QWidget& parent) const {
    auto* check = new QCheckBox(ToQString(m_label), &parent);
    check->setChecked(m_checked);
    return check;
}

QCheckBox& QtCheckBoxControl::CheckBox() const {
    return static_cast<QCheckBox&>(Widget());
}

std::string QtCheckBoxControl::GetText() const {
    return m_label;
}

int QtCheckBoxControl::GetCheck() const {
    const bool checked = HasWidget() ? CheckBox().isChecked() : m_checked;
    return checked ? 1 : 0;
}

void QtCheckBoxControl::SetCheck(int state) {
    if (HasWidget()) {
        CheckBox().setChecked(state != 0);
    } else {
        m_checked = state != 0;
    }
}

QtAddressControl::QtAddressControl(QtControlHost& host, const ControlOptions& options,
                                   uint64_t sequence)
    : QtControl(host, ControlKind::kAddress, QSize(options.width, options.height), sequence) {}

QWidget* QtAddressControl::CreateWidget(QWidget& parent) const {
    auto* address = new AddressEdit(&parent);
    address->SetFields(m_fields);
    return address;
}

AddressEdit& QtAddressControl::Address() const {
    return static_cast<AddressEdit&>(Widget());
}

std::string QtAddressControl::GetText() const {
    return FormatAddressText(GetFields());
}

void QtAddressControl::SetText(std::string_view text) {
    SetFields(ParseAddressText(text));
}

AddressFields QtAddressControl::GetFields() const {
    return HasWidget() ? Address().Fields() : m_fields;
}

void QtAddressControl::SetFields(const AddressFields& fields) {
    if (HasWidget()) {
        Address().SetFields(fields);
        return;
    }
    std::transform(fields.begin(), fields.end(), m_fields.begin(), HeldField);
}

QtPushButtonControl::QtPushButtonControl(QtControlHost& host, const ControlOptions& options,
                                         uint64_t sequence)
    : QtControl(host, ControlKind::kPushButton, QSize(options.width, options.height), sequence),
      m_label(options.text) {}

QWidget* QtPushButtonControl::CreateWidget(QWidget& parent) const {
    auto* button = new QPushButton(ToQString(m_label), &parent);
    button->setAutoDefault(false);
    return button;
}

QPushButton& QtPushButtonControl::Button() const {
    return static_cast<QPushButton&>(Widget());
}

std::string QtPushButtonControl::GetText() const {
    return m_label;
}

}  // namespace quillon
