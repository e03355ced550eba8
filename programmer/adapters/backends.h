#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "adapters/device_access.h"
#include "core/backend.h"

namespace brivel {

// The real adapters: FTDI chips through libftdi1, the USB programmer through libusb.
std::unique_ptr<ProgrammerBackend> MakeHardwareBackend();

// Device names that select the simulated target.
inline constexpr std::string_view kSimFtdiPrefix = "sim-ftdi:";
inline constexpr std::string_view kSimUsbPrefix = "sim-usb:";

bool IsSimulatedDeviceName(std::string_view deviceName);

// The simulated target for "sim-ftdi:FILE" and "sim-usb:FILE": the real FTDI or USB adapter
// code runs over the byte-level emulator of its chip, with the flash (256 KiB) kept in FILE,
// created erased when missing and written back by Finish() when the run changed it. nullptr
// when the name is not a simulated one (error stays empty) or when FILE cannot be used
// (error says why).
std::unique_ptr<ProgrammerBackend> MakeSimulatedBackend(std::string_view deviceName,
                                                        BackendError& error);

// Why the last OpenFtdi or OpenUsb of a backend made above failed, where the USB libraries
// tell it (kFailed for a backend made elsewhere).
DeviceAccess LastDeviceAccess(const ProgrammerBackend& backend);

}  // namespace brivel
