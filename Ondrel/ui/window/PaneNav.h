#pragma once

#include <QPointer>
#include <QWidget>

class BrowserState;
#include "PaneState.h"
class QHBoxLayout;
class QScrollArea;
class QToolButton;

// The bar above a pane's list: back, forward, up, refresh and the crumbs of the folder
// shown. Back, forward, up and a crumb make the pane the window's active pane first;
// refresh re-lists it without. The crumb row scrolls without bars and keeps its last
// crumb in view.
class PaneNav : public QWidget
{
    Q_OBJECT

public:
    PaneNav(BrowserState &state, PaneState *pane, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void activate();
    void updateButtons();
    void rebuildCrumbs();
    void scrollToEnd();

    BrowserState &m_state;
    QPointer<PaneState> m_pane;
    QToolButton *m_back;
    QToolButton *m_forward;
    QToolButton *m_up;
    QToolButton *m_refresh;
    QScrollArea *m_crumbArea;
    QWidget *m_crumbRow;
    QHBoxLayout *m_crumbLayout;
};
