#pragma once

#include <cstdint>

namespace brivel {

// The WinUSB calls the USB programmer's link makes on one opened interface: libusb on a real
// machine, the programmer's firmware emulator in tests and in the simulated target.
inline constexpr uint8_t kPipeRequest = 0x05;  // bulk OUT endpoint 5
inline constexpr uint8_t kPipeReply = 0x84;    // bulk IN endpoint 4

inline constexpr uint32_t kPolicyShortPacketTerminate = 1;
inline constexpr uint32_t kPolicyIgnoreShortPackets = 4;
inline constexpr uint32_t kPolicyAllowPartialReads = 5;

inline constexpr uint8_t kDescriptorDevice = 1;
inline constexpr uint32_t kDeviceDescriptorLength = 18;

class UsbPipes {
public:
    virtual ~UsbPipes() = default;

    virtual bool SetPipePolicy(uint8_t pipe, uint32_t policy, uint8_t value) = 0;
    virtual bool GetDescriptor(uint8_t type, uint8_t index, uint16_t language, uint8_t* buffer,
                               uint32_t length, uint32_t* transferred) = 0;
    // Each call is one bounded transfer: false on failure or when the bound ran out, with
    // the bytes that did move in *written / *read.
    virtual bool WritePipe(uint8_t pipe, const uint8_t* data, uint32_t length, uint32_t* written,
                           uint32_t timeoutMs) = 0;
    // Ends at a short packet, a zero-length packet or a full buffer.
    virtual bool ReadPipe(uint8_t pipe, uint8_t* buffer, uint32_t length, uint32_t* read,
                          uint32_t timeoutMs) = 0;
};

}  // namespace brivel
