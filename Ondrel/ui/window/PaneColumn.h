#pragma once

#include <QPointer>
#include <QWidget>

class BrowserState;
class FileIconView;
class FileListView;
class PaneNav;
#include "PaneState.h"
class QAbstractItemView;

// One pane of the window: its navigation bar, with two or more panes a 2 px strip in the
// accent colour on the active pane, and the pane's content below. With two or more panes
// the active column is tinted. A press on the column's own background makes it active.
//
// The content is the pane's list; with one pane in icon mode, the icon grid of the
// active pane instead.
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

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void applyActive();
    void applyViewMode();

    BrowserState &m_state;
    QPointer<PaneState> m_pane;
    PaneNav *m_nav;
    QWidget *m_strip;
    FileListView *m_list;
    FileIconView *m_grid = nullptr;
};
