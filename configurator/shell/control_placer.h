// Keeps the editor controls beside the visible rows of the tree view: the controls of a row
// that is wholly visible stand right of the tree, level with the row; every other control is
// hidden. One pass walks only the rows in view and the rows shown by the previous pass, so its
// cost does not grow with the 3,807 entries of the tree.
#pragma once

#include <QModelIndex>
#include <vector>

class QWidget;

namespace quillon {

class EntryTreeModel;
class SettingsTreeView;

class ControlPlacer {
public:
    // The controls are children of the tree's parent widget and stand gap pixels right of
    // the tree's right edge.
    ControlPlacer(SettingsTreeView& tree, const EntryTreeModel& model, int gap);

    void PlaceVisibleRows();

    // The wholly visible rows of the last pass, headings included.
    int PlacedRowCount() const { return static_cast<int>(m_shown.size()); }

private:
    SettingsTreeView* m_tree;
    const EntryTreeModel* m_model;
    int m_gap;
    unsigned m_pass = 0;
    bool m_placing = false;
    // The model never changes its structure, so plain indexes stay valid between passes.
    std::vector<QModelIndex> m_shown;
    std::vector<QModelIndex> m_next;
    std::vector<int> m_nextTops;
};

}  // namespace quillon
