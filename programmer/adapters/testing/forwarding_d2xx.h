#pragma once

#include "adapters/d2xx.h"

namespace brivel::testing {

// Passes every D2XX call to another library unchanged; decorators derive from it and override
// only the calls they watch or alter.
class ForwardingD2xx : public D2xx {
public:
    explicit ForwardingD2xx(D2xx& inner) : m_inner(inner) {}

    FtStatus CreateDeviceInfoList(uint32_t* count) override {
        return m_inner.CreateDeviceInfoList(count);
    }
    FtStatus GetDeviceInfoList(FtDeviceListInfoNode* list, uint32_t* count) override {
        return m_inner.GetDeviceInfoList(list, count);
    }
    FtStatus Open(int index) override { return m_inner.Open(index); }
    FtStatus ResetDevice() override { return m_inner.ResetDevice(); }
    FtStatus Purge(uint32_t mask) override { return m_inner.Purge(mask); }
    FtStatus SetUsbParameters(uint32_t inTransferSize, uint32_t outTransferSize) override {
        return m_inner.SetUsbParameters(inTransferSize, outTransferSize);
    }
    FtStatus SetLatencyTimer(uint8_t ms) override { return m_inner.SetLatencyTimer(ms); }
    FtStatus SetBitMode(uint8_t mask, uint8_t mode) override {
        return m_inner.SetBitMode(mask, mode);
    }
    FtStatus GetQueueStatus(uint32_t* bytesWaiting) override {
        return m_inner.GetQueueStatus(bytesWaiting);
    }
    FtStatus Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
        return m_inner.Write(data, length, written);
    }
    FtStatus Read(uint8_t* buffer, uint32_t length, uint32_t* read) override {
        return m_inner.Read(buffer, length, read);
    }
    void Close() override { m_inner.Close(); }
    DeviceAccess LastOpenFailure() const override { return m_inner.LastOpenFailure(); }

protected:
    D2xx& Inner() { return m_inner; }

private:
    D2xx& m_inner;
};

}  // namespace brivel::testing
