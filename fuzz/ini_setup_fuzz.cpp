// quillon's INI loader applied to the whole settings tree, then Save Setup of whatever was
// loaded.
//
// Properties: loading never fails on any bytes; Save Setup either raises a setup failure with a
// message or compiles all three areas, each within its 2048 bytes at its flash address, and
// each area sound by the setup-file inspector's structural check: frame, section table,
// directories, every size field, offset target and checksum. The S-record text of the image
// then reads back into the same bytes. The text is also imported into a second tree (its schedule
// table saved to a file of its own), and Save Setup of that tree must give the same text: compile,
// import, compile again, compare.
//
// The schedule file named by TIME_TABLE is replaced by one of three prepared files (a table,
// an empty file for a name that begins with "E", a missing one for an empty name or one that
// begins with "M"), so that no input makes the fuzzer read a device or a FIFO.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <optional>
#include <utility>
#include "fuzz_check.h"
#include "image/flash_image.h"
#include "image/save_setup.h"
#include "inspect/area_report.h"
#include "inspect/setup_import.h"
#include "settings/catalogue.h"
#include "settings/command_listeners.h"
#include "settings/control_factory.h"
#include "settings/cp1251.h"
#include "settings/editor_control.h"
#include "settings/ini_file.h"
#include "settings/key_map.h"
#include "settings/memory_control.h"
#include "settings/setup_entry.h"
#include "settings/setup_failure.h"

namespace {

namespace fs = std::filesystem;

// Schedule files in a folder of the process's own under $TMPDIR, removed when it exits.
struct ScheduleFiles {
    ScheduleFiles() {
        std::error_code error;
        std::string pattern = (fs::temp_directory_path(error) / "ini_setup_fuzz.XXXXXX").string();
        FUZZ_CHECK(!error && mkdtemp(pattern.data()) != nullptr);
        folder = pattern;
        table = folder / "schedule.bin";
        empty = folder / "empty.bin";
        missing = folder / "missing.bin";
        imported = folder / "imported.bin";
        std::ofstream(table, std::ios::binary) << std::string(48, '\x5A');
        std::ofstream(empty, std::ios::binary).flush();
    }
    ScheduleFiles(const ScheduleFiles&) = delete;
    ScheduleFiles& operator=(const ScheduleFiles&) = delete;
    ~ScheduleFiles() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    fs::path folder;
    fs::path table;
    fs::path empty;
    fs::path missing;
    fs::path imported;
};

const ScheduleFiles& Schedules() {
    static const ScheduleFiles files;
    return files;
}

// The image's bytes at an address, up to limit bytes or the end of the segment holding it.
std::vector<uint8_t> BytesAt(const quillon::CFlashImage& image, uint32_t address, size_t limit) {
    for (const quillon::CImageSegment& segment : image.Segments()) {
        if (address >= segment.start && address < segment.End()) {
            const size_t from = address - segment.start;
            const size_t n = std::min(limit, segment.data.size() - from);
            return {segment.data.begin() + static_cast<std::ptrdiff_t>(from),
                    segment.data.begin() + static_cast<std::ptrdiff_t>(from + n)};
        }
    }
    return {};
}

int Hex(char c) {
    return c <= '9' ? c - '0' : c - 'A' + 10;
}

// ":3" lines back into address -> byte; every line's checksum must hold.
std::map<uint32_t, uint8_t> ReadSRecords(const std::string& text) {
    std::map<uint32_t, uint8_t> bytes;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        FUZZ_CHECK(!line.empty() && line.back() == '\r');
        line.pop_back();
        FUZZ_CHECK(line.size() >= 14 && line.size() % 2 == 0 && line.substr(0, 2) == ":3");
        std::vector<uint8_t> record;
        for (size_t i = 2; i < line.size(); i += 2) {
            record.push_back(static_cast<uint8_t>(Hex(line[i]) << 4 | Hex(line[i + 1])));
        }
        FUZZ_CHECK(record[0] == record.size() - 1);
        unsigned sum = 0;
        for (uint8_t b : record) {
            sum += b;
        }
        FUZZ_CHECK((sum & 0xFF) == 0xFF);
        const uint32_t address = uint32_t{record[1]} << 24 | uint32_t{record[2]} << 16 |
                                 uint32_t{record[3]} << 8 | record[4];
        for (size_t i = 5; i + 1 < record.size(); ++i) {
            bytes[address + static_cast<uint32_t>(i - 5)] = record[i];
        }
    }
    return bytes;
}

std::string SRecordText(const quillon::CFlashImage& image) {
    std::ostringstream text;
    image.WriteSRecords(text, false);
    return text.str();
}

void CheckCompiled(const quillon::CFlashImage& image) {
    const uint32_t addresses[] = {quillon::kMeterAreaAddress, quillon::kExternalAreaAddress,
                                  quillon::kLocalAreaAddress};
    size_t imageBytes = 0;
    for (const quillon::CImageSegment& segment : image.Segments()) {
        imageBytes += segment.data.size();
        FUZZ_CHECK(segment.data.empty() ||
                   (segment.start >= quillon::kMeterAreaAddress && segment.End() <= 0x40000));
    }
    for (int i = 0; i < 3; ++i) {
        const std::vector<uint8_t> area = BytesAt(image, addresses[i], quillon::kAreaSizeLimit);
        FUZZ_CHECK(area.size() >= 20);
        // The total size field counts the whole area.
        FUZZ_CHECK((area[16] << 8 | area[17]) <= static_cast<int>(area.size()));
        const auto kind = static_cast<quillon::inspect::AreaKind>(i);
        const size_t total = static_cast<size_t>(area[16] << 8 | area[17]);
        const std::vector<uint8_t> exact(area.begin(),
                                         area.begin() + static_cast<std::ptrdiff_t>(total));
        const std::vector<quillon::inspect::AreaProblem> problems =
            quillon::inspect::CheckArea(exact, kind);
        for (const quillon::inspect::AreaProblem& problem : problems) {
            std::fprintf(stderr, "area %d at 0x%zX: %s\n", i, problem.offset, problem.text.c_str());
        }
        FUZZ_CHECK(problems.empty());
    }
    const std::map<uint32_t, uint8_t> back = ReadSRecords(SRecordText(image));
    FUZZ_CHECK(back.size() == imageBytes);
    for (const quillon::CImageSegment& segment : image.Segments()) {
        for (size_t i = 0; i < segment.data.size(); ++i) {
            const auto at = back.find(segment.start + static_cast<uint32_t>(i));
            FUZZ_CHECK(at != back.end() && at->second == segment.data[i]);
        }
    }
}

// The whole tree, built once: building it costs far more than loading and compiling. The
// controls are the only store of the values, so putting every control back as it was made
// gives each input the tree as the main window starts with it.
class ResettableTree : public quillon::ControlFactory {
public:
    ResettableTree() : m_root(quillon::BuildCatalogue(*this, m_listeners)) {
        m_root->RegisterKeys(m_keys);
        for (auto& [control, initial] : m_controls) {
            initial = *control;
        }
        m_initialText = quillon::FormatIniFile(m_keys);
    }

    std::unique_ptr<quillon::EditorControl> CreateControl(const quillon::ControlOptions& options,
                                                          int32_t id) override {
        auto control = std::make_unique<quillon::MemoryControl>(options, id);
        m_controls.emplace_back(control.get(),
                                *control);  // the state after the build is taken later
        return control;
    }
    const quillon::SystemMetrics& Metrics() const override { return m_inner.Metrics(); }
    std::optional<std::string> AskOpenPath() override { return std::nullopt; }

    void Reset() {
        for (auto& [control, initial] : m_controls) {
            *control = initial;
        }
        // What the INI file shows of the tree must be back as well; formatting the whole tree
        // costs twice the rest of an input, so it is checked on every 64th.
        if (m_resets++ % 64 == 0) {
            FUZZ_CHECK(quillon::FormatIniFile(m_keys) == m_initialText);
        }
    }

    quillon::KeyMap& Keys() { return m_keys; }

private:
    quillon::MemoryControlFactory m_inner;
    std::vector<std::pair<quillon::MemoryControl*, quillon::MemoryControl>> m_controls;
    quillon::CommandListeners m_listeners;
    quillon::KeyMap m_keys;
    std::unique_ptr<quillon::CSetupEntry> m_root;
    std::string m_initialText;
    uint64_t m_resets = 0;
};

// The setup file imported into a tree as the window starts with it, then compiled again.
void CheckImportedAgain(const std::string& text) {
    static ResettableTree tree;
    tree.Reset();
    const quillon::inspect::SetupImport import = quillon::inspect::ImportSetupText(text);
    for (const quillon::inspect::SetupProblem& problem : import.problems) {
        std::fprintf(stderr, "import: 0x%X: %s\n", problem.address.value_or(0),
                     problem.text.c_str());
    }
    FUZZ_CHECK(import.problems.empty());
    quillon::inspect::ApplySetupImport(import, tree.Keys());
    const fs::path& schedule = Schedules().imported;
    std::ofstream(schedule, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(import.schedule.data()),
               static_cast<std::streamsize>(import.schedule.size()));
    tree.Keys().Get("TIME_TABLE").SetText(schedule.string());
    std::vector<quillon::SetupAreaSlot> areas = quillon::StandardSetupAreas();
    std::string again;
    try {
        again = SRecordText(quillon::CompileSetup(tree.Keys(), areas));
    } catch (const quillon::SetupFailure& failure) {
        std::fprintf(stderr, "compiled again: %s\n",
                     quillon::FromCp1251(failure.Message()).c_str());
    }
    FUZZ_CHECK(again == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ResettableTree tree;
    tree.Reset();
    quillon::KeyMap& keys = tree.Keys();

    quillon::ApplyIniText(std::string_view(reinterpret_cast<const char*>(data), size), keys);

    quillon::CSetupEntry& schedule = keys.Get("TIME_TABLE");
    const std::string named = schedule.GetText();
    const ScheduleFiles& files = Schedules();
    const fs::path& chosen = named.empty() || named[0] == 'M' ? files.missing
                             : named[0] == 'E'                ? files.empty
                                                              : files.table;
    schedule.SetText(chosen.string());

    std::vector<quillon::SetupAreaSlot> areas = quillon::StandardSetupAreas();
    try {
        const quillon::CFlashImage image = quillon::CompileSetup(keys, areas);
        CheckCompiled(image);
        CheckImportedAgain(SRecordText(image));
        if (std::getenv("FUZZ_VERBOSE") != nullptr) {
            std::fprintf(stderr, "compiled\n");
        }
    } catch (const quillon::SetupFailure& failure) {
        FUZZ_CHECK(!failure.Message().empty());
        if (std::getenv("FUZZ_VERBOSE") != nullptr) {
            std::fprintf(stderr, "setup failure: %s\n",
                         quillon::FromCp1251(failure.Message()).c_str());
        }
    }
    return 0;
}
