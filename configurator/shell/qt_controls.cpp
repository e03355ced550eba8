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

}  // namespace

QtControl::QtControl(QWidget* widget, const ControlOptions& options, QWidget* focusSink)
    : m_widget(widget), m_focusSink(focusSink) {
    m_widget->hide();
    m_widget->setFocusPolicy(Qt::StrongFocus);
    m_widget->resize(options.width, options.height);
}

QtControl::~QtControl() {
    if (m_widget) {
        delete m_widget.data();
    }
}

AddressFields QtControl::GetFields() const {
    return {kBlankField, kBlankField, kBlankField, kBlankField};
}

bool QtControl::IsEnabled() const {
    return m_widget->isEnabled();
}

void QtControl::SetEnabled(bool enabled) {
    m_widget->setEnabled(enabled);
}

void QtControl::Move(Point to) {
    const QPoint position(to.x, to.y);
    if (m_widget->pos() != position) {
        m_widget->move(position);
    }
}

void QtControl::SetVisible(bool visible) {
    if (!visible && m_focusSink) {
        QWidget* focus = QApplication::focusWidget();
        if (focus != nullptr && (focus == m_widget || m_widget->isAncestorOf(focus))) {
            m_focusSink->setFocus(Qt::OtherFocusReason);
        }
    }
    m_widget->setVisible(visible);
}

bool QtControl::IsVisible() const {
    return !m_widget->isHidden();
}

QtEditControl::QtEditControl(QWidget* parent, const ControlOptions& options, QWidget* focusSink)
    : QtControl(new QLineEdit(parent), options, focusSink) {
    m_edit = static_cast<QLineEdit*>(&Widget());
}

std::string QtEditControl::GetText() const {
    return ToModelText(m_edit->text());
}

void QtEditControl::SetText(std::string_view text) {
    m_edit->setText(ToQString(text));
    m_edit->setCursorPosition(0);
}

QtDropListControl::QtDropListControl(QWidget* parent, const ControlOptions& options, int rowHeight,
                                     QWidget* focusSink)
    : QtControl(new QComboBox(parent), options, focusSink) {
    m_list = static_cast<QComboBox*>(&Widget());
    QStringList items;
    items.reserve(static_cast<qsizetype>(options.items.size()));
    for (const std::string& item : options.items) {
        items.append(ToQString(item));
    }
    m_list->addItems(items);
    m_list->setCurrentIndex(-1);
    m_list->setMaxVisibleItems(ListRows(options, rowHeight));
    m_list->resize(options.width, rowHeight);
}

std::string QtDropListControl::GetText() const {
    return m_list->currentIndex() < 0 ? std::string() : ToModelText(m_list->currentText());
}

int QtDropListControl::GetSelection() const {
    return m_list->currentIndex();
}

void QtDropListControl::SetSelection(int index) {
    m_list->setCurrentIndex(index >= 0 && index < m_list->count() ? index : -1);
}

QtCheckBoxControl::QtCheckBoxControl(QWidget* parent, const ControlOptions& options,
                                     QWidget* focusSink)
    : QtControl(new QCheckBox(ToQString(options.text), parent), options, focusSink) {
    m_check = static_cast<QCheckBox*>(&Widget());
}

std::string QtCheckBoxControl::GetText() const {
    return ToModelText(m_check->text());
}

int QtCheckBoxControl::GetCheck() const {
    return m_check->isChecked() ? 1 : 0;
}

void QtCheckBoxControl::SetCheck(int state) {
    m_check->setChecked(state != 0);
}

QtAddressControl::QtAddressControl(QWidget* parent, const ControlOptions& options,
                                   QWidget* focusSink)
    : QtControl(new AddressEdit(parent), options, focusSink) {
    m_address = static_cast<AddressEdit*>(&Widget());
}

std::string QtAddressControl::GetText() const {
    return FormatAddressText(m_address->Fields());
}

void QtAddressControl::SetText(std::string_view text) {
    m_address->SetFields(ParseAddressText(text));
}

AddressFields QtAddressControl::GetFields() const {
    return m_address->Fields();
}

void QtAddressControl::SetFields(const AddressFields& fields) {
    m_address->SetFields(fields);
}

QtPushButtonControl::QtPushButtonControl(QWidget* parent, const ControlOptions& options,
                                         QWidget* focusSink)
    : QtControl(new QPushButton(ToQString(options.text), parent), options, focusSink) {
    m_button = static_cast<QPushButton*>(&Widget());
    m_button->setAutoDefault(false);
}

std::string QtPushButtonControl::GetText() const {
    return ToModelText(m_button->text());
}

}  // namespace quillon
