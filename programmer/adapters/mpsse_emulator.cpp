#include "adapters/mpsse_emulator.h"

#include <algorithm>
#include <cstring>

namespace brivel {

namespace {

constexpr uint8_t kPinChipSelect = 0x08;
constexpr uint8_t kPinReset = 0x80;
constexpr uint8_t kBadCommand = 0xFA;
constexpr uint32_t kFt2232Id = 0x04036010;
// The D2XX device type of an FT2232C/D.
constexpr uint32_t kTypeFt2232C = 4;

FtDeviceListInfoNode SimulatedChannelA() {
    FtDeviceListInfoNode node;
    node.type = kTypeFt2232C;
    node.id = kFt2232Id;
    std::strcpy(node.serialNumber, "SIM00001A");
    std::strcpy(node.description, "Dual RS232 A");
    return node;
}

uint32_t LengthField(const uint8_t* command) {
    return (static_cast<uint32_t>(command[1]) | static_cast<uint32_t>(command[2]) << 8) + 1;
}

}  // namespace

MpsseEmulator::MpsseEmulator(EzPortFlash& flash) : MpsseEmulator(flash, {SimulatedChannelA()}) {}

MpsseEmulator::MpsseEmulator(EzPortFlash& flash, std::vector<FtDeviceListInfoNode> devices)
    : m_flash(flash), m_devices(std::move(devices)) {}

FtStatus MpsseEmulator::CreateDeviceInfoList(uint32_t* count) {
    *count = static_cast<uint32_t>(m_devices.size());
    return kFtOk;
}

FtStatus MpsseEmulator::GetDeviceInfoList(FtDeviceListInfoNode* list, uint32_t* count) {
    const uint32_t n = std::min<uint32_t>(*count, static_cast<uint32_t>(m_devices.size()));
    std::copy_n(m_devices.begin(), n, list);
    *count = n;
    return kFtOk;
}

FtStatus MpsseEmulator::Open(int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_devices.size()) {
        return kFtDeviceNotFound;
    }
    if (m_open) {
        return kFtDeviceNotOpened;
    }
    m_open = true;
    m_mpsse = false;
    return kFtOk;
}

FtStatus MpsseEmulator::ResetDevice() {
    if (!m_open) {
        return kFtInvalidHandle;
    }
    m_pending.clear();
    m_received.clear();
    return kFtOk;
}

FtStatus MpsseEmulator::Purge(uint32_t mask) {
    if (!m_open) {
        return kFtInvalidHandle;
    }
    if ((mask & kFtPurgeRx) != 0) {
        m_received.clear();
    }
    if ((mask & kFtPurgeTx) != 0) {
        m_pending.clear();
    }
    return kFtOk;
}

FtStatus MpsseEmulator::SetUsbParameters(uint32_t inTransferSize, uint32_t) {
    if (!m_open) {
        return kFtInvalidHandle;
    }
    m_inTransferSize = inTransferSize;
    return kFtOk;
}

FtStatus MpsseEmulator::SetLatencyTimer(uint8_t ms) {
    if (!m_open) {
        return kFtInvalidHandle;
    }
    if (ms == 0) {
        return kFtInvalidParameter;
    }
    m_latencyMs = ms;
    return kFtOk;
}

FtStatus MpsseEmulator::SetBitMode(uint8_t, uint8_t mode) {
    if (!m_open) {
        return kFtInvalidHandle;
    }
    m_mpsse = mode == kFtBitModeMpsse;
    m_pending.clear();
    return kFtOk;
}

FtStatus MpsseEmulator::GetQueueStatus(uint32_t* bytesWaiting) {
    if (!m_open) {
        return kFtInvalidHandle;
    }
    ++m_usbTransfers;
    *bytesWaiting = static_cast<uint32_t>(m_received.size());
    return kFtOk;
}

FtStatus MpsseEmulator::Write(const uint8_t* data, uint32_t length, uint32_t* written) {
    *written = 0;
    if (!m_open) {
        return kFtInvalidHandle;
    }
    ++m_usbTransfers;
    m_bytesToDevice += length;
    m_writes.emplace_back(data, data + length);
    *written = length;
    // Outside MPSSE mode the bytes go to the UART and never reach the EzPort.
    if (m_mpsse) {
        m_pending.insert(m_pending.end(), data, data + length);
        Interpret();
    }
    return kFtOk;
}

FtStatus MpsseEmulator::Read(uint8_t* buffer, uint32_t length, uint32_t* read) {
    *read = 0;
    if (!m_open) {
        return kFtInvalidHandle;
    }
    const uint32_t n = std::min<uint32_t>(length, static_cast<uint32_t>(m_received.size()));
    std::copy_n(m_received.begin(), n, buffer);
    m_received.erase(m_received.begin(), m_received.begin() + n);
    m_bytesFromDevice += n;
    *read = n;
    return kFtOk;
}

void MpsseEmulator::Close() {
    m_open = false;
    m_mpsse = false;
    m_pending.clear();
    m_received.clear();
}

void MpsseEmulator::ClearLog() {
    m_writes.clear();
    m_stream.clear();
    m_streamPieceOpen = false;
    m_lowHistory.clear();
}

// Bytes the command at `at` needs, or 0 while they have not all arrived.
size_t MpsseEmulator::CommandLength(size_t at) const {
    const size_t available = m_pending.size() - at;
    size_t needed = 1;
    switch (m_pending[at]) {
        case 0x80:
        case 0x82:
        case 0x86:
            needed = 3;
            break;
        case 0x24:
            needed = 3;
            break;
        case 0x11:
            if (available < 3) {
                return 0;
            }
            needed = 3 + LengthField(&m_pending[at]);
            break;
        default:
            needed = 1;
            break;
    }
    return available >= needed ? needed : 0;
}

void MpsseEmulator::Interpret() {
    size_t at = 0;
    while (at < m_pending.size()) {
        const size_t length = CommandLength(at);
        if (length == 0) {
            break;
        }
        const auto command = m_pending.begin() + static_cast<std::ptrdiff_t>(at);
        if (*command == 0x80) {
            m_stream.emplace_back(command, command + static_cast<std::ptrdiff_t>(length));
            m_streamPieceOpen = false;
        } else {
            if (!m_streamPieceOpen) {
                m_stream.emplace_back();
                m_streamPieceOpen = true;
            }
            m_stream.back().insert(m_stream.back().end(), command,
                                   command + static_cast<std::ptrdiff_t>(length));
        }
        Execute(&m_pending[at]);
        at += length;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + at);
}

void MpsseEmulator::Execute(const uint8_t* command) {
    switch (command[0]) {
        case 0x80:
            m_lowValues = command[1];
            m_lowDirections = command[2];
            m_lowHistory.push_back(m_lowValues);
            ApplyLowByte();
            break;
        case 0x81: {
            // Inputs read high: DI idles high and the unused inputs are pulled up.
            const auto levels =
                static_cast<uint8_t>((m_lowValues & m_lowDirections) | ~m_lowDirections);
            m_received.push_back(levels);
            break;
        }
        case 0x82:
            m_highValues = command[1];
            m_highDirections = command[2];
            break;
        case 0x83:
            m_received.push_back(
                static_cast<uint8_t>((m_highValues & m_highDirections) | ~m_highDirections));
            break;
        case 0x86:
            m_divisor = static_cast<uint16_t>(command[1] | command[2] << 8);
            break;
        case 0x87:  // send immediate: the emulator always answers at once
        case 0x8A:  // FT2232H clock controls, harmless here
        case 0x8B:
        case 0x8C:
        case 0x8D:
        case 0x97:
            break;
        case 0x11: {
            const uint32_t n = LengthField(command);
            for (uint32_t i = 0; i < n; ++i) {
                m_flash.Exchange(command[3 + i]);
            }
            m_wireBytes += n;
            break;
        }
        case 0x24: {
            const uint32_t n = LengthField(command);
            for (uint32_t i = 0; i < n; ++i) {
                m_received.push_back(m_flash.Exchange(0x00));
            }
            m_wireBytes += n;
            break;
        }
        default:
            m_received.push_back(kBadCommand);
            m_received.push_back(command[0]);
            break;
    }
}

// Chip select and reset follow the low byte only where the pin drives; an input floats high
// (chip select released, reset not asserted).
void MpsseEmulator::ApplyLowByte() {
    const bool csDriven = (m_lowDirections & kPinChipSelect) != 0;
    const bool resetDriven = (m_lowDirections & kPinReset) != 0;
    m_flash.SetChipSelect(csDriven && (m_lowValues & kPinChipSelect) == 0);
    m_flash.SetReset(resetDriven && (m_lowValues & kPinReset) != 0);
}

}  // namespace brivel
