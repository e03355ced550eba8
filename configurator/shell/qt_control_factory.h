#pragma once

#include <QFont>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "settings/control_factory.h"
#include "settings/user_dialogs.h"
#include "shell/qt_metrics.h"

class QWidget;

namespace quillon {

// The window's client area as owner of the editor controls: creates them hidden as its
// children, in the order the entries ask, so that the Tab order follows the tree.
class QtControlFactory final : public ControlFactory {
public:
    // A button click reaches the window as a command with the button's id in the low 16 bits
    // and the notification code 0 in the high 16 bits.
    using CommandSink = std::function<void(uint32_t first, intptr_t second)>;

    // The controls become children of clientArea; the focus sink takes the keyboard focus
    // from a control that is hidden while it has it.
    QtControlFactory(QWidget& clientArea, QWidget& focusSink, UserDialogs& dialogs,
                     CommandSink commands);

    ~QtControlFactory() override;

    std::unique_ptr<EditorControl> CreateControl(const ControlOptions& options,
                                                 int32_t id) override;
    const SystemMetrics& Metrics() const override { return m_metrics; }
    // The file entry's open dialog: no filter, no initial name. The chosen path is converted
    // to Windows-1251 like every other text of the model; a path that Windows-1251 cannot
    // hold is refused with a message and none is returned.
    std::optional<std::string> AskOpenPath() override;

private:
    class Cp1251Validator;
    class DropListStyle;

    QWidget* m_clientArea;
    QWidget* m_focusSink;
    UserDialogs* m_dialogs;
    CommandSink m_commands;
    QtMetrics m_metrics;
    Cp1251Validator* m_validator;  // owned by the client area
    // Outlives the drop-down lists that use it: the window deletes its entries first.
    std::unique_ptr<DropListStyle> m_dropListStyle;
};

}  // namespace quillon
