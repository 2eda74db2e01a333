// Every drop target of the window takes local files as other applications write them
// (host "localhost", percent-encoding) and refuses anything else; a drop always moves.
#include "ListTestSupport.h"
#include "Localization.h"
#include "TestSupport.h"
#include "list/DropUrls.h"
#include "list/FileIconView.h"
#include "list/FileListModel.h"
#include "list/FileListView.h"
#include "window/ContentView.h"
#include "window/PaneColumn.h"
#include "window/PaneNav.h"

#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace ListTest;

namespace {

TEST(DropUrls, OnlyLocalFileUrlsCount)
{
    const struct
    {
        QByteArrayList lines;
        QStringList paths;
    } cases[] = {
        {{"file:///tmp/a%20b.txt"}, {"/tmp/a b.txt"}},
        {{"file://localhost/tmp/%E6%96%87.txt"}, {QString::fromUtf8("/tmp/文.txt")}},
        {{"file://LOCALHOST/tmp/x"}, {"/tmp/x"}},
        {{"file://otherhost/tmp/x", "http://example.com/a.txt"}, {}},
        {{"# a comment", "file:///tmp/y", "https://example.com/"}, {"/tmp/y"}},
    };
    for (const auto &c : cases) {
        std::unique_ptr<QMimeData> data(uriList(c.lines));
        EXPECT_EQ(DropUrls::localPaths(data.get()), c.paths) << c.lines.join(' ').constData();
    }
    QMimeData text;
    text.setText("/tmp/a.txt");
    EXPECT_TRUE(DropUrls::localPaths(&text).isEmpty());
    EXPECT_TRUE(DropUrls::localPaths(nullptr).isEmpty());
}

class DropTargets : public testing::Test
{
protected:
    void SetUp() override
    {
        Loc::shared().setOverride(QStringLiteral("zh-Hans"));
        source = makeTree(QString("drops-src-%1").arg(++counter), {"one two.txt", "文.txt"});
    }
    void TearDown() override
    {
        delete content;
        settle();
        Loc::shared().setOverride(std::nullopt);
    }
    void openWindow(const QString &folder, PaneLayout layout = PaneLayout::Single)
    {
        show(state, folder);
        state.setLayout(layout);
        settle();
        content = new ContentView(state);
        content->resize(1280, 800);
        content->show();
        QCoreApplication::processEvents();
    }
    // A drag from a file manager of another toolkit: localhost and percent-encoding.
    QMimeData *foreignDrag(const QString &name) const
    {
        QByteArray url = "file://localhost" + QUrl::toPercentEncoding(source + "/" + name, "/");
        return uriList({url});
    }
    FileListView *list(int pane = 0) const { return content->columns().at(pane)->list(); }
    QPoint rowCentre(FileListView *view, const QString &name) const
    {
        const FileListModel *model = view->fileModel();
        for (int r = 0; r < model->rowCount(); ++r) {
            if (model->items().at(r).name == name)
                return view->visualRect(model->index(r, FileListModel::SizeColumn)).center();
        }
        return {};
    }

    static inline int counter = 0;
    QString source;
    BrowserState state;
    ContentView *content = nullptr;
};

TEST_F(DropTargets, ListRowsCellsAndEmptySpace)
{
    const QString folder = makeTree("drops-list", {"box/", "note.txt"});
    openWindow(folder);
    FileListView *view = list();

    // On a folder row: into that folder.
    std::unique_ptr<QMimeData> data(foreignDrag("one two.txt"));
    EXPECT_TRUE(dropOn(view->viewport(), rowCentre(view, "box"), data.get()));
    settle();
    EXPECT_TRUE(QFileInfo::exists(folder + "/box/one two.txt"));
    EXPECT_EQ(state.status(), L("已移动 %lld 项", qint64(1)));

    // On a file row's cell: into the pane's folder.
    data.reset(foreignDrag("文.txt"));
    EXPECT_TRUE(dropOn(view->viewport(), rowCentre(view, "note.txt"), data.get()));
    settle();
    EXPECT_TRUE(QFileInfo::exists(folder + "/文.txt"));

    // On empty space below the rows: into the pane's folder.
    makeFile(source + "/three.txt");
    data.reset(uriList({fileUrl(source + "/three.txt")}));
    EXPECT_TRUE(dropOn(view->viewport(), QPoint(30, view->viewport()->height() - 4), data.get()));
    settle();
    EXPECT_TRUE(QFileInfo::exists(folder + "/three.txt"));

    // An http URL or plain text is refused and moves nothing.
    makeFile(source + "/stay.txt");
    data.reset(uriList({"http://example.com/stay.txt"}));
    EXPECT_FALSE(dropOn(view->viewport(), rowCentre(view, "box"), data.get()));
    QMimeData text;
    text.setText(source + "/stay.txt");
    EXPECT_FALSE(dropOn(view->viewport(), rowCentre(view, "box"), &text));
    settle();
    EXPECT_TRUE(QFileInfo::exists(source + "/stay.txt"));
}

TEST_F(DropTargets, CrumbsMoveIntoTheirFolder)
{
    const QString folder = makeTree("drops-crumb", {"inner/"});
    openWindow(folder + "/inner");
    QToolButton *parentCrumb = nullptr;
    for (auto *crumb : content->findChildren<QToolButton *>("crumb")) {
        if (crumb->property("path").toString() == folder)
            parentCrumb = crumb;
    }
    ASSERT_NE(parentCrumb, nullptr);
    std::unique_ptr<QMimeData> data(foreignDrag("one two.txt"));
    EXPECT_TRUE(dropOn(parentCrumb, parentCrumb->rect().center(), data.get()));
    settle();
    EXPECT_TRUE(QFileInfo::exists(folder + "/one two.txt"));
    EXPECT_FALSE(QFileInfo::exists(source + "/one two.txt"));

    QMimeData text;
    text.setText("hello");
    EXPECT_FALSE(dropOn(parentCrumb, parentCrumb->rect().center(), &text));
}

TEST_F(DropTargets, GridFolderCellsAndEmptySpaceButNotFileCells)
{
    const QString folder = makeTree("drops-grid", {"box/", "note.txt"});
    state.setViewMode(ViewMode::Icon);
    openWindow(folder);
    FileIconView *grid = content->columns().at(0)->grid();
    ASSERT_NE(grid, nullptr);
    const FileListModel *model = grid->fileModel();
    auto cellCentre = [&](const QString &name) {
        for (int r = 0; r < model->rowCount(); ++r) {
            if (model->items().at(r).name == name)
                return grid->visualRect(model->index(r, 0)).center();
        }
        return QPoint();
    };
    ASSERT_EQ(model->rowCount(), 2);
    ASSERT_FALSE(grid->visualRect(model->index(0, 0)).isEmpty());
    std::unique_ptr<QMimeData> data(foreignDrag("one two.txt"));
    EXPECT_FALSE(dropOn(grid->viewport(), cellCentre("note.txt"), data.get()));
    settle();
    EXPECT_TRUE(QFileInfo::exists(source + "/one two.txt"));

    EXPECT_TRUE(dropOn(grid->viewport(), cellCentre("box"), data.get()));
    settle();
    EXPECT_TRUE(QFileInfo::exists(folder + "/box/one two.txt"));

    data.reset(foreignDrag("文.txt"));
    EXPECT_TRUE(dropOn(grid->viewport(), QPoint(grid->viewport()->width() - 30, grid->viewport()->height() - 30),
                       data.get()));
    settle();
    EXPECT_TRUE(QFileInfo::exists(folder + "/文.txt"));
}

// Rows dragged as a move from one pane's list onto the other's: the files move, and the
// source list keeps showing names and suggestions (nothing clears the dragged cells).
TEST_F(DropTargets, DraggingRowsOntoAnotherPaneMovesThem)
{
    const QString left = makeTree("drops-left", {"a.txt", "b.txt", "keep.txt"});
    const QString right = makeTree("drops-right", {});
    openWindow(left, PaneLayout::Dual);
    state.panes().at(1)->go(right, false);
    settle();
    QCoreApplication::processEvents();
    FileListView *from = list(0);
    FileListView *to = list(1);
    state.setSuggestion(left + "/keep.txt", "kept-suggestion.txt");
    QCoreApplication::processEvents();
    state.activePane()->setSelection({left + "/a.txt", left + "/b.txt"});

    // Qt's own drag, as a move: the drop lands on the other pane's empty space.
    std::unique_ptr<QMimeData> data(from->fileModel()->mimeData(from->selectionModel()->selectedIndexes()));
    EXPECT_EQ(data->urls().size(), 2);
    EXPECT_EQ(from->fileModel()->supportedDragActions(), Qt::CopyAction | Qt::MoveAction);
    EXPECT_TRUE(dropOn(to->viewport(), QPoint(40, 40), data.get()));
    // What a view does to its rows after a move drag: clear the cells or remove the rows.
    const QModelIndex keep = from->fileModel()->index(2, FileListModel::SuggestionColumn);
    EXPECT_FALSE(from->dragDropOverwriteMode());
    EXPECT_FALSE(from->fileModel()->removeRows(0, 2));
    for (int column = 0; column < FileListModel::ColumnCount; ++column) {
        QMap<int, QVariant> roles = from->fileModel()->itemData(from->fileModel()->index(0, column));
        for (auto &value : roles)
            value = QVariant();
        from->fileModel()->setItemData(from->fileModel()->index(0, column), roles);
    }
    EXPECT_EQ(from->fileModel()->index(0, 0).data().toString(), "a.txt");
    EXPECT_EQ(keep.data().toString(), "kept-suggestion.txt");
    settle();
    EXPECT_TRUE(QFileInfo::exists(right + "/a.txt"));
    EXPECT_TRUE(QFileInfo::exists(right + "/b.txt"));
    EXPECT_EQ(names(from->fileModel()->items()), QStringList({"keep.txt"}));
    EXPECT_EQ(names(to->fileModel()->items()), QStringList({"a.txt", "b.txt"}));
    EXPECT_EQ(state.activeIndex(), 1);
}

} // namespace
