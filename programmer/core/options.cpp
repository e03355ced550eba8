#include "core/options.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/console.h"
#include "core/ezport.h"
#include "core/messages.h"

namespace brivel {

namespace {

constexpr int kFailure = -1;

void PrintUnknownParameter(const std::string& arg, Console& console) {
    console.Print(msg::kUnknownParameterHead);
    console.PrintNative(arg);
    console.Print(msg::kQuoteEnd);
}

// The option letter as the user typed it: a whole UTF-8 character where the byte starts one,
// so the terminal shows a letter and not half of one.
std::string KeyCharacter(const std::string& arg) {
    const auto lead = static_cast<unsigned char>(arg[1]);
    std::size_t length = 1;
    if (lead >= 0xC0 && lead < 0xE0) {
        length = 2;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        length = 3;
    } else if (lead >= 0xF0 && lead < 0xF8) {
        length = 4;
    }
    return arg.substr(1, length);
}

// A clock the divider can be computed from: "nan", "inf", 0 and negative values read as
// numbers but give no divider at all.
bool UsableClock(float fsysMHz) {
    return std::isfinite(fsysMHz) && fsysMHz > 0.0f;
}

// KiB in decimal digits only; a whole number of 2 KiB erase sectors, within the 24-bit
// EzPort address space.
bool ParseFlashKiB(const std::string& text, uint32_t& kib) {
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || text[0] < '0' || text[0] > '9' || error != std::errc() || stop != end) {
        return false;
    }
    if (value == 0 || value % 2 != 0 || value > kMaxFlashKiB) {
        return false;
    }
    kib = value;
    return true;
}

}  // namespace

std::optional<int> ParseOptions(const std::vector<std::string>& args, Options& options,
                                Console& console) {
    char pending = 0;  // 't', 'f', 'w' or 'r' while their value is expected
    bool pendingSetupOnly = false;
    for (const std::string& arg : args) {
        if (pending == 't') {
            pending = 0;
            // "%f" in the C locale's numeric format: 25.6 becomes the float just above 25.6.
            if (std::sscanf(arg.c_str(), "%f", &options.fsysMHz) != 1 ||
                !UsableClock(options.fsysMHz)) {
                console.Print(msg::kUsage);
                return kFailure;
            }
            options.action = true;
            continue;
        }
        if (pending == 'f') {
            pending = 0;
            // Describes the part; it asks for nothing to be done.
            if (!ParseFlashKiB(arg, options.flashKiB)) {
                console.Print(msg::kUsage);
                return kFailure;
            }
            continue;
        }
        if (pending == 'w') {
            pending = 0;
            options.fileName = arg;
            options.program = true;
            options.action = true;
            continue;
        }
        if (pending == 'r') {
            pending = 0;
            options.readFileName = arg;
            options.readSetupOnly = pendingSetupOnly;
            options.read = true;
            options.action = true;
            continue;
        }
        if (arg.empty()) {
            continue;
        }
        // The Linux convention, answered before anything else on the line can act.
        if (arg == "--help") {
            options.help = true;
            return std::nullopt;
        }
        if (arg.size() < 2 || arg[0] != '-' || static_cast<unsigned char>(arg[1]) == 0xFF) {
            PrintUnknownParameter(arg, console);
            return kFailure;
        }
        switch (arg[1]) {
            case 'P':
                if (arg.size() > 2) {
                    options.deviceName = arg.substr(2);
                } else {
                    options.deviceName.reset();
                    options.list = true;
                }
                options.action = true;
                break;
            case 'b':
                options.bulkErase = true;
                options.action = true;
                break;
            case 'v':
                options.verify = true;
                options.action = true;
                if (arg.size() > 2 && arg[2] == 'o') {
                    options.verifyOnly = true;
                }
                break;
            case 't':
            case 'f':
            case 'w':
                pending = arg[1];
                break;
            case 'r':
                // Only "-r" and "-rs": a letter more could be a typo that reads the wrong range.
                if (arg != "-r" && arg != "-rs") {
                    PrintUnknownParameter(arg, console);
                    return kFailure;
                }
                pending = 'r';
                pendingSetupOnly = arg.size() == 3;
                break;
            default:
                console.Print(msg::kUnknownKeyHead);
                console.PrintNative(KeyCharacter(arg));
                console.Print(msg::kQuoteEnd);
                break;
        }
    }
    // Reading writes nothing to the flash; a run that also erases, programs or compares would
    // leave it unclear which contents the file holds, so the two are never mixed.
    if (options.read && (options.program || options.verify || options.bulkErase)) {
        console.Print(msg::kReadCombined);
        return kFailure;
    }
    return std::nullopt;
}

}  // namespace brivel
