#include "StatusBar.h"

#include "BrowserState.h"
#include "DisplayHelpers.h"
#include "Localization.h"
#include "PaneState.h"
#include "kit/Icons.h"
#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

StatusBar::StatusBar(BrowserState &state, QWidget *parent)
    : QWidget(parent),
      m_state(state),
      m_status(new Kit::ElidingLabel(this)),
      m_tagChip(new QToolButton(this)),
      m_selection(Kit::plainLabel({}, this)),
      m_freeSpace(Kit::plainLabel({}, this))
{
    setObjectName(QStringLiteral("statusBar"));
    m_status->setObjectName(QStringLiteral("statusText"));
    m_tagChip->setObjectName(QStringLiteral("tagChip"));
    m_selection->setObjectName(QStringLiteral("selectionText"));
    m_freeSpace->setObjectName(QStringLiteral("freeSpace"));

    Kit::setTextRole(m_status, Kit::TextRole::caption);
    Kit::setTextLevel(m_status, Kit::Level::secondary);
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_tagChip->setAutoRaise(true);
    m_tagChip->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_tagChip->setIconSize({12, 12});
    Kit::setIcon(m_tagChip, QStringLiteral("xmark.circle.fill"));
    Kit::setTextRole(m_tagChip, Kit::TextRole::caption);
    for (QLabel *label : {m_selection, m_freeSpace}) {
        Kit::setTextRole(label, Kit::TextRole::caption);
        Kit::setTextLevel(label, Kit::Level::tertiary);
    }

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(Kit::Space::margin, 5, Kit::Space::margin, 5);
    row->setSpacing(Kit::Space::wide);
    row->addWidget(m_status, 1);
    row->addWidget(m_tagChip);
    row->addWidget(m_selection);
    row->addWidget(m_freeSpace);

    connect(m_tagChip, &QToolButton::clicked, this, [this] { m_state.setTagFilter(QString()); });
    connect(&m_state, &BrowserState::statusChanged, this, &StatusBar::apply);
    connect(&m_state, &BrowserState::tagFilterChanged, this, &StatusBar::apply);
    connect(&m_state, &BrowserState::selectedSizeTextChanged, this, &StatusBar::apply);
    connect(&m_state, &BrowserState::activePaneChanged, this, &StatusBar::bindPane);
    connect(&m_state, &BrowserState::panesChanged, this, &StatusBar::bindPane);
    Kit::retranslate(this, [this] { apply(); });
    bindPane();
}

// Follows the selection and free space of whichever pane is active now.
void StatusBar::bindPane()
{
    for (const auto &connection : std::as_const(m_paneConnections))
        disconnect(connection);
    m_paneConnections.clear();
    if (PaneState *pane = m_state.activePaneIfAny()) {
        m_paneConnections << connect(pane, &PaneState::selectionChanged, this, &StatusBar::apply)
                          << connect(pane, &PaneState::freeSpaceChanged, this, &StatusBar::apply);
    }
    apply();
}

void StatusBar::apply()
{
    m_status->setText(m_state.status());

    const QString &tag = m_state.tagFilter();
    m_tagChip->setVisible(!tag.isEmpty());
    if (!tag.isEmpty()) {
        const QString text = L("标签:%@", tagDisplay(tag));
        m_tagChip->setText(Kit::escapeMnemonic(text));
        m_tagChip->setAccessibleName(text);
    }

    PaneState *pane = m_state.activePaneIfAny();
    const qsizetype selected = pane ? pane->selection().size() : 0;
    m_selection->setVisible(selected > 0);
    if (selected > 0) {
        const QString size = m_state.selectedSizeText();
        const QString suffix = size.isEmpty() ? QString() : QStringLiteral(" · ") + size;
        m_selection->setText(L("选中 %lld%@", qint64(selected), suffix));
    }

    const QString freeSpace = pane ? pane->freeSpace() : QString();
    m_freeSpace->setVisible(!freeSpace.isEmpty());
    m_freeSpace->setText(freeSpace);
}
