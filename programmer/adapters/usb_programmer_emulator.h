#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "adapters/ezport_flash.h"
#include "adapters/usb_pipes.h"

namespace brivel {

// The USB programmer's firmware behind the WinUSB calls: it takes each request written to
// the OUT pipe as a whole, carries out its items on the target lines and the EzPort flash,
// and queues one reply: a part for each capture item, an empty packet when nothing was
// captured, and a zero-length packet after a reply that fills the last read exactly.
class UsbProgrammerEmulator : public UsbPipes {
public:
    explicit UsbProgrammerEmulator(EzPortFlash& flash, uint16_t bcdDevice = 0x0102);

    bool SetPipePolicy(uint8_t pipe, uint32_t policy, uint8_t value) override;
    bool GetDescriptor(uint8_t type, uint8_t index, uint16_t language, uint8_t* buffer,
                       uint32_t length, uint32_t* transferred) override;
    bool WritePipe(uint8_t pipe, const uint8_t* data, uint32_t length, uint32_t* written,
                   uint32_t timeoutMs) override;
    bool ReadPipe(uint8_t pipe, uint8_t* buffer, uint32_t length, uint32_t* read,
                  uint32_t timeoutMs) override;

    const std::vector<std::vector<uint8_t>>& Requests() const { return m_requests; }
    const std::vector<uint32_t>& ReadLengths() const { return m_readLengths; }
    void ClearLog();
    bool DriversOn() const { return m_driversOn; }
    uint32_t ProtocolErrors() const { return m_protocolErrors; }
    bool PoliciesSet() const;

    // Traffic: pipe transfers, bytes each way, bytes shifted on the EzPort wire.
    uint64_t UsbTransfers() const { return m_usbTransfers; }
    uint64_t BytesToDevice() const { return m_bytesToDevice; }
    uint64_t BytesFromDevice() const { return m_bytesFromDevice; }
    uint64_t WireBytes() const { return m_wireBytes; }

private:
    void Execute(const uint8_t* request, size_t length);
    void ApplyLines();

    EzPortFlash& m_flash;
    uint16_t m_bcdDevice;
    bool m_shortPacketTerminate = false;
    bool m_allowPartialReads = false;
    bool m_ignoreShortPackets = true;
    bool m_driversOn = false;
    int m_chipSelect = 1;
    int m_reset = 1;
    int m_clock = 0;
    std::vector<uint8_t> m_reply;
    size_t m_replyAt = 0;
    bool m_replyPending = false;
    std::vector<std::vector<uint8_t>> m_requests;
    std::vector<uint32_t> m_readLengths;
    uint32_t m_protocolErrors = 0;
    uint64_t m_usbTransfers = 0;
    uint64_t m_bytesToDevice = 0;
    uint64_t m_bytesFromDevice = 0;
    uint64_t m_wireBytes = 0;
};

}  // namespace brivel
