#include "SelectionLink.h"

#include "FileListModel.h"
#include "PaneState.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

SelectionLink::SelectionLink(QAbstractItemView *view, FileListModel *model, std::function<void()> touched)
    : QObject(view), m_view(view), m_model(model), m_touched(std::move(touched))
{
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &SelectionLink::fromView);
    connect(model, &QAbstractItemModel::modelReset, this, &SelectionLink::followPane);
    followPane();
}

// After a reset the model may follow another pane: listen to that one.
void SelectionLink::followPane()
{
    delete m_paneLink;
    m_paneLink = new QObject(this);
    if (PaneState *pane = m_model->pane())
        connect(pane, &PaneState::selectionChanged, m_paneLink, [this] { toView(); });
    toView();
}

void SelectionLink::toView()
{
    const PaneState *pane = m_model->pane();
    if (!pane || m_updating)
        return;
    const QSet<QString> &selected = pane->selection();
    const QList<FileItem> &items = m_model->items();
    const int last = m_model->columnCount() - 1;
    QItemSelection rows;
    if (!selected.isEmpty()) {
        int first = -1;
        for (int row = 0; row <= items.size(); ++row) {
            const bool in = row < items.size() && selected.contains(items.at(row).path);
            if (in && first < 0)
                first = row;
            if (!in && first >= 0) {
                rows.select(m_model->index(first, 0), m_model->index(row - 1, last));
                first = -1;
            }
        }
    }
    QItemSelectionModel *selection = m_view->selectionModel();
    if (rows == selection->selection())
        return;
    m_updating = true;
    // Clearing first keeps Qt from comparing every old range with every new one, which
    // takes minutes for tens of thousands of scattered rows.
    if (selection->hasSelection())
        selection->clearSelection();
    selection->select(rows, QItemSelectionModel::Select);
    m_updating = false;
}

void SelectionLink::fromView()
{
    PaneState *pane = m_model->pane();
    if (!pane || m_updating)
        return;
    QSet<QString> selection;
    const QList<FileItem> &items = m_model->items();
    for (const QItemSelectionRange &range : m_view->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom() && row < items.size(); ++row)
            selection.insert(items.at(row).path);
    }
    m_updating = true;
    pane->setSelection(selection);
    m_updating = false;
    if (!selection.isEmpty() && m_touched)
        m_touched();
}
