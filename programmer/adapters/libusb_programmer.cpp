#include "adapters/libusb_programmer.h"

#include <libusb.h>

#include <cstdio>

namespace brivel {

namespace {

constexpr uint16_t kVendorId = 0x0438;
constexpr uint16_t kProductId = 0x0F10;
constexpr int kInterface = 2;
constexpr int kMaxPorts = 7;

std::string PathOf(libusb_device* device) {
    uint8_t ports[kMaxPorts];
    const int depth = libusb_get_port_numbers(device, ports, kMaxPorts);
    std::vector<int> chain;
    for (int i = 0; i < depth; ++i) {
        chain.push_back(ports[i]);
    }
    return UsbProgrammerPath(libusb_get_bus_number(device), chain);
}

// Interface 2 of the active configuration carries the two bulk endpoints; returns the
// packet size of the request endpoint, 0 when the device does not have them.
int RequestPacketSize(libusb_device* device) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0) {
        return 0;
    }
    int packetSize = 0;
    bool hasReply = false;
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& interface = config->interface[i];
        for (int a = 0; a < interface.num_altsetting; ++a) {
            const libusb_interface_descriptor& alt = interface.altsetting[a];
            if (alt.bInterfaceNumber != kInterface) {
                continue;
            }
            for (int e = 0; e < alt.bNumEndpoints; ++e) {
                const libusb_endpoint_descriptor& endpoint = alt.endpoint[e];
                if ((endpoint.bmAttributes & 0x03) != LIBUSB_TRANSFER_TYPE_BULK) {
                    continue;
                }
                if (endpoint.bEndpointAddress == kPipeRequest) {
                    packetSize = endpoint.wMaxPacketSize;
                } else if (endpoint.bEndpointAddress == kPipeReply) {
                    hasReply = true;
                }
            }
        }
    }
    libusb_free_config_descriptor(config);
    return hasReply ? packetSize : 0;
}

bool IsProgrammer(libusb_device* device, libusb_device_descriptor& descriptor) {
    return libusb_get_device_descriptor(device, &descriptor) == 0 &&
           descriptor.idVendor == kVendorId && descriptor.idProduct == kProductId;
}

DeviceAccess AccessOf(int error) {
    switch (error) {
        case LIBUSB_ERROR_ACCESS:
            return DeviceAccess::kDenied;
        case LIBUSB_ERROR_BUSY:
            return DeviceAccess::kBusy;
        case LIBUSB_ERROR_NO_DEVICE:
        case LIBUSB_ERROR_NOT_FOUND:
            return DeviceAccess::kNotFound;
        default:
            return DeviceAccess::kFailed;
    }
}

class LibusbPipes : public UsbPipes {
public:
    LibusbPipes(libusb_device_handle* handle, int packetSize)
        : m_handle(handle), m_packetSize(packetSize) {}
    ~LibusbPipes() override {
        libusb_release_interface(m_handle, kInterface);
        libusb_close(m_handle);
    }

    bool SetPipePolicy(uint8_t pipe, uint32_t policy, uint8_t value) override {
        // A short packet always ends an IN transfer in libusb and a read may end before the
        // buffer is full, which is what the reply pipe's two policies ask for.
        if (pipe == kPipeReply &&
            (policy == kPolicyAllowPartialReads || policy == kPolicyIgnoreShortPackets)) {
            return true;
        }
        if (pipe == kPipeRequest && policy == kPolicyShortPacketTerminate) {
            m_terminate = value != 0;
            return true;
        }
        return false;
    }

    bool GetDescriptor(uint8_t type, uint8_t index, uint16_t language, uint8_t* buffer,
                       uint32_t length, uint32_t* transferred) override {
        *transferred = 0;
        const int result =
            language == 0
                ? libusb_get_descriptor(m_handle, type, index, buffer, static_cast<int>(length))
                : libusb_control_transfer(m_handle, LIBUSB_ENDPOINT_IN,
                                          LIBUSB_REQUEST_GET_DESCRIPTOR,
                                          static_cast<uint16_t>(type << 8 | index), language,
                                          buffer, static_cast<uint16_t>(length), kControlTimeoutMs);
        if (result < 0) {
            return false;
        }
        *transferred = static_cast<uint32_t>(result);
        return true;
    }

    bool WritePipe(uint8_t pipe, const uint8_t* data, uint32_t length, uint32_t* written,
                   uint32_t timeoutMs) override {
        *written = 0;
        int moved = 0;
        const int result = libusb_bulk_transfer(m_handle, pipe, const_cast<uint8_t*>(data),
                                                static_cast<int>(length), &moved, timeoutMs);
        *written = static_cast<uint32_t>(moved);
        if (result != 0) {
            return false;
        }
        // The device takes a request as ended at a short packet: one that fills its last
        // packet exactly is followed by a zero-length packet.
        if (m_terminate && m_packetSize > 0 && length % static_cast<uint32_t>(m_packetSize) == 0) {
            int none = 0;
            uint8_t empty = 0;
            if (libusb_bulk_transfer(m_handle, pipe, &empty, 0, &none, timeoutMs) != 0) {
                return false;
            }
        }
        return true;
    }

    bool ReadPipe(uint8_t pipe, uint8_t* buffer, uint32_t length, uint32_t* read,
                  uint32_t timeoutMs) override {
        int moved = 0;
        const int result = libusb_bulk_transfer(m_handle, pipe, buffer, static_cast<int>(length),
                                                &moved, timeoutMs);
        *read = static_cast<uint32_t>(moved);
        return result == 0;
    }

private:
    static constexpr unsigned kControlTimeoutMs = 1000;
    libusb_device_handle* m_handle;
    int m_packetSize;
    bool m_terminate = false;
};

}  // namespace

std::string UsbProgrammerPath(int bus, const std::vector<int>& ports) {
    std::string path = "usb:" + std::to_string(bus);
    for (size_t i = 0; i < ports.size(); ++i) {
        path.append(i == 0 ? "-" : ".").append(std::to_string(ports[i]));
    }
    return path + ":vid_0438&pid_0f10&mi_02";
}

std::string UsbRevisionText(uint16_t bcdDevice) {
    char revision[16];
    std::snprintf(revision, sizeof revision, "Rev_%04X", bcdDevice);
    return revision;
}

LibusbProgrammers::LibusbProgrammers() {
    if (libusb_init(&m_context) != 0) {
        m_context = nullptr;
    }
}

LibusbProgrammers::~LibusbProgrammers() {
    if (m_context != nullptr) {
        libusb_exit(m_context);
    }
}

std::vector<UsbInterfaceInfo> LibusbProgrammers::List() {
    std::vector<UsbInterfaceInfo> found;
    libusb_device** devices = nullptr;
    if (m_context == nullptr || libusb_get_device_list(m_context, &devices) < 0) {
        return found;
    }
    for (libusb_device** at = devices; *at != nullptr; ++at) {
        libusb_device_descriptor descriptor;
        if (!IsProgrammer(*at, descriptor) || RequestPacketSize(*at) == 0) {
            continue;
        }
        found.push_back({PathOf(*at), UsbRevisionText(descriptor.bcdDevice)});
    }
    libusb_free_device_list(devices, 1);
    return found;
}

std::unique_ptr<UsbPipes> LibusbProgrammers::Open(const std::string& path, DeviceAccess& access) {
    access = DeviceAccess::kNotFound;
    libusb_device** devices = nullptr;
    if (m_context == nullptr || libusb_get_device_list(m_context, &devices) < 0) {
        access = DeviceAccess::kFailed;
        return nullptr;
    }
    std::unique_ptr<UsbPipes> pipes;
    for (libusb_device** at = devices; *at != nullptr; ++at) {
        libusb_device_descriptor descriptor;
        if (!IsProgrammer(*at, descriptor) || PathOf(*at) != path) {
            continue;
        }
        const int packetSize = RequestPacketSize(*at);
        if (packetSize == 0) {
            break;
        }
        libusb_device_handle* handle = nullptr;
        int result = libusb_open(*at, &handle);
        if (result != 0) {
            access = AccessOf(result);
            break;
        }
        libusb_set_auto_detach_kernel_driver(handle, 1);
        result = libusb_claim_interface(handle, kInterface);
        if (result != 0) {
            access = AccessOf(result);
            libusb_close(handle);
            break;
        }
        access = DeviceAccess::kOk;
        pipes = std::make_unique<LibusbPipes>(handle, packetSize);
        break;
    }
    libusb_free_device_list(devices, 1);
    return pipes;
}

}  // namespace brivel
