#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/backend.h"
#include "fake_target.h"

namespace brivel::testing {

// What the fake backend offers and what was asked of it; outlives the backend object, which
// the main flow owns and destroys.
struct BackendScript {
    std::vector<UsbInterfaceInfo> usb;
    std::vector<FtdiDeviceInfo> ftdi;
    bool ftdiListOk = true;
    std::optional<std::string> directFtdiName;  // opened as FTDI device 0 without the list
    bool openFtdiOk = true;
    bool openUsbOk = true;
    std::string version = "01.02";
    uint32_t longestRead = 4096;  // both adapter kinds
    bool finishOk = true;
    BackendError finishError;
    std::vector<std::string> calls;  // "OpenFtdi 0", "SetupFtdi", "UsbEnable 1", "Finish" ...
};

// Both adapter kinds drive the one FakeTarget.
class FakeBackend : public ProgrammerBackend {
public:
    explicit FakeBackend(BackendScript& script) : m_script(script) {}

    std::vector<UsbInterfaceInfo> ListUsbInterfaces() override {
        m_script.calls.push_back("ListUsb");
        return m_script.usb;
    }
    bool ListFtdiDevices(std::vector<FtdiDeviceInfo>& devices) override {
        m_script.calls.push_back("ListFtdi");
        devices = m_script.ftdi;
        return m_script.ftdiListOk;
    }
    std::optional<int> DirectFtdiIndex(const std::string& name) override {
        if (m_script.directFtdiName && name == *m_script.directFtdiName) {
            return 0;
        }
        return std::nullopt;
    }
    bool OpenFtdi(int index) override {
        m_script.calls.push_back("OpenFtdi " + std::to_string(index));
        return m_script.openFtdiOk;
    }
    int SetupFtdi() override {
        m_script.calls.push_back("SetupFtdi");
        return -1;  // ignored by the main flow
    }
    void CloseFtdi() override { m_script.calls.push_back("CloseFtdi"); }
    const AdapterOps& FtdiOps() override { return FakeTarget::Ops(); }
    uint32_t FtdiLongestRead() override { return m_script.longestRead; }
    bool OpenUsb(const std::string& path) override {
        m_script.calls.push_back("OpenUsb " + path);
        return m_script.openUsbOk;
    }
    std::string UsbVersionText() override { return m_script.version; }
    int UsbEnable(bool on) override {
        m_script.calls.push_back(on ? "UsbEnable 1" : "UsbEnable 0");
        return 0;
    }
    void CloseUsb() override { m_script.calls.push_back("CloseUsb"); }
    const AdapterOps& UsbOps() override { return FakeTarget::Ops(); }
    uint32_t UsbLongestRead() override { return m_script.longestRead; }
    bool Finish(BackendError& error) override {
        m_script.calls.push_back("Finish");
        error = m_script.finishError;
        return m_script.finishOk;
    }

private:
    BackendScript& m_script;
};

}  // namespace brivel::testing
