#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brivel::testing {

// How a run of the brivel program ended.
struct BrivelRun {
    int exitStatus = -1;  // -1 when it did not exit by itself
    bool killed = false;  // still running at the bound, then killed
    uint32_t elapsedMs = 0;
    std::string output;  // standard output then standard error
};

struct BrivelLaunch {
    std::vector<std::string> arguments;
    std::vector<std::string> environment;
    std::string folder;  // the working folder, also where the output is kept
    uint32_t boundMs = 60000;
    // Runs without the rights that let root open any file, so a device node without
    // permissions refuses it as it refuses a user without a udev rule.
    bool withoutFileRights = false;
    std::string workingFolder = "";  // another working folder, when set
};

// Runs the brivel program built with this tree and waits for it, at most launch.boundMs.
BrivelRun RunBrivel(const BrivelLaunch& launch);

}  // namespace brivel::testing
