#pragma once

#include <cstdint>

namespace brivel {

// The operations of one adapter kind. The passes see only this table; the adapter keeps its
// connection state private to its file, so no slot takes an object argument.
struct AdapterOps {  // slot order fixed
    void (*Enter)();
    void (*Leave)();
    int (*ReadStatus)(uint8_t* status);
    int (*WriteEnable)();
    int (*BulkErase)(uint32_t timeoutMs);
    int (*PageProgram)(uint32_t address, const uint8_t* data, uint32_t length, uint32_t timeoutMs);
    int (*Read)(uint32_t address, uint8_t* buffer, uint32_t length);
    int (*WriteConfig)(uint8_t clockRegister, uint8_t* status);
    int (*SectorErase)(uint32_t address, uint32_t timeoutMs);
};

enum EzPortError : int {
    kEzOk = 0,
    kEzInterface = 1,
    kEzTimeout = 2,
    kEzWriteError = 3,
    kEzSystem = 4,
    kEzBadAddress = 5,
    kEzBadSize = 6,
};

// Windows-1251 text of a result code; codes outside the table give the "unknown error" text.
const char* ErrorText(int code);

}  // namespace brivel
