#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "settings/editor_control.h"
#include "settings/system_metrics.h"

namespace quillon {

inline constexpr int32_t kFirstControlId = 100;

// The owner window of the editor controls: creates them hidden as its children with its font,
// hands out their child-window ids and answers the entries' questions to the user.
class ControlFactory {
public:
    virtual ~ControlFactory() = default;

    // Creates a hidden control at (0, 0) with the given id.
    virtual std::unique_ptr<EditorControl> CreateControl(const ControlOptions& options,
                                                         int32_t id) = 0;

    virtual const SystemMetrics& Metrics() const = 0;

    // Asks the user for an existing file to open; none when the user cancels. The path is
    // Windows-1251 bytes.
    virtual std::optional<std::string> AskOpenPath() = 0;

    // The counter's current value; advances it by one.
    int32_t TakeControlId() { return m_nextControlId++; }
    int32_t NextControlId() const { return m_nextControlId; }

private:
    int32_t m_nextControlId = kFirstControlId;
};

}  // namespace quillon
