// quillon: the window when started without arguments, otherwise the commands the arguments name.
#include <clocale>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/command_line.h"
#ifdef QB_GUI
#include "inspect/load_setup.h"
#include "shell/quillon_app.h"
#endif

int main(int argc, char** argv) {
#ifdef QB_GUI
    // Only the window needs a display; the command line never starts Qt.
    if (argc == 1) {
        return quillon::RunQuillonWindow(argc, argv, quillon::inspect::RunLoadSetupCommand);
    }
#endif
    // The terminal's character set, for the Russian messages.
    std::setlocale(LC_CTYPE, "");
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const int status = quillon::RunCommandLine(args, std::cout, std::cerr);
    std::cout.flush();
    return std::cout.good() ? status : quillon::kExitFailure;
}
