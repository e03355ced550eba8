#include "adapters/testing/emulated_backend.h"

#include "adapters/ftdi_adapter.h"
#include "adapters/usb_programmer.h"

namespace brivel::testing {

EmulatedBackend::EmulatedBackend(D2xx* ftdi, UsbPipes* usb, OpsFilter filter)
    : m_ftdi(ftdi), m_usb(usb), m_filter(std::move(filter)) {}

EmulatedBackend::~EmulatedBackend() {
    CloseFtdi();
    CloseUsb();
}

bool EmulatedBackend::ListFtdiDevices(std::vector<FtdiDeviceInfo>& devices) {
    devices.clear();
    return m_ftdi == nullptr || FtdiListDevices(*m_ftdi, devices);
}

std::optional<int> EmulatedBackend::DirectFtdiIndex(const std::string&) {
    if (m_ftdi == nullptr) {
        return std::nullopt;
    }
    return 0;
}

bool EmulatedBackend::OpenFtdi(int index) {
    m_ftdiOpen = m_ftdi != nullptr && FtdiOpen(*m_ftdi, index);
    return m_ftdiOpen;
}

int EmulatedBackend::SetupFtdi() {
    return FtdiSetup();
}

void EmulatedBackend::CloseFtdi() {
    if (m_ftdiOpen) {
        FtdiClose();
        m_ftdiOpen = false;
    }
}

const AdapterOps& EmulatedBackend::FtdiOps() {
    return m_filter ? m_filter(kFtdiOps) : kFtdiOps;
}

uint32_t EmulatedBackend::FtdiLongestRead() {
    return kFtdiLongestRead;
}

bool EmulatedBackend::OpenUsb(const std::string&) {
    m_usbOpen = m_usb != nullptr && UsbOpen(*m_usb) == 0;
    return m_usbOpen;
}

std::string EmulatedBackend::UsbVersionText() {
    return brivel::UsbVersionText();
}

int EmulatedBackend::UsbEnable(bool targetDriversOn) {
    return brivel::UsbEnable(targetDriversOn);
}

void EmulatedBackend::CloseUsb() {
    if (m_usbOpen) {
        UsbClose();
        m_usbOpen = false;
    }
}

const AdapterOps& EmulatedBackend::UsbOps() {
    return m_filter ? m_filter(kUsbOps) : kUsbOps;
}

uint32_t EmulatedBackend::UsbLongestRead() {
    return kUsbLongestRead;
}

bool EmulatedBackend::Finish(BackendError&) {
    CloseFtdi();
    CloseUsb();
    return true;
}

}  // namespace brivel::testing
