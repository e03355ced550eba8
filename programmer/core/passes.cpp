#include "core/passes.h"

#include <algorithm>
#include <cstring>

#include "core/console.h"
#include "core/ezport.h"
#include "core/messages.h"
#include "core/progress_bar.h"
#include "core/record_source.h"

namespace brivel {

namespace {

constexpr uint32_t kSectorMask = kEzSectorSize - 1;

bool IsBlank(const uint8_t* data, uint32_t length) {
    return std::all_of(data, data + length, [](uint8_t b) { return b == 0xFF; });
}

// Prints the sector, checks it and erases it unless it is blank. A sector that cannot be read
// counts as not blank: erasing a blank sector costs a little time, skipping a written one
// would program over old data.
int HandleSector(const AdapterOps& ops, uint32_t address, Console& console) {
    const uint32_t start = address & ~kSectorMask;
    console.Printf(msg::kSectorRange.c_str(), start, start + kSectorMask);
    uint8_t sector[kEzSectorSize];
    const bool readOk = ops.Read(start, sector, kEzSectorSize) == 0;
    const bool blank = readOk && IsBlank(sector, kEzSectorSize);
    uint8_t status = 0;
    ops.ReadStatus(&status);
    if (blank) {
        console.Print(msg::kSectorBlank);
    } else {
        const int result = ops.SectorErase(address, kEzSectorEraseTimeoutMs);
        if (result != kEzOk) {
            console.Print(msg::kSectorFailed);
            return result;
        }
    }
    console.Print(msg::kLineEnd);
    return kEzOk;
}

}  // namespace

int EraseSectors(const AdapterOps& ops, RecordSource& records, Console& console) {
    records.Rewind();
    console.Print(msg::kErasingSectors);
    bool first = true;
    uint32_t lastSector = 0;
    SRecordLine record;
    for (;;) {
        const int read = records.NextRecord(record);
        if (read == kReaderSkip) {
            continue;
        }
        if (read != kReaderRecord) {
            return kEzOk;
        }
        if (record.type != 3 || record.length < 1) {
            continue;
        }
        uint32_t address = record.address;
        uint32_t remaining = static_cast<uint32_t>(record.length);
        while (remaining > 0) {
            const uint32_t sector = address >> 11;
            if (first || sector != lastSector) {
                first = false;
                lastSector = sector;
                const int result = HandleSector(ops, address, console);
                if (result != kEzOk) {
                    return result;
                }
            }
            const uint32_t inSector = kEzSectorSize - (address & kSectorMask);
            if (remaining <= inSector) {
                break;
            }
            remaining -= inSector;
            address += inSector;
        }
    }
}

int TransferImage(const AdapterOps& ops, RecordSource& records, bool verify, ProgressBar& progress,
                  Console& console) {
    records.Rewind();
    uint8_t block[kEzBlockSize];
    uint8_t readBack[kEzBlockSize];
    uint32_t fill = 0;
    uint32_t base = 0;
    bool startNew = true;
    bool flush = false;
    bool atEnd = false;
    uint32_t done = 0;
    SRecordLine record;
    uint32_t taken = 0;  // bytes of the current record already in blocks
    for (;;) {
        if (atEnd) {
            return 0;  // the last block went out
        }
        if (taken >= static_cast<uint32_t>(record.length)) {
            for (;;) {
                const int read = records.NextRecord(record);
                if (read == kReaderSkip) {
                    continue;
                }
                if (read == kReaderRecord) {
                    if (record.type != 3 || record.length <= 0) {
                        continue;
                    }
                    taken = 0;
                    break;
                }
                if (read == kReaderEnd) {
                    if (fill == 0) {
                        return 0;
                    }
                    atEnd = true;
                    flush = true;
                    break;
                }
                return 0;
            }
        }
        if (!flush) {
            const uint32_t address = record.address + taken;
            if (startNew) {
                base = address;
                startNew = false;
            } else if (address != base + fill) {
                flush = true;
            }
            if (!flush) {
                const uint32_t n =
                    std::min(kEzBlockSize - fill, static_cast<uint32_t>(record.length) - taken);
                std::memcpy(block + fill, record.data + taken, n);
                fill += n;
                taken += n;
            }
        }
        if (fill < kEzBlockSize && !flush) {
            continue;
        }
        // A block that was just completed and sent leaves nothing behind; when the next record
        // does not follow on, the empty block is not sent: a zero-length read or program frame
        // means 65536 clocks on the FTDI adapter and a malformed request on the USB one.
        if (fill > 0) {
            int result = 0;
            if (verify) {
                result = ops.Read(base, readBack, fill);
                if (result == 0) {
                    for (uint32_t i = 0; i < fill; ++i) {
                        if (readBack[i] != block[i]) {
                            console.Printf(msg::kCompareMismatch.c_str(), base + i,
                                           static_cast<unsigned>(readBack[i]),
                                           static_cast<unsigned>(block[i]));
                            return -1;
                        }
                    }
                }
                uint8_t status = 0;
                ops.ReadStatus(&status);
            } else {
                result = ops.PageProgram(base, block, fill, kEzPageProgramTimeoutMs);
            }
            if (result != 0) {
                console.Printf(msg::kOperationFailed.c_str(), result, ErrorText(result));
                return result;
            }
            done += fill;
            progress.Update(done);
        }
        if (flush) {
            flush = false;
            startNew = true;
        } else {
            base += kEzBlockSize;
        }
        fill = 0;
    }
}

int ReadFlash(const AdapterOps& ops, uint32_t address, uint8_t* buffer, uint32_t length,
              uint32_t longestRead, ProgressBar& progress, Console& console) {
    const uint32_t block = longestRead > 0 ? longestRead : kEzBlockSize;
    uint32_t done = 0;
    while (done < length) {
        const uint32_t n = std::min(block, length - done);
        int result = ops.Read(address + done, buffer + done, n);
        uint8_t status = 0;
        ops.ReadStatus(&status);
        if (result == 0 && ops.ReadStatus(&status) != 0) {
            result = kEzInterface;
        }
        if (result != 0) {
            console.Printf(msg::kOperationFailed.c_str(), result, ErrorText(result));
            return result;
        }
        done += n;
        progress.Update(done);
    }
    return 0;
}

}  // namespace brivel
