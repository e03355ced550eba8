#include "shell/control_placer.h"

#include <QWidget>
#include <optional>

#include "settings/setup_entry.h"
#include "shell/entry_tree_model.h"
#include "shell/settings_tree_view.h"

namespace quillon {

ControlPlacer::ControlPlacer(SettingsTreeView& tree, const EntryTreeModel& model, int gap)
    : m_tree(&tree), m_model(&model), m_gap(gap) {}

void ControlPlacer::PlaceVisibleRows() {
    if (m_placing) {
        return;
    }
    m_placing = true;
    if (++m_pass == 0) {
        ++m_pass;  // 0 marks an item that no pass has placed
    }

    const QWidget* viewport = m_tree->viewport();
    const int viewHeight = viewport->height();
    const int originY = viewport->mapTo(m_tree->parentWidget(), QPoint(0, 0)).y();
    const int x = m_tree->geometry().right() + 1 + m_gap;

    // Rows have one height, so after the first row in view each next one is a step lower;
    // indexBelow walks the tree's own list of open rows, one row at a time.
    m_next.clear();
    m_nextTops.clear();
    QModelIndex index = m_tree->indexAt(QPoint(0, 0));
    if (index.isValid()) {
        const QRect first = m_tree->visualRect(index);
        const int step = first.height();
        for (int top = first.top(); index.isValid() && top < viewHeight; top += step) {
            // A row cut by the top or the bottom edge counts as not visible.
            if (top >= 0 && top + step <= viewHeight) {
                m_model->PlacedPass(index) = m_pass;
                m_next.push_back(index);
                m_nextTops.push_back(originY + top);
            }
            index = m_tree->indexBelow(index);
        }
    }

    // Hide first: a control that loses its row gives up the keyboard focus before any other
    // control appears.
    for (const QModelIndex& shown : m_shown) {
        if (m_model->PlacedPass(shown) != m_pass) {
            m_model->EntryAt(shown)->Place(std::nullopt);
        }
    }
    for (size_t i = 0; i < m_next.size(); ++i) {
        m_model->EntryAt(m_next[i])->Place(Point{x, m_nextTops[i]});
    }
    m_shown.swap(m_next);
    m_placing = false;
}

}  // namespace quillon
