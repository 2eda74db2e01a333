#pragma once

#include "PaneLayout.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>

class AIBar;
class ActionPane;
class BrowserState;
class InspectorView;
class FirstWinBanner;
class ModelDownloadBanner;
class OnboardingHost;
class PaneColumn;
class PaneState;
class QSplitter;
class SheetPresenter;
class Sidebar;
class QVBoxLayout;
class StatusBar;
class TopBar;

// The content of a browser window: a splitter of the sidebar, the content column (install,
// first-win and model banners, top bar, AI bar, the panes, status bar) and the detail column (the inspector
// while it is shown, the action pane otherwise); it also presents the window's sheets.
//
// The panes area is rebuilt only when the layout or the list of panes changes; a pane's
// column is kept across rebuilds, so its scroll position survives, and the splitters of an
// unchanged layout keep their sizes. The inspector and the action pane are made anew on
// each toggle, so each starts from a fresh state.
class ContentView : public QWidget
{
    Q_OBJECT

public:
    explicit ContentView(BrowserState &state, QWidget *parent = nullptr);

    BrowserState &state() const { return m_state; }
    QSplitter *splitter() const { return m_split; }
    // The panes area's outermost widget; null while the panes do not fill the layout.
    QWidget *panesRoot() const { return m_panesRoot; }
    QList<PaneColumn *> columns() const;
    // The window's sheets: each sheet registers its dialog for its flag here.
    SheetPresenter &sheets() const { return *m_sheets; }
    // The window's first-run decisions: the onboarding sheet and the first-win banner.
    OnboardingHost &onboarding() const { return *m_onboarding; }

private:
    void rebuildPanes();
    void showDetail();

    BrowserState &m_state;
    SheetPresenter *m_sheets;
    QSplitter *m_split;
    Sidebar *m_sidebar;
    FirstWinBanner *m_firstWin;
    ModelDownloadBanner *m_banner;
    TopBar *m_topBar;
    AIBar *m_aiBar;
    QWidget *m_panesArea;
    QVBoxLayout *m_panesLayout;
    QPointer<QWidget> m_panesRoot;
    StatusBar *m_statusBar;
    QWidget *m_detail;
    QPointer<InspectorView> m_inspector;
    QPointer<ActionPane> m_actionPane;
    OnboardingHost *m_onboarding = nullptr;

    // What the panes area was last built for.
    PaneLayout m_builtLayout = PaneLayout::Single;
    QList<PaneState *> m_builtPanes;
    bool m_built = false;
    QHash<PaneState *, QPointer<PaneColumn>> m_columns;
};
