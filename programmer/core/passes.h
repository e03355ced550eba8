#pragma once

#include "core/adapter_ops.h"

namespace brivel {

class Console;
class ProgressBar;
class RecordSource;

// Erases every 2048-byte sector that the file's S3 data touch and that does not read back
// blank. Returns 0 or the EzPortError of the first failed sector erase.
int EraseSectors(const AdapterOps& ops, RecordSource& records, Console& console);

// Programs (verify = false) or reads back and compares (verify = true) the file's S3 data in
// blocks of up to 256 bytes. Returns 0, -1 after a compare mismatch, or the failure code of
// the adapter operation.
int TransferImage(const AdapterOps& ops, RecordSource& records, bool verify, ProgressBar& progress,
                  Console& console);

// Reads length bytes from address into buffer with Read frames of at most longestRead bytes,
// the most the adapter takes in one call. Each block is followed by the status read that
// ends a read frame (its result means nothing after a read and is ignored, as in the other
// passes) and by a second one that must succeed: a target that stops answering reads 0xFF
// and would pass for erased flash. Sends no write enable, erase or program frame. Returns 0
// or the failure code, after its message.
int ReadFlash(const AdapterOps& ops, uint32_t address, uint8_t* buffer, uint32_t length,
              uint32_t longestRead, ProgressBar& progress, Console& console);

}  // namespace brivel
