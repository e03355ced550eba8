#pragma once

#include <cstdint>
#include <vector>

#include "adapters/device_access.h"

namespace brivel {

// The FTDI D2XX calls the FTDI adapter makes, as one interface: the library over libftdi1
// on a real machine, the MPSSE emulator in tests and in the simulated target. An object
// stands for the library with at most one open device, so the calls after Open take no
// handle.
using FtStatus = uint32_t;

inline constexpr FtStatus kFtOk = 0;
inline constexpr FtStatus kFtInvalidHandle = 1;
inline constexpr FtStatus kFtDeviceNotFound = 2;
inline constexpr FtStatus kFtDeviceNotOpened = 3;
inline constexpr FtStatus kFtIoError = 4;
inline constexpr FtStatus kFtInsufficientResources = 5;
inline constexpr FtStatus kFtInvalidParameter = 6;
inline constexpr FtStatus kFtOtherError = 18;

inline constexpr uint32_t kFtPurgeRx = 1;
inline constexpr uint32_t kFtPurgeTx = 2;
inline constexpr uint8_t kFtBitModeReset = 0x00;
inline constexpr uint8_t kFtBitModeMpsse = 0x02;

// One record of the device information list (the 100-byte record without its handle):
// the identifier is VID << 16 | PID, the serial a NUL-terminated text.
struct FtDeviceListInfoNode {
    uint32_t flags = 0;
    uint32_t type = 0;
    uint32_t id = 0;
    uint32_t locId = 0;
    char serialNumber[16] = {};
    char description[64] = {};
};

class D2xx {
public:
    virtual ~D2xx() = default;

    virtual FtStatus CreateDeviceInfoList(uint32_t* count) = 0;
    // Fills up to *count records (in: the array's size, out: the records filled).
    virtual FtStatus GetDeviceInfoList(FtDeviceListInfoNode* list, uint32_t* count) = 0;
    virtual FtStatus Open(int index) = 0;
    virtual FtStatus ResetDevice() = 0;
    virtual FtStatus Purge(uint32_t mask) = 0;
    virtual FtStatus SetUsbParameters(uint32_t inTransferSize, uint32_t outTransferSize) = 0;
    virtual FtStatus SetLatencyTimer(uint8_t ms) = 0;
    virtual FtStatus SetBitMode(uint8_t mask, uint8_t mode) = 0;
    virtual FtStatus GetQueueStatus(uint32_t* bytesWaiting) = 0;
    virtual FtStatus Write(const uint8_t* data, uint32_t length, uint32_t* written) = 0;
    virtual FtStatus Read(uint8_t* buffer, uint32_t length, uint32_t* read) = 0;
    virtual void Close() = 0;

    // Why the last Open failed, where the library can tell.
    virtual DeviceAccess LastOpenFailure() const { return DeviceAccess::kOk; }
};

}  // namespace brivel
