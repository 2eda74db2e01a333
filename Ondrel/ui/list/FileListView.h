#pragma once

#include <QPointer>
#include <QStringList>
#include <QTableView>

#include "InlineRenameView.h"

class BrowserState;
class FileListModel;
class PaneState;
class QMenu;
class SelectionLink;

// The list of one pane: five columns over the pane's displayed items, the pane's
// selection shown and taken in both directions, names and suggestions edited in place,
// items opened on double click, files dragged out (copy or move) and dropped in (always a
// move, into the folder row under the pointer or else the pane's folder).
//
// Keys: Return, keypad Enter and F2 rename the current row; Space previews the selection;
// Ctrl+C copies the selected files, Ctrl+Alt+C their paths; Ctrl+A selects every row.
// A right click shows the row menu (rowMenu()); below the last row it shows nothing.
class FileListView : public InlineRenameView<QTableView>
{
    Q_OBJECT

public:
    FileListView(BrowserState &state, PaneState *pane, QWidget *parent = nullptr);

    FileListModel *fileModel() const { return m_model; }
    PaneState *pane() const;
    // The selected paths in row order.
    QStringList selectedPaths() const;
    // The menu of a right click on `row` (made the selection first unless it is selected
    // already); none outside the rows. The caller owns the menu.
    QMenu *rowMenu(int row);
    // Opens the name editor on the current row, as Return does.
    void renameCurrent();
    // Puts the selected paths, one a line in row order, on the clipboard.
    void copyPaths();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    FileListModel *renameModel() const override { return m_model; }
    void makeRenameCellCurrent(const QModelIndex &name) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;

private:
    void bind();
    void activate();
    void open(const QModelIndex &index);
    void sortBy(int column);
    void showSortIndicator();
    void rememberTopRow();
    void afterReset();
    void afterUpdate();

    BrowserState &m_state;
    FileListModel *m_model;
    int m_sortColumn = -1; // the header last clicked
    SelectionLink *m_selection = nullptr;
    QString m_topPath;     // the top row before a reset, to keep the scroll position
    int m_topOffset = 0;
};
