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

}  // namespace brivel
