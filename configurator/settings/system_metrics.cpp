#include "settings/system_metrics.h"

namespace quillon {

int SystemMetrics::Scaled(int width) const {
    const int dpi = LogicalPixelsPerInch();
    if (dpi <= 0) {
        return width;
    }
    const long long scaled = static_cast<long long>(width) * 72;
    return static_cast<int>((scaled + dpi / 2) / dpi);
}

}  // namespace quillon
