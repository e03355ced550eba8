#pragma once

#include <cstdint>
#include <string>

#include "core/record_image.h"

namespace brivel {

enum class FileCheck {
    kOk,
    kCannotOpen,
    kMalformed,     // a line the reader refuses
    kS1S2Data,      // data in S1 or S2 records, which are not programmed
    kNoData,        // not one data byte in an S3 record
    kOutsideFlash,  // an S3 record with a byte at or above the end of the flash
};

struct FileCheckResult {
    FileCheck check = FileCheck::kOk;
    uint32_t address = 0;  // kOutsideFlash: the address of the first such record
    uint32_t total = 0;    // data bytes of the S3 records
};

// Reads the S-record file once into image and checks, in this order, that it opens, that
// every line is well-formed, that data lie only in S3 records and there is some, and that
// every data byte lies below flashBytes. Only a file that passes may be programmed: the S3
// addresses are cut to 24 bits on the EzPort, so a byte outside the flash would land on
// another address and verify there.
FileCheckResult CheckRecordFile(const std::string& path, uint64_t flashBytes, RecordImage& image);

}  // namespace brivel
