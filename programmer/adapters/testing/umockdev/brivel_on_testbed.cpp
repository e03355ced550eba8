// Runs the brivel program by hand on a umockdev testbed with both adapters plugged in: the
// USB programmer at "usb:1-4.2:vid_0438&pid_0f10&mi_02" and an FT2232H with serial A1B2C3D4
// (FTDI_04036010_A1B2C3D4A), each over the emulators of its chip and an EzPort flash.
//
//   brivel_on_testbed [--flash FILE] [--deny usb|ftdi] [--fault usb|ftdi:unplug|timeout|short]
//                     -- BRIVEL-OPTIONS...
//
// --flash loads FILE (the flash contents, 256 KiB at most) into both targets and writes back the
// one that the run changed. --deny takes the rights of that device's node (also from root);
// --fault injects a fault below libusb once the flash has taken its first page. Exits with
// brivel's status.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "adapters/testing/umockdev/brivel_process.h"
#include "adapters/testing/umockdev/ft2232h_device.h"
#include "adapters/testing/umockdev/usb_programmer_device.h"
#include "adapters/testing/umockdev/usb_testbed.h"
#include "core/testing/temp_folder.h"

namespace {

using namespace brivel;
using namespace brivel::testing;

int Usage() {
    std::cerr << "usage: brivel_on_testbed [--flash FILE] [--deny usb|ftdi] "
                 "[--fault usb|ftdi:unplug|timeout|short] -- BRIVEL-OPTIONS...\n";
    return 2;
}

bool ParseFault(const std::string& text, std::string& device, UsbNodeFault& fault) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return false;
    }
    device = text.substr(0, colon);
    const std::string kind = text.substr(colon + 1);
    fault = kind == "unplug"    ? UsbNodeFault::kUnplug
            : kind == "timeout" ? UsbNodeFault::kTimeOut
            : kind == "short"   ? UsbNodeFault::kShortPacket
                                : UsbNodeFault::kNone;
    return (device == "usb" || device == "ftdi") && fault != UsbNodeFault::kNone;
}

int Main(int argc, char** argv) {
    std::string flashFile;
    std::string deny;
    std::string faultDevice;
    UsbNodeFault fault = UsbNodeFault::kNone;
    std::vector<std::string> options;
    int at = 1;
    for (; at < argc && std::strcmp(argv[at], "--") != 0; ++at) {
        const std::string option = argv[at];
        if (at + 1 >= argc) {
            return Usage();
        }
        if (option == "--flash") {
            flashFile = argv[++at];
        } else if (option == "--deny") {
            deny = argv[++at];
        } else if (option == "--fault") {
            if (!ParseFault(argv[++at], faultDevice, fault)) {
                return Usage();
            }
        } else {
            return Usage();
        }
    }
    if (at >= argc) {
        return Usage();
    }
    options.assign(argv + at + 1, argv + argc);

    UsbTestbed testbed;
    UsbProgrammerDevice programmer;
    Ft2232hDevice ftdi("A1B2C3D4");
    std::vector<uint8_t> before(EzPortFlash::kSize, 0xFF);
    if (!flashFile.empty()) {
        const std::vector<uint8_t> contents = ReadFileBytes(flashFile);
        std::copy_n(contents.begin(), std::min(contents.size(), before.size()), before.begin());
    }
    programmer.Flash().Memory() = before;
    ftdi.Flash().Memory() = before;
    UsbNodeFaults programmerFaults;
    UsbNodeFaults ftdiFaults;
    UsbNodeFaults& faulty = faultDevice == "usb" ? programmerFaults : ftdiFaults;
    EzPortFlash& faultyFlash = faultDevice == "usb" ? programmer.Flash() : ftdi.Flash();
    faulty.fault = fault;
    faulty.when = [&faultyFlash] { return faultyFlash.ProgramCount() >= 1; };
    testbed.Plug("1-4.2", 5, programmer, programmerFaults);
    testbed.Plug("1-3", 3, ftdi, ftdiFaults);
    if (deny == "usb" || deny == "ftdi") {
        testbed.DenyAccess(deny == "usb" ? "1-4.2" : "1-3");
    }

    TempFolder output;
    char here[4096];
    const BrivelRun run = RunBrivel({options, testbed.ChildEnvironment(), output.Path(), 600000,
                                     !deny.empty(), getcwd(here, sizeof here)});
    std::fwrite(run.output.data(), 1, run.output.size(), stdout);
    testbed.Log("1-4.2");
    testbed.Log("1-3");
    for (EzPortFlash* flash : {&programmer.Flash(), &ftdi.Flash()}) {
        if (!flashFile.empty() && flash->Memory() != before) {
            std::ofstream out(flashFile, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(flash->Memory().data()),
                      static_cast<std::streamsize>(flash->Memory().size()));
        }
    }
    return run.killed ? 124 : run.exitStatus;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Main(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
}
