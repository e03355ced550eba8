#include "shell/quillon_app.h"

#include <QApplication>
#include <iostream>

#include "shell/quillon_dlg.h"

namespace quillon {
namespace {

// Qt aborts when it finds no display; say so plainly instead, and point to the command line.
bool HasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int RunQuillonWindow(int argc, char** argv, SettingsCommand loadSetup) {
    if (!HasDisplay()) {
        std::cerr << "quillon: no display to open the window on (DISPLAY is not set); "
                     "see quillon --help for the command line\n";
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    // The window is the whole program: closing it ends the program and saves nothing.
    CQuillonDlg window;
    window.SetLoadSetupCommand(std::move(loadSetup));
    window.show();
    return QApplication::exec();
}

}  // namespace quillon
