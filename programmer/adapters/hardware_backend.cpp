#include <memory>

#include "adapters/access_reporting.h"
#include "adapters/backends.h"
#include "adapters/d2xx.h"
#include "adapters/ftdi_adapter.h"
#include "adapters/libftdi_d2xx.h"
#include "adapters/libusb_programmer.h"
#include "adapters/usb_programmer.h"

namespace brivel {

namespace {

class HardwareBackend : public AccessReportingBackend {
public:
    HardwareBackend() : m_d2xx(MakeLibFtdiD2xx()) {}
    ~HardwareBackend() override { CloseAll(); }

    std::vector<UsbInterfaceInfo> ListUsbInterfaces() override { return m_usb.List(); }

    bool ListFtdiDevices(std::vector<FtdiDeviceInfo>& devices) override {
        return FtdiListDevices(*m_d2xx, devices);
    }

    std::optional<int> DirectFtdiIndex(const std::string&) override { return std::nullopt; }

    bool OpenFtdi(int index) override {
        m_ftdiOpen = FtdiOpen(*m_d2xx, index);
        m_access = m_ftdiOpen ? DeviceAccess::kOk : m_d2xx->LastOpenFailure();
        if (!m_ftdiOpen && m_access == DeviceAccess::kOk) {
            m_access = DeviceAccess::kFailed;
        }
        return m_ftdiOpen;
    }

    int SetupFtdi() override { return FtdiSetup(); }

    void CloseFtdi() override {
        if (m_ftdiOpen) {
            FtdiClose();
            m_ftdiOpen = false;
        }
    }

    const AdapterOps& FtdiOps() override { return kFtdiOps; }
    uint32_t FtdiLongestRead() override { return kFtdiLongestRead; }

    bool OpenUsb(const std::string& path) override {
        CloseUsb();
        m_pipes = m_usb.Open(path, m_access);
        if (m_pipes == nullptr) {
            return false;
        }
        if (UsbOpen(*m_pipes) != 0) {
            m_pipes.reset();
            m_access = DeviceAccess::kFailed;
            return false;
        }
        return true;
    }

    std::string UsbVersionText() override { return brivel::UsbVersionText(); }
    int UsbEnable(bool targetDriversOn) override { return brivel::UsbEnable(targetDriversOn); }

    void CloseUsb() override {
        if (m_pipes != nullptr) {
            UsbClose();
            m_pipes.reset();
        }
    }

    const AdapterOps& UsbOps() override { return kUsbOps; }
    uint32_t UsbLongestRead() override { return kUsbLongestRead; }

    bool Finish(BackendError&) override {
        CloseAll();
        return true;
    }

private:
    void CloseAll() {
        CloseFtdi();
        CloseUsb();
    }

    std::unique_ptr<D2xx> m_d2xx;
    LibusbProgrammers m_usb;
    std::unique_ptr<UsbPipes> m_pipes;
    bool m_ftdiOpen = false;
};

}  // namespace

std::unique_ptr<ProgrammerBackend> MakeHardwareBackend() {
    return std::make_unique<HardwareBackend>();
}

DeviceAccess LastDeviceAccess(const ProgrammerBackend& backend) {
    const auto* reporting = dynamic_cast<const AccessReportingBackend*>(&backend);
    return reporting != nullptr ? reporting->LastAccess() : DeviceAccess::kFailed;
}

}  // namespace brivel
