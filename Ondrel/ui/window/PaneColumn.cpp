#include "PaneColumn.h"

#include "BrowserState.h"
#include "PaneDemo.h"
#include "PaneNav.h"
#include "PaneState.h"
#include "kit/Style.h"
#include "list/FileIconView.h"
#include "list/FileListView.h"
#include "onboarding/EmptyStateView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

PaneColumn::PaneColumn(BrowserState &state, PaneState *pane, QWidget *parent)
    : QWidget(parent),
      m_state(state),
      m_pane(pane),
      m_nav(new PaneNav(state, pane, this)),
      m_strip(new QWidget(this)),
      m_list(new FileListView(state, pane, this))
{
    setObjectName(QStringLiteral("paneColumn"));
    m_strip->setObjectName(QStringLiteral("paneStrip"));
    m_strip->setFixedHeight(2);
    m_strip->setAutoFillBackground(true);
    m_list->setObjectName(QStringLiteral("paneList"));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_nav);
    column->addWidget(m_strip);
    column->addWidget(Kit::divider(Qt::Horizontal, this));
    column->addWidget(m_list, 1);

    connect(&m_state, &BrowserState::activeIndexChanged, this, &PaneColumn::applyActive);
    connect(&m_state, &BrowserState::panesChanged, this, &PaneColumn::applyActive);
    connect(&m_state, &BrowserState::panesChanged, this, &PaneColumn::applyViewMode);
    connect(&m_state, &BrowserState::viewModeChanged, this, &PaneColumn::applyViewMode);
    if (pane) {
        connect(pane, &PaneState::itemsChanged, this, &PaneColumn::applyEmptyState);
        connect(pane, &PaneState::filterTextChanged, this, &PaneColumn::applyEmptyState);
        connect(&pane->demo(), &PaneDemo::itemsChanged, this, &PaneColumn::applyEmptyState);
        connect(&pane->demo(), &PaneDemo::workingChanged, this, &PaneColumn::applyEmptyState);
    }
    applyActive();
    applyViewMode();
}

EmptyStateView *PaneColumn::emptyState() const
{
    return m_empty && !m_empty->isHidden() ? m_empty : nullptr;
}

QAbstractItemView *PaneColumn::content() const
{
    if (m_grid)
        return m_grid;
    return m_list;
}

bool PaneColumn::isActive() const
{
    return m_pane && m_state.panes().indexOf(m_pane.data()) == m_state.activeIndex();
}

void PaneColumn::applyActive()
{
    const bool several = m_state.panes().size() >= 2;
    m_strip->setVisible(several);
    QPalette palette = m_strip->palette();
    palette.setColor(QPalette::Window, isActive() ? Kit::tint(Kit::Tint::accent, this->palette())
                                                  : QColor(Qt::transparent));
    m_strip->setPalette(palette);
    update();
}

// Several panes always show lists; one pane shows the grid in icon mode.
void PaneColumn::applyViewMode()
{
    const bool grid = m_state.panes().size() < 2 && m_state.viewMode() == ViewMode::Icon;
    if (grid && !m_grid) {
        m_grid = new FileIconView(m_state, this);
        m_grid->setObjectName(QStringLiteral("paneGrid"));
        static_cast<QVBoxLayout *>(layout())->addWidget(m_grid, 1);
        m_list->hide();
    } else if (!grid && m_grid) {
        delete m_grid;
        m_grid = nullptr;
        m_list->show();
    }
    applyEmptyState();
}

void PaneColumn::applyEmptyState()
{
    // Before its first listing a pane is not known to be empty.
    const bool empty = m_pane && m_pane->filterText().isEmpty()
                       && ((m_pane->hasListing() && m_pane->items().isEmpty()) || m_pane->demo().active());
    if (empty && !m_empty) {
        m_empty = new EmptyStateView(m_state, m_pane, this);
        static_cast<QVBoxLayout *>(layout())->addWidget(m_empty, 1);
    }
    if (m_empty)
        m_empty->setVisible(empty);
    content()->setVisible(!empty);
}

void PaneColumn::paintEvent(QPaintEvent *)
{
    if (m_state.panes().size() < 2 || !isActive())
        return;
    QPainter painter(this);
    painter.fillRect(rect(), Kit::fill(Kit::Tint::accent, 0.04, palette()));
}

void PaneColumn::mousePressEvent(QMouseEvent *event)
{
    if (m_pane)
        m_state.setActivePane(int(m_state.panes().indexOf(m_pane.data())));
    event->accept();
}
