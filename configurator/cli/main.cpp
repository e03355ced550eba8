// quillon without a window: runs the commands its arguments name.
#include <clocale>
#include <iostream>
#include <string_view>
#include <vector>

#include "cli/command_line.h"

int main(int argc, char** argv) {
    // The terminal's character set, for the Russian messages.
    std::setlocale(LC_CTYPE, "");
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const int status = quillon::RunCommandLine(args, std::cout, std::cerr);
    std::cout.flush();
    return std::cout.good() ? status : quillon::kExitFailure;
}
