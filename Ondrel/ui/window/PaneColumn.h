#pragma once

#include <QPointer>
#include <QWidget>

#include "PaneState.h"

class BrowserState;
class EmptyStateView;
class FileIconView;
class FileListView;
class PaneNav;
class QAbstractItemView;

// One pane of the window: its navigation bar, with two or more panes a 2 px strip in the
// accent colour on the active pane, and the pane's content below. With two or more panes
// the active column is tinted. A press on the column's own background makes it active.
//
// The content is the pane's list; with one pane in icon mode, the icon grid of the
// active pane instead. While the pane's filter is empty and the pane has no items or a
// demo under way, the empty state stands in for the list or grid.
class PaneColumn : public QWidget
{
    Q_OBJECT

public:
    PaneColumn(BrowserState &state, PaneState *pane, QWidget *parent = nullptr);

    PaneState *pane() const { return m_pane; }
    bool isActive() const;
    // The view shown below the bar: the list or the grid.
    QAbstractItemView *content() const;
    FileListView *list() const { return m_list; }
    // The grid, while one is shown.
    FileIconView *grid() const { return m_grid; }
    // The empty state, while it is shown.
    EmptyStateView *emptyState() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void applyActive();
    void applyViewMode();
    void applyEmptyState();

    BrowserState &m_state;
    QPointer<PaneState> m_pane;
    PaneNav *m_nav;
    QWidget *m_strip;
    FileListView *m_list;
    FileIconView *m_grid = nullptr;
    EmptyStateView *m_empty = nullptr; // made when first needed, then kept
};
