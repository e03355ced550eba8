#include "shell/settings_tree_view.h"

#include <QHeaderView>

namespace quillon {

SettingsTreeView::SettingsTreeView(QWidget* parent) : QTreeView(parent) {
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setAutoScroll(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setAnimated(false);
    // Auto scroll keeps the current item in view, whatever moved it: End, PageDown, typing a
    // caption's first letters, a click on a half-visible row.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Fixed);
}

void SettingsTreeView::scrollContentsBy(int dx, int dy) {
    QTreeView::scrollContentsBy(dx, dy);
    // Inside updateGeometries the scroll bars are adjusted before the layout is complete;
    // the report comes once it is.
    if (!m_updatingGeometries) {
        ReportRowsChanged();
    }
}

void SettingsTreeView::updateGeometries() {
    const bool outermost = !m_updatingGeometries;
    m_updatingGeometries = true;
    QTreeView::updateGeometries();
    if (outermost) {
        m_updatingGeometries = false;
        ReportRowsChanged();
    }
}

void SettingsTreeView::ReportRowsChanged() {
    if (m_rowsChanged) {
        m_rowsChanged();
    }
}

}  // namespace quillon
