#include "adapters/testing/umockdev/usb_testbed.h"

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>

extern char** environ;

namespace brivel::testing {

namespace {

constexpr int kBus = 1;

std::string Hex(const UsbBytes& bytes) {
    std::string text;
    char pair[3];
    for (uint8_t byte : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        text += pair;
    }
    return text;
}

std::string NodeName(int address) {
    char name[32];
    std::snprintf(name, sizeof name, "bus/usb/%03d/%03d", kBus, address);
    return name;
}

// A hub: class 9, one interface with its interrupt endpoint.
UsbBytes HubDescriptors() {
    UsbBytes bytes = DeviceDescriptor(0x1d6b, 0x0002, 0x0601, 9);
    const UsbBytes config = {9, 2, 25,   0, 1, 1, 0, 0xE0, 0,  // configuration
                             9, 4, 0,    0, 1, 9, 0, 0,    0,  // interface, hub class
                             7, 5, 0x81, 3, 4, 0, 12};         // interrupt IN
    bytes.insert(bytes.end(), config.begin(), config.end());
    return bytes;
}

std::string Attributes(const std::vector<std::pair<std::string, std::string>>& attributes) {
    std::string text;
    for (const auto& [name, value] : attributes) {
        text += "A: " + name + "=" + value + "\\n\n";
    }
    return text;
}

std::string DeviceRecord(const std::string& sysPath, int address, const UsbBytes& descriptors,
                         const std::vector<std::pair<std::string, std::string>>& attributes = {}) {
    char numbers[160];
    std::snprintf(numbers, sizeof numbers,
                  "E: BUSNUM=%03d\nE: DEVNUM=%03d\nA: busnum=%d\\n\nA: devnum=%d\\n\n", kBus,
                  address, kBus, address);
    const std::string node = NodeName(address);
    return "P: " + sysPath + "\nN: " + node +
           "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=/dev/" + node + "\n" + numbers +
           "A: speed=480\\n\nA: bConfigurationValue=1\\n\nH: descriptors=" + Hex(descriptors) +
           "\n" + Attributes(attributes);
}

uint16_t Le16(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

// One submitted URB: the testbed's copies of the block and of its buffer, synced back to the
// program when the URB is reaped.
struct Urb {
    UMockdevIoctlClient* client;
    UMockdevIoctlData* block;
    UMockdevIoctlData* buffer;  // nullptr for a zero-length transfer
    bool silent = false;        // never completes; only a cancel ends it
};

}  // namespace

struct UsbTestbed::Impl {
    struct Node {
        std::mutex mutex;
        MockUsbDevice* device = nullptr;
        UsbNodeFaults faults;
        UsbNodeLog log;
        UMockdevIoctlBase* handler = nullptr;
        std::string devNode;
        bool gone = false;
        bool started = false;     // the fault of `faults` is in force
        bool cut = false;         // the short packet has been sent
        std::deque<Urb> pending;  // IN transfers the device has not answered
        std::deque<Urb> done;     // completed, in the order the host reaps them
    };

    UMockdevTestbed* testbed = nullptr;
    std::string root;
    std::map<std::string, std::unique_ptr<Node>> nodes;

    static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
        Node& node = *static_cast<Node*>(data);
        std::lock_guard lock(node.mutex);
        return HandleIoctl(node, client);
    }

    static void OnVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
        Node& node = *static_cast<Node*>(data);
        std::lock_guard lock(node.mutex);
        for (auto* list : {&node.pending, &node.done}) {
            for (auto it = list->begin(); it != list->end();) {
                if (it->client == client) {
                    Release(*it);
                    it = list->erase(it);
                } else {
                    ++it;
                }
            }
        }
    }

    static void Release(Urb& urb) {
        if (urb.buffer != nullptr) {
            g_object_unref(urb.buffer);
        }
        g_object_unref(urb.block);
    }

    static usbdevfs_urb& Block(const Urb& urb) {
        return *reinterpret_cast<usbdevfs_urb*>(urb.block->data);
    }

    static void Finish(Node& node, Urb urb, int status, int actual) {
        Block(urb).status = status;
        Block(urb).actual_length = actual;
        node.done.push_back(urb);
    }

    static gboolean HandleIoctl(Node& node, UMockdevIoctlClient* client) {
        const gulong request = umockdev_ioctl_client_get_request(client);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        switch (request) {
            case USBDEVFS_GET_CAPABILITIES: {
                UMockdevIoctlData* caps =
                    umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
                if (caps == nullptr) {
                    return FALSE;
                }
                const uint32_t value = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                       USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                       USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
                std::memcpy(caps->data, &value, sizeof value);
                g_object_unref(caps);
                umockdev_ioctl_client_complete(client, 0, 0);
                return TRUE;
            }
            case USBDEVFS_CLAIMINTERFACE:
            case USBDEVFS_DISCONNECT_CLAIM: {
                if (node.gone) {
                    umockdev_ioctl_client_complete(client, -1, ENODEV);
                    return TRUE;
                }
                UMockdevIoctlData* which =
                    umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned), nullptr);
                unsigned interface = 0;
                if (which != nullptr) {
                    std::memcpy(&interface, which->data, sizeof interface);
                    g_object_unref(which);
                }
                if (node.faults.claimRefused) {
                    umockdev_ioctl_client_complete(client, -1, EBUSY);
                    return TRUE;
                }
                node.log.claimed.push_back(interface);
                umockdev_ioctl_client_complete(client, 0, 0);
                return TRUE;
            }
            case USBDEVFS_GETDRIVER:
            case USBDEVFS_IOCTL:
                // No kernel driver is bound to any interface: nothing to detach.
                umockdev_ioctl_client_complete(client, -1, node.gone ? ENODEV : ENODATA);
                return TRUE;
            case USBDEVFS_RELEASEINTERFACE:
            case USBDEVFS_SETINTERFACE:
            case USBDEVFS_SETCONFIGURATION:
            case USBDEVFS_CLEAR_HALT:
            case USBDEVFS_RESETEP:
            case USBDEVFS_RESET:
                umockdev_ioctl_client_complete(client, node.gone ? -1 : 0, node.gone ? ENODEV : 0);
                return TRUE;
            case USBDEVFS_SUBMITURB:
                return Submit(node, client, arg);
            case USBDEVFS_REAPURB:
            case USBDEVFS_REAPURBNDELAY:
                return Reap(node, client, arg);
            case USBDEVFS_DISCARDURB:
                return Discard(node, client, arg);
            default:
                std::fprintf(stderr, "usb testbed: ioctl 0x%lx on %s not emulated\n", request,
                             node.devNode.c_str());
                return FALSE;
        }
    }

    static gboolean Submit(Node& node, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        Urb urb{client, umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr),
                nullptr};
        if (urb.block == nullptr) {
            return FALSE;
        }
        usbdevfs_urb& block = Block(urb);
        if (block.buffer_length > 0) {
            urb.buffer =
                umockdev_ioctl_data_resolve(urb.block, offsetof(usbdevfs_urb, buffer),
                                            static_cast<gsize>(block.buffer_length), nullptr);
            if (urb.buffer == nullptr) {
                g_object_unref(urb.block);
                return FALSE;
            }
        }
        const bool bulk = block.type == USBDEVFS_URB_TYPE_BULK;
        if (bulk && !node.gone) {
            ++node.log.bulkTransfers;
            if (!node.started && node.faults.fault != UsbNodeFault::kNone &&
                (!node.faults.when || node.faults.when())) {
                node.started = true;
            }
            if (node.started && node.faults.fault == UsbNodeFault::kUnplug) {
                Unplug(node);
            }
        }
        if (node.gone || (block.type != USBDEVFS_URB_TYPE_CONTROL && !bulk)) {
            const int error = node.gone ? ENODEV : EINVAL;
            Release(urb);
            umockdev_ioctl_client_complete(client, -1, error);
            return TRUE;
        }
        uint8_t* data = urb.buffer != nullptr ? urb.buffer->data : nullptr;
        const auto length = static_cast<uint32_t>(block.buffer_length);
        if (!bulk) {
            Control(node, urb, data, length);
        } else if ((block.endpoint & 0x80) == 0) {
            if (length == 0) {
                ++node.log.zeroLengthOut;
            }
            const bool taken = node.device->BulkOut(block.endpoint, UsbBytes(data, data + length));
            Finish(node, urb, taken ? 0 : -EPIPE, taken ? static_cast<int>(length) : 0);
        } else {
            urb.silent = node.started && node.faults.fault == UsbNodeFault::kTimeOut;
            node.pending.push_back(urb);
            Answer(node);
        }
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }

    static void Control(Node& node, Urb& urb, uint8_t* data, uint32_t length) {
        if (length < 8) {
            Finish(node, urb, -EPIPE, 0);
            return;
        }
        const UsbSetup setup{data[0], data[1], Le16(data + 2), Le16(data + 4), Le16(data + 6)};
        node.log.controls.push_back(setup);
        const uint32_t stage = std::min<uint32_t>(setup.length, length - 8);
        std::optional<UsbBytes> answer;
        const UsbBytes descriptors = node.device->Descriptors();
        const bool standardDescriptor = setup.requestType == 0x80 && setup.request == 6;
        if (standardDescriptor && setup.value >> 8 == 1 && descriptors.size() >= 18) {
            answer = UsbBytes(descriptors.begin(), descriptors.begin() + 18);
        } else if (standardDescriptor && setup.value >> 8 == 2 && descriptors.size() > 18) {
            answer = UsbBytes(descriptors.begin() + 18, descriptors.end());
        } else {
            answer = node.device->Control(setup, UsbBytes(data + 8, data + 8 + stage));
        }
        if (!answer) {
            Finish(node, urb, -EPIPE, 0);
            return;
        }
        if ((setup.requestType & 0x80) == 0) {
            Finish(node, urb, 0, static_cast<int>(stage));
            return;
        }
        const auto n = std::min<uint32_t>(stage, static_cast<uint32_t>(answer->size()));
        std::copy_n(answer->begin(), n, data + 8);
        Finish(node, urb, 0, static_cast<int>(n));
    }

    // Gives the device another chance at the IN transfers it has not answered, oldest first.
    static void Answer(Node& node) {
        while (!node.pending.empty() && !node.pending.front().silent) {
            Urb& urb = node.pending.front();
            const usbdevfs_urb& block = Block(urb);
            std::optional<UsbBytes> packets =
                node.device->BulkIn(block.endpoint, static_cast<uint32_t>(block.buffer_length));
            if (!packets) {
                return;
            }
            size_t n = std::min(packets->size(), static_cast<size_t>(block.buffer_length));
            if (node.started && node.faults.fault == UsbNodeFault::kShortPacket && !node.cut &&
                n > 2) {
                node.cut = true;
                // The transfer ends at a short packet halfway; the rest never comes.
                n /= 2;
                if (n % 512 == 0) {
                    --n;
                }
                node.device->DropPending();
            }
            if (n > 0) {
                std::copy_n(packets->begin(), n, urb.buffer->data);
            }
            Finish(node, urb, 0, static_cast<int>(n));
            node.pending.pop_front();
        }
    }

    // Pulled out: every transfer in flight ends with ESHUTDOWN, every later call with ENODEV.
    static void Unplug(Node& node) {
        node.gone = true;
        while (!node.pending.empty()) {
            Finish(node, node.pending.front(), -ESHUTDOWN, 0);
            node.pending.pop_front();
        }
    }

    static gboolean Reap(Node& node, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        Answer(node);
        const auto it = std::find_if(node.done.begin(), node.done.end(),
                                     [client](const Urb& urb) { return urb.client == client; });
        if (it == node.done.end()) {
            umockdev_ioctl_client_complete(client, -1, node.gone ? ENODEV : EAGAIN);
            return TRUE;
        }
        Urb urb = *it;
        node.done.erase(it);
        UMockdevIoctlData* where = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
        if (where == nullptr) {
            Release(urb);
            return FALSE;
        }
        umockdev_ioctl_data_set_ptr(where, 0, urb.block);
        umockdev_ioctl_client_complete(client, 0, 0);
        g_object_unref(where);
        Release(urb);
        return TRUE;
    }

    static gboolean Discard(Node& node, UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        gulong address = 0;
        std::memcpy(&address, arg->data, std::min<size_t>(sizeof address, arg->data_len));
        const auto it = std::find_if(node.pending.begin(), node.pending.end(), [&](const Urb& urb) {
            return urb.client == client && urb.block->client_addr == address;
        });
        if (it == node.pending.end()) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return TRUE;
        }
        ++node.log.discarded;
        Finish(node, *it, -ENOENT, 0);
        node.pending.erase(it);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }

    void Add(const std::string& record) {
        GError* error = nullptr;
        if (!umockdev_testbed_add_from_string(testbed, record.c_str(), &error)) {
            const std::string reason = error != nullptr ? error->message : "unknown";
            g_clear_error(&error);
            throw std::runtime_error("usb testbed: cannot add a device: " + reason);
        }
    }
};

namespace {
constexpr const char* kRootHub = "/devices/pci0000:00/0000:00:14.0/usb1";
}

UsbTestbed::UsbTestbed() : m_impl(std::make_unique<Impl>()) {
    if (access(BRIVEL_UMOCKDEV_PRELOAD, R_OK) != 0) {
        throw std::runtime_error(std::string("usb testbed: umockdev's preload library ") +
                                 BRIVEL_UMOCKDEV_PRELOAD + " is missing (Debian package umockdev)");
    }
    m_impl->testbed = umockdev_testbed_new();
    if (m_impl->testbed == nullptr) {
        throw std::runtime_error("usb testbed: umockdev could not make its testbed");
    }
    try {
        gchar* root = umockdev_testbed_get_root_dir(m_impl->testbed);
        m_impl->root = root != nullptr ? root : "";
        g_free(root);
        if (m_impl->root.empty()) {
            throw std::runtime_error("usb testbed: umockdev's testbed has no folder");
        }
        m_impl->Add(DeviceRecord(kRootHub, 1, HubDescriptors()));
        m_impl->Add(DeviceRecord(std::string(kRootHub) + "/1-4", 2, HubDescriptors()));
    } catch (...) {
        // The testbed removes its folder when it goes.
        g_object_unref(m_impl->testbed);
        throw;
    }
}

UsbTestbed::~UsbTestbed() {
    for (auto& [port, node] : m_impl->nodes) {
        umockdev_testbed_detach_ioctl(m_impl->testbed, node->devNode.c_str(), nullptr);
    }
    g_object_unref(m_impl->testbed);
    for (auto& [port, node] : m_impl->nodes) {
        for (auto* list : {&node->pending, &node->done}) {
            for (Urb& urb : *list) {
                Impl::Release(urb);
            }
        }
        g_object_unref(node->handler);
    }
}

void UsbTestbed::Plug(const std::string& port, int address, MockUsbDevice& device,
                      UsbNodeFaults faults) {
    auto node = std::make_unique<Impl::Node>();
    node->device = &device;
    node->faults = faults;
    node->devNode = "/dev/" + NodeName(address);
    node->handler = umockdev_ioctl_base_new();
    g_signal_connect_after(node->handler, "handle-ioctl", G_CALLBACK(Impl::OnIoctl), node.get());
    g_signal_connect(node->handler, "client-vanished", G_CALLBACK(Impl::OnVanished), node.get());
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(m_impl->testbed, node->devNode.c_str(), node->handler,
                                       &error)) {
        const std::string reason = error != nullptr ? error->message : "unknown";
        g_clear_error(&error);
        g_object_unref(node->handler);
        throw std::runtime_error("usb testbed: cannot attach to " + node->devNode + ": " + reason);
    }
    // The hub on port 4 carries the devices named "1-4.N".
    const std::string parent =
        port.starts_with("1-4.") ? std::string(kRootHub) + "/1-4" : std::string(kRootHub);
    Impl::Node& added = *node;
    m_impl->nodes[port] = std::move(node);
    m_impl->Add(DeviceRecord(parent + "/" + port, address, added.device->Descriptors(),
                             added.device->Attributes()));
}

void UsbTestbed::DenyAccess(const std::string& port) {
    const std::string path = m_impl->root + m_impl->nodes.at(port)->devNode;
    if (chmod(path.c_str(), 0) != 0) {
        throw std::runtime_error("usb testbed: cannot take the rights of " + path);
    }
}

UsbNodeLog UsbTestbed::Log(const std::string& port) const {
    Impl::Node& node = *m_impl->nodes.at(port);
    std::lock_guard lock(node.mutex);
    return node.log;
}

std::string UsbTestbed::RootDir() const {
    return m_impl->root;
}

std::vector<std::string> UsbTestbed::ChildEnvironment() const {
    std::vector<std::string> environment;
    for (char** at = environ; *at != nullptr; ++at) {
        const std::string entry = *at;
        if (!entry.starts_with("LD_PRELOAD=") && !entry.starts_with("UMOCKDEV_DIR=")) {
            environment.push_back(entry);
        }
    }
    // A sanitizer runtime must be the first library of an instrumented program; the preload
    // comes right after it, ahead of libusb.
    std::string preload = BRIVEL_SANITIZER_RUNTIME;
    if (!preload.empty()) {
        preload += ':';
    }
    environment.push_back("LD_PRELOAD=" + preload + BRIVEL_UMOCKDEV_PRELOAD);
    environment.push_back("UMOCKDEV_DIR=" + m_impl->root);
    return environment;
}

UsbBytes DeviceDescriptor(uint16_t vendor, uint16_t product, uint16_t bcdDevice,
                          uint8_t deviceClass, uint8_t numConfigurations) {
    return {18,
            1,
            0x00,
            0x02,  // bcdUSB 2.00
            deviceClass,
            0,
            deviceClass == 9 ? uint8_t{1} : uint8_t{0},
            64,
            static_cast<uint8_t>(vendor),
            static_cast<uint8_t>(vendor >> 8),
            static_cast<uint8_t>(product),
            static_cast<uint8_t>(product >> 8),
            static_cast<uint8_t>(bcdDevice),
            static_cast<uint8_t>(bcdDevice >> 8),
            1,
            2,
            3,
            numConfigurations};
}

UsbBytes StringDescriptor(const std::string& text) {
    UsbBytes bytes = {static_cast<uint8_t>(2 + 2 * text.size()), 3};
    for (char c : text) {
        bytes.push_back(static_cast<uint8_t>(c));
        bytes.push_back(0);
    }
    return bytes;
}

}  // namespace brivel::testing
