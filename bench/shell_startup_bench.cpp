// Launch to the window shown, as a whole process on the display in use (an X server; run it
// through xvfb-run without one): quillon's window against a bare Qt window with a menu and a
// tree, built here the same way and measured side by side, in turns, in the same run.
//
//   shell_startup_bench [runs]       the table: medians of each and of the ratio run by run
//   shell_startup_bench --bare       one launch of the bare window (what the table times)
//   shell_startup_bench --quillon    one launch of quillon's window
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "shell/quillon_dlg.h"

extern char** environ;

namespace {

// Shows the window and returns once its first frame is on the screen.
int ShowAndQuit(QWidget& window) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fputs("the window was never exposed\n", stderr);
        return 1;
    }
    QApplication::processEvents();
    return 0;
}

int LaunchBare(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.menuBar()->addMenu(QStringLiteral("File"))->addAction(QStringLiteral("Save Setup"));
    auto* tree = new QTreeView(&window);
    QStandardItemModel model;
    for (int i = 0; i < 8; ++i) {
        model.appendRow(new QStandardItem(QStringLiteral("Item %1").arg(i)));
    }
    tree->setModel(&model);
    window.setCentralWidget(tree);
    window.resize(585, 432);
    return ShowAndQuit(window);
}

int LaunchQuillon(int argc, char** argv) {
    QApplication application(argc, argv);
    quillon::CQuillonDlg window;
    return ShowAndQuit(window);
}

// Milliseconds from the spawn of one launch to its end.
double TimeLaunch(const char* self, const char* mode) {
    const auto start = std::chrono::steady_clock::now();
    char* const args[] = {const_cast<char*>(self), const_cast<char*>(mode), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, self, nullptr, nullptr, args, environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s %s failed\n", self, mode);
        std::exit(1);
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--bare") == 0) {
        return LaunchBare(argc, argv);
    }
    if (argc == 2 && std::strcmp(argv[1], "--quillon") == 0) {
        return LaunchQuillon(argc, argv);
    }
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
        std::getenv("QT_QPA_PLATFORM") == nullptr) {
        std::fputs("no display: run it through xvfb-run\n", stderr);
        return 2;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const std::string self = "/proc/self/exe";
    std::vector<double> bare, quillon, ratios;
    TimeLaunch(self.c_str(), "--bare");  // warm-up: libraries and fonts in the page cache
    TimeLaunch(self.c_str(), "--quillon");
    for (int i = 0; i < runs; ++i) {
        bare.push_back(TimeLaunch(self.c_str(), "--bare"));
        quillon.push_back(TimeLaunch(self.c_str(), "--quillon"));
        ratios.push_back(quillon.back() / bare.back());
    }
    std::printf(
        "launch to shown, median of %d: bare Qt window %.1f ms, quillon %.1f ms, "
        "ratio %.2f (min %.2f, max %.2f)\n",
        runs, Median(bare), Median(quillon), Median(ratios),
        *std::min_element(ratios.begin(), ratios.end()),
        *std::max_element(ratios.begin(), ratios.end()));
    return 0;
}
