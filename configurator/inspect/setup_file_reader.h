// Reads a setup file back: the S-record lines that Save Setup writes (type-3 data records whose
// lines begin with ":" or "S", ended by CR LF or LF) into a sparse image of flash bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::inspect {

// Flash bytes by address, as runs of adjacent bytes; no byte is ever held twice.
class SparseImage {
public:
    // Stores the bytes unless one of their addresses is already held or they would pass the end
    // of the 32-bit address space; returns whether they were stored.
    bool Insert(uint32_t address, std::span<const uint8_t> bytes);

    // The held bytes from address up to the first address that is not held; empty when the
    // address itself is not held.
    std::span<const uint8_t> RunFrom(uint32_t address) const;

    // Each run as (first address, bytes), in address order.
    const std::map<uint32_t, std::vector<uint8_t>>& Runs() const { return m_runs; }

private:
    std::map<uint32_t, std::vector<uint8_t>> m_runs;
};

// Something about one line of the file; line numbers count from 1.
struct LineFinding {
    size_t line = 0;
    // The record's address, when the line got far enough to have one.
    std::optional<uint32_t> address;
    std::string text;  // UTF-8
};

struct SetupFileContents {
    SparseImage image;
    size_t dataRecords = 0;
    // Lines the programmer would refuse, data it would not program, bytes given twice.
    std::vector<LineFinding> problems;
    // Well-formed records that carry no data (header, count, start address): Save Setup does not
    // write them, and the programmer passes over them.
    std::vector<LineFinding> notes;
};

SetupFileContents ReadSetupFile(std::string_view content);

}  // namespace quillon::inspect
