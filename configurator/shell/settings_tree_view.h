// The tree view of the captions. It reports every change of its visible rows: scrolling
// (scrollContentsBy) and any new layout of its items or viewport (updateGeometries, which Qt
// calls after expanding, collapsing, resizing and filling). Reporting from these hooks places
// the controls before the next paint, so no frame shows them at old rows; a paint hook would
// always be one frame late, and slots of the expanded and collapsed signals run inside
// expandRecursively while its item list is half built (Qt 6.4).
#pragma once

#include <QTreeView>
#include <functional>

namespace quillon {

class SettingsTreeView final : public QTreeView {
    Q_OBJECT

public:
    explicit SettingsTreeView(QWidget* parent = nullptr);

    // Called after the visible rows may have changed; once per change, not nested.
    void SetRowsChangedHandler(std::function<void()> handler) {
        m_rowsChanged = std::move(handler);
    }

protected:
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;

private:
    void ReportRowsChanged();

    std::function<void()> m_rowsChanged;
    bool m_updatingGeometries = false;
};

}  // namespace quillon
