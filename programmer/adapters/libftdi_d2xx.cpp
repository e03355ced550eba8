#include "adapters/libftdi_d2xx.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <fstream>
#include <string>
#include <vector>

#include "core/clock.h"

namespace brivel {

namespace {

// Bound on each USB transfer libftdi makes, and on the wait inside Read.
constexpr int kUsbTimeoutMs = 2000;
// libusb caps a read chunk at this size on Linux.
constexpr uint32_t kLongestReadChunk = 16384;
constexpr int kPollSize = 4096;
constexpr int kMaxPorts = 7;

struct ChipType {
    uint8_t bcdHigh;  // high byte of bcdDevice
    uint32_t d2xxType;
};

// D2XX device types by bcdDevice; anything else is reported as unknown (3).
constexpr ChipType kChipTypes[] = {
    {0x04, 0},  // FT232BM / FT245BM
    {0x05, 4},  // FT2232C/D
    {0x06, 5},  // FT232R
    {0x07, 6},  // FT2232H
    {0x08, 7},  // FT4232H
    {0x09, 8},  // FT232H
};

uint32_t DeviceType(uint16_t bcdDevice) {
    for (const ChipType& chip : kChipTypes) {
        if (chip.bcdHigh == bcdDevice >> 8) {
            return chip.d2xxType;
        }
    }
    return 3;
}

// Channels of the multi-channel chips: FT2232C/D/H two, FT4232H four.
int ChannelCount(uint16_t productId) {
    return productId == 0x6010 ? 2 : productId == 0x6011 ? 4 : 1;
}

// The kernel shows a device's strings in sysfs to every user; libftdi reads them from the
// device itself, which needs the rights to open it. "" when the attribute is not there.
std::string SysfsText(libusb_device* device, const char* attribute) {
    uint8_t ports[kMaxPorts];
    const int depth = libusb_get_port_numbers(device, ports, kMaxPorts);
    if (depth <= 0) {
        return "";
    }
    std::string path = "/sys/bus/usb/devices/" + std::to_string(libusb_get_bus_number(device));
    for (int i = 0; i < depth; ++i) {
        path.append(i == 0 ? "-" : ".").append(std::to_string(ports[i]));
    }
    std::ifstream in(path + "/" + attribute);
    std::string text;
    std::getline(in, text);
    return text;
}

struct ListedChannel {
    libusb_device* device;
    int channel;  // 0 = A
    FtDeviceListInfoNode node;
};

class LibFtdiD2xx : public D2xx {
public:
    LibFtdiD2xx() : m_ftdi(ftdi_new()) {}
    ~LibFtdiD2xx() override {
        if (m_ftdi != nullptr) {
            if (m_open) {
                ftdi_usb_close(m_ftdi);
            }
            FreeList();
            ftdi_free(m_ftdi);
        }
    }

    FtStatus CreateDeviceInfoList(uint32_t* count) override {
        *count = 0;
        if (m_ftdi == nullptr) {
            return kFtInsufficientResources;
        }
        FreeList();
        // Vendor and product 0 match FTDI's stock ids 6001, 6010, 6011, 6014 and 6015.
        const int found = ftdi_usb_find_all(m_ftdi, &m_list, 0, 0);
        if (found < 0) {
            return kFtIoError;
        }
        for (ftdi_device_list* entry = m_list; entry != nullptr; entry = entry->next) {
            libusb_device_descriptor descriptor;
            if (libusb_get_device_descriptor(entry->dev, &descriptor) != 0) {
                continue;
            }
            char serial[16] = {};
            char description[64] = {};
            FtDeviceListInfoNode base;
            base.id = static_cast<uint32_t>(descriptor.idVendor) << 16 | descriptor.idProduct;
            base.type = DeviceType(descriptor.bcdDevice);
            base.locId = static_cast<uint32_t>(libusb_get_bus_number(entry->dev)) << 8 |
                         libusb_get_port_number(entry->dev);
            // Reading the strings opens the device. Without access rights the entry is marked
            // as not accessible, like a device D2XX cannot open, and keeps the serial the
            // kernel shows, so the name the user knows still finds it and the open can tell
            // that the rights are missing.
            if (!m_open && ftdi_usb_get_strings2(m_ftdi, entry->dev, nullptr, 0, description,
                                                 sizeof description, serial, sizeof serial) < 0) {
                base.flags = 1;
                std::strncpy(serial, SysfsText(entry->dev, "serial").c_str(), sizeof serial - 1);
                std::strncpy(description, SysfsText(entry->dev, "product").c_str(),
                             sizeof description - 1);
            }
            const int channels = ChannelCount(descriptor.idProduct);
            for (int channel = 0; channel < channels; ++channel) {
                ListedChannel listed{entry->dev, channel, base};
                std::string s = serial;
                std::string d = description;
                if (channels > 1) {
                    s.push_back(static_cast<char>('A' + channel));
                    d += ' ';
                    d.push_back(static_cast<char>('A' + channel));
                }
                std::strncpy(listed.node.serialNumber, s.c_str(),
                             sizeof listed.node.serialNumber - 1);
                std::strncpy(listed.node.description, d.c_str(),
                             sizeof listed.node.description - 1);
                m_channels.push_back(listed);
            }
        }
        *count = static_cast<uint32_t>(m_channels.size());
        return kFtOk;
    }

    FtStatus GetDeviceInfoList(FtDeviceListInfoNode* list, uint32_t* count) override {
        const uint32_t n = std::min<uint32_t>(*count, static_cast<uint32_t>(m_channels.size()));
        for (uint32_t i = 0; i < n; ++i) {
            list[i] = m_channels[i].node;
        }
        *count = n;
        return kFtOk;
    }

    FtStatus Open(int index) override {
        m_failure = DeviceAccess::kOk;
        if (m_ftdi == nullptr) {
            m_failure = DeviceAccess::kFailed;
            return kFtInsufficientResources;
        }
        if (m_channels.empty()) {
            uint32_t count = 0;
            CreateDeviceInfoList(&count);
        }
        if (index < 0 || static_cast<size_t>(index) >= m_channels.size()) {
            m_failure = DeviceAccess::kNotFound;
            return kFtDeviceNotFound;
        }
        if (m_open) {
            m_failure = DeviceAccess::kBusy;
            return kFtDeviceNotOpened;
        }
        const ListedChannel& listed = m_channels[static_cast<size_t>(index)];
        // libftdi reports a refused open as a plain failure; a probe with libusb tells
        // missing rights apart from a vanished device.
        libusb_device_handle* probe = nullptr;
        const int probed = libusb_open(listed.device, &probe);
        if (probed == 0) {
            libusb_close(probe);
        } else {
            m_failure = probed == LIBUSB_ERROR_ACCESS      ? DeviceAccess::kDenied
                        : probed == LIBUSB_ERROR_NO_DEVICE ? DeviceAccess::kNotFound
                                                           : DeviceAccess::kFailed;
            return kFtDeviceNotOpened;
        }
        ftdi_set_interface(m_ftdi, static_cast<ftdi_interface>(INTERFACE_A + listed.channel));
        const int opened = ftdi_usb_open_dev(m_ftdi, listed.device);
        if (opened < 0) {
            // -5: the interface is claimed elsewhere; -8: the kernel refused (permissions).
            m_failure = opened == -5   ? DeviceAccess::kBusy
                        : opened == -8 ? DeviceAccess::kDenied
                                       : DeviceAccess::kFailed;
            return kFtDeviceNotOpened;
        }
        m_ftdi->usb_read_timeout = kUsbTimeoutMs;
        m_ftdi->usb_write_timeout = kUsbTimeoutMs;
        m_open = true;
        m_received.clear();
        return kFtOk;
    }

    FtStatus ResetDevice() override {
        if (!m_open) {
            return kFtInvalidHandle;
        }
        m_received.clear();
        return ftdi_usb_reset(m_ftdi) < 0 ? kFtIoError : kFtOk;
    }

    FtStatus Purge(uint32_t mask) override {
        if (!m_open) {
            return kFtInvalidHandle;
        }
        int result = 0;
        if ((mask & kFtPurgeRx) != 0 && (mask & kFtPurgeTx) != 0) {
            result = ftdi_tcioflush(m_ftdi);
        } else if ((mask & kFtPurgeRx) != 0) {
            result = ftdi_tciflush(m_ftdi);
        } else if ((mask & kFtPurgeTx) != 0) {
            result = ftdi_tcoflush(m_ftdi);
        }
        if ((mask & kFtPurgeRx) != 0) {
            m_received.clear();
        }
        return result < 0 ? kFtIoError : kFtOk;
    }

    FtStatus SetUsbParameters(uint32_t inTransferSize, uint32_t outTransferSize) override {
        if (!m_open) {
            return kFtInvalidHandle;
        }
        if (ftdi_read_data_set_chunksize(m_ftdi, std::min(inTransferSize, kLongestReadChunk)) < 0 ||
            ftdi_write_data_set_chunksize(m_ftdi, outTransferSize) < 0) {
            return kFtIoError;
        }
        return kFtOk;
    }

    FtStatus SetLatencyTimer(uint8_t ms) override {
        if (!m_open) {
            return kFtInvalidHandle;
        }
        return ftdi_set_latency_timer(m_ftdi, ms) < 0 ? kFtIoError : kFtOk;
    }

    FtStatus SetBitMode(uint8_t mask, uint8_t mode) override {
        if (!m_open) {
            return kFtInvalidHandle;
        }
        return ftdi_set_bitmode(m_ftdi, mask, mode) < 0 ? kFtIoError : kFtOk;
    }

    // libftdi has no "bytes waiting" call: one read of what has arrived (it returns at once
    // with 0 to N bytes) goes into the seam's own buffer, whose fill is the answer.
    FtStatus GetQueueStatus(uint32_t* bytesWaiting) override {
        *bytesWaiting = 0;
        if (!m_open) {
            return kFtInvalidHandle;
        }
        if (!Poll()) {
            return kFtIoError;
        }
        *bytesWaiting = static_cast<uint32_t>(m_received.size());
        return kFtOk;
    }

    FtStatus Write(const uint8_t* data, uint32_t length, uint32_t* written) override {
        *written = 0;
        if (!m_open) {
            return kFtInvalidHandle;
        }
        const int result = ftdi_write_data(m_ftdi, data, static_cast<int>(length));
        if (result < 0) {
            return kFtIoError;
        }
        *written = static_cast<uint32_t>(result);
        return kFtOk;
    }

    FtStatus Read(uint8_t* buffer, uint32_t length, uint32_t* read) override {
        *read = 0;
        if (!m_open) {
            return kFtInvalidHandle;
        }
        Clock& clock = CurrentClock();
        const uint32_t start = clock.TickCount();
        while (m_received.size() < length && clock.TickCount() - start < kUsbTimeoutMs) {
            if (!Poll()) {
                return kFtIoError;
            }
        }
        const uint32_t n = std::min<uint32_t>(length, static_cast<uint32_t>(m_received.size()));
        std::copy_n(m_received.begin(), n, buffer);
        m_received.erase(m_received.begin(), m_received.begin() + n);
        *read = n;
        return kFtOk;
    }

    void Close() override {
        if (m_open) {
            ftdi_usb_close(m_ftdi);
            m_open = false;
        }
        m_received.clear();
    }

    DeviceAccess LastOpenFailure() const override { return m_failure; }

private:
    bool Poll() {
        uint8_t chunk[kPollSize];
        const int n = ftdi_read_data(m_ftdi, chunk, sizeof chunk);
        if (n < 0) {
            return false;
        }
        m_received.insert(m_received.end(), chunk, chunk + n);
        return true;
    }

    void FreeList() {
        m_channels.clear();
        if (m_list != nullptr) {
            ftdi_list_free(&m_list);
        }
    }

    ftdi_context* m_ftdi;
    ftdi_device_list* m_list = nullptr;
    std::vector<ListedChannel> m_channels;
    bool m_open = false;
    std::deque<uint8_t> m_received;
    DeviceAccess m_failure = DeviceAccess::kOk;
};

}  // namespace

std::unique_ptr<D2xx> MakeLibFtdiD2xx() {
    return std::make_unique<LibFtdiD2xx>();
}

}  // namespace brivel
