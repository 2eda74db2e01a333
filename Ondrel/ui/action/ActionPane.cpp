#include "ActionPane.h"

#include "ActionPaneModel.h"
#include "Localization.h"
#include "ModelDownload.h"
#include "MultiSelectionView.h"
#include "SingleItemView.h"
#include "kit/Widgets.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr int multiMargin = 16;
constexpr int hintSpacing = 10;
constexpr int hintSymbol = 32;
constexpr int hintMargin = 20;

// A vertical scroll area over the window's colour, without frame or horizontal bar.
QScrollArea *scrollArea(const QString &name, QWidget *content)
{
    auto *area = new QScrollArea;
    area->setObjectName(name);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area->setWidgetResizable(true);
    area->viewport()->setBackgroundRole(QPalette::Window);
    area->setWidget(content);
    content->setAutoFillBackground(false);
    return area;
}

} // namespace

ActionPane::ActionPane(BrowserState &state, QWidget *parent) : ActionPane(state, nullptr, parent) {}

ActionPane::ActionPane(BrowserState &state, ModelDownload *download, QWidget *parent)
    : QWidget(parent),
      m_model(new ActionPaneModel(state, this)),
      m_pages(new QStackedWidget(this)),
      m_hint(new QWidget),
      m_hintTitle(Kit::plainLabel({}, m_hint)),
      m_hintDetail(Kit::plainLabel({}, m_hint)),
      m_single(new SingleItemView(*m_model, download ? *download : ModelDownload::shared())),
      m_multi(new MultiSelectionView(*m_model))
{
    setObjectName(QStringLiteral("actionPane"));

    // Nothing to act on: a hint in the middle of the column.
    m_hint->setObjectName(QStringLiteral("actionHint"));
    m_hintTitle->setObjectName(QStringLiteral("actionHintTitle"));
    m_hintDetail->setObjectName(QStringLiteral("actionHintDetail"));
    auto *symbol = new Kit::SymbolView(QStringLiteral("hand.tap"), hintSymbol, m_hint);
    Kit::setTextLevel(symbol, Kit::Level::tertiary);
    Kit::setTextLevel(m_hintTitle, Kit::Level::secondary);
    Kit::setTextRole(m_hintDetail, Kit::TextRole::caption);
    Kit::setTextLevel(m_hintDetail, Kit::Level::tertiary);
    for (QLabel *label : {m_hintTitle, m_hintDetail}) {
        label->setAlignment(Qt::AlignHCenter);
        label->setWordWrap(true);
    }
    auto *hint = new QVBoxLayout(m_hint);
    hint->setContentsMargins(hintMargin, hintMargin, hintMargin, hintMargin);
    hint->setSpacing(hintSpacing);
    hint->addStretch(1);
    hint->addWidget(symbol, 0, Qt::AlignHCenter);
    hint->addWidget(m_hintTitle);
    hint->addWidget(m_hintDetail);
    hint->addStretch(1);

    m_singleScroll = scrollArea(QStringLiteral("singleScroll"), m_single);

    // The multi-selection content, padded once.
    auto *multiFrame = new QWidget;
    multiFrame->setObjectName(QStringLiteral("multiFrame"));
    auto *multi = new QVBoxLayout(multiFrame);
    multi->setContentsMargins(multiMargin, multiMargin, multiMargin, multiMargin);
    multi->addWidget(m_multi);
    multi->addStretch(1);
    m_multiScroll = scrollArea(QStringLiteral("multiScroll"), multiFrame);

    m_pages->addWidget(m_hint);
    m_pages->addWidget(m_singleScroll);
    m_pages->addWidget(m_multiScroll);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);

    connect(m_model, &ActionPaneModel::selectionStateChanged, this, &ActionPane::scheduleApply);
    Kit::retranslate(this, [this] { retranslate(); });
    apply();
}

ActionPane::Page ActionPane::page() const
{
    if (m_pages->currentWidget() == m_singleScroll)
        return Page::single;
    if (m_pages->currentWidget() == m_multiScroll)
        return Page::multi;
    return Page::hint;
}

void ActionPane::retranslate()
{
    m_hintTitle->setText(L("选中文件，下一步动作就在这里"));
    m_hintDetail->setText(L("不用再去翻右键菜单"));
}

void ActionPane::scheduleApply()
{
    if (std::exchange(m_queued, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_queued = false;
        apply();
    });
}

void ActionPane::apply()
{
    const int count = m_model->selectionCount();
    if (count >= 2) {
        m_multi->setValues(m_model->selectedURLs(), m_model->selectedTotal(), m_model->selectedFileURLs());
        m_pages->setCurrentWidget(m_multiScroll);
        return;
    }
    if (count == 1) {
        if (const std::optional<FileItem> item = m_model->item()) {
            // Another item starts at the top; the same one keeps its scroll position.
            if (item->path != m_single->item().path)
                m_singleScroll->verticalScrollBar()->setValue(0);
            m_single->setItem(*item);
            m_pages->setCurrentWidget(m_singleScroll);
            return;
        }
    }
    m_pages->setCurrentWidget(m_hint);
}
