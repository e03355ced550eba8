#pragma once

#include <cstdint>
#include <memory>

#include "adapters/d2xx.h"

namespace brivel {

// The D2XX calls over libftdi1. Like D2XX it lists every channel of a multi-channel chip as
// a device of its own, its serial number followed by the channel letter.
std::unique_ptr<D2xx> MakeLibFtdiD2xx();

}  // namespace brivel
