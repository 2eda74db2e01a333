#pragma once

#include <QWidget>

class BrowserState;
class QButtonGroup;
class QLineEdit;
class QToolButton;

// The first bar of the window: the filter field of the active pane, the view-mode switch
// (one pane only), the pane-layout switch, the inspector toggle and the new-folder button.
class TopBar : public QWidget
{
    Q_OBJECT

public:
    explicit TopBar(BrowserState &state, QWidget *parent = nullptr);

private:
    void showFilter();
    void showViewMode();
    void showLayout();
    void showInspector();

    BrowserState &m_state;
    QLineEdit *m_filter;
    QToolButton *m_clear;
    QWidget *m_viewModes;
    QButtonGroup *m_viewModeGroup;
    QWidget *m_layouts;
    QButtonGroup *m_layoutGroup;
    QToolButton *m_inspector;
    QToolButton *m_newFolder;
};
