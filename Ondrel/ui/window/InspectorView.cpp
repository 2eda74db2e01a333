#include "InspectorView.h"

#include "BrowserState.h"
#include "DisplayHelpers.h"
#include "GetInfo.h"
#include "Localization.h"
#include "PaneState.h"
#include "kit/Style.h"
#include "kit/Widgets.h"

#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

// A centred column: a large symbol above the given labels.
QWidget *page(const QString &symbol, int size, Kit::Level level, int spacing,
              const QList<QLabel *> &labels)
{
    auto *box = new QWidget;
    auto *column = new QVBoxLayout(box);
    column->setSpacing(spacing);
    column->addStretch(1);
    auto *image = new Kit::SymbolView(symbol, size, box);
    Kit::setTextLevel(image, level);
    column->addWidget(image, 0, Qt::AlignHCenter);
    for (QLabel *label : labels) {
        label->setParent(box);
        label->setAlignment(Qt::AlignHCenter);
        column->addWidget(label, 0, Qt::AlignHCenter);
    }
    column->addStretch(1);
    return box;
}

} // namespace

InspectorView::InspectorView(BrowserState &state, QWidget *parent)
    : QWidget(parent),
      m_state(state),
      m_pages(new QStackedWidget(this)),
      m_emptyText(Kit::plainLabel({})),
      m_count(Kit::plainLabel({})),
      m_total(Kit::plainLabel({}))
{
    setObjectName(QStringLiteral("inspector"));
    m_emptyText->setObjectName(QStringLiteral("inspectorHint"));
    m_count->setObjectName(QStringLiteral("inspectorCount"));
    m_total->setObjectName(QStringLiteral("inspectorTotal"));
    Kit::setTextLevel(m_emptyText, Kit::Level::secondary);
    Kit::setTextRole(m_count, Kit::TextRole::headline);
    Kit::setTextLevel(m_total, Kit::Level::secondary);

    m_empty = page(QStringLiteral("info.circle"), 30, Kit::Level::tertiary, 10, {m_emptyText});
    m_empty->setObjectName(QStringLiteral("inspectorEmpty"));
    m_multi = page(QStringLiteral("square.stack.3d.up"), 34, Kit::Level::secondary, 12, {m_count, m_total});
    m_multi->setObjectName(QStringLiteral("inspectorMulti"));
    m_info = new GetInfo(state);
    m_pages->addWidget(m_empty);
    m_pages->addWidget(m_multi);
    m_pages->addWidget(m_info);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);

    connect(&m_state, &BrowserState::activePaneChanged, this, &InspectorView::bindPane);
    connect(&m_state, &BrowserState::panesChanged, this, &InspectorView::bindPane);
    Kit::retranslate(this, [this] { apply(); });
    bindPane();
}

void InspectorView::bindPane()
{
    for (const auto &connection : std::as_const(m_paneConnections))
        disconnect(connection);
    m_paneConnections.clear();
    if (PaneState *pane = m_state.activePaneIfAny()) {
        m_paneConnections << connect(pane, &PaneState::selectionChanged, this, &InspectorView::apply)
                          << connect(pane, &PaneState::itemsChanged, this, &InspectorView::apply);
    }
    apply();
}

void InspectorView::apply()
{
    m_emptyText->setText(L("选中项目查看信息"));
    PaneState *pane = m_state.activePaneIfAny();
    const qsizetype selected = pane ? pane->selection().size() : 0;
    if (selected != 1)
        m_info->setItem({}, false); // coming back reads the item afresh
    if (selected == 0) {
        m_pages->setCurrentWidget(m_empty);
        return;
    }
    if (selected == 1) {
        const QString path = *pane->selection().cbegin();
        const QList<FileItem> listed = pane->selectedItems();
        m_info->setItem(path, !listed.isEmpty() && listed.first().isDir);
        m_pages->setCurrentWidget(m_info);
        return;
    }
    // Counted from the listed items: a selected file removed meanwhile is not counted.
    const QList<FileItem> items = pane->selectedItems();
    qint64 total = 0;
    for (const FileItem &item : items)
        total += item.size;
    m_count->setText(L("%lld 个项目", qint64(items.size())));
    m_total->setText(L("共 %@", sizeStr(total)));
    m_pages->setCurrentWidget(m_multi);
}
