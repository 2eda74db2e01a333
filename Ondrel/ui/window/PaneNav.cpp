#include "PaneNav.h"

#include "BrowserState.h"
#include "Crumbs.h"
#include "Localization.h"
#include "PaneState.h"
#include "kit/Icons.h"
#include "kit/Style.h"
#include "kit/Widgets.h"
#include "list/DropUrls.h"

#include <QDropEvent>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

PaneNav::PaneNav(BrowserState &state, PaneState *pane, QWidget *parent)
    : QWidget(parent),
      m_state(state),
      m_pane(pane),
      m_back(Kit::iconButton(QStringLiteral("chevron.left"), this)),
      m_forward(Kit::iconButton(QStringLiteral("chevron.right"), this)),
      m_up(Kit::iconButton(QStringLiteral("chevron.up"), this)),
      m_refresh(Kit::iconButton(QStringLiteral("arrow.clockwise"), this)),
      m_crumbArea(new QScrollArea(this)),
      m_crumbRow(new QWidget),
      m_crumbLayout(new QHBoxLayout(m_crumbRow))
{
    setObjectName(QStringLiteral("paneNav"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_back->setObjectName(QStringLiteral("navBack"));
    m_forward->setObjectName(QStringLiteral("navForward"));
    m_up->setObjectName(QStringLiteral("navUp"));
    m_refresh->setObjectName(QStringLiteral("navRefresh"));
    m_crumbArea->setObjectName(QStringLiteral("crumbArea"));

    m_crumbLayout->setContentsMargins(0, 0, 0, 0);
    m_crumbLayout->setSpacing(Kit::Space::hairline);
    m_crumbArea->setWidget(m_crumbRow);
    m_crumbArea->setWidgetResizable(true);
    m_crumbArea->setFrameShape(QFrame::NoFrame);
    m_crumbArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_crumbArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_crumbArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_crumbArea->viewport()->setAutoFillBackground(false);
    m_crumbRow->setAutoFillBackground(false);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(Kit::Space::normal, 5, Kit::Space::normal, 5);
    row->setSpacing(Kit::Space::small);
    row->addWidget(m_back);
    row->addWidget(m_forward);
    row->addWidget(m_up);
    row->addWidget(m_refresh);
    auto *line = Kit::divider(Qt::Vertical, this);
    line->setFixedHeight(14);
    row->addWidget(line);
    row->addWidget(m_crumbArea, 1);

    Kit::retranslate(this, [this] {
        Kit::name(m_back, L("后退"));
        Kit::name(m_forward, L("前进"));
        Kit::name(m_up, L("上一级"));
        Kit::name(m_refresh, L("刷新"));
        rebuildCrumbs();
    });

    connect(m_back, &QToolButton::clicked, this, [this] {
        activate();
        if (m_pane)
            m_pane->goBack();
    });
    connect(m_forward, &QToolButton::clicked, this, [this] {
        activate();
        if (m_pane)
            m_pane->goForward();
    });
    connect(m_up, &QToolButton::clicked, this, [this] {
        activate();
        if (m_pane)
            m_pane->goUp();
    });
    connect(m_refresh, &QToolButton::clicked, this, [this] {
        if (m_pane)
            m_pane->rebuild(true);
    });
    // The row grows after the layout ran; follow it to the last crumb.
    connect(m_crumbArea->horizontalScrollBar(), &QScrollBar::rangeChanged, this,
            &PaneNav::scrollToEnd);

    if (m_pane) {
        connect(m_pane, &PaneState::backChanged, this, &PaneNav::updateButtons);
        connect(m_pane, &PaneState::forwardChanged, this, &PaneNav::updateButtons);
        connect(m_pane, &PaneState::currentChanged, this, [this] {
            updateButtons();
            rebuildCrumbs();
        });
    }
    updateButtons();
}

void PaneNav::activate()
{
    if (m_pane)
        m_state.setActivePane(int(m_state.panes().indexOf(m_pane.data())));
}

void PaneNav::updateButtons()
{
    const bool live = !m_pane.isNull();
    m_back->setEnabled(live && !m_pane->back().isEmpty());
    m_forward->setEnabled(live && !m_pane->forward().isEmpty());
    m_up->setEnabled(live && m_pane->current() != QStringLiteral("/"));
    m_refresh->setEnabled(live);
}

void PaneNav::rebuildCrumbs()
{
    while (QLayoutItem *item = m_crumbLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (!m_pane)
        return;
    const QList<Crumb> crumbs = crumbList(m_pane->current());
    for (qsizetype i = 0; i < crumbs.size(); ++i) {
        const Crumb &crumb = crumbs.at(i);
        auto *button = Kit::plainButton(m_crumbRow);
        button->setObjectName(QStringLiteral("crumb"));
        button->setText(Kit::escapeMnemonic(crumb.name));
        button->setAccessibleName(crumb.name);
        button->setProperty("path", crumb.path);
        button->setAcceptDrops(true);
        button->installEventFilter(this);
        Kit::setTextRole(button, Kit::TextRole::callout);
        connect(button, &QToolButton::clicked, this, [this, path = crumb.path] {
            activate();
            // The pane's own folder is listed again without touching the history.
            if (m_pane)
                m_pane->go(path, true);
        });
        m_crumbLayout->addWidget(button);
        if (i + 1 < crumbs.size()) {
            auto *chevron = new Kit::SymbolView(QStringLiteral("chevron.compact.right"), 10, m_crumbRow);
            chevron->setObjectName(QStringLiteral("crumbSeparator"));
            m_crumbLayout->addWidget(chevron);
        }
    }
    m_crumbLayout->addStretch(1);
    m_crumbArea->setFixedHeight(m_crumbRow->sizeHint().height());
    QTimer::singleShot(0, this, &PaneNav::scrollToEnd);
}

void PaneNav::scrollToEnd()
{
    QScrollBar *bar = m_crumbArea->horizontalScrollBar();
    bar->setValue(bar->maximum());
}

// Every crumb takes local files dropped on it and moves them into its folder.
bool PaneNav::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QWidget::eventFilter(watched, event);
    auto *drop = static_cast<QDropEvent *>(event);
    const QStringList paths = DropUrls::localPaths(drop->mimeData());
    if (paths.isEmpty()) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::MoveAction);
    drop->accept();
    if (type == QEvent::Drop) {
        activate();
        m_state.dropInto(watched->property("path").toString(), paths);
    }
    return true;
}
