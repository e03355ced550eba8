#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/ezport.h"

namespace brivel {

class Console;

struct Options {
    std::optional<std::string> deviceName;  // -Pname; none: find one
    bool list = false;                      // -P alone
    bool bulkErase = false;                 // -b
    bool verify = false;                    // -v, -vo
    bool verifyOnly = false;                // -vo
    bool program = false;                   // -w file
    std::string fileName;
    bool read = false;           // -r file, -rs file: read the flash into a file
    bool readSetupOnly = false;  // -rs: only the setup areas
    std::string readFileName;
    float fsysMHz = 8.0f;                  // -t value
    uint32_t flashKiB = kDefaultFlashKiB;  // -f value: the part's flash, which the file must fit
    bool action = false;                   // anything to do at all
    bool help = false;                     // --help: banner and usage, nothing else
};

// Parses the arguments after the program name. Returns the exit status when the command line
// ends the program before the banner (bad parameter, bad -t or -f value, -r or -rs together
// with -w, -v, -vo or -b), else nothing. Unknown option letters are reported and skipped.
std::optional<int> ParseOptions(const std::vector<std::string>& args, Options& options,
                                Console& console);

}  // namespace brivel
