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
    // Only the window needs a display; the command line never starts Qt. A process may be
    // started without even its name (argc 0): that is a start without arguments too, and Qt
    // is given a name.
    if (argc <= 1) {
        char name[] = "quillon";
        char* named[] = {argc == 1 ? argv[0] : name, nullptr};
        int count = 1;
        return quillon::RunQuillonWindow(count, named, quillon::inspect::RunLoadSetupCommand);
    }
#endif
    // The terminal's character set, for the Russian messages.
    std::setlocale(LC_CTYPE, "");
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    const int status = quillon::RunCommandLine(args, std::cout, std::cerr);
    std::cout.flush();
    return std::cout.good() ? status : quillon::kExitFailure;
}
