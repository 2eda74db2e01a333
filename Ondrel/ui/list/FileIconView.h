#pragma once

#include <QListView>

#include "InlineRenameView.h"

class BrowserState;
class FileListModel;
class IconDelegate;
class QMenu;
class ThumbnailProvider;
class ThumbnailRequests;

// The icon grid of the window's active pane: cells of equal size painted by IconDelegate,
// thumbnails asked for only by cells that paint, and skipped when a cell scrolled away
// before its turn;
// a click selects one cell and Ctrl+click adds or removes it, a double click opens, a
// right click shows the file menu (FileContextMenu); Ctrl+A selects every cell. Files dropped on a folder cell move
// into it, on empty space into the pane's folder; a file cell takes no drop. The window's
// inline rename opens a name field under the cell (Return renames, Escape closes).
class FileIconView : public InlineRenameView<QListView>
{
    Q_OBJECT

public:
    // Thumbnails come from `provider`, by default the window's thumbnail cache.
    explicit FileIconView(BrowserState &state, QWidget *parent = nullptr, ThumbnailProvider *provider = nullptr);

    FileListModel *fileModel() const { return m_model; }
    // The menu of a right click on `row`; none outside the cells. The caller owns it.
    QMenu *cellMenu(int row);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    FileListModel *renameModel() const override { return m_model; }
    void makeRenameCellCurrent(const QModelIndex &name) override;
    bool event(QEvent *event) override;

private:
    void followActivePane();
    void applyIconSize();
    // The folder a drop at `pos` goes into: the folder cell, or the pane's folder on empty
    // space; empty on a file cell.
    QString dropFolder(const QPoint &pos) const;

    BrowserState &m_state;
    FileListModel *m_model;
    IconDelegate *m_delegate;
    ThumbnailRequests *m_thumbnails;
};
