#include "inspect/setup_dump.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "inspect/dump_printer.h"
#include "inspect/text_format.h"

namespace quillon::inspect {
namespace {

uint64_t EndOf(uint32_t start, size_t length) {
    return uint64_t{start} + length;
}

// A setup file read back from a unit holds the erased flash after each area: 0xFF up to the
// next area. Those bytes belong to the area's room but are no part of the area.
std::span<const uint8_t> WithoutErasedTail(std::span<const uint8_t> bytes) {
    if (bytes.size() < kFrameSize) {
        return bytes;
    }
    const size_t total = ReadU16(bytes, kTotalField);
    if (total < kFrameSize || total >= bytes.size()) {
        return bytes;
    }
    const auto tail = bytes.subspan(total);
    return std::all_of(tail.begin(), tail.end(), [](uint8_t b) { return b == 0xFF; })
               ? bytes.first(total)
               : bytes;
}

}  // namespace

std::string ProblemPlace(const SetupProblem& problem) {
    std::string where;
    if (problem.line) {
        where = "строка " + std::to_string(*problem.line);
    }
    if (problem.address) {
        where += (where.empty() ? "" : ", ") + FlashAddress(*problem.address);
    }
    return where;
}

std::optional<std::string> ReadSetupFileText(const std::string& path) {
    std::error_code error;
    std::ifstream in;
    if (std::filesystem::is_regular_file(path, error)) {
        in.open(path, std::ios::binary);
    }
    std::string content;
    if (in) {
        content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (!in.is_open() || in.bad()) {
        return std::nullopt;
    }
    return content;
}

SetupFileReport InspectSetupFile(std::string_view content) {
    SetupFileReport report;
    report.file = ReadSetupFile(content);
    for (const LineFinding& finding : report.file.problems) {
        report.problems.push_back({finding.line, finding.address, finding.text});
    }
    std::vector<SetupProblem> byAddress;
    // What each area takes of the image: from its base, as far as its bytes run, at most the
    // room up to the next area.
    std::vector<std::pair<uint64_t, uint64_t>> taken;
    for (size_t a = 0; a < kAreaPlaces.size(); ++a) {
        const AreaPlace& place = kAreaPlaces[a];
        std::span<const uint8_t> bytes = report.file.image.RunFrom(place.base);
        if (bytes.empty()) {
            byAddress.push_back({std::nullopt, place.base, "в файле нет области"});
            continue;
        }
        bytes = bytes.first(std::min<size_t>(bytes.size(), kAreaRoom));
        taken.emplace_back(place.base, EndOf(place.base, bytes.size()));
        AreaReport area = WalkArea(WithoutErasedTail(bytes), place.kind, place.base);
        if (area.totalField > kAreaRoom) {
            byAddress.push_back({std::nullopt, place.base + static_cast<uint32_t>(kTotalField),
                                 "поле размера области " + std::to_string(area.totalField) +
                                     " больше отведённых ей " + std::to_string(kAreaRoom) +
                                     " байт"});
        }
        for (const AreaProblem& problem : area.problems) {
            byAddress.push_back(
                {std::nullopt, place.base + static_cast<uint32_t>(problem.offset), problem.text});
        }
        report.areas[a] = std::move(area);
    }
    // Bytes that belong to no area.
    for (const auto& [start, run] : report.file.image.Runs()) {
        uint64_t position = start;
        const uint64_t end = EndOf(start, run.size());
        while (position < end) {
            uint64_t stray = end;
            uint64_t next = end;
            bool inside = false;
            for (const auto& [from, to] : taken) {
                if (position >= from && position < to) {
                    inside = true;
                    next = to;
                } else if (from > position && from < stray) {
                    stray = from;
                }
            }
            if (inside) {
                position = std::min(next, end);
                continue;
            }
            byAddress.push_back({std::nullopt, static_cast<uint32_t>(position),
                                 std::to_string(stray - position) + " байт вне областей настроек"});
            position = stray;
        }
    }
    std::stable_sort(
        byAddress.begin(), byAddress.end(),
        [](const SetupProblem& a, const SetupProblem& b) { return *a.address < *b.address; });
    report.problems.insert(report.problems.end(), byAddress.begin(), byAddress.end());
    return report;
}

void PrintSetupReport(const SetupFileReport& report, std::string_view fileName, std::ostream& out) {
    out << "Файл настроек: " << fileName << "\n";
    out << "Записей S3 с данными: " << report.file.dataRecords << "\n";
    for (const LineFinding& note : report.file.notes) {
        out << "Примечание: строка " << note.line << ": " << note.text << "\n";
    }
    for (size_t a = 0; a < kAreaPlaces.size(); ++a) {
        out << "\n";
        if (report.areas[a]) {
            PrintArea(*report.areas[a], kAreaPlaces[a], out);
        } else {
            out << kAreaPlaces[a].name << ", " << FlashAddress(kAreaPlaces[a].base)
                << ": нет в файле\n";
        }
    }
    out << "\n";
    if (report.problems.empty()) {
        out << "Проблем не найдено.\n";
        return;
    }
    out << "Проблемы (" << report.problems.size() << "):\n";
    for (const SetupProblem& problem : report.problems) {
        out << "  " << ProblemPlace(problem) << ": " << problem.text << "\n";
    }
}

int DumpSetupFile(const std::string& path, std::ostream& out, std::ostream& err) {
    const std::optional<std::string> content = ReadSetupFileText(path);
    if (!content) {
        err << "Не удается открыть файл " << path << ".\n";
        return 1;
    }
    const SetupFileReport report = InspectSetupFile(*content);
    PrintSetupReport(report, path, out);
    return report.problems.empty() ? 0 : 1;
}

}  // namespace quillon::inspect
