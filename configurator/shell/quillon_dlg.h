// The main window: the settings tree on the left, the column of editor controls beside its
// visible rows, and the "File" menu with the three commands.
#pragma once

#include <QMainWindow>
#include <memory>

#include "settings/command_listeners.h"
#include "settings/key_map.h"
#include "settings/setup_entry.h"
#include "settings/user_dialogs.h"
#include "shell/settings_command.h"

class QAction;

namespace quillon {

class ControlPlacer;
class EntryTreeModel;
class QtControlFactory;
class QtDialogs;
class SettingsTreeView;

inline constexpr uint32_t kSaveSetupCommand = 32772;
inline constexpr uint32_t kLoadIniCommand = 32774;
inline constexpr uint32_t kSaveIniCommand = 32775;
inline constexpr uint32_t kLoadSetupCommand = 32776;

class CQuillonDlg final : public QMainWindow {
    Q_OBJECT

public:
    // The commands ask their questions through dialogs; without them, through Qt's message
    // boxes and file dialogs.
    explicit CQuillonDlg(UserDialogs* dialogs = nullptr);
    ~CQuillonDlg() override;

    // A menu command or a control's notification: first every command listener sees it, then
    // the window handles its own commands.
    void OnCommand(uint32_t first, intptr_t second);

    // "File" -> "Load Setup" runs the command; without one the item is disabled.
    void SetLoadSetupCommand(SettingsCommand command);

    CSetupEntry& Root() { return *m_root; }
    const CSetupEntry& Root() const { return *m_root; }
    KeyMap& Keys() { return m_keys; }
    const KeyMap& Keys() const { return m_keys; }
    SettingsTreeView& Tree() const { return *m_tree; }
    const EntryTreeModel& Model() const { return *m_model; }
    ControlPlacer& Placer() const { return *m_placer; }
    // The widget the tree and the controls stand in; control positions are in its coordinates.
    QWidget& ClientArea() const { return *m_clientArea; }
    QAction& CommandAction(uint32_t command) const;

protected:
    // Enter and Escape pressed in any widget of this window are swallowed, so that they never
    // close anything or press a button while the user types. A wheel over the editor column
    // scrolls the tree unless a focused control is under the pointer.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class ClientPane;

    void BuildMenu();
    void LayOut();
    int WidestControlRow() const;
    bool ScrollsTreeInstead(const QWidget& target) const;

    std::unique_ptr<QtDialogs> m_ownDialogs;
    UserDialogs* m_dialogs;
    QWidget* m_clientArea = nullptr;
    SettingsTreeView* m_tree = nullptr;
    std::unique_ptr<QtControlFactory> m_factory;
    CommandListeners m_listeners;
    std::unique_ptr<CSetupEntry> m_root;
    std::unique_ptr<EntryTreeModel> m_model;
    std::unique_ptr<ControlPlacer> m_placer;
    KeyMap m_keys;
    QAction* m_saveSetup = nullptr;
    QAction* m_loadSetup = nullptr;
    SettingsCommand m_loadSetupCommand;
    QAction* m_loadIni = nullptr;
    QAction* m_saveIni = nullptr;
    int m_columnWidth = 0;
};

}  // namespace quillon
