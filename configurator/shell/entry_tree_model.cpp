#include "shell/entry_tree_model.h"

#include <QHash>
#include <QSize>
#include <algorithm>

#include "settings/setup_entry.h"
#include "shell/qt_text.h"

namespace quillon {

EntryTreeModel::EntryTreeModel(CSetupEntry& root, int rowHeight, QObject* parent)
    : QAbstractItemModel(parent), m_rowHeight(rowHeight) {
    Insert(root, -1);
}

void EntryTreeModel::Insert(CSetupEntry& entry, int parent) {
    int item = parent;
    if (!entry.GetCaption().empty()) {
        item = static_cast<int>(m_nodes.size());
        std::vector<int>& siblings = parent < 0 ? m_topLevel : m_nodes[parent].children;
        Node node;
        node.entry = &entry;
        node.caption = ToQString(entry.GetCaption());
        node.parent = parent;
        node.row = static_cast<int>(siblings.size());
        node.depth = parent < 0 ? 0 : m_nodes[static_cast<size_t>(parent)].depth + 1;
        siblings.push_back(item);
        m_nodes.push_back(std::move(node));
    }
    for (CSetupEntry& child : entry.GetChildren()) {
        Insert(child, item);
    }
}

const std::vector<int>& EntryTreeModel::ChildrenOf(const QModelIndex& parent) const {
    return parent.isValid() ? m_nodes[static_cast<size_t>(NodeOf(parent))].children : m_topLevel;
}

QModelIndex EntryTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const std::vector<int>& children = ChildrenOf(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(children.size())) {
        return {};
    }
    return createIndex(row, 0, static_cast<quintptr>(children[static_cast<size_t>(row)]));
}

QModelIndex EntryTreeModel::parent(const QModelIndex& index) const {
    if (!index.isValid()) {
        return {};
    }
    const int parent = m_nodes[static_cast<size_t>(NodeOf(index))].parent;
    if (parent < 0) {
        return {};
    }
    return createIndex(m_nodes[static_cast<size_t>(parent)].row, 0, static_cast<quintptr>(parent));
}

int EntryTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) {
        return 0;
    }
    return static_cast<int>(ChildrenOf(parent).size());
}

int EntryTreeModel::columnCount(const QModelIndex& /*parent*/) const {
    return 1;
}

QVariant EntryTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            return m_nodes[static_cast<size_t>(NodeOf(index))].caption;
        case Qt::SizeHintRole:
            // The width is the column's; only the height counts.
            return QSize(0, m_rowHeight);
        default:
            return {};
    }
}

Qt::ItemFlags EntryTreeModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

CSetupEntry* EntryTreeModel::EntryAt(const QModelIndex& index) const {
    return index.isValid() ? m_nodes[static_cast<size_t>(NodeOf(index))].entry : nullptr;
}

QModelIndex EntryTreeModel::IndexOf(const CSetupEntry& entry) const {
    for (size_t i = 0; i < m_nodes.size(); ++i) {
        if (m_nodes[i].entry == &entry) {
            return createIndex(m_nodes[i].row, 0, static_cast<quintptr>(i));
        }
    }
    return {};
}

int EntryTreeModel::ContentWidth(const QFontMetrics& metrics, int indentation) const {
    // The meter nodes repeat a few hundred captions thousands of times.
    QHash<QString, int> widths;
    int widest = 0;
    for (const Node& node : m_nodes) {
        auto known = widths.constFind(node.caption);
        if (known == widths.constEnd()) {
            known = widths.insert(node.caption, metrics.horizontalAdvance(node.caption));
        }
        widest = std::max(widest, (node.depth + 1) * indentation + *known);
    }
    return widest;
}

unsigned& EntryTreeModel::PlacedPass(const QModelIndex& index) const {
    return m_nodes[static_cast<size_t>(NodeOf(index))].placedPass;
}

}  // namespace quillon
