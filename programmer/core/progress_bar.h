#pragma once

#include <cstdint>

namespace brivel {

class Console;

// A bar of cells drawn with '|' inside "[...]" on one line while a pass runs.
class ProgressBar {
public:
    explicit ProgressBar(Console& console) : m_console(console) {}

    void Start(uint32_t cells, uint32_t total);
    void Update(uint32_t done);

private:
    Console& m_console;
    uint32_t m_total = 0;
    uint32_t m_cells = 0;
    uint32_t m_done = 0;
    uint32_t m_drawn = 0;
};

}  // namespace brivel
