#include "core/progress_bar.h"

#include <string>

#include "core/console.h"

namespace brivel {

void ProgressBar::Start(uint32_t cells, uint32_t total) {
    m_cells = cells;
    m_total = total;
    m_done = 0;
    m_drawn = 0;
    // Draw the empty frame, return to its start and leave the cursor after "[".
    m_console.PrintNative(std::string(cells + 1, ' ') + "]\r[");
}

void ProgressBar::Update(uint32_t done) {
    m_done = done;
    // Nothing to scale against: an empty total or no cells never draws (and never divides).
    if (m_total == 0 || m_cells == 0) {
        return;
    }
    // 32-bit unsigned arithmetic, as the bar has always been drawn.
    if (done < m_total * (m_drawn + 1) / m_cells || m_drawn >= m_cells) {
        return;
    }
    uint32_t n = m_cells * (done - m_total * m_drawn / m_cells) / m_total;
    if (n > m_cells - m_drawn) {
        n = m_cells - m_drawn;
    }
    std::string bar(n, '|');
    m_drawn += n;
    if (m_drawn == m_cells) {
        bar += ']';
    }
    m_console.PrintNative(bar);
}

}  // namespace brivel
