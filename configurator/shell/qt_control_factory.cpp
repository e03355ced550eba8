#include "shell/qt_control_factory.h"

#include <QPushButton>
#include <QWidget>

#include "settings/cp1251.h"
#include "shell/qt_controls.h"

namespace quillon {

QtControlFactory::QtControlFactory(QWidget& clientArea, QWidget& focusSink, UserDialogs& dialogs,
                                   CommandSink commands)
    : m_clientArea(&clientArea),
      m_focusSink(&focusSink),
      m_dialogs(&dialogs),
      m_commands(std::move(commands)),
      m_metrics(clientArea.font()) {}

std::unique_ptr<EditorControl> QtControlFactory::CreateControl(const ControlOptions& options,
                                                               int32_t id) {
    switch (options.kind) {
        case ControlKind::kEdit:
            return std::make_unique<QtEditControl>(m_clientArea, options, m_focusSink);
        case ControlKind::kDropList:
            return std::make_unique<QtDropListControl>(m_clientArea, options, m_metrics.RowHeight(),
                                                       m_focusSink);
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
    return ToCp1251(path->string());
}

}  // namespace quillon
