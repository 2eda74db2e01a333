#include "FileIconView.h"

#include "BrowserState.h"
#include "DropUrls.h"
#include "FileContextMenu.h"
#include "FileListModel.h"
#include "IconDelegate.h"
#include "Localization.h"
#include "PaneState.h"
#include "SelectionLink.h"
#include "ThumbnailRequests.h"
#include "kit/Style.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>

FileIconView::FileIconView(BrowserState &state, QWidget *parent, ThumbnailProvider *provider)
    : InlineRenameView(state, parent),
      m_state(state),
      m_model(new FileListModel(state, this)),
      m_delegate(new IconDelegate(state, this)),
      m_thumbnails(new ThumbnailRequests(provider ? *provider : state.thumbs(), this))
{
    setObjectName(QStringLiteral("fileGrid"));
    setModel(m_model);
    setModelColumn(FileListModel::NameColumn);
    setItemDelegate(m_delegate);
    setViewMode(IconMode);
    setMovement(Static);
    setResizeMode(Adjust);
    setFlow(LeftToRight);
    setWrapping(true);
    setUniformItemSizes(true);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(NoEditTriggers);
    setVerticalScrollMode(ScrollPerPixel);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(DragDrop);
    viewport()->setAcceptDrops(true); // a static grid turns drops off
    setDragDropOverwriteMode(false);
    setDropIndicatorShown(false);
    setDefaultDropAction(Qt::MoveAction);

    m_delegate->setThumbnails(m_thumbnails);
    m_thumbnails->setStillWanted([this](const QString &path) {
        const int row = m_model->rowOf(path);
        return row >= 0 && visualRect(m_model->index(row, 0)).intersects(viewport()->rect());
    });
    connect(m_thumbnails, &ThumbnailRequests::ready, this, [this](const QString &path) {
        const int row = m_model->rowOf(path);
        if (row >= 0)
            viewport()->update(visualRect(m_model->index(row, 0)));
    });
    connect(m_model, &QAbstractItemModel::modelReset, m_thumbnails, &ThumbnailRequests::clear);

    new SelectionLink(this, m_model, {});
    connect(&m_state, &BrowserState::activePaneChanged, this, &FileIconView::followActivePane);
    connect(&m_state, &BrowserState::iconSizeChanged, this, &FileIconView::applyIconSize);
    connect(&m_state, &BrowserState::editingRenameChanged, this, &FileIconView::openRenameEditor);
    connect(m_model, &FileListModel::updated, this, &FileIconView::openRenameEditor);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid() && index.row() < m_model->items().size())
            m_state.open(m_model->items().at(index.row()));
    });
    applyIconSize();
    followActivePane();
    Kit::retranslate(this, [this] { setAccessibleName(L("图标")); });
}

void FileIconView::followActivePane()
{
    m_model->setPane(m_state.activePane());
}

void FileIconView::applyIconSize()
{
    const QSize cell = IconDelegate::cellSize(m_state.iconSize(), Kit::font(Kit::TextRole::caption, font()));
    setGridSize(cell + QSize(IconDelegate::spacing, IconDelegate::spacing));
    m_thumbnails->setSize(m_state.iconSize(), devicePixelRatioF());
    doItemsLayout();
}

bool FileIconView::event(QEvent *event)
{
    if (event->type() == QEvent::FontChange)
        applyIconSize();
    if (event->type() == QEvent::ShortcutOverride && state() != EditingState) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
    }
    return QListView::event(event);
}

QMenu *FileIconView::cellMenu(int row)
{
    if (row < 0 || row >= m_model->items().size())
        return nullptr;
    return FileContextMenu::build(m_state, m_model->items().at(row), this);
}

void FileIconView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = cellMenu(indexAt(event->pos()).row());
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

QString FileIconView::dropFolder(const QPoint &pos) const
{
    const QModelIndex index = indexAt(pos);
    if (index.isValid() && index.row() < m_model->items().size()) {
        const FileItem &item = m_model->items().at(index.row());
        return item.isDir ? item.path : QString();
    }
    return m_model->pane() ? m_model->pane()->current() : QString();
}

void FileIconView::dragEnterEvent(QDragEnterEvent *event)
{
    if (DropUrls::localPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    QListView::dragEnterEvent(event);
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void FileIconView::dragMoveEvent(QDragMoveEvent *event)
{
    if (DropUrls::localPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    QListView::dragMoveEvent(event); // scrolls near the edges
    if (dropFolder(event->position().toPoint()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void FileIconView::dropEvent(QDropEvent *event)
{
    const QStringList paths = DropUrls::localPaths(event->mimeData());
    const QString folder = dropFolder(event->position().toPoint());
    stopAutoScroll();
    setState(NoState);
    if (paths.isEmpty() || folder.isEmpty()) {
        event->ignore();
        return;
    }
    m_state.dropInto(folder, paths);
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void FileIconView::makeRenameCellCurrent(const QModelIndex &name)
{
    selectionModel()->setCurrentIndex(name, QItemSelectionModel::NoUpdate);
}

