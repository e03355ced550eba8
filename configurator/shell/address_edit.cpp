#include "shell/address_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <algorithm>

#include "settings/address_text.h"

namespace quillon {
namespace {

constexpr int kFieldCount = 4;
constexpr int kMaxFieldDigits = 3;
constexpr int kMaxFieldValue = 255;

}  // namespace

AddressEdit::AddressEdit(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);

    auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}")), this);
    for (int i = 0; i < kFieldCount; ++i) {
        auto* field = new QLineEdit(this);
        field->setFrame(false);
        field->setMaxLength(kMaxFieldDigits);
        field->setValidator(digits);
        field->setAlignment(Qt::AlignCenter);
        // Tab leaves the address as a whole; the other fields are reached by typing or clicking.
        field->setFocusPolicy(i == 0 ? Qt::StrongFocus : Qt::ClickFocus);
        field->installEventFilter(this);
        connect(field, &QLineEdit::textEdited, this, [this, i] { OnFieldEdited(i); });
        m_fields[static_cast<size_t>(i)] = field;
        if (i + 1 < kFieldCount) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setAlignment(Qt::AlignCenter);
            // Opaque like the fields beside it: at scale factors above 1 the frame's inner
            // shade shows through a transparent label as a mark under each dot.
            dot->setAutoFillBackground(true);
            dot->setBackgroundRole(QPalette::Base);
            m_dots[static_cast<size_t>(i)] = dot;
        }
    }
    setFocusProxy(m_fields[0]);
}

AddressFields AddressEdit::Fields() const {
    AddressFields fields{};
    for (size_t i = 0; i < fields.size(); ++i) {
        const QString text = m_fields[i]->text();
        fields[i] = text.isEmpty() ? kBlankField : std::min(text.toInt(), kMaxFieldValue);
    }
    return fields;
}

void AddressEdit::SetFields(const AddressFields& fields) {
    for (size_t i = 0; i < fields.size(); ++i) {
        const int field = fields[i];
        m_fields[i]->setText(field < 0 ? QString()
                                       : QString::number(std::min(field, kMaxFieldValue)));
    }
}

void AddressEdit::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    const QRect area = contentsRect();
    // The dots take no more than their ink and a pixel, so that three digits fit a field with
    // the line edit's own margin of 2 pixels a side (Qt's) and never touch a dot.
    const int dotWidth = fontMetrics().boundingRect(QLatin1Char('.')).width() + 1;
    const int fieldWidth = (area.width() - (kFieldCount - 1) * dotWidth) / kFieldCount;
    int x = area.left();
    for (int i = 0; i < kFieldCount; ++i) {
        m_fields[static_cast<size_t>(i)]->setGeometry(x, area.top(), fieldWidth, area.height());
        x += fieldWidth;
        if (i + 1 < kFieldCount) {
            m_dots[static_cast<size_t>(i)]->setGeometry(x, area.top(), dotWidth, area.height());
            x += dotWidth;
        }
    }
}

// A dot or a space typed into a filled field moves on to the next one; a backspace in an
// empty field goes back; Right at a field's end and Left at its start cross to the next and
// previous field; a pasted address fills all four; Shift+Tab leaves the control from any
// field: as in the address controls users know.
bool AddressEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QFrame::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    for (int i = 0; i < kFieldCount; ++i) {
        QLineEdit* field = m_fields[static_cast<size_t>(i)];
        if (watched != field) {
            continue;
        }
        if (key->key() == Qt::Key_Backtab && i > 0) {
            // The search for the previous widget starts at the focus: from the first field it
            // leaves the control instead of stopping there.
            m_fields[0]->setFocus(Qt::OtherFocusReason);
            focusNextPrevChild(false);
            return true;
        }
        if (key->matches(QKeySequence::Paste)) {
            const QString text = QApplication::clipboard()->text().trimmed();
            if (text.contains(QLatin1Char('.'))) {
                SetFields(ParseAddressText(text.toStdString()));
                return true;
            }
        }
        const bool plain =
            key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier;
        if (plain && !field->hasSelectedText()) {
            if (key->key() == Qt::Key_Right && i + 1 < kFieldCount &&
                field->cursorPosition() == field->text().size()) {
                QLineEdit* next = m_fields[static_cast<size_t>(i + 1)];
                next->setFocus(Qt::OtherFocusReason);
                next->home(false);
                return true;
            }
            if (key->key() == Qt::Key_Left && i > 0 && field->cursorPosition() == 0) {
                QLineEdit* previous = m_fields[static_cast<size_t>(i - 1)];
                previous->setFocus(Qt::OtherFocusReason);
                previous->end(false);
                return true;
            }
        }
        const bool separator = key->key() == Qt::Key_Period || key->key() == Qt::Key_Space;
        if (separator) {
            if (!field->text().isEmpty() && i + 1 < kFieldCount) {
                m_fields[static_cast<size_t>(i + 1)]->setFocus();
                m_fields[static_cast<size_t>(i + 1)]->selectAll();
            }
            return true;
        }
        if (key->key() == Qt::Key_Backspace && field->cursorPosition() == 0 && i > 0 &&
            !field->hasSelectedText()) {
            QLineEdit* previous = m_fields[static_cast<size_t>(i - 1)];
            previous->setFocus();
            previous->end(false);
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void AddressEdit::OnFieldEdited(int index) {
    QLineEdit* field = m_fields[static_cast<size_t>(index)];
    if (field->text().toInt() > kMaxFieldValue) {
        field->setText(QString::number(kMaxFieldValue));
    }
    if (field->text().size() == kMaxFieldDigits && field->cursorPosition() == kMaxFieldDigits &&
        index + 1 < kFieldCount) {
        m_fields[static_cast<size_t>(index + 1)]->setFocus();
        m_fields[static_cast<size_t>(index + 1)]->selectAll();
    }
}

}  // namespace quillon
