#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/adapter_ops.h"

namespace brivel {

class UsbPipes;

// The dedicated USB programmer: its firmware shifts the EzPort bytes and sets the target
// lines on request. Its link is private to its file, because the operations of its table
// take no object.

// Initialises the link over pipes, which must outlive UsbClose(): 0, -1 or -2.
int UsbOpen(UsbPipes& pipes);
std::string UsbVersionText();
// One transaction switching the target drivers; the Transaction run result.
int UsbEnable(bool on);
// Forgets the pipes; the caller sends the disable transaction first.
void UsbClose();

// Read reports a failed run as 101 with a note "[exec_err:%d]\r\n"; the adapter never
// prints, it hands the note to this sink when one is set.
void SetUsbNoteSink(std::function<void(const std::string&)> sink);

// A capture item counts its bytes in 16 bits: the longest Read.
inline constexpr uint32_t kUsbLongestRead = 0xFFFF;

extern const AdapterOps kUsbOps;

}  // namespace brivel
