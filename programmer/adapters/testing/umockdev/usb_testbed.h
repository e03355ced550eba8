#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brivel::testing {

using UsbBytes = std::vector<uint8_t>;

// The eight bytes that open a control transfer.
struct UsbSetup {
    uint8_t requestType;
    uint8_t request;
    uint16_t value;
    uint16_t index;
    uint16_t length;
};

// A USB device as its usbfs node sees it: the testbed hands every control and bulk transfer
// that reaches the node to one of these, on the testbed's own thread.
class MockUsbDevice {
public:
    virtual ~MockUsbDevice() = default;

    // The device descriptor followed by the whole configuration descriptor, as sysfs keeps
    // them in the "descriptors" attribute.
    virtual UsbBytes Descriptors() const = 0;
    // The device's strings as the kernel shows them in sysfs to every user: "serial",
    // "product", "manufacturer".
    virtual std::vector<std::pair<std::string, std::string>> Attributes() const { return {}; }
    // Endpoint 0. IN: the data stage (at most setup.length bytes); OUT: data holds it.
    // nullopt: the device stalls the request.
    virtual std::optional<UsbBytes> Control(const UsbSetup& setup, const UsbBytes& data) = 0;
    // The packets of one OUT transfer, all of them (data is empty for a zero-length packet);
    // false: the endpoint stalls.
    virtual bool BulkOut(uint8_t endpoint, const UsbBytes& data) = 0;
    // What an IN transfer of `capacity` bytes receives: packets up to the first short one
    // or until the buffer is full. nullopt while the device has nothing (it answers NAK).
    virtual std::optional<UsbBytes> BulkIn(uint8_t endpoint, uint32_t capacity) = 0;
    // The device drops whatever it still owed the host (after a cut transfer).
    virtual void DropPending() {}
};

// Faults only the real path has, below libusb.
enum class UsbNodeFault {
    kNone,
    kUnplug,       // pulled out: transfers in flight end, every later call fails with ENODEV
    kTimeOut,      // IN transfers are never answered again (NAK for ever)
    kShortPacket,  // the next IN transfer with data ends early at a short packet, the rest lost
};

struct UsbNodeFaults {
    bool claimRefused = false;  // another program holds the interface: EBUSY
    UsbNodeFault fault = UsbNodeFault::kNone;
    // Asked before each bulk transfer (on the testbed's thread, so it may look at the device's
    // emulator); the fault starts at the first transfer for which it holds. Unset: at once.
    std::function<bool()> when;
};

// What the node saw, for the tests.
struct UsbNodeLog {
    std::vector<unsigned> claimed;   // interfaces claimed, in order
    std::vector<UsbSetup> controls;  // control transfers, in order
    uint64_t bulkTransfers = 0;
    uint64_t discarded = 0;      // transfers the host cancelled (time-outs)
    uint64_t zeroLengthOut = 0;  // zero-length OUT packets
};

// A umockdev testbed: a private sysfs and /dev under $TMPDIR, removed with the object, with
// a root hub at bus 1 and a hub on its port 4. Devices added here answer through their
// MockUsbDevice. A program started with ChildEnvironment() (the umockdev preload first, the
// testbed's folder) reaches them through an unmodified libusb. Throws std::runtime_error
// with the reason when the testbed cannot start.
class UsbTestbed {
public:
    UsbTestbed();
    ~UsbTestbed();
    UsbTestbed(const UsbTestbed&) = delete;
    UsbTestbed& operator=(const UsbTestbed&) = delete;

    // Plugs the device in at sysfs name `port` ("1-3" on the root hub, "1-4.2" behind the
    // hub) with device address `address`. The device must outlive the testbed.
    void Plug(const std::string& port, int address, MockUsbDevice& device,
              UsbNodeFaults faults = {});
    // The device node no longer opens for a user without the rights (mode 000).
    void DenyAccess(const std::string& port);

    UsbNodeLog Log(const std::string& port) const;
    std::string RootDir() const;

    // The environment for a program under the testbed: this process's environment with the
    // preload libraries (the sanitizer runtime first, when this build has one) and the
    // testbed's folder.
    std::vector<std::string> ChildEnvironment() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

// A device descriptor of 18 bytes.
UsbBytes DeviceDescriptor(uint16_t vendor, uint16_t product, uint16_t bcdDevice,
                          uint8_t deviceClass, uint8_t numConfigurations = 1);
// A string descriptor with the text as UTF-16LE (ASCII texts only).
UsbBytes StringDescriptor(const std::string& text);

}  // namespace brivel::testing
