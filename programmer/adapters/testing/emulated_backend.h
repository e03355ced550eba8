#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "adapters/d2xx.h"
#include "adapters/usb_pipes.h"
#include "core/backend.h"

namespace brivel::testing {

// The main flow's view of one emulated adapter: the shipped FTDI or USB programmer code over
// the given D2XX library or USB pipes (an emulator, usually behind a fault decorator). Give
// one of the two; the other kind finds nothing, as if it were not attached. With an FTDI
// library every device name opens its first device, without a list; with pipes a name is
// the interface path.
class EmulatedBackend : public ProgrammerBackend {
public:
    // Stands between the main flow and the adapter's operations table, e.g. to record calls.
    using OpsFilter = std::function<const AdapterOps&(const AdapterOps& adapterOps)>;

    EmulatedBackend(D2xx* ftdi, UsbPipes* usb, OpsFilter filter = {});
    ~EmulatedBackend() override;

    std::vector<UsbInterfaceInfo> ListUsbInterfaces() override { return {}; }
    bool ListFtdiDevices(std::vector<FtdiDeviceInfo>& devices) override;
    std::optional<int> DirectFtdiIndex(const std::string& deviceName) override;
    bool OpenFtdi(int index) override;
    int SetupFtdi() override;
    void CloseFtdi() override;
    const AdapterOps& FtdiOps() override;
    uint32_t FtdiLongestRead() override;
    bool OpenUsb(const std::string& path) override;
    std::string UsbVersionText() override;
    int UsbEnable(bool targetDriversOn) override;
    void CloseUsb() override;
    const AdapterOps& UsbOps() override;
    uint32_t UsbLongestRead() override;
    bool Finish(BackendError& error) override;

private:
    D2xx* m_ftdi;
    UsbPipes* m_usb;
    OpsFilter m_filter;
    bool m_ftdiOpen = false;
    bool m_usbOpen = false;
};

}  // namespace brivel::testing
