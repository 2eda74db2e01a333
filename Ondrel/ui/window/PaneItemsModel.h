#pragma once

#include "FileItem.h"

#include <QAbstractTableModel>
#include <QList>

// The rows a pane shows, read-only, served from the item list it is given: data() never
// touches the file system. A stand-in for the list view proper.
class PaneItemsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { NameColumn, DateColumn, SizeColumn, KindColumn, ColumnCount };
    // The item's path, for any column.
    static constexpr int PathRole = Qt::UserRole + 1;

    explicit PaneItemsModel(QObject *parent = nullptr);

    void setItems(const QList<FileItem> &items);
    const QList<FileItem> &items() const { return m_items; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<FileItem> m_items;
};
