#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class BrainStatusFeed;
class BrowserState;
class DemoDropZone;
class DemoRow;
class PaneState;
class ProminentButton;
class QLabel;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

namespace Kit {
class NamingTierHeader;
}

// What a pane shows instead of an empty list: an invitation to drop messy files or try
// the samples (the teaser), and once proposals exist, the names before and after with a
// check box each (the diff), applied as one undoable step. It shows the pane's demo
// (PaneDemo) and sends the user's choices to it; the demo itself lives in the model.
class EmptyStateView : public QWidget
{
    Q_OBJECT

public:
    EmptyStateView(BrowserState &state, PaneState *pane, QWidget *parent = nullptr);

private:
    QWidget *buildTeaser();
    QWidget *buildDiff();
    void bind();
    void apply();
    // Makes the rows match the proposals: rebuilt when the proposals are others, updated
    // in place otherwise (a check box toggled).
    void applyRows();
    void retranslate();

    BrowserState &m_state;
    QPointer<PaneState> m_pane;
    BrainStatusFeed *m_brain;
    QStackedWidget *m_pages;
    QWidget *m_teaser = nullptr;
    QWidget *m_diff = nullptr;

    QLabel *m_title = nullptr;
    QLabel *m_subtitle = nullptr;
    QList<QLabel *> m_trustTexts;
    DemoDropZone *m_dropZone = nullptr;
    QToolButton *m_sampleButton = nullptr;
    QWidget *m_working = nullptr;
    QLabel *m_workingText = nullptr;

    Kit::NamingTierHeader *m_header = nullptr;
    QVBoxLayout *m_rows = nullptr;
    QList<DemoRow *> m_rowWidgets;
    QPushButton *m_restart = nullptr;
    ProminentButton *m_apply = nullptr;
    QLabel *m_footnote = nullptr;
};
