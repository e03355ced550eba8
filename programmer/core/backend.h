#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/adapter_ops.h"

namespace brivel {

struct FtdiDeviceInfo {
    uint32_t id;  // VID << 16 | PID
    std::string serial;
};

struct UsbInterfaceInfo {
    std::string path;
    std::string revision;  // "" = unknown
};

// Why a backend could not be made or could not keep its result: the program's own words in
// Windows-1251, converted by the console like every other text, then what they name (a file
// name, the system's reason) as the system gives it, in the terminal's character set.
struct BackendError {
    std::string text;
    std::string detail;
    bool Empty() const { return text.empty() && detail.empty(); }
};

// What the main flow needs from the transports; transports never print.
class ProgrammerBackend {
public:
    virtual ~ProgrammerBackend() = default;
    // FindUsbProgrammer's enumeration.
    virtual std::vector<UsbInterfaceInfo> ListUsbInterfaces() = 0;
    virtual bool ListFtdiDevices(std::vector<FtdiDeviceInfo>& devices) = 0;  // false: not fetched
    // A device name that this backend opens as an FTDI adapter without looking it up in the
    // FTDI list: the index to give OpenFtdi. None for every other name, which the main flow
    // then looks up in the list ("FTDI..." names) or opens as a USB programmer path.
    virtual std::optional<int> DirectFtdiIndex(const std::string& deviceName) = 0;
    virtual bool OpenFtdi(int index) = 0;
    virtual int SetupFtdi() = 0;  // MPSSE set-up; the main flow ignores the result
    virtual void CloseFtdi() = 0;
    virtual const AdapterOps& FtdiOps() = 0;
    // The most bytes the adapter's Read takes in one call.
    virtual uint32_t FtdiLongestRead() = 0;
    virtual bool OpenUsb(const std::string& path) = 0;  // open the interface and the link
    virtual std::string UsbVersionText() = 0;           // firmware version text (Windows-1251)
    virtual int UsbEnable(bool targetDriversOn) = 0;    // enable / disable transaction
    virtual void CloseUsb() = 0;
    virtual const AdapterOps& UsbOps() = 0;
    virtual uint32_t UsbLongestRead() = 0;
    // End of the run, also after abort or a failed check: the simulated target keeps its
    // flash file here. Sends nothing to an adapter that was never set up.
    virtual bool Finish(BackendError& error) = 0;
};

}  // namespace brivel
