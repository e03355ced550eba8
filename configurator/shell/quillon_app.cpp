#include "shell/quillon_app.h"

#include <QApplication>

#include "shell/quillon_dlg.h"

namespace quillon {

int RunQuillonWindow(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    // The window is the whole program: closing it ends the program and saves nothing.
    CQuillonDlg window;
    window.show();
    QApplication::exec();
    return 0;
}

}  // namespace quillon
