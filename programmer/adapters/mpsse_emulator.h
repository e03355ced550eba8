#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "adapters/d2xx.h"
#include "adapters/ezport_flash.h"

namespace brivel {

// An FT2232-class chip behind the D2XX calls: its MPSSE engine interprets the byte stream
// (0x80/0x81 low byte, 0x82/0x83 high byte, 0x86 divisor, 0x87 flush, 0x11 bytes out,
// 0x24 bytes in; any other opcode answers 0xFA and the opcode, as the chip does) and clocks
// the bytes into an EzPort flash wired to the low byte.
class MpsseEmulator : public D2xx {
public:
    // The listed devices default to one FT2232 channel A.
    explicit MpsseEmulator(EzPortFlash& flash);
    MpsseEmulator(EzPortFlash& flash, std::vector<FtDeviceListInfoNode> devices);

    FtStatus CreateDeviceInfoList(uint32_t* count) override;
    FtStatus GetDeviceInfoList(FtDeviceListInfoNode* list, uint32_t* count) override;
    FtStatus Open(int index) override;
    FtStatus ResetDevice() override;
    FtStatus Purge(uint32_t mask) override;
    FtStatus SetUsbParameters(uint32_t inTransferSize, uint32_t outTransferSize) override;
    FtStatus SetLatencyTimer(uint8_t ms) override;
    FtStatus SetBitMode(uint8_t mask, uint8_t mode) override;
    FtStatus GetQueueStatus(uint32_t* bytesWaiting) override;
    FtStatus Write(const uint8_t* data, uint32_t length, uint32_t* written) override;
    FtStatus Read(uint8_t* buffer, uint32_t length, uint32_t* read) override;
    void Close() override;

    bool IsOpen() const { return m_open; }
    bool InMpsseMode() const { return m_mpsse; }
    uint8_t LowByteValues() const { return m_lowValues; }
    uint8_t LowByteDirections() const { return m_lowDirections; }
    uint32_t ClockHz() const { return 12000000 / ((1 + m_divisor) * 2); }
    uint8_t LatencyMs() const { return m_latencyMs; }
    uint32_t InTransferSize() const { return m_inTransferSize; }

    // Every write as it crossed the seam, and every low-byte value the engine latched.
    const std::vector<std::vector<uint8_t>>& Writes() const { return m_writes; }
    // The MPSSE commands the engine carried out, in order, cut before and after each low-byte
    // command (0x80): a pin change, then the bytes of one frame, then a pin change. The same
    // however the adapter cuts its bytes into writes.
    const std::vector<std::vector<uint8_t>>& Stream() const { return m_stream; }
    const std::vector<uint8_t>& LowByteHistory() const { return m_lowHistory; }
    void ClearLog();

    // Traffic: D2XX calls that cost a USB transfer, bytes each way, bytes clocked on the wire.
    uint64_t UsbTransfers() const { return m_usbTransfers; }
    uint64_t BytesToDevice() const { return m_bytesToDevice; }
    uint64_t BytesFromDevice() const { return m_bytesFromDevice; }
    uint64_t WireBytes() const { return m_wireBytes; }

private:
    void Interpret();
    size_t CommandLength(size_t at) const;
    void Execute(const uint8_t* command);
    void ApplyLowByte();

    EzPortFlash& m_flash;
    std::vector<FtDeviceListInfoNode> m_devices;
    bool m_open = false;
    bool m_mpsse = false;
    uint8_t m_lowValues = 0;
    uint8_t m_lowDirections = 0;
    uint8_t m_highValues = 0;
    uint8_t m_highDirections = 0;
    uint16_t m_divisor = 0;
    uint8_t m_latencyMs = 16;
    uint32_t m_inTransferSize = 4096;
    // Bytes of a command that has not fully arrived yet.
    std::vector<uint8_t> m_pending;
    std::deque<uint8_t> m_received;
    std::vector<std::vector<uint8_t>> m_writes;
    std::vector<std::vector<uint8_t>> m_stream;
    bool m_streamPieceOpen = false;  // the last piece of m_stream takes further frame bytes
    std::vector<uint8_t> m_lowHistory;
    uint64_t m_usbTransfers = 0;
    uint64_t m_bytesToDevice = 0;
    uint64_t m_bytesFromDevice = 0;
    uint64_t m_wireBytes = 0;
};

}  // namespace brivel
