#include "adapters/testing/d2xx_faults.h"

#include <algorithm>

namespace brivel {

void FaultyD2xx::Arm(FtdiFault fault, uint32_t atCall, uint32_t count) {
    m_fault = fault;
    m_atCall = atCall;
    m_count = count;
    m_fired = false;
}

bool FaultyD2xx::Active(FtdiFault fault) {
    if (m_fault != fault || m_writes < m_atCall || m_writes - m_atCall >= m_count) {
        return false;
    }
    m_fired = true;
    return true;
}

FtStatus FaultyD2xx::Purge(uint32_t mask) {
    if ((mask & kFtPurgeRx) != 0) {
        m_echo.clear();
    }
    return Inner().Purge(mask);
}

FtStatus FaultyD2xx::GetQueueStatus(uint32_t* bytesWaiting) {
    if (Active(FtdiFault::kFailingQueueStatus)) {
        return kFtIoError;
    }
    if (Active(FtdiFault::kNoAnswer)) {
        *bytesWaiting = 0;
        return kFtOk;
    }
    const FtStatus status = Inner().GetQueueStatus(bytesWaiting);
    if (status == kFtOk) {
        *bytesWaiting += static_cast<uint32_t>(m_echo.size());
    }
    return status;
}

FtStatus FaultyD2xx::Write(const uint8_t* data, uint32_t length, uint32_t* written) {
    ++m_writes;
    if (Active(FtdiFault::kFailingWrite)) {
        *written = 0;
        return kFtIoError;
    }
    if (m_flash != nullptr) {
        if (Active(FtdiFault::kStatusFF)) {
            m_flash->SetSilent(true);
        } else if (Active(FtdiFault::kStuckBusy)) {
            m_flash->SetStuckBusy(true);
        } else if (Active(FtdiFault::kWriteError)) {
            m_flash->SetFailWrites(true);
        }
    }
    const FtStatus status = Inner().Write(data, length, written);
    if (status == kFtOk && length > 0 && Active(FtdiFault::kBadCommandEcho)) {
        m_echo.push_back(0xFA);
        m_echo.push_back(data[0]);
    }
    return status;
}

FtStatus FaultyD2xx::Read(uint8_t* buffer, uint32_t length, uint32_t* read) {
    if (!m_echo.empty()) {
        const auto n = static_cast<uint32_t>(std::min<size_t>(length, m_echo.size()));
        std::copy_n(m_echo.begin(), n, buffer);
        m_echo.erase(m_echo.begin(), m_echo.begin() + n);
        uint32_t rest = 0;
        const FtStatus status = n < length ? Inner().Read(buffer + n, length - n, &rest) : kFtOk;
        *read = n + rest;
        return status;
    }
    if (Active(FtdiFault::kShortRead) && length > 0) {
        return Inner().Read(buffer, length - 1, read);
    }
    return Inner().Read(buffer, length, read);
}

}  // namespace brivel
