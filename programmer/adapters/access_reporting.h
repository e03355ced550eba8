#pragma once

#include "adapters/device_access.h"
#include "core/backend.h"

namespace brivel {

// The backends of this folder also tell why an open failed.
class AccessReportingBackend : public ProgrammerBackend {
public:
    DeviceAccess LastAccess() const { return m_access; }

protected:
    DeviceAccess m_access = DeviceAccess::kOk;
};

}  // namespace brivel
