#include "PaneItemsModel.h"

#include "DisplayHelpers.h"
#include "Localization.h"

PaneItemsModel::PaneItemsModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void PaneItemsModel::setItems(const QList<FileItem> &items)
{
    beginResetModel();
    m_items = items;
    endResetModel();
}

int PaneItemsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

int PaneItemsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PaneItemsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size())
        return {};
    const FileItem &item = m_items.at(index.row());
    if (role == PathRole)
        return item.path;
    if (role == Qt::TextAlignmentRole && index.column() == SizeColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case NameColumn: return item.name;
    case DateColumn: return dateStr(item.modified);
    case SizeColumn: return item.isDir ? QStringLiteral("--") : sizeStr(item.size);
    case KindColumn: return item.kind;
    default: return {};
    }
}

QVariant PaneItemsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn: return L("名称");
    case DateColumn: return L("修改日期");
    case SizeColumn: return L("大小");
    case KindColumn: return L("种类");
    default: return {};
    }
}
