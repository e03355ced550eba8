#pragma once

#include <cstdint>
#include <vector>

#include "core/adapter_ops.h"
#include "core/backend.h"

namespace brivel {

class D2xx;

// The FTDI adapter: an FT2232-class chip whose MPSSE engine drives the EzPort lines. The
// adapter keeps one link (the library, the pin state) private to its file, because the
// operations of its table take no object.

// Device count, then the information list; false when either call fails.
bool FtdiListDevices(D2xx& library, std::vector<FtdiDeviceInfo>& devices);
// Opens the listed device at index through library, which must outlive FtdiClose().
bool FtdiOpen(D2xx& library, int index);
// Reset, purge, transfer sizes, latency, MPSSE mode, clock divisor and the first pin state:
// 0 or -1 (the caller goes on either way; the first EzPort operation then fails).
int FtdiSetup();
// Lowers the auxiliary and reset outputs, purges and closes the device.
void FtdiClose();

// One MPSSE 0x24 command clocks in at most 65536 bytes: the longest Read.
inline constexpr uint32_t kFtdiLongestRead = 65536;

extern const AdapterOps kFtdiOps;

}  // namespace brivel
