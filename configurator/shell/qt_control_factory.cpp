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
    switch (options.kind) {
        case ControlKind::kEdit: {
            auto edit = std::make_unique<QtEditControl>(m_clientArea, options, m_focusSink);
            edit->Edit().setValidator(m_validator);
            return edit;
        }
        case ControlKind::kDropList: {
            auto list = std::make_unique<QtDropListControl>(m_clientArea, options,
                                                            m_metrics.RowHeight(), m_focusSink);
            list->List().setStyle(m_dropListStyle.get());
            return list;
        }
        case ControlKind::kCheckBox:
            return std::make_unique<QtCheckBoxControl>(m_clientArea, options, m_focusSink);
        case ControlKind::kAddress:
            return std::make_unique<QtAddressControl>(m_clientArea, options, m_focusSink);
        case ControlKind::kPushButton: {
            auto button = std::make_unique<QtPushButtonControl>(m_clientArea, options, m_focusSink);
            const uint32_t first = static_cast<uint32_t>(id) & 0xFFFFu;
            QObject::connect(&button->Button(), &QPushButton::clicked, m_clientArea,
                             [this, first] { m_commands(first, 0); });
            return button;
        }
    }
    return std::make_unique<QtEditControl>(m_clientArea, options, m_focusSink);
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
