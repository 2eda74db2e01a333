#include "PaneColumn.h"

#include "BrowserState.h"
#include "PaneItemsModel.h"
#include "PaneNav.h"
#include "PaneState.h"
#include "kit/Style.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QPainter>
#include <QTableView>
#include <QVBoxLayout>

PaneColumn::PaneColumn(BrowserState &state, PaneState *pane, QWidget *parent)
    : QWidget(parent),
      m_state(state),
      m_pane(pane),
      m_nav(new PaneNav(state, pane, this)),
      m_strip(new QWidget(this)),
      m_table(new QTableView(this)),
      m_model(new PaneItemsModel(this))
{
    setObjectName(QStringLiteral("paneColumn"));
    m_strip->setObjectName(QStringLiteral("paneStrip"));
    m_strip->setFixedHeight(2);
    m_strip->setAutoFillBackground(true);
    m_table->setObjectName(QStringLiteral("paneList"));
    m_table->setModel(m_model);
    m_table->setFrameShape(QFrame::NoFrame);
    m_table->setShowGrid(false);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setTextElideMode(Qt::ElideMiddle);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(22);
    m_table->horizontalHeader()->setSectionResizeMode(PaneItemsModel::NameColumn, QHeaderView::Stretch);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Fixed widths from the font: measuring every row would cost a pass over big folders.
    const QFontMetrics metrics = m_table->fontMetrics();
    m_table->horizontalHeader()->resizeSection(PaneItemsModel::DateColumn,
                                               metrics.horizontalAdvance(QStringLiteral("2026-12-31 23:59")) + 24);
    m_table->horizontalHeader()->resizeSection(PaneItemsModel::SizeColumn,
                                               metrics.horizontalAdvance(QStringLiteral("999.9 MB")) + 24);
    m_table->horizontalHeader()->resizeSection(PaneItemsModel::KindColumn,
                                               metrics.horizontalAdvance(QStringLiteral("plain text document")) + 24);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_nav);
    column->addWidget(m_strip);
    column->addWidget(Kit::divider(Qt::Horizontal, this));
    column->addWidget(m_table, 1);

    Kit::retranslate(this, [this] {
        emit m_model->headerDataChanged(Qt::Horizontal, 0, PaneItemsModel::ColumnCount - 1);
    });

    connect(&m_state, &BrowserState::activeIndexChanged, this, &PaneColumn::applyActive);
    connect(&m_state, &BrowserState::panesChanged, this, &PaneColumn::applyActive);
    connect(&m_state, &BrowserState::tagFilterChanged, this, &PaneColumn::reloadItems);
    // A row pressed in the list makes the pane active; empty space leaves it alone.
    connect(m_table, &QTableView::pressed, this, [this] {
        if (m_pane)
            m_state.setActivePane(int(m_state.panes().indexOf(m_pane.data())));
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PaneColumn::takeSelection);
    if (m_pane) {
        connect(m_pane, &PaneState::itemsChanged, this, &PaneColumn::reloadItems);
        connect(m_pane, &PaneState::filterTextChanged, this, &PaneColumn::reloadItems);
        connect(m_pane, &PaneState::selectionChanged, this, &PaneColumn::showSelection);
    }
    reloadItems();
    applyActive();
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

void PaneColumn::reloadItems()
{
    if (!m_pane)
        return;
    m_syncing = true;
    m_model->setItems(m_pane->displayed());
    m_syncing = false;
    showSelection();
}

// The pane's selection shown in the table, rows in one go.
void PaneColumn::showSelection()
{
    if (!m_pane || m_syncing)
        return;
    QItemSelection rows;
    const QList<FileItem> &items = m_model->items();
    const QSet<QString> &selected = m_pane->selection();
    for (int row = 0; row < items.size(); ++row) {
        if (selected.contains(items.at(row).path))
            rows.select(m_model->index(row, 0), m_model->index(row, PaneItemsModel::ColumnCount - 1));
    }
    m_syncing = true;
    m_table->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    m_syncing = false;
}

// The table's selection written to the pane; selected items the filter hides stay selected.
void PaneColumn::takeSelection()
{
    if (!m_pane || m_syncing)
        return;
    QSet<QString> shown;
    for (const FileItem &item : m_model->items())
        shown.insert(item.path);
    QSet<QString> selection;
    for (const QString &path : m_pane->selection()) {
        if (!shown.contains(path))
            selection.insert(path);
    }
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        selection.insert(m_model->items().at(index.row()).path);
    m_syncing = true;
    m_pane->setSelection(selection);
    m_syncing = false;
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
