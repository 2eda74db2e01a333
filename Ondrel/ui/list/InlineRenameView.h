#pragma once

#include "BrowserState.h"
#include "FileListModel.h"

#include <QAbstractItemDelegate>
#include <QLineEdit>
#include <QShowEvent>

// A view of a pane's files that shows the window's inline rename
// (BrowserState::editingRename): the name editor opens on the item's cell as soon as the
// item is there, closes unrenamed when the rename ends elsewhere, and Escape ends it.
// Shared by the list (QTableView) and the icon view (QListView).
template <class View>
class InlineRenameView : public View
{
public:
    InlineRenameView(BrowserState &state, QWidget *parent) : View(parent), m_renameState(state) {}

protected:
    // The model whose name cells are edited.
    virtual FileListModel *renameModel() const = 0;
    // Makes the item's name cell current, the view's own way, before its editor opens.
    virtual void makeRenameCellCurrent(const QModelIndex &name) = 0;

    // Follows editingRename; call it when the rename target or the rows change.
    void openRenameEditor()
    {
        const QString &path = m_renameState.editingRename();
        if (path.isEmpty()) {
            // Ended elsewhere (another window, a menu command): the editor closes
            // unrenamed, so it no longer holds the focus that keeps the window's commands away.
            const bool wasRenaming = !m_renamingPath.isEmpty();
            m_renamingPath.clear();
            if (wasRenaming && this->state() == QAbstractItemView::EditingState) {
                // Editors closed earlier stay hidden children until they are deleted.
                const auto editors = this->viewport()->template findChildren<QLineEdit *>(
                    QString(), Qt::FindDirectChildrenOnly);
                for (QLineEdit *editor : editors) {
                    if (!editor->isHidden())
                        closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
                }
            }
            return;
        }
        if (path == m_renamingPath)
            return;
        // A pane has a list and a grid; only the one on screen edits, or the hidden one's
        // editor would take the focus and close the other's.
        if (!this->isVisible())
            return;
        const int row = renameModel()->rowOf(path);
        if (row < 0)
            return; // not listed yet: the next update tries again
        m_renamingPath = path;
        const QModelIndex name = renameModel()->index(row, FileListModel::NameColumn);
        makeRenameCellCurrent(name);
        this->scrollTo(name);
        if (!this->edit(name, QAbstractItemView::AllEditTriggers, nullptr))
            m_renamingPath.clear();
    }

    void showEvent(QShowEvent *event) override
    {
        View::showEvent(event);
        openRenameEditor(); // a rename asked for while the other view was on screen
    }

    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override
    {
        View::closeEditor(editor, hint);
        if (!m_renamingPath.isEmpty() && m_renameState.editingRename() == m_renamingPath
            && hint == QAbstractItemDelegate::RevertModelCache) {
            m_renamingPath.clear();
            m_renameState.setEditingRename({}); // Escape ends the inline rename without renaming
        }
    }

private:
    BrowserState &m_renameState;
    QString m_renamingPath; // the item whose editor the window's inline rename opened
};
