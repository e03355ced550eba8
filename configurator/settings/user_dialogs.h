// The questions a command asks the user: a message box and the two file dialogs. The Qt window
// answers them with its dialogs, the command line with its arguments, the tests with a script.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

namespace quillon {

// Every message box is captioned with the application name.
inline constexpr std::string_view kApplicationName = "Quillon";

// One line of a file dialog's type list, "Ini files (*.ini)" with the pattern "*.ini".
struct FileFilter {
    std::string_view label;
    std::string_view pattern;
};

// What a file dialog opens with. Paths are file-system names (UTF-8 on Linux), not
// Windows-1251: they come from and go to the file system.
struct FileQuestion {
    std::filesystem::path initialPath;
    std::span<const FileFilter> filters;
};

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // Shows the Windows-1251 message with one OK button and waits until it is closed.
    virtual void ShowMessage(std::string_view cp1251Message) = 0;

    // Asks for a file to write; a new name is accepted, an existing file is replaced only after
    // the user confirmed it. None when the user cancels.
    virtual std::optional<std::filesystem::path> AskSavePath(const FileQuestion& question) = 0;

    // Asks for an existing file to read. None when the user cancels.
    virtual std::optional<std::filesystem::path> AskOpenPath(const FileQuestion& question) = 0;
};

}  // namespace quillon
