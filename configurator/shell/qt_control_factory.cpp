#include "shell/qt_control_factory.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QValidator>
#include <QWidget>

#include "settings/cp1251.h"
#include "shell/qt_controls.h"
#include "shell/qt_text.h"

namespace quillon {

// Refuses an edit that would put a character without a Windows-1251 form into a box, so the
// old text stays, and tells the user why once the edit is over (a message box must not open
// inside the edit). One validator serves every edit box of the window.
class QtControlFactory::Cp1251Validator final : public QValidator {
public:
    Cp1251Validator(QObject* parent, UserDialogs& dialogs)
        : QValidator(parent), m_dialogs(&dialogs) {}

    State validate(QString& input, int& /*position*/) const override {
        const QString refused = UnrepresentableCharacters(input);
        if (refused.isEmpty()) {
            return Acceptable;
        }
        UserDialogs* dialogs = m_dialogs;
        QMetaObject::invokeMethod(
            parent(), [dialogs, refused] { dialogs->ShowMessage(UnrepresentableMessage(refused)); },
            Qt::QueuedConnection);
        return Invalid;
    }

private:
    UserDialogs* m_dialogs;
};

// Drop-down lists open below themselves, as high as their maximum of visible items: styles
// that open the list over the box (Fusion among them) show every item and ignore the limit.
class QtControlFactory::DropListStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* answer) const override {
        if (hint == QStyle::SH_ComboBox_Popup) {
            return 0;
        }
        return QProxyStyle::styleHint(hint, option, widget, answer);
    }
};

QtControlFactory::QtControlFactory(QWidget& clientArea, QWidget& focusSink, UserDialogs& dialogs,
                                   CommandSink commands)
    : m_clientArea(&clientArea),
      m_focusSink(&focusSink),
      m_dialogs(&dialogs),
      m_commands(std::move(commands)),
      m_metrics(clientArea.font()),
      m_validator(new Cp1251Validator(&clientArea, dialogs)),
      m_dropListStyle(std::make_unique<DropListStyle>()) {}

QtControlFactory::~QtControlFactory() = default;

std::unique_ptr<EditorControl> QtControlFactory::CreateControl(const ControlOptions& options,
                                                               int32_t id) {
    const uint64_t sequence = m_nextSequence++;
    QtControlHost& host = *this;
    switch (options.kind) {
        case ControlKind::kEdit:
            return std::make_unique<QtEditControl>(host, options, sequence);
        case ControlKind::kDropList:
            return std::make_unique<QtDropListControl>(host, options, m_metrics.RowHeight(),
                                                       sequence);
        case ControlKind::kCheckBox:
            return std::make_unique<QtCheckBoxControl>(host, options, sequence);
        case ControlKind::kAddress:
            return std::make_unique<QtAddressControl>(host, options, sequence);
        case ControlKind::kPushButton:
            m_buttonCommands[sequence] = static_cast<uint32_t>(id) & 0xFFFFu;
            return std::make_unique<QtPushButtonControl>(host, options, sequence);
    }
    return std::make_unique<QtEditControl>(host, options, sequence);
}

void QtControlFactory::Adopt(QWidget& widget, ControlKind kind, uint64_t sequence) {
    switch (kind) {
        case ControlKind::kEdit:
            static_cast<QLineEdit&>(widget).setValidator(m_validator);
            break;
        case ControlKind::kDropList:
            widget.setStyle(m_dropListStyle.get());
            break;
        case ControlKind::kPushButton: {
            const uint32_t first = m_buttonCommands[sequence];
            QObject::connect(static_cast<QPushButton*>(&widget), &QPushButton::clicked,
                             m_clientArea, [this, first] { m_commands(first, 0); });
            break;
        }
        default:
            break;
    }
    // After the nearest control made before it that has a widget, or first after the focus
    // sink; the controls made later follow on by themselves.
    QWidget* before = m_focusSink;
    for (auto it = m_widgets.lower_bound(sequence); it != m_widgets.begin();) {
        --it;
        if (!it->second.isNull()) {
            before = it->second.data();
            break;
        }
    }
    QWidget::setTabOrder(before, &widget);
    m_widgets[sequence] = &widget;
}

std::optional<std::string> QtControlFactory::AskOpenPath() {
    const std::optional<std::filesystem::path> path = m_dialogs->AskOpenPath({});
    if (!path) {
        return std::nullopt;
    }
    // Such a path cannot be stored: the box keeps its old text rather than a path with '?'
    // that names no file.
    const QString text = QString::fromStdString(path->string());
    if (const QString refused = UnrepresentableCharacters(text); !refused.isEmpty()) {
        m_dialogs->ShowMessage(UnrepresentableMessage(refused));
        return std::nullopt;
    }
    return ToModelText(text);
}

}  // namespace quillon
