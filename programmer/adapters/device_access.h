#pragma once

namespace brivel {

// Why a device could not be opened, where the USB libraries can tell: missing access rights
// are the usual cause on Linux (no udev rule), a claim elsewhere the next.
enum class DeviceAccess { kOk, kNotFound, kDenied, kBusy, kFailed };

}  // namespace brivel
