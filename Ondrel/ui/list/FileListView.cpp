#include "FileListView.h"

#include "BrowserState.h"
#include "DropUrls.h"
#include "FileListModel.h"
#include "Localization.h"
#include "Opener.h"
#include "PaneState.h"
#include "SelectionLink.h"
#include "preview/QuickLook.h"
#include "kit/Style.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>

namespace {

constexpr int listRowHeight = 22;

struct ColumnWidth
{
    int width;
    int minimum;
};
// Name, suggestion, size, kind, date.
constexpr ColumnWidth columnWidths[FileListModel::ColumnCount] = {
    {300, 150}, {240, 120}, {78, 56}, {150, 64}, {140, 100}};

bool isCopyPathKey(const QKeyEvent *event)
{
    return event->key() == Qt::Key_C
        && (event->modifiers() & ~Qt::KeypadModifier) == (Qt::ControlModifier | Qt::AltModifier);
}

bool isCopyKey(const QKeyEvent *event)
{
    return event->key() == Qt::Key_C && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

bool isRenameKey(const QKeyEvent *event)
{
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    return mods == Qt::NoModifier
        && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_F2);
}

} // namespace

FileListView::FileListView(BrowserState &state, PaneState *pane, QWidget *parent)
    : InlineRenameView(state, parent), m_state(state), m_model(new FileListModel(state, this))
{
    setObjectName(QStringLiteral("fileList"));
    setModel(m_model);
    setFrameShape(QFrame::NoFrame);
    setShowGrid(false);
    setAlternatingRowColors(true);
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(SelectedClicked);
    setTextElideMode(Qt::ElideMiddle);
    setWordWrap(false);
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
    setIconSize(QSize(16, 16));
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(DragDrop);
    // A move drag would otherwise clear the dragged cells (see FileListModel::setData).
    setDragDropOverwriteMode(false);
    setDropIndicatorShown(false);

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(listRowHeight);
    verticalHeader()->setDefaultSectionSize(listRowHeight);
    QHeaderView *header = horizontalHeader();
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setStretchLastSection(true);
    header->setSectionResizeMode(QHeaderView::Interactive);
    for (int column = 0; column < FileListModel::ColumnCount; ++column)
        header->resizeSection(column, columnWidths[column].width);
    header->setMinimumSectionSize(columnWidths[FileListModel::SizeColumn].minimum);

    m_model->setPane(pane);
    m_selection = new SelectionLink(this, m_model, [this] { activate(); });
    bind();
    afterUpdate();
    Kit::retranslate(this, [this] {
        setAccessibleName(L("文件列表"));
        emit m_model->headerDataChanged(Qt::Horizontal, 0, FileListModel::ColumnCount - 1);
        viewport()->update();
    });
}

PaneState *FileListView::pane() const
{
    return m_model->pane();
}

void FileListView::bind()
{
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, &FileListView::rememberTopRow);
    connect(m_model, &QAbstractItemModel::modelReset, this, &FileListView::afterReset);
    connect(m_model, &FileListModel::updated, this, &FileListView::afterUpdate);
    connect(this, &QAbstractItemView::doubleClicked, this, &FileListView::open);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &FileListView::sortBy);
    connect(&m_state, &BrowserState::editingRenameChanged, this, &FileListView::openRenameEditor);
    if (PaneState *p = pane()) {
        connect(p, &PaneState::sortKeyChanged, this, &FileListView::showSortIndicator);
        connect(p, &PaneState::sortAscChanged, this, &FileListView::showSortIndicator);
    }
}

// The pane whose list the user touched becomes the window's active pane.
void FileListView::activate()
{
    const int index = std::max(0, m_state.indexOf(pane()));
    if (m_state.activeIndex() != index)
        m_state.setActivePane(index);
}

void FileListView::open(const QModelIndex &index)
{
    if (!index.isValid() || index.row() >= m_model->items().size() || !pane())
        return;
    activate();
    const FileItem item = m_model->items().at(index.row());
    if (item.isDir)
        pane()->go(item.path, true);
    else
        Opener::open(item.path);
}

// A click on a header sorts by its column: a column clicked again turns the direction,
// another column starts with its own (the date newest first, the rest ascending). The
// suggestion column sorts by name.
void FileListView::sortBy(int column)
{
    PaneState *p = pane();
    if (!p)
        return;
    const SortKey key = FileListModel::sortKeyOf(column);
    const bool ascending = column == m_sortColumn ? !p->sortAsc() : key != SortKey::Date;
    m_sortColumn = column;
    if (p->sortKey() != key)
        p->setSort(key); // a new key starts in the direction chosen above
    else if (p->sortAsc() != ascending)
        p->setSort(key); // the same key turns round
    showSortIndicator();
}

void FileListView::showSortIndicator()
{
    const PaneState *p = pane();
    if (!p)
        return;
    int column = m_sortColumn;
    if (column < 0 || FileListModel::sortKeyOf(column) != p->sortKey()) {
        switch (p->sortKey()) {
        case SortKey::Size:
            column = FileListModel::SizeColumn;
            break;
        case SortKey::Kind:
            column = FileListModel::KindColumn;
            break;
        case SortKey::Date:
            column = FileListModel::DateColumn;
            break;
        case SortKey::Name:
            column = FileListModel::NameColumn;
            break;
        }
    }
    m_sortColumn = column; // a click on the column shown as sorted turns the direction
    QSignalBlocker quiet(horizontalHeader());
    horizontalHeader()->setSortIndicator(column, p->sortAsc() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void FileListView::rememberTopRow()
{
    const int top = rowAt(0);
    if (top >= 0 && top < m_model->items().size()) {
        m_topPath = m_model->items().at(top).path;
        m_topOffset = -rowViewportPosition(top); // how far the top row is scrolled out
    } else {
        m_topPath.clear();
        m_topOffset = 0;
    }
}

// A new listing keeps the scroll position on the row that was on top, and the selection.
void FileListView::afterReset()
{
    updateGeometries();
    const int row = m_topPath.isEmpty() ? -1 : m_model->rowOf(m_topPath);
    if (row >= 0)
        verticalScrollBar()->setValue(row * listRowHeight + m_topOffset);
    m_topPath.clear();
    m_selection->toView();
}

void FileListView::afterUpdate()
{
    setColumnHidden(FileListModel::SuggestionColumn, !m_model->hasSuggestions());
    showSortIndicator();
    openRenameEditor();
}

QStringList FileListView::selectedPaths() const
{
    QList<int> rows;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows << row;
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QStringList paths;
    for (int row : rows) {
        if (row < m_model->items().size())
            paths << m_model->items().at(row).path;
    }
    return paths;
}

void FileListView::renameCurrent()
{
    int row = currentIndex().row();
    if (row < 0 || !selectionModel()->isRowSelected(row)) {
        const QModelIndexList selected = selectionModel()->selectedRows();
        row = selected.isEmpty() ? -1 : selected.first().row();
        for (const QModelIndex &index : selected)
            row = std::min(row, index.row());
    }
    if (row < 0)
        return;
    const QModelIndex name = m_model->index(row, FileListModel::NameColumn);
    selectionModel()->setCurrentIndex(name, QItemSelectionModel::NoUpdate);
    edit(name);
}

void FileListView::copyPaths()
{
    const QStringList paths = selectedPaths();
    if (paths.isEmpty())
        return;
    QApplication::clipboard()->clear();
    QApplication::clipboard()->setText(paths.join(u'\n'));
    m_state.setStatus(L("已拷贝路径"));
}

// The list's own keys win over the window's shortcuts while it has focus.
bool FileListView::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && state() != EditingState) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool space = key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier;
        if (space || isCopyKey(key) || isCopyPathKey(key) || isRenameKey(key)
            || key->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
    }
    return QTableView::event(event);
}

void FileListView::keyPressEvent(QKeyEvent *event)
{
    if (state() != EditingState) {
        if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
            QuickLook::toggle(selectedPaths());
            return;
        }
        if (isRenameKey(event)) {
            renameCurrent();
            return;
        }
        if (isCopyPathKey(event)) {
            copyPaths();
            return;
        }
        if (isCopyKey(event)) {
            activate();
            m_state.copySel();
            return;
        }

    }
    QTableView::keyPressEvent(event);
}

QMenu *FileListView::rowMenu(int row)
{
    const QList<FileItem> &items = m_model->items();
    if (row < 0 || row >= items.size())
        return nullptr;
    if (!selectionModel()->isRowSelected(row)) {
        selectionModel()->select(m_model->index(row, 0), QItemSelectionModel::ClearAndSelect
                                                             | QItemSelectionModel::Rows);
    }
    selectionModel()->setCurrentIndex(m_model->index(row, FileListModel::NameColumn),
                                      QItemSelectionModel::NoUpdate);
    const FileItem item = items.at(row);

    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("rowMenu"));
    auto add = [menu](const QString &name, const QString &title, auto &&slot) {
        QAction *action = menu->addAction(title);
        action->setObjectName(name);
        QObject::connect(action, &QAction::triggered, menu, slot);
        return action;
    };
    QPointer<FileListView> self(this);
    add(QStringLiteral("ctxOpen"), L("打开"), [self] {
        if (!self)
            return;
        const QModelIndexList rows = self->selectionModel()->selectedRows();
        int first = -1;
        for (const QModelIndex &index : rows)
            first = first < 0 ? index.row() : std::min(first, index.row());
        if (first < 0 || first >= self->m_model->items().size())
            return;
        const FileItem chosen = self->m_model->items().at(first);
        if (chosen.isDir) {
            if (self->pane())
                self->pane()->go(chosen.path, true);
        } else {
            Opener::open(chosen.path);
        }
    });
    if (!item.isDir) {
        add(QStringLiteral("ctxQL"), L("快速查看"), [self] {
            if (self)
                QuickLook::toggle(self->selectedPaths());
        });
    }
    add(QStringLiteral("ctxRename"), L("重命名"), [self] {
        if (self)
            self->renameCurrent();
    });
    add(QStringLiteral("ctxReveal"), L("在文件管理器中显示"), [self] {
        if (self && !self->selectedPaths().isEmpty())
            self->m_state.reveal(self->selectedPaths());
    });
    QAction *copyPath = add(QStringLiteral("ctxCopyPath"), L("拷贝路径"), [self] {
        if (self)
            self->copyPaths();
    });
    copyPath->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));
    if (item.isOnline) {
        add(QStringLiteral("ctxDownloadName"), L("☁︎ 下载并读内容起名"), [self] {
            if (!self)
                return;
            const QStringList paths = self->selectedPaths();
            if (!paths.isEmpty())
                self->m_state.organizeURLs(paths, true);
        });
    }
    menu->addSeparator();
    add(QStringLiteral("ctxTrash"), L("移到废纸篓"), [self] {
        if (self)
            self->m_state.trash(self->selectedPaths());
    });
    return menu;
}

void FileListView::contextMenuEvent(QContextMenuEvent *event)
{
    const int row = rowAt(event->pos().y());
    if (row < 0 || indexAt(event->pos()).row() < 0)
        return;
    QMenu *menu = rowMenu(row);
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void FileListView::dragEnterEvent(QDragEnterEvent *event)
{
    if (DropUrls::localPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    QTableView::dragEnterEvent(event);
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void FileListView::dragMoveEvent(QDragMoveEvent *event)
{
    if (DropUrls::localPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    QTableView::dragMoveEvent(event); // scrolls near the edges
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

// Files dropped on a folder row go into that folder; anywhere else, into the pane's.
void FileListView::dropEvent(QDropEvent *event)
{
    const QStringList paths = DropUrls::localPaths(event->mimeData());
    PaneState *p = pane();
    if (paths.isEmpty() || !p) {
        event->ignore();
        return;
    }
    activate();
    const QModelIndex index = indexAt(event->position().toPoint());
    QString folder = p->current();
    if (index.isValid() && index.row() < m_model->items().size() && m_model->items().at(index.row()).isDir)
        folder = m_model->items().at(index.row()).path;
    m_state.dropInto(folder, paths);
    event->setDropAction(Qt::MoveAction);
    event->accept();
    stopAutoScroll();
    setState(NoState);
}

void FileListView::makeRenameCellCurrent(const QModelIndex &name)
{
    selectionModel()->setCurrentIndex(name, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// Many scattered rows changing at once repaint the whole viewport: adding up the region of
// every range costs far more than one repaint.
void FileListView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    if (selected.size() + deselected.size() > 256) {
        viewport()->update();
        return;
    }
    QTableView::selectionChanged(selected, deselected);
}
