#include "EmptyStateView.h"

#include "BrowserState.h"
#include "DemoDropZone.h"
#include "DemoRow.h"
#include "LocalBrain.h"
#include "Localization.h"
#include "PaneDemo.h"
#include "PaneState.h"
#include "ProminentButton.h"
#include "TrustPill.h"
#include "kit/Icons.h"
#include "kit/NamingTierHeader.h"
#include "kit/Style.h"
#include "kit/Widgets.h"
#include "window/BrainStatusFeed.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int columnWidth = 540;
constexpr int outerPadding = 28;
constexpr int iconSize = 38;

QLabel *textLabel(const QString &objectName, Kit::TextRole role, QWidget *parent)
{
    QLabel *label = Kit::plainLabel({}, parent);
    label->setObjectName(objectName);
    Kit::setTextRole(label, role);
    return label;
}

QVBoxLayout *stack(QWidget *page, int spacing)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

EmptyStateView::EmptyStateView(BrowserState &state, PaneState *pane, QWidget *parent)
    : QWidget(parent), m_state(state), m_pane(pane), m_brain(new BrainStatusFeed(this)), m_pages(new QStackedWidget)
{
    setObjectName(QStringLiteral("emptyStateView"));
    m_pages->setObjectName(QStringLiteral("emptyStatePages"));
    m_pages->addWidget(buildTeaser());
    m_pages->addWidget(buildDiff());

    // The column: at most 540 wide, centred, padded 28; in a scroll area that takes the
    // whole pane.
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("emptyStateContent"));
    auto *centred = new QHBoxLayout;
    centred->setContentsMargins(0, 0, 0, 0);
    centred->addStretch(1);
    m_pages->setMaximumWidth(columnWidth);
    m_pages->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    centred->addWidget(m_pages, 100);
    centred->addStretch(1);
    auto *outer = new QVBoxLayout(content);
    outer->setContentsMargins(outerPadding, outerPadding, outerPadding, outerPadding);
    outer->addStretch(1);
    outer->addLayout(centred);
    outer->addStretch(1);

    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("emptyStateScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    bind();
    Kit::retranslate(this, [this] { retranslate(); });
    apply();
}

QWidget *EmptyStateView::buildTeaser()
{
    m_teaser = new QWidget;
    m_teaser->setObjectName(QStringLiteral("demoTeaser"));
    QVBoxLayout *layout = stack(m_teaser, 14);

    auto *wand = new Kit::SymbolView(QStringLiteral("wand.and.stars"), iconSize, m_teaser);
    wand->setObjectName(QStringLiteral("demoWand"));
    wand->setTint(Kit::Tint::purple);
    m_title = textLabel(QStringLiteral("demoTitle"), Kit::TextRole::headline, m_teaser);
    QFont titleFont = m_title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() + 3); // title size, above the headline
    m_title->setFont(titleFont);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setWordWrap(true);
    m_subtitle = textLabel(QStringLiteral("demoSubtitle"), Kit::TextRole::callout, m_teaser);
    Kit::setTextLevel(m_subtitle, Kit::Level::secondary);
    m_subtitle->setAlignment(Qt::AlignCenter);
    m_subtitle->setWordWrap(true);

    auto *trust = new QHBoxLayout;
    trust->setContentsMargins(0, 2, 0, 2);
    trust->setSpacing(8);
    trust->addStretch(1);
    for (const QString &symbol : {QStringLiteral("lock.fill"), QStringLiteral("trash.slash.fill"),
                                  QStringLiteral("arrow.uturn.backward")}) {
        QLabel *text = Kit::plainLabel({});
        m_trustTexts << text;
        trust->addWidget(new TrustPill(symbol, text, m_teaser));
    }
    trust->addStretch(1);

    m_dropZone = new DemoDropZone(m_teaser);

    m_sampleButton = Kit::plainButton(m_teaser);
    m_sampleButton->setObjectName(QStringLiteral("demoSampleButton"));
    m_sampleButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    Kit::setIcon(m_sampleButton, QStringLiteral("sparkles"));
    Kit::setForeground(m_sampleButton, Kit::Tint::accent);
    m_sampleButton->setCursor(Qt::PointingHandCursor);

    m_working = new QWidget(m_teaser);
    m_working->setObjectName(QStringLiteral("demoWorking"));
    auto *working = new QHBoxLayout(m_working);
    working->setContentsMargins(0, 0, 0, 0);
    working->setSpacing(6);
    working->addStretch(1);
    working->addWidget(new Kit::Spinner(12, m_working));
    m_workingText = textLabel(QStringLiteral("demoWorkingText"), Kit::TextRole::caption, m_working);
    Kit::setTextLevel(m_workingText, Kit::Level::secondary);
    working->addWidget(m_workingText);
    working->addStretch(1);

    layout->addWidget(wand, 0, Qt::AlignHCenter);
    layout->addWidget(m_title);
    layout->addWidget(m_subtitle);
    layout->addLayout(trust);
    layout->addWidget(m_dropZone);
    layout->addWidget(m_sampleButton, 0, Qt::AlignHCenter);
    layout->addWidget(m_working);
    return m_teaser;
}

QWidget *EmptyStateView::buildDiff()
{
    m_diff = new QWidget;
    m_diff->setObjectName(QStringLiteral("demoDiff"));
    QVBoxLayout *layout = stack(m_diff, 12);

    m_header = new Kit::NamingTierHeader(m_diff);
    m_rows = new QVBoxLayout;
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(12);

    m_restart = new QPushButton(m_diff);
    m_restart->setObjectName(QStringLiteral("demoRestart"));
    m_apply = new ProminentButton(m_diff);
    m_apply->setObjectName(QStringLiteral("demoApply"));
    m_apply->setIcon(Kit::icon(QStringLiteral("checkmark.circle.fill"), Qt::white));
    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(m_restart);
    buttons->addStretch(1);
    buttons->addWidget(m_apply);

    m_footnote = textLabel(QStringLiteral("demoFootnote"), Kit::TextRole::caption2, m_diff);
    Kit::setTextLevel(m_footnote, Kit::Level::tertiary);
    m_footnote->setWordWrap(true);

    layout->addWidget(m_header);
    layout->addLayout(m_rows);
    layout->addLayout(buttons);
    layout->addWidget(m_footnote);
    return m_diff;
}

void EmptyStateView::bind()
{
    m_brain->setOllamaUp(m_state.ollamaUp());
    connect(&m_state, &BrowserState::ollamaUpChanged, this, [this] { m_brain->setOllamaUp(m_state.ollamaUp()); });
    connect(m_brain, &BrainStatusFeed::changed, this, &EmptyStateView::apply);
    if (!m_pane)
        return;
    PaneDemo *demo = &m_pane->demo();
    connect(demo, &PaneDemo::itemsChanged, this, &EmptyStateView::apply);
    connect(demo, &PaneDemo::workingChanged, this, &EmptyStateView::apply);
    connect(demo, &PaneDemo::generatedWhileBasicChanged, this, &EmptyStateView::apply);

    connect(m_dropZone, &DemoDropZone::dropped, demo, &PaneDemo::load);
    connect(m_sampleButton, &QToolButton::clicked, demo, &PaneDemo::loadNewSamples);
    connect(m_restart, &QPushButton::clicked, demo, &PaneDemo::end);
    connect(m_apply, &QPushButton::clicked, demo, &PaneDemo::apply);
}

void EmptyStateView::apply()
{
    if (!m_pane)
        return;
    const PaneDemo &demo = m_pane->demo();
    const bool diff = !demo.items().isEmpty();
    // The page not shown takes no room, so the scroll area fits the page shown.
    m_teaser->setSizePolicy(QSizePolicy::Preferred, diff ? QSizePolicy::Ignored : QSizePolicy::Preferred);
    m_diff->setSizePolicy(QSizePolicy::Preferred, diff ? QSizePolicy::Preferred : QSizePolicy::Ignored);
    m_pages->setCurrentWidget(diff ? m_diff : m_teaser);
    m_working->setVisible(demo.working());
    if (diff) {
        m_header->setValues(m_brain->current().kind == LocalBrain::Status::Kind::ready,
                            L("AI 读了内容，建议这样命名"), false, demo.generatedWhileBasic());
        applyRows();
        m_apply->setEnabled(demo.anyAccepted());
    }
}

void EmptyStateView::applyRows()
{
    const QList<DemoItem> &items = m_pane->demo().items();
    bool same = m_rowWidgets.size() == items.size();
    for (qsizetype i = 0; same && i < items.size(); ++i)
        same = m_rowWidgets.at(i)->id() == items.at(i).id;
    if (same) {
        for (qsizetype i = 0; i < items.size(); ++i)
            m_rowWidgets.at(i)->setItem(items.at(i));
        return;
    }
    qDeleteAll(m_rowWidgets);
    m_rowWidgets.clear();
    for (const DemoItem &item : items) {
        auto *row = new DemoRow(item, m_diff);
        connect(row, &DemoRow::acceptToggled, &m_pane->demo(), &PaneDemo::setAccept);
        m_rows->addWidget(row);
        m_rowWidgets << row;
    }
}

void EmptyStateView::retranslate()
{
    m_title->setText(L("把杂乱的文件拖进来"));
    m_subtitle->setText(L("Marovel 读文件内容，起个一眼看懂的名字"));
    const QStringList trust{L("纯本地不上云"), L("永不删除"), L("每步可撤销")};
    for (qsizetype i = 0; i < m_trustTexts.size(); ++i)
        m_trustTexts.at(i)->setText(trust.at(i));
    m_dropZone->setText(L("拖文件到这里"));
    m_sampleButton->setText(L("没有顺手的文件？试试示例"));
    Kit::name(m_sampleButton, m_sampleButton->text());
    m_workingText->setText(L("AI 正在读…"));
    m_restart->setText(L("重来"));
    Kit::name(m_restart, m_restart->text());
    m_apply->setText(L("应用（可撤销）"));
    Kit::name(m_apply, m_apply->text());
    m_apply->updateGeometry();
    m_footnote->setText(L("Marovel 只改名、永不删除；改完按 Ctrl+Z 可一键撤销。"));
    m_header->setReadyTitle(L("AI 读了内容，建议这样命名"));
}
