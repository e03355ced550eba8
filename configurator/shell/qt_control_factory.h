#pragma once

#include <QFont>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "settings/control_factory.h"
#include "settings/user_dialogs.h"
#include "shell/qt_controls.h"
#include "shell/qt_metrics.h"

class QWidget;

namespace quillon {

// The window's client area as owner of the editor controls: creates them hidden, in the
// order the entries ask, and their widgets as its children when they are first needed, each
// put in the Tab order where creation order (tree order) says, so that Tab follows the tree.
class QtControlFactory final : public ControlFactory, private QtControlHost {
public:
    // A button click reaches the window as a command with the button's id in the low 16 bits
    // and the notification code 0 in the high 16 bits.
    using CommandSink = std::function<void(uint32_t first, intptr_t second)>;

    // The controls become children of clientArea; the focus sink takes the keyboard focus
    // from a control that is hidden while it has it, and heads the Tab order.
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

    QWidget& ClientArea() const override { return *m_clientArea; }
    QWidget& FocusSink() const override { return *m_focusSink; }
    void Adopt(QWidget& widget, ControlKind kind, uint64_t sequence) override;

    QWidget* m_clientArea;
    QWidget* m_focusSink;
    UserDialogs* m_dialogs;
    CommandSink m_commands;
    QtMetrics m_metrics;
    Cp1251Validator* m_validator;  // owned by the client area
    // Outlives the drop-down lists that use it: the window deletes its entries first.
    std::unique_ptr<DropListStyle> m_dropListStyle;
    uint64_t m_nextSequence = 0;
    // The widgets made so far by creation order, to place the next one in the Tab order.
    std::map<uint64_t, QPointer<QWidget>> m_widgets;
    // The command id of each button by its creation order.
    std::map<uint64_t, uint32_t> m_buttonCommands;
};

}  // namespace quillon
