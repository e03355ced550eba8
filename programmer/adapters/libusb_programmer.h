#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "adapters/device_access.h"
#include "adapters/usb_pipes.h"
#include "core/backend.h"

struct libusb_context;

namespace brivel {

// The USB programmer (VID 0x0438, PID 0x0F10, interface 2 with bulk endpoints 0x05 and 0x84)
// found and opened with libusb.
class LibusbProgrammers {
public:
    LibusbProgrammers();
    ~LibusbProgrammers();
    LibusbProgrammers(const LibusbProgrammers&) = delete;
    LibusbProgrammers& operator=(const LibusbProgrammers&) = delete;

    // Every attached programmer: a path "usb:BUS-PORT.PORT...:vid_0438&pid_0f10&mi_02" that
    // stays the same while it is plugged into the same port, and "Rev_" with bcdDevice.
    std::vector<UsbInterfaceInfo> List();
    // Opens and claims the interface a path of List() names; nullptr with the reason.
    std::unique_ptr<UsbPipes> Open(const std::string& path, DeviceAccess& access);

private:
    libusb_context* m_context = nullptr;
};

// The path of a programmer at a bus and port chain.
std::string UsbProgrammerPath(int bus, const std::vector<int>& ports);
// The revision text of a programmer: "Rev_" and bcdDevice in four hexadecimal digits.
std::string UsbRevisionText(uint16_t bcdDevice);

}  // namespace brivel
