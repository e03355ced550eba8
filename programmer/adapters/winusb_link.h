#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "adapters/usb_pipes.h"

namespace brivel {

// The request/reply link to the USB programmer over its two bulk pipes.
class WinUsbLink {
public:
    // Sets the pipe policies: 0, -1 when one is refused, -2 when already initialised.
    int Initialize(UsbPipes& pipes);
    void Release() { m_pipes = nullptr; }
    bool Initialized() const { return m_pipes != nullptr; }

    // Writes the request, then reads the reply in 1024-byte reads until one comes back
    // shorter: 0 with the reply, -1 on a failed transfer, -2 when not initialised, -3 when
    // memory for the reply was not obtained.
    int Transfer(const std::vector<uint8_t>& request, std::vector<uint8_t>& reply);

    // bcdDevice as "%d%d.%d%d" (0x0102 gives "01.02"), or "неизвестно" in Windows-1251.
    std::string VersionText();

private:
    UsbPipes* m_pipes = nullptr;
};

}  // namespace brivel
