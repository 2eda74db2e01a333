#include "AgentPopover.h"

#include "Defaults.h"
#include "Localization.h"
#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>
#include <utility>

namespace {

const QString agentEnabledKey = QStringLiteral("agentEnabled");

QLabel *textLabel(QWidget *parent, const char *objectName, Kit::TextRole role,
                  Kit::Level level = Kit::Level::primary)
{
    auto *label = Kit::plainLabel(QString(), parent);
    label->setObjectName(QLatin1String(objectName));
    Kit::setTextRole(label, role);
    if (level != Kit::Level::primary)
        Kit::setTextLevel(label, level);
    return label;
}

QPushButton *smallButton(QWidget *parent, const char *objectName)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(objectName));
    Kit::setTextRole(button, Kit::TextRole::caption);
    return button;
}

} // namespace

// One proposal: what was recognised, old name → new name, the error of a failed accept,
// and its two buttons.
class ProposalRow : public Kit::Card
{
public:
    ProposalRow(WatchAgent &agent, const WatchAgent::Item &item, QWidget *parent)
        : Kit::Card(parent), m_agent(agent), m_id(item.id)
    {
        setObjectName(QStringLiteral("proposalRow"));
        setTint(Kit::Tint::gray, 0.06);
        setRadius(9);
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(10, 10, 10, 10);
        column->setSpacing(6);

        auto *found = new QHBoxLayout;
        found->setSpacing(5);
        auto *sparkles = new Kit::SymbolView(QStringLiteral("sparkles"), 10, this);
        sparkles->setTint(Kit::Tint::purple);
        m_recognized = new Kit::ElidingLabel(this);
        m_recognized->setObjectName(QStringLiteral("recognized"));
        Kit::setTextRole(m_recognized, Kit::TextRole::caption);
        Kit::setForeground(m_recognized, Kit::Tint::purple);
        found->addWidget(sparkles);
        found->addWidget(m_recognized, 1);
        column->addLayout(found);

        auto *names = new QHBoxLayout;
        names->setSpacing(5);
        m_oldName = new Kit::ElidingLabel(this);
        m_oldName->setObjectName(QStringLiteral("oldName"));
        m_oldName->setElideMode(Qt::ElideMiddle);
        QFont struck = Kit::font(Kit::TextRole::caption);
        struck.setStrikeOut(true);
        m_oldName->setFont(struck);
        Kit::setTextLevel(m_oldName, Kit::Level::secondary);
        auto *arrow = new Kit::SymbolView(QStringLiteral("arrow.right"), 10, this);
        m_newName = new Kit::ElidingLabel(this);
        m_newName->setObjectName(QStringLiteral("newName"));
        m_newName->setElideMode(Qt::ElideMiddle);
        QFont strong = Kit::font(Kit::TextRole::caption);
        strong.setWeight(QFont::DemiBold);
        m_newName->setFont(strong);
        names->addWidget(m_oldName, 1);
        names->addWidget(arrow);
        names->addWidget(m_newName, 1);
        column->addLayout(names);

        m_errorLine = new QWidget(this);
        auto *error = new QHBoxLayout(m_errorLine);
        error->setContentsMargins(0, 0, 0, 0);
        error->setSpacing(5);
        auto *warning = new Kit::SymbolView(QStringLiteral("exclamationmark.triangle.fill"), 10, m_errorLine);
        warning->setTint(Kit::Tint::red);
        m_error = Kit::plainLabel(QString(), m_errorLine);
        m_error->setObjectName(QStringLiteral("rowError"));
        m_error->setWordWrap(true);
        Kit::setTextRole(m_error, Kit::TextRole::caption2);
        Kit::setForeground(m_error, Kit::Tint::red);
        // At most two lines; the whole text stays in the tooltip.
        m_error->setMaximumHeight(2 * m_error->fontMetrics().lineSpacing() + 1);
        error->addWidget(warning, 0, Qt::AlignTop);
        error->addWidget(m_error, 1);
        column->addWidget(m_errorLine);

        auto *buttons = new QHBoxLayout;
        buttons->setSpacing(8);
        buttons->addStretch(1);
        m_dismiss = smallButton(this, "dismissButton");
        m_accept = smallButton(this, "acceptButton");
        m_accept->setDefault(true);
        buttons->addWidget(m_dismiss);
        buttons->addWidget(m_accept);
        column->addLayout(buttons);

        // The agent is asked by id, so a click acts on the proposal as it stands now.
        connect(m_dismiss, &QPushButton::clicked, this, [this] {
            if (const WatchAgent::Item *item = current())
                m_agent.dismiss(*item);
        });
        connect(m_accept, &QPushButton::clicked, this, [this] {
            if (const WatchAgent::Item *item = current())
                m_agent.accept(*item);
        });
        apply(item);
    }

    void apply(const WatchAgent::Item &item)
    {
        m_recognized->setText(item.recognized);
        m_oldName->setText(item.oldName);
        m_newName->setText(item.newName);
        m_errorLine->setVisible(item.lastError.has_value());
        m_error->setText(item.lastError.value_or(QString()));
        m_error->setToolTip(item.lastError.value_or(QString()));
        m_dismiss->setText(L("忽略"));
        m_accept->setText(item.lastError ? L("重试") : L("采用"));
    }

private:
    const WatchAgent::Item *current() const
    {
        for (const WatchAgent::Item &item : m_agent.pending()) {
            if (item.id == m_id)
                return &item;
        }
        return nullptr;
    }

    WatchAgent &m_agent;
    QUuid m_id;
    Kit::ElidingLabel *m_recognized;
    Kit::ElidingLabel *m_oldName;
    Kit::ElidingLabel *m_newName;
    QWidget *m_errorLine;
    QLabel *m_error;
    QPushButton *m_dismiss;
    QPushButton *m_accept;
};

AgentPopover::AgentPopover(WatchAgent &agent, QWidget *parent) : QFrame(parent), m_agent(agent)
{
    setObjectName(QStringLiteral("agentPopover"));
    build();
    bind();
    Kit::retranslate(this, [this] { retranslate(); });
}

void AgentPopover::build()
{
    setFixedWidth(fixedWidth);
    setMaximumHeight(maxHeight);
    setAutoFillBackground(true);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(14, 11, 14, 11);
    header->setSpacing(7);
    auto *wand = new Kit::SymbolView(QStringLiteral("wand.and.stars"), 16, this);
    wand->setTint(Kit::Tint::purple);
    m_title = textLabel(this, "agentTitle", Kit::TextRole::headline);
    m_switch = new QCheckBox(this);
    m_switch->setObjectName(QStringLiteral("agentSwitch"));
    header->addWidget(wand);
    header->addWidget(m_title);
    header->addStretch(1);
    header->addWidget(m_switch);
    column->addLayout(header);
    column->addWidget(Kit::divider(Qt::Horizontal, this));

    // Off.
    m_disabledPage = new QWidget(this);
    m_disabledPage->setObjectName(QStringLiteral("disabledPage"));
    auto *off = new QVBoxLayout(m_disabledPage);
    off->setContentsMargins(22, 22, 22, 22);
    off->setSpacing(11);
    auto *eye = new Kit::SymbolView(QStringLiteral("eye.slash"), 30, m_disabledPage);
    Kit::setTextLevel(eye, Kit::Level::tertiary);
    m_disabledTitle = textLabel(m_disabledPage, "disabledTitle", Kit::TextRole::callout);
    QFont bold = m_disabledTitle->font();
    bold.setBold(true);
    m_disabledTitle->setFont(bold);
    m_disabledText = textLabel(m_disabledPage, "disabledText", Kit::TextRole::caption, Kit::Level::secondary);
    m_disabledText->setWordWrap(true);
    m_disabledPromise = textLabel(m_disabledPage, "disabledPromise", Kit::TextRole::caption2, Kit::Level::tertiary);
    m_enable = new QPushButton(m_disabledPage);
    m_enable->setObjectName(QStringLiteral("enableButton"));
    m_enable->setDefault(true);
    for (QWidget *widget : {static_cast<QWidget *>(eye), static_cast<QWidget *>(m_disabledTitle),
                            static_cast<QWidget *>(m_disabledText), static_cast<QWidget *>(m_disabledPromise),
                            static_cast<QWidget *>(m_enable)})
        off->addWidget(widget, 0, Qt::AlignHCenter);
    m_disabledText->setAlignment(Qt::AlignHCenter);
    column->addWidget(m_disabledPage);

    // On, nothing to propose.
    m_idlePage = new QWidget(this);
    m_idlePage->setObjectName(QStringLiteral("idlePage"));
    auto *idle = new QVBoxLayout(m_idlePage);
    idle->setContentsMargins(24, 24, 24, 24);
    idle->setSpacing(8);
    auto *check = new Kit::SymbolView(QStringLiteral("checkmark.circle.fill"), 26, m_idlePage);
    check->setTint(Kit::Tint::green);
    m_watching = textLabel(m_idlePage, "watchingLabel", Kit::TextRole::callout);
    m_watching->setWordWrap(true);
    m_watching->setAlignment(Qt::AlignHCenter);
    m_idleNote = textLabel(m_idlePage, "idleNote", Kit::TextRole::caption, Kit::Level::secondary);
    m_idleNote->setWordWrap(true);
    m_idleNote->setAlignment(Qt::AlignHCenter);
    idle->addWidget(check, 0, Qt::AlignHCenter);
    idle->addWidget(m_watching);
    idle->addWidget(m_idleNote);
    column->addWidget(m_idlePage);

    // The proposals: a header row that stays, and the rows scrolling below it.
    m_listPage = new QWidget(this);
    m_listPage->setObjectName(QStringLiteral("listPage"));
    auto *list = new QVBoxLayout(m_listPage);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(0);
    auto *listHeader = new QHBoxLayout;
    listHeader->setContentsMargins(14, 8, 14, 8);
    m_count = textLabel(m_listPage, "pendingCount", Kit::TextRole::caption, Kit::Level::secondary);
    m_acceptAll = smallButton(m_listPage, "acceptAllButton");
    listHeader->addWidget(m_count);
    listHeader->addStretch(1);
    listHeader->addWidget(m_acceptAll);
    list->addLayout(listHeader);
    m_scroll = new QScrollArea(m_listPage);
    m_scroll->setObjectName(QStringLiteral("proposalList"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setMaximumHeight(maxListHeight);
    m_rowsHost = new QWidget(m_scroll);
    m_rows = new QVBoxLayout(m_rowsHost);
    m_rows->setContentsMargins(12, 0, 12, 12);
    m_rows->setSpacing(8);
    m_rows->addStretch(1);
    m_scroll->setWidget(m_rowsHost);
    list->addWidget(m_scroll);
    column->addWidget(m_listPage);
}

void AgentPopover::bind()
{
    connect(m_switch, &QCheckBox::toggled, this, [this](bool on) { setAgentEnabled(on); });
    connect(m_enable, &QPushButton::clicked, this, [this] { setAgentEnabled(true); });
    connect(m_acceptAll, &QPushButton::clicked, this, [this] { acceptAll(); });
    connect(&m_agent, &WatchAgent::pendingChanged, this, [this] { scheduleApply(); });
    connect(&m_agent, &WatchAgent::itemChanged, this, [this] { scheduleApply(); });
    connect(&m_agent, &WatchAgent::watchedFoldersChanged, this, [this] { scheduleApply(); });
    connect(&Defaults::shared(), &Defaults::changed, this, [this](const QString &key) {
        if (key == agentEnabledKey)
            scheduleApply();
    });
}

void AgentPopover::retranslate()
{
    m_title->setText(L("后台盯梢"));
    Kit::name(m_switch, L("后台盯梢"));
    m_disabledTitle->setText(L("放着不用管，它在后台盯着"));
    m_disabledText->setText(
        L("开启后，Marovel 盯着 Downloads、Desktop——文件一落地就在本地读内容、备好命名方案，你回头一眼确认即可。"));
    m_disabledPromise->setText(L("全本地 · 永不自动改名 · 永不删除"));
    m_enable->setText(L("开启盯梢"));
    m_idleNote->setText(L("有新文件落地、且能认出，建议就出现在这里。"));
    m_acceptAll->setText(L("全部采用"));
    apply();
}

void AgentPopover::scheduleApply()
{
    if (std::exchange(m_applyQueued, true))
        return;
    // Coalesces bursts, and never deletes a row while its own button is still being clicked.
    QTimer::singleShot(0, this, [this] {
        m_applyQueued = false;
        apply();
    });
}

void AgentPopover::apply()
{
    const bool enabled = Defaults::shared().boolValue(agentEnabledKey, false);
    {
        const QSignalBlocker quiet(m_switch);
        m_switch->setChecked(enabled);
    }
    const QList<WatchAgent::Item> &pending = m_agent.pending();
    m_branch = !enabled ? Branch::disabled : pending.isEmpty() ? Branch::idle : Branch::list;
    m_disabledPage->setVisible(m_branch == Branch::disabled);
    m_idlePage->setVisible(m_branch == Branch::idle);
    m_listPage->setVisible(m_branch == Branch::list);

    if (m_branch == Branch::idle) {
        QStringList names;
        for (const QString &folder : m_agent.watchedFolders())
            names << QFileInfo(folder).fileName();
        m_watching->setText(L("正盯着 %@", names.join(QStringLiteral(" · "))));
        m_watching->setVisible(!names.isEmpty());
    }
    if (m_branch == Branch::list) {
        m_count->setText(L("%lld 个待确认", qint64(pending.size())));
        applyRows();
    }
    if (isWindow())
        adjustSize();
}

void AgentPopover::applyRows()
{
    const QList<WatchAgent::Item> &pending = m_agent.pending();
    QHash<QUuid, ProposalRow *> kept;
    for (int index = 0; index < pending.size(); ++index) {
        const WatchAgent::Item &item = pending[index];
        ProposalRow *row = m_rowById.take(item.id);
        if (row) {
            row->apply(item);
            m_rows->removeWidget(row); // put back in its place below
        } else {
            row = new ProposalRow(m_agent, item, m_rowsHost);
        }
        m_rows->insertWidget(index, row);
        kept.insert(item.id, row);
    }
    for (ProposalRow *gone : std::as_const(m_rowById)) {
        gone->hide();
        gone->deleteLater();
    }
    m_rowById = kept;
    // The list is as tall as its rows, up to its limit; beyond that it scrolls.
    // The header, the divider and the list's header row take their part of the limit.
    layout()->invalidate();
    const int chrome = layout()->sizeHint().height() - m_scroll->sizeHint().height() + 2 * frameWidth();
    m_rowsHost->adjustSize();
    m_scroll->setFixedHeight(
        std::min({maxListHeight, maxHeight - chrome, m_rows->sizeHint().height()}));
}

void AgentPopover::setAgentEnabled(bool on)
{
    // Stored first, so everything that follows the setting agrees before the agent moves.
    Defaults::shared().setValue(agentEnabledKey, on);
    if (on)
        m_agent.start();
    else
        m_agent.stop();
    scheduleApply();
}

void AgentPopover::acceptAll()
{
    const QList<WatchAgent::Item> snapshot = m_agent.pending();
    for (const WatchAgent::Item &item : snapshot)
        m_agent.accept(item);
}

void AgentPopover::makeWindow()
{
    m_closesOnDeactivate = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    setWindowFlags(m_closesOnDeactivate ? (Qt::Tool | Qt::FramelessWindowHint)
                                        : (Qt::Popup | Qt::FramelessWindowHint));
    setFrameShape(QFrame::StyledPanel);
    adjustSize();
}

qint64 AgentPopover::msSinceHidden() const
{
    return m_hidden.isValid() ? m_hidden.elapsed() : std::numeric_limits<qint64>::max();
}

bool AgentPopover::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::WindowDeactivate:
        if (m_closesOnDeactivate)
            hide();
        break;
    case QEvent::Hide:
        m_hidden.start();
        break;
    case QEvent::Show:
        apply(); // the folders may have come or gone meanwhile
        break;
    default:
        break;
    }
    return QFrame::event(event);
}

void AgentPopover::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && isWindow()) {
        hide();
        return;
    }
    QFrame::keyPressEvent(event);
}
