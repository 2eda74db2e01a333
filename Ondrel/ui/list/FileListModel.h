#pragma once

#include "FileItem.h"
#include "SortKey.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>

class BrowserState;
#include "PaneState.h"

// The rows of one pane as its list and icon views show them: the pane's displayed items,
// in the pane's order. data() serves only the arrays held here and the window's icon
// cache, never the file system. Edits of the name cell rename the file, edits of the
// suggestion cell set the suggestion and its accept flag (through the window model).
//
// Changes of the items are coalesced: a burst is applied once, on the next turn of the
// event loop; a new filter applies at once. When the displayed paths are the same as before, only the rows whose shown
// fields changed signal dataChanged; otherwise the model resets once.
class FileListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { NameColumn, SuggestionColumn, SizeColumn, KindColumn, DateColumn, ColumnCount };
    enum Role {
        PathRole = Qt::UserRole + 1,
        IsDirRole,
        IsHiddenRole,
        TagsRole,
    };

    FileListModel(BrowserState &state, QObject *parent = nullptr);

    // Follows another pane (or none); the rows are replaced at once.
    void setPane(PaneState *pane);
    PaneState *pane() const { return m_pane; }

    const QList<FileItem> &items() const { return m_items; }
    // The row of a path, or -1.
    int rowOf(const QString &path) const { return m_rowOf.value(path, -1); }
    // Whether any row carries a suggestion: the suggestion column is shown only then.
    bool hasSuggestions() const { return m_suggestions > 0; }
    // Applies a pending update now (tests and views that need the rows at once).
    void refreshNow();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;

    // The column a header click sorts by.
    static SortKey sortKeyOf(int column);

signals:
    // After every applied update, a reset or not.
    void updated();

private:
    void scheduleRefresh();
    void refresh();

    BrowserState &m_state;
    QPointer<PaneState> m_pane;
    QObject *m_paneLink = nullptr; // context of the connections to the pane
    QList<FileItem> m_items;
    QHash<QString, int> m_rowOf;
    int m_suggestions = 0;
    bool m_queued = false;
};
