#include <memory>

#include "adapters/access_reporting.h"
#include "adapters/backends.h"
#include "adapters/ezport_flash.h"
#include "adapters/flash_file.h"
#include "adapters/ftdi_adapter.h"
#include "adapters/mpsse_emulator.h"
#include "adapters/usb_programmer.h"
#include "adapters/usb_programmer_emulator.h"
#include "core/cp1251.h"

namespace brivel {

namespace {

constexpr auto kNoFlashFile = W1251("Не задан файл памяти имитатора: ");

enum class SimKind { kFtdi, kUsb };

// One simulated target: the flash model wired to the emulator of the chosen adapter kind.
// The other kind's calls find nothing, as if that adapter were not attached.
class SimulatedBackend : public AccessReportingBackend {
public:
    SimulatedBackend(SimKind kind, std::string name, std::string file)
        : m_kind(kind), m_name(std::move(name)), m_file(std::move(file)) {}
    ~SimulatedBackend() override { CloseAll(); }

    bool Load(BackendError& error) {
        if (!LoadFlashFile(m_file, m_flash.Memory(), error)) {
            return false;
        }
        m_loaded = m_flash.Memory();
        return true;
    }

    std::vector<UsbInterfaceInfo> ListUsbInterfaces() override {
        if (m_kind != SimKind::kUsb) {
            return {};
        }
        return {{m_name, "Rev_0102"}};
    }

    bool ListFtdiDevices(std::vector<FtdiDeviceInfo>& devices) override {
        if (m_kind != SimKind::kFtdi) {
            devices.clear();
            return true;
        }
        return FtdiListDevices(m_mpsse, devices);
    }

    // The simulated target has one FTDI device; its name is the file, not a serial.
    std::optional<int> DirectFtdiIndex(const std::string& deviceName) override {
        if (m_kind == SimKind::kFtdi && deviceName == m_name) {
            return 0;
        }
        return std::nullopt;
    }

    bool OpenFtdi(int index) override {
        m_ftdiOpen = m_kind == SimKind::kFtdi && FtdiOpen(m_mpsse, index);
        m_access = m_ftdiOpen ? DeviceAccess::kOk : DeviceAccess::kNotFound;
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

    bool OpenUsb(const std::string&) override {
        CloseUsb();
        m_usbOpen = m_kind == SimKind::kUsb && UsbOpen(m_usb) == 0;
        m_access = m_usbOpen ? DeviceAccess::kOk : DeviceAccess::kNotFound;
        return m_usbOpen;
    }

    std::string UsbVersionText() override { return brivel::UsbVersionText(); }
    int UsbEnable(bool targetDriversOn) override { return brivel::UsbEnable(targetDriversOn); }

    void CloseUsb() override {
        if (m_usbOpen) {
            UsbClose();
            m_usbOpen = false;
        }
    }

    const AdapterOps& UsbOps() override { return kUsbOps; }
    uint32_t UsbLongestRead() override { return kUsbLongestRead; }

    // The flash is written back after every run that changed it, an aborted one too: it
    // holds what the target would hold. A run refused before it began leaves the file as it
    // was.
    bool Finish(BackendError& error) override {
        CloseAll();
        if (m_flash.Memory() == m_loaded) {
            return true;
        }
        if (!SaveFlashFile(m_file, m_flash.Memory(), error)) {
            return false;
        }
        m_loaded = m_flash.Memory();
        return true;
    }

private:
    void CloseAll() {
        CloseFtdi();
        CloseUsb();
    }

    SimKind m_kind;
    std::string m_name;
    std::string m_file;
    EzPortFlash m_flash;
    std::vector<uint8_t> m_loaded;  // the contents of the file
    MpsseEmulator m_mpsse{m_flash};
    UsbProgrammerEmulator m_usb{m_flash};
    bool m_ftdiOpen = false;
    bool m_usbOpen = false;
};

}  // namespace

bool IsSimulatedDeviceName(std::string_view deviceName) {
    return deviceName.starts_with(kSimFtdiPrefix) || deviceName.starts_with(kSimUsbPrefix);
}

std::unique_ptr<ProgrammerBackend> MakeSimulatedBackend(std::string_view deviceName,
                                                        BackendError& error) {
    error = {};
    SimKind kind;
    std::string_view file;
    if (deviceName.starts_with(kSimFtdiPrefix)) {
        kind = SimKind::kFtdi;
        file = deviceName.substr(kSimFtdiPrefix.size());
    } else if (deviceName.starts_with(kSimUsbPrefix)) {
        kind = SimKind::kUsb;
        file = deviceName.substr(kSimUsbPrefix.size());
    } else {
        return nullptr;
    }
    if (file.empty()) {
        error.text = kNoFlashFile;
        error.detail = std::string(deviceName) + "FILE";
        return nullptr;
    }
    auto backend =
        std::make_unique<SimulatedBackend>(kind, std::string(deviceName), std::string(file));
    if (!backend->Load(error)) {
        return nullptr;
    }
    return backend;
}

}  // namespace brivel
