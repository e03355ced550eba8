// brivel: ColdFire EzPort flash programmer.
#include <clocale>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "adapters/backends.h"
#include "adapters/usb_programmer.h"
#include "core/console.h"
#include "core/main_flow.h"
#include "core/messages.h"

int main(int argc, char** argv) {
    std::unique_ptr<brivel::Console> console;
    try {
        // Only the character set follows the locale; numbers keep the C format, so "-t 25.6"
        // reads the same everywhere.
        std::setlocale(LC_CTYPE, "");
        console = std::make_unique<brivel::StdoutConsole>(brivel::TerminalCharset());
    } catch (...) {
        std::fputs("Fatal Error: MFC initialization failed\n", stdout);
        return 1;
    }
    // The USB programmer's Read notes a failed transfer on the console, as it always has.
    brivel::SetUsbNoteSink([&console](const std::string& note) { console->PrintNative(note); });
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const brivel::BackendFactory factory =
        [](const std::string& name,
           brivel::BackendError& error) -> std::unique_ptr<brivel::ProgrammerBackend> {
        if (brivel::IsSimulatedDeviceName(name)) {
            return brivel::MakeSimulatedBackend(name, error);
        }
        return brivel::MakeHardwareBackend();
    };
    const brivel::OpenFailureNote note = [](const brivel::ProgrammerBackend& backend) {
        switch (brivel::LastDeviceAccess(backend)) {
            case brivel::DeviceAccess::kDenied:
                return std::string(brivel::msg::kAccessDenied);
            case brivel::DeviceAccess::kBusy:
                return std::string(brivel::msg::kDeviceBusy);
            default:
                return std::string();
        }
    };
    return brivel::RunProgrammer(args, factory, *console, note);
}
