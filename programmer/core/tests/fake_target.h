#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/adapter_ops.h"

namespace brivel::testing {

// A small EzPort flash behind an AdapterOps table: 256 KiB erased to 0xFF, status register
// with busy, write-enable latch, configuration-loaded and write-error bits, programming that
// only clears bits. The erase, program and poll steps go through the shared helpers of
// core/ezport.h, as a transport's do. Faults are switched on per test.
class FakeTarget {
public:
    static constexpr uint32_t kFlashSize = 256 * 1024;

    static FakeTarget& Instance();
    static const AdapterOps& Ops();

    void Reset();

    // State.
    std::vector<uint8_t> flash;
    bool writeEnabled = false;
    bool configLoaded = false;
    bool writeErrorFlag = false;
    uint32_t busyReadsLeft = 0;
    uint8_t clockRegister = 0;

    // Behaviour and faults.
    uint32_t busyReadsPerOperation = 1;  // status reads that show busy after an erase/program
    bool noAnswer = false;               // every status read gives 0xFF
    bool stuckBusy = false;              // an erase/program started never finishes
    bool writeError = false;             // erase/program set WEF
    int failReadFrom = -1;               // Read calls from this index on fail (0 = the first)

    // What the passes did, one line per frame-level step: "Read 0x00000000 2048",
    // "SectorErase 0x00000800", "BulkErase", "Program 0x00000100 16", "Enter", "Leave",
    // "WriteConfig 0x14".
    std::vector<std::string> log;
    std::vector<std::vector<uint8_t>> programmed;  // data of each Program frame
    uint32_t statusReads = 0;
    uint32_t readCalls = 0;
    uint32_t writeEnables = 0;

    // Lines of the log that start with prefix.
    std::vector<std::string> LogOf(const std::string& prefix) const;
};

}  // namespace brivel::testing
