// The list view on a real window model: cell texts, updates, the suggestion column,
// header sorting, selection both ways, editing, keys and the row menu.
#include "DisplayHelpers.h"
#include "ListTestSupport.h"
#include "Localization.h"
#include "Opener.h"
#include "TestSupport.h"
#include "kit/Icons.h"
#include "list/FileListModel.h"
#include "list/FileListView.h"
#include "preview/QuickLook.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace ListTest;

namespace {

using Column = FileListModel::Column;

class ListView : public testing::Test
{
protected:
    void SetUp() override
    {
        Kit::ensureIconTheme();
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
    }
    void TearDown() override
    {
        delete view;
        settle();
        Loc::shared().setOverride(std::nullopt);
    }

    void open(const QString &folder)
    {
        show(state, folder);
        view = new FileListView(state, state.activePane());
        view->resize(900, 600);
        view->show();
        QCoreApplication::processEvents();
    }
    FileListModel *model() const { return view->fileModel(); }
    QString cell(int row, int column) const { return model()->index(row, column).data().toString(); }
    int row(const QString &name) const
    {
        for (int r = 0; r < model()->rowCount(); ++r) {
            if (model()->items().at(r).name == name)
                return r;
        }
        return -1;
    }
    QPoint centre(int row, int column) const { return view->visualRect(model()->index(row, column)).center(); }
    // Lets queued updates of the model run.
    static void flush() { QCoreApplication::processEvents(); }

    BrowserState state;
    FileListView *view = nullptr;
};

TEST_F(ListView, CellsShowTheItemsFields)
{
    const QString folder = makeTree("list-cells", {"sub/"});
    makeFile(folder + "/data.bin", 1536);
    open(folder);
    ASSERT_EQ(model()->rowCount(), 2);
    EXPECT_EQ(model()->columnCount(), int(FileListModel::ColumnCount));
    const int dir = row("sub"), file = row("data.bin");
    EXPECT_EQ(cell(dir, Column::SizeColumn), "--");
    EXPECT_EQ(cell(file, Column::SizeColumn), sizeStr(1536));
    EXPECT_EQ(cell(file, Column::KindColumn), model()->items().at(file).kind);
    EXPECT_EQ(cell(file, Column::DateColumn), dateStr(model()->items().at(file).created));
    EXPECT_EQ(cell(file, Column::SuggestionColumn), QString(u'\u2014'));
    EXPECT_FALSE(model()->index(file, Column::NameColumn).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_EQ(view->verticalHeader()->defaultSectionSize(), 22);
    EXPECT_EQ(view->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);

    // An online file carries the cloud mark; the editor still gets the bare name.
    QList<FileItem> items = state.activePane()->items();
    items[file].isOnline = true;
    state.activePane()->setItems(items);
    flush();
    EXPECT_EQ(cell(file, Column::NameColumn), QStringLiteral("data.bin  \u2601\uFE0E"));
    EXPECT_EQ(model()->index(file, Column::NameColumn).data(Qt::EditRole).toString(), "data.bin");

    EXPECT_EQ(view->model()->headerData(Column::SuggestionColumn, Qt::Horizontal).toString(), "AI 建议名");
    Loc::shared().setOverride(QStringLiteral("en"));
    EXPECT_EQ(view->model()->headerData(Column::DateColumn, Qt::Horizontal).toString(), "Date Created");
}

TEST_F(ListView, AFileWithoutExtensionGetsTheIconOfItsContentWhenRead)
{
    const QString folder = makeTree("list-icons", {"notes.txt"});
    TestSupport::writeFile(folder + "/scan", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    show(state, folder);
    view = new FileListView(state, state.activePane());
    QSignalSpy changed(model(), &QAbstractItemModel::dataChanged);
    view->resize(900, 600);
    view->show(); // paints the rows: the file is drawn with the generic icon first
    const int scan = row("scan");
    ASSERT_GE(scan, 0);
    const QModelIndex name = model()->index(scan, Column::NameColumn);
    const auto iconChanged = [&] {
        for (const QList<QVariant> &signal : changed) {
            const auto roles = signal.at(2).value<QList<int>>();
            if (signal.at(0).toModelIndex() == name && signal.at(1).toModelIndex() == name
                && roles.contains(Qt::DecorationRole))
                return true;
        }
        return false;
    };
    ASSERT_TRUE(waitFor(iconChanged, 5000));
    ASSERT_TRUE(state.iconCache().contains("image/png"));
    EXPECT_EQ(name.data(Qt::DecorationRole).value<QIcon>().cacheKey(), state.iconCache()["image/png"].cacheKey());
}

TEST_F(ListView, ASuggestionChangesOneRowAndKeepsScrollAndEditor)
{
    QStringList names;
    for (int i = 0; i < 200; ++i)
        names << QString("f%1.txt").arg(i, 3, 10, QChar('0'));
    open(makeTree("list-update", names));
    ASSERT_EQ(model()->rowCount(), 200);
    EXPECT_TRUE(view->isColumnHidden(Column::SuggestionColumn));

    view->verticalScrollBar()->setValue(22 * 100 + 5);
    const int scrolled = view->verticalScrollBar()->value();
    view->edit(model()->index(150, Column::NameColumn));
    auto *editor = view->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    editor->setText("typing");

    QSignalSpy resets(model(), &QAbstractItemModel::modelReset);
    QSignalSpy changes(model(), &QAbstractItemModel::dataChanged);
    state.setSuggestion(model()->items().at(120).path, "better.txt");
    state.setAccept(model()->items().at(120).path, true); // a burst: one update
    flush();
    EXPECT_EQ(resets.count(), 0);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).toModelIndex().row(), 120);
    EXPECT_EQ(changes.at(0).at(1).toModelIndex().row(), 120);
    EXPECT_EQ(cell(120, Column::SuggestionColumn), "better.txt");
    EXPECT_FALSE(view->isColumnHidden(Column::SuggestionColumn));
    EXPECT_EQ(view->verticalScrollBar()->value(), scrolled);
    ASSERT_EQ(view->findChild<QLineEdit *>(), editor);
    EXPECT_EQ(editor->text(), "typing");
    view->closePersistentEditor(model()->index(150, Column::NameColumn));

    // A listing change resets once and keeps the top row where it was.
    const QString top = model()->items().at(view->rowAt(0)).path;
    makeFile(state.activePane()->current() + "/a-first.txt");
    state.activePane()->rebuild(true);
    settle();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model()->rowCount(), 201);
    EXPECT_EQ(model()->items().at(view->rowAt(0)).path, top);

    state.clearSuggestions();
    flush();
    EXPECT_TRUE(view->isColumnHidden(Column::SuggestionColumn));
}

TEST_F(ListView, OrganiseShowsTheSuggestionColumn)
{
    const QString folder = makeTree("list-organise", {});
    TestSupport::writeFile(folder + "/n1.txt",
                           "Topic 1 Plans\n\nWe planted tomatoes and beans along the south fence.");
    open(folder);
    EXPECT_TRUE(view->isColumnHidden(Column::SuggestionColumn));
    state.organize();
    ASSERT_TRUE(waitFor([&] { return !state.scanning(); }, 60000));
    ASSERT_TRUE(waitFor([&] { return !view->isColumnHidden(Column::SuggestionColumn); }));
    EXPECT_NE(cell(0, Column::SuggestionColumn), QString(u'\u2014'));
}

TEST_F(ListView, HeaderClicksSort)
{
    const QString folder = makeTree("list-sort", {});
    makeFile(folder + "/b.txt", 10);
    makeFile(folder + "/a.txt", 30);
    makeFile(folder + "/c.txt", 20);
    open(folder);
    PaneState *pane = state.activePane();
    QHeaderView *header = view->horizontalHeader();
    auto click = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
        flush();
    };
    const struct
    {
        int column;
        SortKey key;
        bool ascending;
        QStringList order;
    } steps[] = {
        {Column::NameColumn, SortKey::Name, false, {"c.txt", "b.txt", "a.txt"}}, // shown as sorted: turns
        {Column::SizeColumn, SortKey::Size, true, {"b.txt", "c.txt", "a.txt"}},
        {Column::SizeColumn, SortKey::Size, false, {"a.txt", "c.txt", "b.txt"}},
        {Column::DateColumn, SortKey::Date, false, {}}, // newest first on the first click
        {Column::NameColumn, SortKey::Name, true, {"a.txt", "b.txt", "c.txt"}},
        {Column::NameColumn, SortKey::Name, false, {"c.txt", "b.txt", "a.txt"}},
        {Column::SuggestionColumn, SortKey::Name, true, {"a.txt", "b.txt", "c.txt"}},
    };
    state.setSuggestion(folder + "/a.txt", "x"); // shows the suggestion column
    flush();
    for (const auto &step : steps) {
        click(step.column);
        EXPECT_EQ(pane->sortKey(), step.key) << step.column;
        EXPECT_EQ(pane->sortAsc(), step.ascending) << step.column;
        if (!step.order.isEmpty()) {
            EXPECT_EQ(names(model()->items()), step.order) << step.column;
        }
        EXPECT_EQ(header->sortIndicatorSection(), step.column);
    }
}

TEST_F(ListView, SelectionFlowsBothWaysWithoutEcho)
{
    const QString folder = makeTree("list-select", {"a.txt", "b.txt", "c.txt", "d.txt"});
    open(folder);
    PaneState *pane = state.activePane();
    QSignalSpy paneChanges(pane, &PaneState::selectionChanged);
    pane->setSelection({folder + "/b.txt", folder + "/c.txt", folder + "/gone.txt"});
    EXPECT_EQ(paneChanges.count(), 1) << "no write-back";
    EXPECT_EQ(view->selectedPaths(), QStringList({folder + "/b.txt", folder + "/c.txt"}));
    EXPECT_EQ(pane->selection().size(), 3);

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre(row("d.txt"), Column::SizeColumn));
    EXPECT_EQ(pane->selection(), QSet<QString>({folder + "/d.txt"}));

    // Empty space clears the selection and leaves the active pane alone.
    state.setLayout(PaneLayout::Dual);
    settle();
    state.setActivePane(1);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(20, view->viewport()->height() - 5));
    EXPECT_TRUE(pane->selection().isEmpty());
    EXPECT_EQ(state.activeIndex(), 1);
    // Selecting rows makes the pane active.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre(0, Column::NameColumn));
    EXPECT_EQ(state.activeIndex(), 0);

    view->setFocus();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(pane->selection().size(), 4);
}

TEST_F(ListView, SelectAllOfAHundredThousandRows)
{
    open(makeTree("list-many", {}));
    QList<FileItem> items;
    items.reserve(100000);
    for (int i = 0; i < 100000; ++i)
        items << item(QString("f%1").arg(i, 6, 10, QChar('0')), false, i, FileItem::distantPast(), {}, {},
                      state.activePane()->current());
    state.activePane()->setItems(items);
    flush();
    ASSERT_EQ(model()->rowCount(), 100000);
    QElapsedTimer timer;
    timer.start();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(state.activePane()->selection().size(), 100000);
    // Back the other way: every second row from the pane, as ranges.
    QSet<QString> half;
    for (int i = 0; i < 100000; i += 2)
        half.insert(items.at(i).path);
    state.activePane()->setSelection(half);
    EXPECT_EQ(view->selectionModel()->selection().size(), 50000);
    EXPECT_LT(timer.elapsed(), 10000) << "scattered rows must not compare every range with every other";
}

TEST_F(ListView, EditsRenameAndSetSuggestions)
{
    const QString folder = makeTree("list-edit", {"a.txt", "b.txt"});
    open(folder);
    // Return opens the name editor; typing and Return renames on disk.
    state.activePane()->setSelection({folder + "/a.txt"});
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Return);
    auto *editor = view->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "a.txt");
    editor->selectAll();
    QTest::keyClicks(editor, "renamed.txt");
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    EXPECT_TRUE(QFileInfo::exists(folder + "/renamed.txt"));

    // Escape leaves the name alone.
    state.activePane()->setSelection({folder + "/b.txt"});
    view->setFocus();
    QTest::keyClick(view, Qt::Key_F2);
    editor = view->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "zzz");
    QTest::keyClick(editor, Qt::Key_Escape);
    settle();
    EXPECT_TRUE(QFileInfo::exists(folder + "/b.txt"));

    // Return with nothing selected opens nothing.
    state.activePane()->setSelection({});
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(view->findChild<QLineEdit *>(), nullptr);

    // Suggestion edits: spaces clear, the current name does not tick, other text ticks.
    const QString path = folder + "/b.txt";
    const struct
    {
        QString typed;
        std::optional<QString> suggestion;
        bool accept;
    } cases[] = {{"  new.txt ", "new.txt", true}, {"   ", "", false}, {"b.txt", "b.txt", false}};
    for (const auto &c : cases) {
        const int r = row("b.txt");
        ASSERT_GE(r, 0);
        EXPECT_TRUE(model()->setData(model()->index(r, Column::SuggestionColumn), c.typed));
        flush();
        const FileItem &shown = state.activePane()->items().at(r);
        EXPECT_EQ(shown.suggestion, c.suggestion) << qPrintable(c.typed);
        EXPECT_EQ(shown.accept, c.accept) << qPrintable(c.typed);
    }
    // The empty value a move drag writes into cells is refused.
    EXPECT_FALSE(model()->setData(model()->index(row("b.txt"), Column::NameColumn), QVariant()));
    EXPECT_FALSE(model()->removeRows(0, 1));
}

TEST_F(ListView, TheWindowsInlineRenameOpensWhenTheRowAppears)
{
    const QString folder = makeTree("list-newfolder", {"a.txt"});
    open(folder);
    state.newFolder(); // the row arrives with the next listing
    ASSERT_TRUE(waitFor([&] { return view->findChild<QLineEdit *>() != nullptr; }));
    auto *editor = view->findChild<QLineEdit *>();
    const QString made = state.editingRename();
    EXPECT_EQ(editor->text(), QFileInfo(made).fileName());
    editor->selectAll();
    QTest::keyClicks(editor, "Projects");
    QTest::keyClick(editor, Qt::Key_Return);
    settle();
    EXPECT_TRUE(QFileInfo(folder + "/Projects").isDir());
    EXPECT_TRUE(state.editingRename().isEmpty());

    // Escape closes the inline rename without renaming.
    state.setEditingRename(folder + "/a.txt");
    state.setRenameText("a.txt");
    editor = view->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_TRUE(state.editingRename().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(folder + "/a.txt"));
}

TEST_F(ListView, DoubleClickOpensFoldersInThePaneAndFilesOutside)
{
    const QString folder = makeTree("list-open", {"doc.txt", "sub/"});
    open(folder);
    QList<QUrl> opened;
    Opener::ScopedHandler handler([&](const QUrl &url) {
        opened << url;
        return true;
    });
    const auto doubleClick = [&](const QPoint &at) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    };
    doubleClick(centre(row("doc.txt"), Column::NameColumn));
    EXPECT_EQ(opened, QList<QUrl>({QUrl::fromLocalFile(folder + "/doc.txt")}));
    doubleClick(centre(row("sub"), Column::SizeColumn));
    settle();
    EXPECT_EQ(state.activePane()->current(), folder + "/sub");
    EXPECT_EQ(state.activePane()->back(), QStringList({folder}));
}

TEST_F(ListView, CopyKeysPutFilesAndPathsOnTheClipboard)
{
    const QString folder = makeTree("list-keys", {"a.txt", "b.txt", "c.txt"});
    open(folder);
    state.activePane()->setSelection({folder + "/c.txt", folder + "/a.txt"});
    view->setFocus();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), folder + "/a.txt\n" + folder + "/c.txt");
    EXPECT_EQ(state.status(), L("已拷贝路径"));

    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    const QMimeData *data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->urls(), QList<QUrl>({QUrl::fromLocalFile(folder + "/a.txt"), QUrl::fromLocalFile(folder + "/c.txt")}));

    // Space previews the selection in the process's preview window, and closes it again.
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_TRUE(QuickLook::shared().isVisible());
    EXPECT_EQ(QuickLook::shared().paths(), QStringList({folder + "/a.txt", folder + "/c.txt"}));
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_FALSE(QuickLook::shared().isVisible());

    // Ctrl+Shift+C is not ours.
    QApplication::clipboard()->clear();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    const QMimeData *after = QApplication::clipboard()->mimeData();
    EXPECT_TRUE(after == nullptr || !after->hasUrls());
}

QStringList titles(const QMenu *menu)
{
    QStringList list;
    for (const QAction *action : menu->actions())
        list << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return list;
}

TEST_F(ListView, RowMenu)
{
    const QString folder = makeTree("list-menu", {"a.txt", "b.txt", "c.txt", "sub/"});
    open(folder);
    PaneState *pane = state.activePane();

    // Outside the rows: no menu.
    EXPECT_EQ(view->rowMenu(model()->rowCount()), nullptr);
    EXPECT_EQ(view->rowMenu(-1), nullptr);

    // A right click on an unselected row replaces the selection.
    pane->setSelection({folder + "/a.txt", folder + "/b.txt"});
    std::unique_ptr<QMenu> menu(view->rowMenu(row("c.txt")));
    EXPECT_EQ(pane->selection(), QSet<QString>({folder + "/c.txt"}));
    const QStringList fileMenu = titles(menu.get());
    EXPECT_EQ(fileMenu.first(), L("打开"));
    EXPECT_EQ(fileMenu.last(), L("移到废纸篓"));
    EXPECT_EQ(fileMenu.mid(0, 5), QStringList({L("打开"), L("快速查看"), L("重命名"), L("在文件管理器中显示"), L("拷贝路径")}));
    EXPECT_TRUE(fileMenu.contains(L("拷贝路径")));
    EXPECT_FALSE(fileMenu.contains(L("☁︎ 下载并读内容起名")));

    // On one of several selected rows, the selection stays and copy path takes them all.
    pane->setSelection({folder + "/a.txt", folder + "/b.txt"});
    menu.reset(view->rowMenu(row("b.txt")));
    EXPECT_EQ(pane->selection().size(), 2);
    menu->findChild<QAction *>("ctxCopyPath")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), folder + "/a.txt\n" + folder + "/b.txt");
    EXPECT_EQ(menu->findChild<QAction *>("ctxCopyPath")->shortcut(),
              QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));

    // A folder row has no preview.
    menu.reset(view->rowMenu(row("sub")));
    EXPECT_EQ(menu->findChild<QAction *>("ctxQL"), nullptr);
    EXPECT_NE(menu->findChild<QAction *>("ctxReveal"), nullptr);

    // An online file offers download-and-name.
    QList<FileItem> items = pane->items();
    items[row("a.txt")].isOnline = true;
    pane->setItems(items);
    flush();
    menu.reset(view->rowMenu(row("a.txt")));
    EXPECT_NE(menu->findChild<QAction *>("ctxDownloadName"), nullptr);

    // Open takes the first selected row only; trash takes them all.
    QList<QUrl> opened;
    Opener::ScopedHandler handler([&](const QUrl &url) {
        opened << url;
        return true;
    });
    pane->setSelection({folder + "/b.txt", folder + "/c.txt"});
    menu.reset(view->rowMenu(row("c.txt")));
    menu->findChild<QAction *>("ctxOpen")->trigger();
    EXPECT_EQ(opened, QList<QUrl>({QUrl::fromLocalFile(folder + "/b.txt")}));
    menu->findChild<QAction *>("ctxTrash")->trigger();
    settle();
    EXPECT_FALSE(QFileInfo::exists(folder + "/b.txt"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/c.txt"));
    EXPECT_TRUE(QFileInfo::exists(folder + "/a.txt"));
}

} // namespace
