// The settings tree as the tree view sees it: one item per entry with a caption, showing the
// caption only. The entries stay in their tree; the model keeps a node per item beside them.
#pragma once

#include <QAbstractItemModel>
#include <QFontMetrics>
#include <QString>
#include <vector>

namespace quillon {

class CSetupEntry;

class EntryTreeModel final : public QAbstractItemModel {
    Q_OBJECT

public:
    // An entry without a caption gets no item; its children become children of its parent's
    // item. rowHeight is the height every item reports.
    EntryTreeModel(CSetupEntry& root, int rowHeight, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The entry of an item; null for an invalid index.
    CSetupEntry* EntryAt(const QModelIndex& index) const;
    // The item of an entry; invalid when the entry has no item.
    QModelIndex IndexOf(const CSetupEntry& entry) const;
    int ItemCount() const { return static_cast<int>(m_nodes.size()); }
    // The width the captions need when every branch is open: indentation per level, the
    // branch mark of the top level included, and the caption's text.
    int ContentWidth(const QFontMetrics& metrics, int indentation) const;

    // Per-item scratch for the placement pass: the number of the last pass that placed it.
    unsigned& PlacedPass(const QModelIndex& index) const;

private:
    struct Node {
        CSetupEntry* entry = nullptr;
        QString caption;
        int parent = -1;  // node index; -1 for a top-level item
        int row = 0;
        int depth = 0;  // 0 for a top-level item
        std::vector<int> children;
        mutable unsigned placedPass = 0;
    };

    void Insert(CSetupEntry& entry, int parent);
    const std::vector<int>& ChildrenOf(const QModelIndex& parent) const;
    static int NodeOf(const QModelIndex& index) { return static_cast<int>(index.internalId()); }

    std::vector<Node> m_nodes;
    std::vector<int> m_topLevel;
    int m_rowHeight;
};

}  // namespace quillon
