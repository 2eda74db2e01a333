#include "AIBar.h"

#include "BrowserState.h"
#include "Localization.h"
#include "ModelStatusView.h"
#include "NamingTemplate.h"
#include "PaneState.h"
#include "kit/Icons.h"
#include "kit/Style.h"

#include <QCheckBox>
#include <QBoxLayout>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>

#include <utility>

namespace {

constexpr int progressSteps = 1000;

// A push button with some air around its icon and text (Fusion's fits them edge to edge).
class BarButton : public QPushButton
{
public:
    using QPushButton::QPushButton;
    QSize sizeHint() const override { return QPushButton::sizeHint() + QSize(2 * Kit::Space::small, 0); }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

QPushButton *barButton(const QString &objectName, QWidget *parent, const QString &symbol = {})
{
    auto *button = new BarButton(parent);
    button->setObjectName(objectName);
    if (!symbol.isEmpty())
        Kit::setIcon(button, symbol);
    return button;
}

} // namespace

AIBar::AIBar(BrowserState &state, QWidget *parent)
    : QWidget(parent),
      m_state(state),
      m_status(new ModelStatusView(this)),
      m_datePrefix(new QCheckBox(this)),
      m_organizeFolder(barButton(QStringLiteral("organizeFolder"), this, QStringLiteral("wand.and.stars"))),
      m_organizeSelected(barButton(QStringLiteral("organizeSelected"), this)),
      m_batchRename(barButton(QStringLiteral("batchRename"), this)),
      m_progress(new QProgressBar(this)),
      m_clear(barButton(QStringLiteral("clearSuggestions"), this)),
      m_undo(barButton(QStringLiteral("undoStep"), this, QStringLiteral("arrow.uturn.backward"))),
      m_apply(barButton(QStringLiteral("applyRenames"), this, QStringLiteral("checkmark.circle")))
{
    setObjectName(QStringLiteral("aiBar"));
    // As wide as the window gives (fit() rearranges the rows), as tall as its rows.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_datePrefix->setObjectName(QStringLiteral("datePrefix"));
    m_progress->setObjectName(QStringLiteral("scanProgress"));
    m_progress->setRange(0, progressSteps);
    m_progress->setTextVisible(false);
    m_progress->setFixedWidth(100);

    // The commands that act on proposals sit at the trailing edge; when the bar is too
    // narrow for one row they move to a second one instead of being cut.
    const auto group = [this](const QList<QWidget *> &widgets) {
        auto *box = new QWidget(this);
        auto *row = new QHBoxLayout(box);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(10);
        for (QWidget *widget : widgets)
            row->addWidget(widget);
        return box;
    };
    m_leading = group({m_status, m_datePrefix, m_organizeFolder, m_organizeSelected, m_batchRename, m_progress});
    m_trailing = group({m_clear, m_undo, m_apply});
    m_rows = new QBoxLayout(QBoxLayout::LeftToRight, this);
    m_rows->setContentsMargins(Kit::Space::margin, 7, Kit::Space::margin, 7);
    m_rows->setSpacing(10);
    m_rows->setSizeConstraint(QLayout::SetNoConstraint);
    m_rows->addWidget(m_leading, 0, Qt::AlignLeft);
    m_rows->addStretch(1);
    m_rows->addWidget(m_trailing, 0, Qt::AlignRight);

    Kit::retranslate(this, [this] {
        m_datePrefix->setText(L("日期前缀"));
        m_organizeFolder->setAccessibleName(L("整理本夹"));
        m_batchRename->setText(L("批量改名"));
        m_clear->setText(L("清除建议"));
        m_progress->setAccessibleName(L("整理进度"));
        apply();
    });

    m_status->setOllamaUp(m_state.ollamaUp());
    connect(&m_state, &BrowserState::ollamaUpChanged, this,
            [this] { m_status->setOllamaUp(m_state.ollamaUp()); });
    connect(m_status, &ModelStatusView::recheckRequested, this, [this] { m_state.recheckModel(); });

    // Only the user's click writes the template; showing another window's change does not.
    connect(m_datePrefix, &QCheckBox::clicked, this, &AIBar::setDatePrefix);
    connect(&NamingStore::shared(), &NamingStore::templateChanged, this, &AIBar::showDatePrefix);

    connect(m_organizeFolder, &QPushButton::clicked, this, [this] { m_state.organize(); });
    connect(m_organizeSelected, &QPushButton::clicked, this, &AIBar::organizeSelected);
    connect(m_batchRename, &QPushButton::clicked, this, [this] { m_state.setShowBatchRename(true); });
    connect(m_clear, &QPushButton::clicked, this, [this] { m_state.clearSuggestions(); });
    connect(m_undo, &QPushButton::clicked, this, [this] { m_state.performUndo(); });
    connect(m_apply, &QPushButton::clicked, this, [this] { m_state.applyRenames(); });

    for (auto changed : {&BrowserState::scanningChanged, &BrowserState::progressChanged,
                         &BrowserState::undoStackChanged, &BrowserState::undoNameChanged,
                         &BrowserState::acceptCountChanged, &BrowserState::suggestedCountChanged})
        connect(&m_state, changed, this, &AIBar::scheduleApply);
    connect(&m_state, &BrowserState::activePaneChanged, this, &AIBar::followPane);
    connect(&m_state, &BrowserState::panesChanged, this, &AIBar::followPane);

    showDatePrefix();
    followPane();
    apply();
}

void AIBar::followPane()
{
    delete m_paneLink;
    m_paneLink = new QObject(this);
    // "整理选中" counts the selected files: the selection and the listing (folder or not).
    if (PaneState *pane = m_state.activePaneIfAny()) {
        connect(pane, &PaneState::selectionChanged, m_paneLink, [this] { scheduleApply(); });
        connect(pane, &PaneState::itemsChanged, m_paneLink, [this] { scheduleApply(); });
    }
    scheduleApply();
}

void AIBar::scheduleApply()
{
    if (std::exchange(m_queued, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_queued = false;
        apply();
    });
}

void AIBar::apply()
{
    const bool scanning = m_state.scanning();
    m_organizeFolder->setEnabled(!scanning);

    const PaneState *pane = m_state.activePaneIfAny();
    const qsizetype selectedFiles = pane ? pane->selectedFileURLs().size() : 0;
    m_organizeSelected->setText(L("整理选中(%lld)", qint64(selectedFiles)));
    m_organizeSelected->setVisible(selectedFiles > 0);
    m_organizeSelected->setEnabled(!scanning);

    m_progress->setVisible(scanning);
    m_progress->setValue(qRound(qBound(0.0, m_state.progress(), 1.0) * progressSteps));

    m_clear->setVisible(m_state.suggestedCount() >= 1);

    m_undo->setVisible(!m_state.undoStack().isEmpty());
    // The step's name may come from data: an "&" in it is no mnemonic.
    m_undo->setText(Kit::escapeMnemonic(L("撤销%@", m_state.undoName())));

    const int accepted = m_state.acceptCount();
    m_apply->setText(L("应用改名(%lld)", qint64(accepted)));
    m_apply->setEnabled(accepted != 0);
    fit();
}

void AIBar::fit()
{
    const QMargins margins = m_rows->contentsMargins();
    const int available = width() - margins.left() - margins.right();
    // Widest first: every text shown and one row.
    m_organizeFolder->setText(L("整理本夹"));
    m_organizeFolder->setToolTip({});
    const int trailing = m_trailing->sizeHint().width();
    const bool oneRow = m_leading->sizeHint().width() + m_rows->spacing() + trailing <= available;
    const QBoxLayout::Direction direction = oneRow ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom;
    if (m_rows->direction() != direction) {
        m_rows->setDirection(direction);
        updateGeometry(); // one row or two: another height
    }
    // Still too wide alone: the organise button keeps only its wand (and says it as a tooltip).
    if (!oneRow && m_leading->sizeHint().width() > available) {
        m_organizeFolder->setText({});
        m_organizeFolder->setToolTip(L("整理本夹"));
    }
}

void AIBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fit();
}

void AIBar::showDatePrefix()
{
    const QSignalBlocker blocker(m_datePrefix);
    m_datePrefix->setChecked(NamingStore::shared().currentTemplate().datePosition
                             != NamingTemplate::DatePosition::none);
}

void AIBar::setDatePrefix(bool on)
{
    NamingStore &store = NamingStore::shared();
    NamingTemplate changed = store.currentTemplate();
    // On restores the last position the date had (it may be the suffix), not the prefix.
    changed.datePosition = on ? store.lastDatePosition() : NamingTemplate::DatePosition::none;
    store.setTemplate(changed);
    showDatePrefix();
}

void AIBar::organizeSelected()
{
    // The selection at the moment of the click, not the one the button was counted for.
    m_state.organizeURLs(m_state.activePane()->selectedFileURLs(), false);
}
