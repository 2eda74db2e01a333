// States of the list and icon views: suggestions in the list, the grid, the inline
// rename editors and the file menus, on the fixture folder.
#include "BrowserState.h"
#include "Fixture.h"
#include "PaneState.h"
#include "Shots.h"
#include "list/FileIconView.h"
#include "list/FileListModel.h"
#include "list/FileListView.h"
#include "window/ContentView.h"
#include "window/PaneColumn.h"

#include <QMenu>
#include <QVBoxLayout>

#include <functional>

namespace Shots {

namespace {

// A window's content over the fixture with its own window model; the last touches are
// made once the pane is listed.
class ListWindow : public QWidget
{
public:
    using Step = std::function<void(BrowserState &, ContentView &)>;

    ListWindow(const QString &folder, ViewMode mode, Step afterListing)
        : m_afterListing(std::move(afterListing))
    {
        m_state.setViewMode(mode);
        m_state.setFavorites(Fixture::favorites());
        m_state.activePane()->go(folder, false);
        auto *column = new QVBoxLayout(this);
        column->setContentsMargins(0, 0, 0, 0);
        m_view = new ContentView(m_state, this);
        column->addWidget(m_view);
    }
    ~ListWindow() override { delete m_view; }

    bool ready()
    {
        if (m_state.activePane()->items().isEmpty())
            return false;
        if (m_afterListing) {
            m_afterListing(m_state, *m_view);
            m_afterListing = nullptr;
        }
        return true;
    }

private:
    BrowserState m_state;
    ContentView *m_view = nullptr;
    Step m_afterListing;
};

Shot listShot(const QString &state, ViewMode mode, ListWindow::Step afterListing)
{
    return {QStringLiteral("list"), state,
            [mode, afterListing](const Context &context) -> QWidget * {
                return new ListWindow(context.fixture, mode, afterListing);
            },
            [](QWidget *widget) { return static_cast<ListWindow *>(widget)->ready(); }};
}

const FileItem *named(BrowserState &state, const QString &prefix)
{
    for (const FileItem &item : state.activePane()->items()) {
        if (item.name.startsWith(prefix))
            return &item;
    }
    return nullptr;
}

void suggest(BrowserState &state)
{
    const std::pair<const char *, const char *> names[] = {
        {"Invoice", "2024-03-01_Example Trading_Invoice_128.00 EUR.pdf"},
        {"notes", "Shopping list.txt"},
        {"photo", "2024-03-01_Photo.png"},
    };
    for (const auto &[prefix, suggestion] : names) {
        if (const FileItem *item = named(state, QString::fromUtf8(prefix))) {
            const QString path = item->path;
            state.setSuggestion(path, QString::fromUtf8(suggestion));
            state.setAccept(path, true);
        }
    }
}

void selectNamed(BrowserState &state, const QString &prefix)
{
    if (const FileItem *item = named(state, prefix))
        state.activePane()->setSelection({item->path});
}

// Shows a menu inside the window at `at`, as a plain child, so the picture holds it.
void showMenu(QMenu *menu, ContentView &view, const QPoint &at)
{
    if (!menu)
        return;
    menu->setParent(&view, Qt::Widget);
    menu->adjustSize();
    menu->move(at);
    menu->show();
    menu->raise();
}

PaneColumn *firstColumn(ContentView &view)
{
    return view.columns().isEmpty() ? nullptr : view.columns().first();
}

} // namespace

QList<Shot> listShots()
{
    return {
        listShot(QStringLiteral("list-suggestions"), ViewMode::List,
                 [](BrowserState &state, ContentView &) {
                     suggest(state);
                     selectNamed(state, QStringLiteral("notes"));
                 }),
        listShot(QStringLiteral("list-rename"), ViewMode::List,
                 [](BrowserState &state, ContentView &) {
                     if (const FileItem *item = named(state, QStringLiteral("notes"))) {
                         const QString path = item->path;
                         state.setRenameText(item->name);
                         state.setEditingRename(path);
                     }
                 }),
        listShot(QStringLiteral("list-row-menu"), ViewMode::List,
                 [](BrowserState &, ContentView &view) {
                     FileListView *list = firstColumn(view)->list();
                     const int row = 2;
                     const QRect cell = list->visualRect(list->fileModel()->index(row, 0));
                     showMenu(list->rowMenu(row), view,
                              list->viewport()->mapTo(&view, cell.center() + QPoint(40, 0)));
                 }),
        listShot(QStringLiteral("grid"), ViewMode::Icon,
                 [](BrowserState &state, ContentView &) { selectNamed(state, QStringLiteral("photo")); }),
        listShot(QStringLiteral("grid-rename"), ViewMode::Icon,
                 [](BrowserState &state, ContentView &) {
                     if (const FileItem *item = named(state, QStringLiteral("notes"))) {
                         const QString path = item->path;
                         state.setRenameText(item->name);
                         state.setEditingRename(path);
                     }
                 }),
        listShot(QStringLiteral("grid-file-menu"), ViewMode::Icon,
                 [](BrowserState &, ContentView &view) {
                     FileIconView *grid = firstColumn(view)->grid();
                     if (!grid)
                         return;
                     const QRect cell = grid->visualRect(grid->fileModel()->index(1, 0));
                     QMenu *menu = grid->cellMenu(1);
                     showMenu(menu, view, grid->viewport()->mapTo(&view, cell.center()));
                     if (menu) {
                         if (auto *tags = menu->findChild<QMenu *>(QStringLiteral("ctxTags")))
                             showMenu(tags, view, menu->geometry().topRight() + QPoint(0, 200));
                     }
                 }),
    };
}

} // namespace Shots
