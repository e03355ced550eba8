// quillon --dump: a setup file read back, each area decoded and checked.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "inspect/area_report.h"
#include "inspect/setup_file_reader.h"

namespace quillon::inspect {

// A problem of the file: a line (line set), or bytes at a flash address (address set), or both.
struct SetupProblem {
    std::optional<size_t> line;
    std::optional<uint32_t> address;
    std::string text;  // UTF-8
};

struct SetupFileReport {
    SetupFileContents file;
    // In the order of kAreaPlaces; none for an area the file does not hold.
    std::array<std::optional<AreaReport>, 3> areas;
    // Every problem: those of the lines first, then the rest by address.
    std::vector<SetupProblem> problems;
};

SetupFileReport InspectSetupFile(std::string_view content);

// Where a problem is: "строка 5", "0x0003F012" or both. UTF-8.
std::string ProblemPlace(const SetupProblem& problem);

// The whole file at path; none when it is no regular file or cannot be read.
std::optional<std::string> ReadSetupFileText(const std::string& path);

// The report as text, ending with the problem count. UTF-8.
void PrintSetupReport(const SetupFileReport& report, std::string_view fileName, std::ostream& out);

// Reads the file at path and prints its report to out; returns 0 for a file without problems
// and 1 otherwise. A file that cannot be read is reported on err (with 1).
int DumpSetupFile(const std::string& path, std::ostream& out, std::ostream& err);

}  // namespace quillon::inspect
