// Renders the main window offscreen to a PNG, with the local channels and their main channel
// expanded and, when given, the settings of an INI file loaded.
// Usage: QT_QPA_PLATFORM=offscreen quillon_screenshot OUT.png [SETTINGS.ini]
#include <QApplication>
#include <QPixmap>
#include <QTest>
#include <cstdio>

#include "settings/ini_file.h"
#include "shell/entry_tree_model.h"
#include "shell/quillon_dlg.h"
#include "shell/settings_tree_view.h"

namespace {

QModelIndex Child(const QAbstractItemModel& model, const QModelIndex& parent, const char* caption) {
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex child = model.index(row, 0, parent);
        if (child.data().toString() == QString::fromUtf8(caption)) {
            return child;
        }
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: quillon_screenshot OUT.png [SETTINGS.ini]\n");
        return 2;
    }
    QApplication application(argc, argv);
    quillon::CQuillonDlg window;
    if (argc == 3) {
        quillon::LoadIniFile(argv[2], window.Keys());
    }
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    const QAbstractItemModel& model = window.Model();
    const QModelIndex channels = Child(model, {}, "Конфигурация каналов связи(loc)");
    window.Tree().expand(channels);
    window.Tree().expand(Child(model, channels, "Основной канал"));
    window.Tree().setCurrentIndex(Child(model, Child(model, channels, "Основной канал"), "SRV"));
    QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "quillon_screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
