#include "ContentView.h"

#include "AIBar.h"
#include "BrowserState.h"
#include "action/ActionPane.h"
#include "InspectorView.h"
#include "InstallBanner.h"
#include "ModelDownload.h"
#include "ModelDownloadBanner.h"
#include "PaneColumn.h"
#include "PaneState.h"
#include "SheetPresenter.h"
#include "StatusBar.h"
#include "TopBar.h"
#include "kit/Style.h"
#include "onboarding/FirstWinBanner.h"
#include "onboarding/OnboardingHost.h"
#include "sheets/GoToSheet.h"
#include "sidebar/Sidebar.h"
#include "sheets/BatchRenameSheet.h"
#include "sheets/ConnectSheet.h"

#include <QSplitter>
#include <QVBoxLayout>

namespace {

constexpr int sidebarIdealWidth = 210;
constexpr int contentMinWidth = 560;
constexpr int contentIdealWidth = 820;
constexpr int detailMinWidth = 280;
constexpr int detailIdealWidth = 360;
constexpr int rowMinHeight = 130;

QSplitter *split(Qt::Orientation orientation, const QList<QWidget *> &parts, int minimum)
{
    auto *splitter = new QSplitter(orientation);
    splitter->setChildrenCollapsible(false);
    splitter->setHandleWidth(1);
    for (QWidget *part : parts) {
        if (orientation == Qt::Horizontal)
            part->setMinimumWidth(minimum);
        else
            part->setMinimumHeight(minimum);
        splitter->addWidget(part);
    }
    return splitter;
}

} // namespace

ContentView::ContentView(BrowserState &state, QWidget *parent)
    : QWidget(parent),
      m_state(state),
      m_sheets(new SheetPresenter(state, this)),
      m_split(new QSplitter(Qt::Horizontal, this)),
      m_sidebar(new Sidebar(state)),
      m_firstWin(new FirstWinBanner),
      m_banner(new ModelDownloadBanner),
      m_topBar(new TopBar(state)),
      m_aiBar(new AIBar(state)),
      m_panesArea(new QWidget),
      m_panesLayout(new QVBoxLayout(m_panesArea)),
      m_statusBar(new StatusBar(state)),
      m_detail(new QWidget)
{
    setObjectName(QStringLiteral("contentView"));
    m_split->setObjectName(QStringLiteral("windowSplit"));
    m_panesArea->setObjectName(QStringLiteral("panesArea"));
    m_detail->setObjectName(QStringLiteral("detailColumn"));
    m_panesLayout->setContentsMargins(0, 0, 0, 0);

    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("contentColumn"));
    content->setMinimumWidth(contentMinWidth);
    auto *rows = new QVBoxLayout(content);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addWidget(new InstallBanner(InstallBanner::desktopEntry(), content));
    rows->addWidget(m_firstWin);
    rows->addWidget(m_banner);
    rows->addWidget(m_topBar);
    rows->addWidget(Kit::divider(Qt::Horizontal, content));
    rows->addWidget(m_aiBar);
    rows->addWidget(Kit::divider(Qt::Horizontal, content));
    rows->addWidget(m_panesArea, 1);
    rows->addWidget(Kit::divider(Qt::Horizontal, content));
    rows->addWidget(m_statusBar);

    m_detail->setMinimumWidth(detailMinWidth);
    auto *detailLayout = new QVBoxLayout(m_detail);
    detailLayout->setContentsMargins(0, 0, 0, 0);

    m_split->setChildrenCollapsible(false);
    m_split->addWidget(m_sidebar);
    m_split->addWidget(content);
    m_split->addWidget(m_detail);
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    m_split->setStretchFactor(2, 0);
    m_split->setSizes({sidebarIdealWidth, contentIdealWidth, detailIdealWidth});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_split);

    GoToSheet::add(*m_sheets, m_state);

    m_banner->setOllamaUp(m_state.ollamaUp());
    connect(&m_state, &BrowserState::ollamaUpChanged, this,
            [this] { m_banner->setOllamaUp(m_state.ollamaUp()); });
    connect(&m_state, &BrowserState::layoutChanged, this, &ContentView::rebuildPanes);
    connect(&m_state, &BrowserState::panesChanged, this, &ContentView::rebuildPanes);
    connect(&m_state, &BrowserState::showInspectorChanged, this, &ContentView::showDetail);
    ConnectSheet::add(*m_sheets, m_state);
    BatchRenameSheet::add(*m_sheets, m_state);
    m_onboarding = new OnboardingHost(m_state, *m_sheets, *m_firstWin, ModelDownload::shared(), *this);
    rebuildPanes();
    showDetail();
}

QList<PaneColumn *> ContentView::columns() const
{
    QList<PaneColumn *> result;
    for (PaneState *pane : m_builtPanes) {
        if (PaneColumn *column = m_columns.value(pane))
            result << column;
    }
    return result;
}

void ContentView::rebuildPanes()
{
    const PaneLayout layout = m_state.layout();
    const int needed = paneCount(layout);
    const QList<PaneState *> panes = m_state.panes().size() >= needed
                                         ? m_state.panes().mid(0, needed)
                                         : QList<PaneState *>();
    if (m_built && layout == m_builtLayout && panes == m_builtPanes)
        return;
    m_built = true;
    m_builtLayout = layout;
    m_builtPanes = panes;

    while (QLayoutItem *item = m_panesLayout->takeAt(0))
        delete item;
    // Keep the columns of the window's panes, shown or not (a layout change passes through
    // a pane list that does not fill the layout yet); their lists keep scroll position.
    for (auto it = m_columns.begin(); it != m_columns.end();) {
        if (it.value() && m_state.panes().contains(it.key())) {
            it.value()->hide();
            it.value()->setParent(m_panesArea);
            ++it;
        } else {
            delete it.value();
            it = m_columns.erase(it);
        }
    }
    // A splitter goes with its structure; a column alone is one of the kept or deleted above.
    if (!qobject_cast<PaneColumn *>(m_panesRoot))
        delete m_panesRoot;
    m_panesRoot = nullptr;
    if (panes.isEmpty())
        return;

    QList<QWidget *> cols;
    for (PaneState *pane : panes) {
        PaneColumn *column = m_columns.value(pane);
        if (!column) {
            column = new PaneColumn(m_state, pane);
            m_columns.insert(pane, column);
        }
        column->setMinimumSize(0, 0);
        column->show();
        cols << column;
    }
    switch (layout) {
    case PaneLayout::Single: m_panesRoot = cols.at(0); break;
    case PaneLayout::Dual: m_panesRoot = split(Qt::Horizontal, cols, 240); break;
    case PaneLayout::TriPin:
        m_panesRoot = split(Qt::Vertical,
                            {cols.at(0), split(Qt::Horizontal, {cols.at(1), cols.at(2)}, 220)},
                            rowMinHeight);
        break;
    case PaneLayout::Quad:
        m_panesRoot = split(Qt::Vertical,
                            {split(Qt::Horizontal, {cols.at(0), cols.at(1)}, 220),
                             split(Qt::Horizontal, {cols.at(2), cols.at(3)}, 220)},
                            rowMinHeight);
        break;
    }
    m_panesRoot->setParent(m_panesArea);
    m_panesLayout->addWidget(m_panesRoot);
    m_panesRoot->show();
}

void ContentView::showDetail()
{
    delete m_inspector;
    delete m_actionPane;
    if (m_state.showInspector()) {
        m_inspector = new InspectorView(m_state, m_detail);
        m_detail->layout()->addWidget(m_inspector);
        m_inspector->show();
    } else {
        m_actionPane = new ActionPane(m_state, m_detail);
        m_detail->layout()->addWidget(m_actionPane);
        m_actionPane->show();
    }
}
