#pragma once

#include <QPointer>
#include <QWidget>

class BrowserState;
class PaneItemsModel;
class PaneNav;
#include "PaneState.h"
class QTableView;

// One pane of the window: its navigation bar, with two or more panes a 2 px strip in the
// accent colour on the active pane, and the pane's content below. With two or more panes
// the active column is tinted. A press on the column's own background makes it active.
//
// The content is a plain table of the displayed items; the list and icon views replace
// it (content()).
class PaneColumn : public QWidget
{
    Q_OBJECT

public:
    PaneColumn(BrowserState &state, PaneState *pane, QWidget *parent = nullptr);

    PaneState *pane() const { return m_pane; }
    bool isActive() const;
    QTableView *content() const { return m_table; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void applyActive();
    void reloadItems();
    void showSelection();
    void takeSelection();

    BrowserState &m_state;
    QPointer<PaneState> m_pane;
    PaneNav *m_nav;
    QWidget *m_strip;
    QTableView *m_table;
    PaneItemsModel *m_model;
    bool m_syncing = false;
};
