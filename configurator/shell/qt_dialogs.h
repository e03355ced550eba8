// The commands' questions answered with Qt's message boxes and file dialogs.
#pragma once

#include <QPointer>
#include <QWidget>

#include "settings/user_dialogs.h"

namespace quillon {

class QtDialogs final : public UserDialogs {
public:
    explicit QtDialogs(QWidget* parent) : m_parent(parent) {}

    // A box captioned with the application name, the text, no icon and one OK button.
    void ShowMessage(std::string_view cp1251Message) override;
    // Accepts a new name; asks before replacing an existing file.
    std::optional<std::filesystem::path> AskSavePath(const FileQuestion& question) override;
    std::optional<std::filesystem::path> AskOpenPath(const FileQuestion& question) override;

private:
    QPointer<QWidget> m_parent;
};

}  // namespace quillon
