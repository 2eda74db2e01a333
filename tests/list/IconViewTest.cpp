// The icon grid: cell metrics, hidden names, selection clicks, the inline rename and the
// grid following the active pane.
#include "ListTestSupport.h"
#include "Localization.h"
#include "TestSupport.h"
#include "kit/Style.h"
#include "list/FileIconView.h"
#include "list/FileListView.h"
#include "list/FileListModel.h"
#include "list/IconDelegate.h"
#include "ThumbnailProvider.h"

#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

using namespace ListTest;

namespace {

// Counts what the grid asks for; every thumbnail is ready at once and kept.
class CountingProvider : public ThumbnailProvider
{
public:
    QStringList asked;
    QHash<QString, QImage> kept;
    QImage cached(const QString &path, double, double) override { return kept.value(path); }
    QFuture<QImage> thumbnail(const QString &path, double, double) override
    {
        asked << path;
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        kept.insert(path, image);
        return QtFuture::makeReadyFuture(image);
    }
};

class IconView : public testing::Test
{
protected:
    void TearDown() override
    {
        delete view;
        settle();
    }
    void open(const QString &folder)
    {
        show(state, folder);
        view = new FileIconView(state);
        view->resize(900, 600);
        view->show();
        QCoreApplication::processEvents();
    }
    QPoint centre(const QString &name) const
    {
        const FileListModel *model = view->fileModel();
        for (int r = 0; r < model->rowCount(); ++r) {
            if (model->items().at(r).name == name)
                return view->visualRect(model->index(r, 0)).center();
        }
        return {};
    }

    BrowserState state;
    FileIconView *view = nullptr;
};

TEST_F(IconView, CellMetricsFollowTheIconSize)
{
    open(makeTree("grid-metrics", {"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(state.iconSize(), 84);
    EXPECT_EQ(IconDelegate::contentWidth(84), 108);
    const QSize cell = IconDelegate::cellSize(84, Kit::font(Kit::TextRole::caption, view->font()));
    EXPECT_EQ(cell.width(), 108 + 2 * IconDelegate::padding);
    EXPECT_GE(view->gridSize().width(), 112);
    EXPECT_TRUE(view->uniformItemSizes());
    EXPECT_EQ(view->viewMode(), QListView::IconMode);

    state.setIconSize(128);
    EXPECT_EQ(view->gridSize().width(), IconDelegate::contentWidth(128) + 2 * IconDelegate::padding
                                             + IconDelegate::spacing);
}

// The darkest pixel of a cell's name area, painted by the delegate.
int darkestNamePixel(const FileIconView *view, const QModelIndex &index)
{
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.rect = QRect(QPoint(0, 0), view->gridSize());
    option.palette = Kit::lightPalette();
    QImage image(option.rect.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    view->itemDelegate()->paint(&painter, option, index);
    painter.end();
    int darkest = 255;
    const int nameTop = IconDelegate::padding + 84 + IconDelegate::padding;
    for (int y = nameTop; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    }
    return darkest;
}

TEST_F(IconView, HiddenNamesAreDimmed)
{
    open(makeTree("grid-hidden", {"name.txt"}));
    QList<FileItem> items = state.activePane()->items();
    ASSERT_EQ(items.size(), 1);
    const int shown = darkestNamePixel(view, view->fileModel()->index(0, 0));
    items[0].isHidden = true;
    state.activePane()->setItems(items);
    QCoreApplication::processEvents();
    const int hidden = darkestNamePixel(view, view->fileModel()->index(0, 0));
    EXPECT_LT(shown, 100);
    EXPECT_GT(hidden, shown + 60);
}

TEST_F(IconView, ClickSelectsOneCtrlClickTogglesAndDoubleClickOpens)
{
    const QString folder = makeTree("grid-select", {"a.txt", "b.txt", "sub/"});
    open(folder);
    PaneState *pane = state.activePane();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre("a.txt"));
    EXPECT_EQ(pane->selection(), QSet<QString>({folder + "/a.txt"}));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, centre("b.txt"));
    EXPECT_EQ(pane->selection(), QSet<QString>({folder + "/a.txt", folder + "/b.txt"}));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, centre("a.txt"));
    EXPECT_EQ(pane->selection(), QSet<QString>({folder + "/b.txt"}));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre("a.txt"));
    EXPECT_EQ(pane->selection(), QSet<QString>({folder + "/a.txt"}));
    // Ctrl+A selects every cell.
    view->setFocus();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(pane->selection().size(), 3);

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre("sub"));
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, centre("sub"));
    settle();
    EXPECT_EQ(pane->current(), folder + "/sub");
    EXPECT_EQ(view->fileModel()->rowCount(), 0);
}

TEST_F(IconView, InlineRenameBeforeTheCellExists)
{
    const QString folder = makeTree("grid-rename", {"a.txt"});
    open(folder);
    // The window asks for the rename of an item the listing has not brought yet.
    makeFile(folder + "/late.txt");
    state.setEditingRename(folder + "/late.txt");
    state.setRenameText("late.txt");
    EXPECT_EQ(view->findChild<QLineEdit *>(), nullptr);
    state.activePane()->rebuild(true);
    ASSERT_TRUE(waitFor([&] { return view->findChild<QLineEdit *>() != nullptr; }));
    auto *field = view->findChild<QLineEdit *>();
    field->selectAll();
    QTest::keyClicks(field, "early.txt");
    QTest::keyClick(field, Qt::Key_Return);
    settle();
    EXPECT_TRUE(QFileInfo::exists(folder + "/early.txt"));
    EXPECT_FALSE(QFileInfo::exists(folder + "/late.txt"));
    EXPECT_TRUE(state.editingRename().isEmpty());
}

// A pane holds a list and a grid; the rename edits in the one on screen only, and a field
// opened in the other would take the focus and close it.
TEST_F(IconView, InlineRenameOpensInTheViewOnScreenOnly)
{
    const QString folder = makeTree("grid-rename-shown", {"a.txt", "notes.txt"});
    open(folder);
    FileListView list(state, state.activePane());
    list.resize(900, 600); // never shown, as the list behind a grid
    view->activateWindow();
    state.setRenameText("notes.txt");
    state.setEditingRename(folder + "/notes.txt");
    settle();
    auto *field = view->findChild<QLineEdit *>();
    ASSERT_NE(field, nullptr);
    EXPECT_FALSE(field->isHidden());
    EXPECT_EQ(list.findChild<QLineEdit *>(), nullptr);
    EXPECT_EQ(state.editingRename(), folder + "/notes.txt");

    // Switching to the list ends the rename as a click elsewhere does: nothing renamed.
    view->hide();
    list.show();
    settle();
    EXPECT_TRUE(QFileInfo::exists(folder + "/notes.txt"));
    EXPECT_EQ(list.findChildren<QLineEdit *>().size(), 0);
}

TEST_F(IconView, TheGridShowsTheActivePane)
{
    const QString one = makeTree("grid-pane-1", {"one.txt"});
    const QString two = makeTree("grid-pane-2", {"two.txt", "three.txt"});
    open(one);
    state.setLayout(PaneLayout::Dual);
    settle();
    state.panes().at(1)->go(two, false);
    settle();
    state.setActivePane(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(names(view->fileModel()->items()), QStringList({"three.txt", "two.txt"}));
    state.setActivePane(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(names(view->fileModel()->items()), QStringList({"one.txt"}));
}

TEST_F(IconView, OnlyCellsInViewAskForThumbnails)
{
    const QString folder = makeTree("grid-thumbs", {});
    show(state, folder);
    CountingProvider provider;
    view = new FileIconView(state, nullptr, &provider);
    view->resize(900, 600);
    view->show();
    QList<FileItem> items;
    for (int i = 0; i < 2000; ++i)
        items << item(QString("img%1.png").arg(i, 4, 10, QChar('0')), false, 100, FileItem::distantPast(), {}, {},
                      folder);
    items << item("sub", true, 0, FileItem::distantPast(), {}, {}, folder);
    state.activePane()->setItems(items);
    QCoreApplication::processEvents();
    view->viewport()->repaint();
    ASSERT_TRUE(waitFor([&] { return !provider.asked.isEmpty(); }));
    QTest::qWait(50);
    const int perPage = (view->viewport()->width() / view->gridSize().width())
                      * (view->viewport()->height() / view->gridSize().height() + 2);
    EXPECT_LE(provider.asked.size(), perPage);
    EXPECT_FALSE(provider.asked.contains(folder + "/sub"));

    // Far down, only the cells shown there are asked for.
    const qsizetype before = provider.asked.size();
    view->scrollToBottom();
    view->viewport()->repaint();
    ASSERT_TRUE(waitFor([&] { return provider.asked.size() > before; }));
    QTest::qWait(50);
    EXPECT_LE(provider.asked.size() - before, perPage);
    EXPECT_TRUE(provider.asked.contains(folder + "/img1999.png"));
    EXPECT_FALSE(provider.asked.contains(folder + "/img1000.png"));
}

TEST_F(IconView, TaggedCellsShowTheirDots)
{
    open(makeTree("grid-tags", {"tagged.txt"}));
    QList<FileItem> items = state.activePane()->items();
    items[0].tags = {"Red"};
    state.activePane()->setItems(items);
    QCoreApplication::processEvents();
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.rect = QRect(QPoint(0, 0), view->gridSize());
    QImage image(option.rect.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    view->itemDelegate()->paint(&painter, option, view->fileModel()->index(0, 0));
    painter.end();
    int reddish = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            reddish += c.red() > 180 && c.green() < 120 && c.blue() < 120;
        }
    }
    EXPECT_GT(reddish, 10);
}

} // namespace
