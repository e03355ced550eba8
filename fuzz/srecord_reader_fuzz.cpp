// brivel's S-record reader over arbitrary bytes, then the erase, program and verify passes over
// what it read, as the main flow runs them.
//
// Properties: every result is a ReaderResult; a record's data lie inside what the line can
// hold; a rewound reader hands out the same records again; the file check refuses exactly the
// files that do not read to their end, hold S1/S2 data or hold no S3 data; from the checked
// copy the program pass sends every S3 data byte exactly once in frames of 1 to 256 bytes
// (never an empty one), the blank check reads whole sectors, and the verify pass finds what
// was programmed whenever no two records overlap.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/ezport.h"
#include "core/file_check.h"
#include "core/passes.h"
#include "core/progress_bar.h"
#include "core/record_image.h"
#include "core/srecord_reader.h"
#include "core/srecord_writer.h"
#include "fuzz_check.h"

namespace {

using brivel::SRecordLine;
using brivel::SRecordReader;

struct Record {
    int result;
    int32_t type;
    uint32_t address;
    std::vector<uint8_t> data;
    bool operator==(const Record&) const = default;
};

// Reads until the reader stops handing out records; the last entry is the result that ended
// the pass.
std::vector<Record> ReadAll(SRecordReader& reader) {
    std::vector<Record> records;
    for (;;) {
        SRecordLine line;
        const int result = reader.NextRecord(line);
        FUZZ_CHECK(result >= brivel::kReaderRecord && result <= brivel::kReaderSkip);
        FUZZ_CHECK(result != brivel::kReaderNoFile);
        Record record{result, line.type, 0, {}};
        if (result == brivel::kReaderRecord) {
            FUZZ_CHECK(line.type == 1 || line.type == 2 || line.type == 3 || line.type == 5 ||
                       line.type == 7 || line.type == 8 || line.type == 9);
            // A count byte, at least two address bytes and a checksum leave at most 252.
            FUZZ_CHECK(line.length >= 0 && line.length <= 252);
            FUZZ_CHECK(line.length == 0 || line.data != nullptr);
            record.address = line.address;
            record.data.assign(line.data, line.data + line.length);
        }
        records.push_back(std::move(record));
        if (result != brivel::kReaderRecord && result != brivel::kReaderSkip) {
            return records;
        }
    }
}

// A target that stores what it is given and checks the shapes of the frames the passes ask for.
struct Target {
    std::map<uint32_t, uint8_t> memory;  // unwritten bytes read as 0xFF
    uint64_t programmed = 0;
};
Target* g_target = nullptr;

void Nothing() {}
int StatusOk(uint8_t* status) {
    *status = brivel::kEzStatusConfigLoaded | brivel::kEzStatusWriteEnabled;
    return 0;
}
int Ok() {
    return 0;
}
int EraseOk(uint32_t) {
    return 0;
}
int Program(uint32_t address, const uint8_t* data, uint32_t length, uint32_t) {
    FUZZ_CHECK(length >= 1 && length <= brivel::kEzBlockSize);
    if (address + static_cast<uint64_t>(length) > 0x100000000ull) {
        return brivel::kEzBadAddress;
    }
    for (uint32_t i = 0; i < length; ++i) {
        g_target->memory[address + i] = data[i];
    }
    g_target->programmed += length;
    return 0;
}
int Read(uint32_t address, uint8_t* buffer, uint32_t length) {
    FUZZ_CHECK(length >= 1 && length <= brivel::kEzSectorSize);
    for (uint32_t i = 0; i < length; ++i) {
        const auto at = g_target->memory.find(address + i);
        buffer[i] = at == g_target->memory.end() ? 0xFF : at->second;
    }
    return 0;
}
int Config(uint8_t, uint8_t* status) {
    return StatusOk(status);
}
int SectorErase(uint32_t address, uint32_t) {
    const uint32_t start = address & ~(brivel::kEzSectorSize - 1);
    g_target->memory.erase(g_target->memory.lower_bound(start),
                           g_target->memory.lower_bound(start + brivel::kEzSectorSize));
    return 0;
}

constexpr brivel::AdapterOps kOps = {Nothing, Nothing, StatusOk, Ok,         EraseOk,
                                     Program, Read,    Config,   SectorErase};

class NullConsole : public brivel::Console {
protected:
    void Write(std::string_view) override {}
};

bool Overlapping(const std::vector<Record>& records) {
    std::map<uint64_t, uint64_t> spans;  // start -> end (exclusive)
    for (const Record& r : records) {
        if (r.result != brivel::kReaderRecord || r.type != 3 || r.data.empty()) {
            continue;
        }
        const uint64_t start = r.address;
        const uint64_t end = start + r.data.size();
        auto next = spans.lower_bound(start);
        if (next != spans.end() && next->first < end) {
            return true;
        }
        if (next != spans.begin() && std::prev(next)->second > start) {
            return true;
        }
        spans[start] = end;
    }
    return false;
}

// What brivel -r would write of the programmed range reads back as the same bytes: the
// writer's records at any address, checksums and line ends, through the reader and the check.
void CheckReadBack(const Target& target) {
    const uint32_t low = target.memory.begin()->first;
    const uint32_t high = target.memory.rbegin()->first;
    if (high - low >= 0x10000) {
        return;
    }
    std::vector<uint8_t> bytes(high - low + 1, 0xFF);
    for (const auto& [address, byte] : target.memory) {
        bytes[address - low] = byte;
    }
    const std::string text = brivel::FormatSRecordFile(low, bytes, "fuzz");
    const int fd = memfd_create("readback", 0);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()));
    brivel::RecordImage image;
    const brivel::FileCheckResult check =
        brivel::CheckRecordFile("/proc/self/fd/" + std::to_string(fd), 1ull << 32, image);
    FUZZ_CHECK(check.check == brivel::FileCheck::kOk && check.total == bytes.size());
    std::vector<uint8_t> back;
    brivel::SRecordLine line;
    while (image.NextRecord(line) == brivel::kReaderRecord) {
        if (line.type != 3) {
            continue;
        }
        FUZZ_CHECK(line.address == low + back.size());
        back.insert(back.end(), line.data, line.data + line.length);
    }
    FUZZ_CHECK(back == bytes);
    close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The reader takes a path: the input goes into an anonymous in-memory file.
    const int fd = memfd_create("srecord", 0);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(write(fd, data, size) == static_cast<ssize_t>(size));
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    SRecordReader reader;
    FUZZ_CHECK(reader.Open(path) == 0);
    const std::vector<Record> first = ReadAll(reader);
    FUZZ_CHECK(reader.Rewind() == 0);
    FUZZ_CHECK(ReadAll(reader) == first);

    // The main flow's check reads the file once more; the passes then run from its copy.
    // With the whole 32-bit space as the flash, only S1/S2 data and files without data are
    // refused among the files that read to their end.
    brivel::RecordImage image;
    const brivel::FileCheckResult check = brivel::CheckRecordFile(path, 1ull << 32, image);
    const bool readToEnd = first.back().result == brivel::kReaderEnd;
    FUZZ_CHECK((check.check == brivel::FileCheck::kMalformed) == !readToEnd);
    FUZZ_CHECK(check.check != brivel::FileCheck::kCannotOpen);
    FUZZ_CHECK(check.check != brivel::FileCheck::kOutsideFlash);
    if (check.check == brivel::FileCheck::kOk) {
        uint64_t total = 0;
        bool s1s2Data = false;
        for (const Record& r : first) {
            if (r.result == brivel::kReaderRecord && r.type == 3) {
                total += r.data.size();
            }
            s1s2Data |= r.result == brivel::kReaderRecord && (r.type == 1 || r.type == 2) &&
                        !r.data.empty();
        }
        FUZZ_CHECK(!s1s2Data && total > 0 && total == check.total);
        Target target;
        g_target = &target;
        NullConsole console;
        brivel::ProgressBar progress(console);
        FUZZ_CHECK(brivel::EraseSectors(kOps, image, console) == 0);
        progress.Start(20, static_cast<uint32_t>(total));
        FUZZ_CHECK(brivel::TransferImage(kOps, image, false, progress, console) == 0);
        FUZZ_CHECK(target.programmed == total);
        progress.Start(20, static_cast<uint32_t>(total));
        const int verified = brivel::TransferImage(kOps, image, true, progress, console);
        FUZZ_CHECK(verified == 0 || verified == -1);
        FUZZ_CHECK(verified == 0 || Overlapping(first));
        g_target = nullptr;
        CheckReadBack(target);
    }
    reader.Close();
    close(fd);
    return 0;
}
